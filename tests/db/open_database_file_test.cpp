#include "db/open_database_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

#include "common/date_text.h"
#include "common/file_time.h"
#include "tests/common/locales.h"
#include "tests/support/fake_user_interface.h"
#include "tests/support/test_support.h"

namespace qbm {
namespace {

namespace fs = std::filesystem;

TEST(OpenDatabaseFile, DialogSettingsOfEachSide) {
  const FileDialogSettings old = OpenDialogSettings(OldSide);
  EXPECT_EQ(old.title, "Locate the OLD database (xqbaudio.mdb or spkrbase.mdb)");
  EXPECT_EQ(old.filter,
            "Previous Database|xqbaudio.mdb|Tundrel 5.1 Database|spkrbase.mdb|All Databases|*.mdb");
  EXPECT_EQ(old.initialName, "*.mdb");
  EXPECT_EQ(old.flags, 6144);
  const FileDialogSettings fresh = OpenDialogSettings(NewSide);
  EXPECT_EQ(fresh.title, "Locate the NEW database (qbaudio.mdb)");
  EXPECT_EQ(fresh.filter, "New Database|qbaudio.mdb");
  EXPECT_EQ(fresh.initialName, "qbaudio.mdb");
  EXPECT_EQ(fresh.flags, 6144);
}

TEST(OpenDatabaseFile, NameIsWhatFollowsTheLastSeparator) {
  EXPECT_EQ(FileNameOfPath("C:\\Program Files\\QB\\SPKRBASE.MDB"), "SPKRBASE.MDB");
  EXPECT_EQ(FileNameOfPath("spkrbase.mdb"), "spkrbase.mdb");
  EXPECT_EQ(FileNameOfPath("C:\\dir\\"), "");
  EXPECT_EQ(FileNameOfPath(""), "");
  EXPECT_EQ(FileNameOfPath("/home/me/dbs/spkrbase.mdb"), "spkrbase.mdb");
  EXPECT_EQ(FileNameOfPath("C:/t\\odd/qbaudio.mdb"), "qbaudio.mdb");
#ifdef _WIN32
  EXPECT_EQ(FileNameOfPath("C:spkrbase.mdb"), "spkrbase.mdb");
#else
  EXPECT_EQ(FileNameOfPath("C:spkrbase.mdb"), "C:spkrbase.mdb") << "a colon is part of a POSIX name";
#endif
}

TEST(OpenDatabaseFile, ExtensionIsTheLastThreeCharactersInAnyCase) {
  EXPECT_TRUE(HasDatabaseExtension("qbaudio.mdb"));
  EXPECT_TRUE(HasDatabaseExtension("QBAUDIO.MDB"));
  EXPECT_TRUE(HasDatabaseExtension("backup.xmdb"));
  EXPECT_TRUE(HasDatabaseExtension("mdb"));
  EXPECT_FALSE(HasDatabaseExtension("qbaudio.md"));
  EXPECT_FALSE(HasDatabaseExtension("qbaudio.mdb "));
  EXPECT_FALSE(HasDatabaseExtension("db"));
  EXPECT_FALSE(HasDatabaseExtension(""));
}

// A state whose list and report clears are counted, with a fixed locale for the tooltip.
class OpenSide : public ::testing::Test {
 protected:
  OpenSide() {
    state.clearFromList = [this] { ++fromListClears; };
    state.clearFromRText = [this] { ++fromReportClears; };
    state.clearToList = [this] { ++toListClears; };
    state.clearToRText = [this] { ++toReportClears; };
  }

  // Copies a fixture into the scratch folder under the given name.
  std::string fixture(const std::string& fixtureName, const std::string& as) {
    const fs::path copy = test::copyShared("fixtures/" + fixtureName, dir.path());
    if (copy.filename() != as) fs::rename(copy, dir / as);
    return (dir / as).string();
  }

  void open(std::int16_t side, std::optional<std::string> path) {
    ui.files.push_back(std::move(path));
    OpenDatabaseFile(side, ui, state, test::pointLocale());
  }

  std::vector<std::string> messageTexts() const {
    std::vector<std::string> texts;
    for (const auto& [text, icon] : ui.messages) {
      EXPECT_EQ(icon, MessageIcon::Critical);
      texts.push_back(text);
    }
    return texts;
  }

  test::ScratchDir dir;
  test::FakeUserInterface ui;
  DatabaseState state;
  int fromListClears = 0, fromReportClears = 0, toListClears = 0, toReportClears = 0;
};

using Messages = std::vector<std::string>;

TEST_F(OpenSide, CancelledDialogLeavesTheSideClosedWithoutAMessage) {
  open(NewSide, std::nullopt);
  EXPECT_FALSE(state.NewDbOpen);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(ui.events, (std::vector<std::string>{"busy on", "busy off",
                                                 "dialog: Locate the NEW database (qbaudio.mdb)"}));
  // Nothing was open, so there was nothing to close or clear.
  EXPECT_EQ(toListClears, 0);
}

TEST_F(OpenSide, NamesThatDoNotEndInMdbAreRefusedBeforeTheFileIsTouched) {
  for (const char* path : {"", "qbaudio.md", "notes.txt"}) {
    ui.messages.clear();
    open(NewSide, std::string(path));
    EXPECT_EQ(messageTexts(), Messages{"Cannot open database."}) << path;
    EXPECT_FALSE(state.NewDbOpen);
    EXPECT_FALSE(state.NewDb);
  }
  EXPECT_FALSE(ui.busy);
}

TEST_F(OpenSide, NewDatabaseOpensItsFiveTablesAndShowsItsNameAndDate) {
  QBM_REQUIRE_SHARED();
  const std::string path = fixture("qbaudio.mdb", "qbaudio.mdb");
  const std::chrono::sys_seconds stamp =
      std::chrono::sys_days{std::chrono::year{2021} / 6 / 15} + std::chrono::hours{13};
  fs::last_write_time(path, std::chrono::file_clock::from_sys(stamp));

  open(NewSide, path);
  ASSERT_TRUE(ui.messages.empty()) << ui.messages.front().first;
  ASSERT_TRUE(state.NewDbOpen);
  EXPECT_TRUE(state.NewDb && state.NewWoofers && state.NewTweeters && state.NewCompanies &&
              state.NewWooferResponse && state.NewTweeterResponse);
  EXPECT_FALSE(state.OldDbOpen);
  EXPECT_EQ(state.ToName.caption, "qbaudio.mdb");
  const std::time_t seconds = std::chrono::system_clock::to_time_t(stamp);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &seconds);
#else
  localtime_r(&seconds, &local);
#endif
  EXPECT_EQ(state.ToName.tooltip, formatGeneralDate(local, test::pointLocale()));
  EXPECT_EQ(state.FromName.caption, "");
  // The woofers and tweeters cursors stand on their first rows.
  EXPECT_EQ(state.NewWoofers->get("ID"), jet::Value{std::int32_t{1}});
  EXPECT_EQ(state.NewTweeters->get("ID"), jet::Value{std::int32_t{1}});
  EXPECT_EQ(ui.events,
            (std::vector<std::string>{"busy on", "busy off",
                                      "dialog: Locate the NEW database (qbaudio.mdb)", "busy on",
                                      "busy off"}));
}

TEST_F(OpenSide, ReopeningCancelledClosesTheSideAndClearsItsListAndReport) {
  QBM_REQUIRE_SHARED();
  open(NewSide, fixture("qbaudio.mdb", "qbaudio.mdb"));
  open(OldSide, fixture("xqbaudio.mdb", "xqbaudio.mdb"));
  ASSERT_TRUE(state.NewDbOpen && state.OldDbOpen);

  open(NewSide, std::nullopt);
  EXPECT_FALSE(state.NewDbOpen);
  EXPECT_FALSE(state.NewDb || state.NewWoofers || state.NewTweeters || state.NewCompanies ||
               state.NewWooferResponse || state.NewTweeterResponse);
  EXPECT_EQ(state.ToName.caption, "");
  EXPECT_EQ(state.ToName.tooltip, "");
  EXPECT_EQ(toListClears, 1);
  EXPECT_EQ(toReportClears, 1);
  // The old side is untouched.
  EXPECT_TRUE(state.OldDbOpen);
  EXPECT_EQ(state.FromName.caption, "xqbaudio.mdb");
  EXPECT_EQ(fromListClears, 0);
  // Closing released the file: it opens again.
  open(NewSide, (dir / "qbaudio.mdb").string());
  EXPECT_TRUE(state.NewDbOpen);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(OpenSide, LegacyDatabaseIsRecognisedByItsNameInAnyCase) {
  QBM_REQUIRE_SHARED();
  open(OldSide, fixture("spkrbase.mdb", "SpkrBase.MDB"));
  ASSERT_TRUE(ui.messages.empty()) << ui.messages.front().first;
  ASSERT_TRUE(state.OldDbOpen);
  EXPECT_EQ(state.OldDbKind, LegacyDbKind);
  EXPECT_EQ(state.OldWoofers->name(), "woofer data");
  EXPECT_FALSE(state.OldTweeters || state.OldCompanies || state.OldWooferResponse ||
               state.OldTweeterResponse);
  EXPECT_EQ(state.FromName.caption, "SpkrBase.MDB");
  EXPECT_NE(state.FromName.tooltip, "");
}

TEST_F(OpenSide, LegacyDatabaseUnderAnotherNameLacksTheDriverTables) {
  QBM_REQUIRE_SHARED();
  open(OldSide, fixture("spkrbase.mdb", "legacy.mdb"));
  EXPECT_EQ(messageTexts(),
            Messages{"Sorry, the selected database file is not a Tundrel Pro or Partiva Pro driver "
                     "database."});
  EXPECT_FALSE(state.OldDbOpen);
  EXPECT_EQ(state.OldDbKind, PreviousFormatDbKind);
  EXPECT_FALSE(state.OldDb || state.OldWoofers);
  EXPECT_EQ(state.FromName.caption, "");
  EXPECT_FALSE(ui.busy);
  // The failed open let go of the file.
  open(OldSide, (dir / "legacy.mdb").string());
  EXPECT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages.back().first, NotDriverDatabaseMessage);
}

TEST_F(OpenSide, CurrentFormatFileNamedSpkrbaseIsNoLegacyDatabase) {
  QBM_REQUIRE_SHARED();
  open(OldSide, fixture("xqbaudio.mdb", "spkrbase.mdb"));
  EXPECT_EQ(messageTexts(),
            Messages{"Sorry, the selected database file is not a Tundrel 5.1 driver database."});
  EXPECT_FALSE(state.OldDbOpen);
  EXPECT_EQ(state.OldDbKind, LegacyDbKind);
  EXPECT_FALSE(state.OldDb || state.OldWoofers);
}

TEST_F(OpenSide, NewSideRefusesALegacyDatabase) {
  QBM_REQUIRE_SHARED();
  open(NewSide, fixture("spkrbase.mdb", "spkrbase.mdb"));
  EXPECT_EQ(messageTexts(), Messages{std::string(NotDriverDatabaseMessage)});
  EXPECT_FALSE(state.NewDbOpen);
  EXPECT_FALSE(state.NewDb || state.NewWoofers);
  EXPECT_EQ(ui.events.back(), "busy off");
}

TEST_F(OpenSide, CurrentFormatFileIsAcceptedAsPreviousFormatOldDatabase) {
  QBM_REQUIRE_SHARED();
  open(OldSide, fixture("qbaudio.mdb", "current.xmdb"));
  ASSERT_TRUE(ui.messages.empty()) << ui.messages.front().first;
  EXPECT_TRUE(state.OldDbOpen);
  EXPECT_EQ(state.OldDbKind, PreviousFormatDbKind);
  EXPECT_TRUE(state.OldWoofers && state.OldTweeters && state.OldCompanies &&
              state.OldWooferResponse && state.OldTweeterResponse);
  EXPECT_EQ(state.FromName.caption, "current.xmdb");
}

TEST_F(OpenSide, FileOpenOnOneSideCannotBeOpenedOnTheOther) {
  QBM_REQUIRE_SHARED();
  const std::string path = fixture("qbaudio.mdb", "qbaudio.mdb");
  open(NewSide, path);
  ASSERT_TRUE(state.NewDbOpen);
  open(OldSide, path);
  EXPECT_EQ(messageTexts(), Messages{"Sorry, the selected database file cannot be opened."});
  EXPECT_FALSE(state.OldDbOpen);
  EXPECT_TRUE(state.NewDbOpen);  // the new side keeps its file
  EXPECT_EQ(state.NewWoofers->get("ID"), jet::Value{std::int32_t{1}});
}

// The two sides must be two files: the file open on one side is refused on the other under any of
// its names.
TEST_F(OpenSide, TheNewDatabaseUnderAnyOtherNameCannotBeOpenedAsTheOld) {
  QBM_REQUIRE_SHARED();
  const std::string path = fixture("qbaudio.mdb", "qbaudio.mdb");
  fs::create_directory(dir / "sub");
  fs::create_hard_link(path, dir / "hard.mdb");
  std::vector<fs::path> names = {fs::path(path), dir / "sub" / ".." / "qbaudio.mdb", dir / "hard.mdb"};
#ifndef _WIN32  // on Windows only administrators may make symbolic links
  fs::create_symlink(path, dir / "soft.mdb");
  names.push_back(dir / "soft.mdb");
#endif
  open(NewSide, path);
  ASSERT_TRUE(state.NewDbOpen);
  for (const fs::path& name : names) {
    ui.messages.clear();
    open(OldSide, name.string());
    EXPECT_EQ(messageTexts(), Messages{"Sorry, the selected database file cannot be opened."}) << name;
    EXPECT_FALSE(state.OldDbOpen) << name;
    EXPECT_NE(state.openFailure.find("is the file open as the new database"), std::string::npos)
        << name << ": " << state.openFailure;
  }
  EXPECT_TRUE(state.NewDbOpen);
  // And the other way round, when the new side is opened again.
  ui.messages.clear();
  open(OldSide, fixture("xqbaudio.mdb", "xqbaudio.mdb"));
  ASSERT_TRUE(state.OldDbOpen);
  fs::create_hard_link(dir / "xqbaudio.mdb", dir / "old-again.mdb");
  open(NewSide, (dir / "old-again.mdb").string());
  EXPECT_EQ(messageTexts(), Messages{"Sorry, the selected database file cannot be opened."});
  EXPECT_NE(state.openFailure.find("is the file open as the old database"), std::string::npos);
}

// The old database is only read: a journal beside it is read through, never applied, and neither
// file changes; the person is told. The same file opened as the new database is restored.
TEST_F(OpenSide, OldSideReadsAnInterruptedChangeWithoutApplyingIt) {
  QBM_REQUIRE_SHARED();
  const std::string path = fixture("xqbaudio.mdb", "xqbaudio.mdb");
  const auto original = test::fileBytes(path);
  test::leaveInterruptedChange(path);
  const auto crashed = test::fileBytes(path);
  const fs::path journal = path + "-journal";
  const auto journalBytes = test::fileBytes(journal);

  open(OldSide, path);
  ASSERT_TRUE(state.OldDbOpen);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].second, MessageIcon::Exclamation);
  EXPECT_EQ(ui.messages[0].first,
            "xqbaudio.mdb has an interrupted change pending (xqbaudio.mdb-journal). It is read as it was "
            "before that change; the file itself is left as it is until it is opened as the new "
            "database, which undoes the change.");
  EXPECT_NO_THROW(state.OldWoofers->moveFirst());
  CloseDatabaseSide(OldSide, state);
  EXPECT_EQ(crashed, test::fileBytes(path));
  EXPECT_EQ(journalBytes, test::fileBytes(journal));

  ui.messages.clear();
  open(NewSide, path);
  ASSERT_TRUE(state.NewDbOpen);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].first,
            "An interrupted change to xqbaudio.mdb was undone: the file is as it was before that change.");
  EXPECT_EQ(original, test::fileBytes(path));
  EXPECT_FALSE(fs::exists(journal));
}

// Files the new database cannot be: the catch-all message in the window, the precise reason kept
// for the command line, and never a wait (a named pipe would block an ordinary open).
TEST_F(OpenSide, SpecialAndUnwritableFilesCannotBeTheNewDatabase) {
  QBM_REQUIRE_SHARED();
  fs::create_directory(dir / "folder.mdb");
  const std::string readOnly = fixture("qbaudio.mdb", "readonly.mdb");
  test::UnwritableFile unwritable(readOnly);
  struct Case {
    std::string path;
    const char* reason;
  };
  std::vector<Case> cases = {{(dir / "folder.mdb").string(), "a folder"}};
#ifndef _WIN32  // named pipes and devices as POSIX file systems show them
  ASSERT_EQ(0, mkfifo((dir / "pipe.mdb").c_str(), 0600));
  fs::create_symlink("/dev/zero", dir / "zero.mdb");
  cases.push_back({(dir / "pipe.mdb").string(), "a named pipe"});
  cases.push_back({(dir / "zero.mdb").string(), "a device"});
  alarm(20);
#endif
  if (unwritable.effective()) cases.push_back({readOnly, "for writing"});
  for (const Case& c : cases) {
    ui.messages.clear();
    open(NewSide, c.path);
    EXPECT_EQ(messageTexts(), Messages{"Sorry, the selected database file cannot be opened."}) << c.path;
    EXPECT_FALSE(state.NewDbOpen);
    EXPECT_NE(state.openFailure.find(c.reason), std::string::npos) << state.openFailure;
  }
#ifndef _WIN32
  alarm(0);
#endif
  // The old database is only read, so a file that may not be written serves there.
  if (unwritable.effective()) {
    ui.messages.clear();
    open(OldSide, readOnly);
    EXPECT_TRUE(state.OldDbOpen);
    EXPECT_TRUE(ui.messages.empty());
  }
}

TEST_F(OpenSide, FilesThatAreNoDatabaseCannotBeOpened) {
  {
    std::ofstream junk(dir / "junk.mdb");
    junk << "this is not an Access database, just some text long enough to look like a file\n";
  }
  std::ofstream(dir / "empty.mdb").close();
  for (const std::string& path : {(dir / "junk.mdb").string(), (dir / "empty.mdb").string(),
                                 (dir / "missing.mdb").string()}) {
    ui.messages.clear();
    ui.events.clear();
    open(NewSide, path);
    EXPECT_EQ(messageTexts(), Messages{"Sorry, the selected database file cannot be opened."})
        << path;
    EXPECT_FALSE(state.NewDbOpen);
    EXPECT_FALSE(state.NewDb);
    // The message comes while the busy pointer is still on; it is off at the end.
    EXPECT_EQ(ui.events, (std::vector<std::string>{
                             "busy on", "busy off", "dialog: Locate the NEW database (qbaudio.mdb)",
                             "busy on", "message: Sorry, the selected database file cannot be opened.",
                             "busy on", "busy off"}));
  }
}

TEST_F(OpenSide, UnknownSideDoesNothing) {
  open(3, std::string("qbaudio.mdb"));
  EXPECT_TRUE(ui.events.empty());
  EXPECT_FALSE(state.NewDbOpen || state.OldDbOpen);
}

}  // namespace
}  // namespace qbm
