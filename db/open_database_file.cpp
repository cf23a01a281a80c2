#include "db/open_database_file.h"

#include <exception>
#include <filesystem>
#include <optional>

#include "common/date_text.h"
#include "common/file_time.h"
#include "db/legacy_table.h"
#include "db/schema.h"
#include "jet/path_text.h"

namespace qbm {
namespace {

// Which message a failure while opening reports.
enum class FailureKind { NoDatabase, NotLegacy, NotDriverDatabase };

std::string upperAscii(std::string_view text) {
  std::string upper(text);
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c -= 32;
  return upper;
}

// Opens the file exclusively. The old database is only read, so it is opened read-only (readOnly):
// a file the user may not write (a read-only copy, say) opens all the same, and a journal an
// interrupted change left beside it is read through rather than rolled back, so that neither is
// changed.
jet::Database openExclusively(const std::filesystem::path& file, bool readOnly) {
  return jet::Database::open(file, {.exclusive = true, .readOnly = readOnly});
}

// The database the other side has open when it is this very file, by identity (a second name, a
// link, a path through ".."), not by name: the two sides must be two files.
std::optional<std::string> openOnOtherSide(const std::filesystem::path& file, Side side,
                                           const DatabaseState& state) {
  const std::optional<jet::Database>& other = state.side(side == Side::Old ? Side::New : Side::Old).Db;
  if (!other) return std::nullopt;
  std::error_code error;
  if (!std::filesystem::equivalent(file, other->path(), error)) return std::nullopt;
  return jet::utf8Of(file) + " is the file open as the " + (side == Side::Old ? "new" : "old") +
         " database; the two databases must be two different files";
}

std::string modifiedTooltip(const std::filesystem::path& path, const UserLocale& locale) {
  const std::optional<std::tm> modified = fileModifiedLocalTime(path);
  return modified ? formatGeneralDate(*modified, locale) : std::string();
}

void moveToFirstRow(std::optional<jet::Table>& table) {
  if (!table) return;
  try {
    table->moveFirst();
  } catch (const jet::Error&) {
    // An empty or unreadable table shows up later, when it is walked.
  }
}

// Opens the side's tables in their order. Throws what the engine throws.
void openTables(Side side, const std::string& fileName, DatabaseState& state,
                FailureKind& failure) {
  DatabaseSide& open = state.side(side);
  jet::Database& db = *open.Db;
  if (side == Side::Old) {
    if (upperAscii(fileName) == legacy::OpenedFileName) {
      failure = FailureKind::NotLegacy;
      state.OldDbKind = DbKind::Legacy;
      open.Woofers.emplace(db.table(legacy::Table));
    } else {
      failure = FailureKind::NotDriverDatabase;
      state.OldDbKind = DbKind::PreviousFormat;
      open.Woofers.emplace(db.table(tables::Woofers));
      open.Tweeters.emplace(db.table(tables::Tweeters));
      open.Companies.emplace(db.table(tables::Companies));
      open.WooferResponse.emplace(db.table(tables::WooferResponse));
      open.TweeterResponse.emplace(db.table(tables::TweeterResponse));
    }
  } else {
    failure = FailureKind::NotDriverDatabase;
    open.Woofers.emplace(db.table(tables::Woofers));
    open.Tweeters.emplace(db.table(tables::Tweeters));
    open.Companies.emplace(db.table(tables::Companies));
    open.WooferResponse.emplace(db.table(tables::WooferResponse));
    open.TweeterResponse.emplace(db.table(tables::TweeterResponse));
  }
}

std::string_view failureMessage(FailureKind kind) {
  switch (kind) {
    case FailureKind::NoDatabase: return DatabaseCannotBeOpenedMessage;
    case FailureKind::NotLegacy: return NotLegacyDriverDatabaseMessage;
    case FailureKind::NotDriverDatabase: return NotDriverDatabaseMessage;
  }
  return DatabaseCannotBeOpenedMessage;
}

}  // namespace

std::string JournalNoticeMessage(std::string_view fileName, const jet::JournalFinding& finding) {
  const std::string file(fileName);
  const std::string journal = jet::utf8Of(finding.journal.filename());
  using Kind = jet::JournalFinding::Kind;
  switch (finding.kind) {
    case Kind::None:
      return "";
    case Kind::RolledBack:
      return "An interrupted change to " + file + " was undone: the file is as it was before that change.";
    case Kind::Pending:
      return file + " has an interrupted change pending (" + journal +
             "). It is read as it was before that change; the file itself is left as it is until it "
             "is opened as the new database, which undoes the change.";
    case Kind::SetAside:
      return journal + " beside " + file + " was not applied, as " + finding.reason + "; it was moved to " +
             jet::utf8Of(finding.setAsidePath.filename()) + ", and " + file + " is used as it is.";
    case Kind::Ignored:
      return journal + " beside " + file + " is not applied, as " + finding.reason + "; " + file +
             " is read as it is.";
  }
  return "";
}

FileDialogSettings OpenDialogSettings(Side side) {
  FileDialogSettings settings;
  if (side == Side::Old) {
    settings.title = "Locate the OLD database (xqbaudio.mdb or spkrbase.mdb)";
    settings.filter =
        "Previous Database|xqbaudio.mdb|Tundrel 5.1 Database|spkrbase.mdb|All Databases|*.mdb";
    settings.initialName = "*.mdb";
  } else {
    settings.title = "Locate the NEW database (qbaudio.mdb)";
    settings.filter = "New Database|qbaudio.mdb";
    settings.initialName = "qbaudio.mdb";
  }
  settings.flags = 6144;
  return settings;
}

std::string FileNameOfPath(std::string_view path) {
#ifdef _WIN32
  // Windows takes either slash between folders, and "C:NAME" names a file on a drive.
  const size_t separator = path.find_last_of("\\/:");
#else
  const size_t separator = path.find_last_of("\\/");
#endif
  return std::string(separator == std::string_view::npos ? path : path.substr(separator + 1));
}

bool HasDatabaseExtension(std::string_view path) {
  return upperAscii(path.substr(path.size() < 3 ? 0 : path.size() - 3)) == "MDB";
}

namespace {

void closeSide(Side side, UserInterface& ui, DatabaseState& state) {
  ui.setBusy(true);
  CloseDatabaseSide(side, state);
  ui.setBusy(false);
}

// Everything after the file is chosen: the name check, the exclusive open, the kind and the tables.
void openChosen(Side side, const std::string& path, UserInterface& ui, DatabaseState& state,
                const UserLocale& locale, bool onlyRead) {
  const std::string fileName = FileNameOfPath(path);
  if (path.empty() || !HasDatabaseExtension(path)) {
    ui.showMessage(std::string(CannotOpenDatabaseMessage), MessageIcon::Critical);
    return;
  }

  ui.setBusy(true);
  const std::filesystem::path file = jet::pathFromUtf8(path);
  DatabaseSide& open = state.side(side);
  std::optional<jet::Database>& db = open.Db;
  FailureKind failure = FailureKind::NoDatabase;
  state.openFailure.clear();
  state.openFailureCode.reset();
  const auto fail = [&](const std::exception& e) {
    state.openFailure = e.what();
    ui.showMessage(std::string(failureMessage(failure)), MessageIcon::Critical);
    ui.setBusy(true);
    ReleaseDatabaseSide(side, state);
    ui.setBusy(false);
  };
  // The engine's errors, and what the file system or memory may throw on the way.
  try {
    if (std::optional<std::string> same = openOnOtherSide(file, side, state))
      throw jet::Error(jet::ErrorCode::Locked, *same);
    db.emplace(openExclusively(file, side == Side::Old || onlyRead));
    openTables(side, fileName, state, failure);
  } catch (const jet::Error& e) {
    state.openFailureCode = e.code();
    fail(e);
    return;
  } catch (const std::exception& e) {
    fail(e);
    return;
  }

  moveToFirstRow(open.Woofers);
  moveToFirstRow(open.Tweeters);
  open.DbOpen = true;
  open.Name = {fileName, modifiedTooltip(file, locale)};
  const std::string notice = JournalNoticeMessage(fileName, db->journalFinding());
  if (!notice.empty()) ui.showMessage(notice, MessageIcon::Exclamation);
  ui.setBusy(false);
}

}  // namespace

void OpenDatabaseFile(Side side, UserInterface& ui, DatabaseState& state,
                      const UserLocale& locale) {
  closeSide(side, ui, state);
  const std::optional<std::string> chosen = ui.chooseFile(OpenDialogSettings(side));
  if (chosen) openChosen(side, *chosen, ui, state, locale, false);
}

void OpenDatabasePath(Side side, const std::string& path, UserInterface& ui,
                      DatabaseState& state, const UserLocale& locale, bool onlyRead) {
  closeSide(side, ui, state);
  openChosen(side, path, ui, state, locale, onlyRead);
}

void OpenDatabaseFile(Side side, UserInterface& ui, DatabaseState& state) {
  OpenDatabaseFile(side, ui, state, currentUserLocale());
}

}  // namespace qbm
