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
  const FileDialogSettings old = OpenDialogSettings(Side::Old);
  EXPECT_EQ(old.title, "Locate the OLD database (xqbaudio.mdb or spkrbase.mdb)");
  EXPECT_EQ(old.filter,
            "Previous Database|xqbaudio.mdb|Tundrel 5.1 Database|spkrbase.mdb|All Databases|*.mdb");
  EXPECT_EQ(old.initialName, "*.mdb");
  EXPECT_EQ(old.flags, 6144);
  const FileDialogSettings fresh = OpenDialogSettings(Side::New);
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
    state.Old.clearList = [this] { ++fromListClears; };
    state.Old.clearRText = [this] { ++fromReportClears; };
    state.New.clearList = [this] { ++toListClears; };
    state.New.clearRText = [this] { ++toReportClears; };
  }

  // Copies a fixture into the scratch folder under the given name.
  std::string fixture(const std::string& fixtureName, const std::string& as) {
    const fs::path copy = test::copyShared("fixtures/" + fixtureName, dir.path());
    if (copy.filename() != as) fs::rename(copy, dir / as);
    return (dir / as).string();
  }

  void open(Side side, std::optional<std::string> path) {
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
  open(Side::New, std::nullopt);
  EXPECT_FALSE(state.New.DbOpen);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(ui.events, (std::vector<std::string>{"busy on", "busy off",
                                                 "dialog: Locate the NEW database (qbaudio.mdb)"}));
  // Nothing was open, so there was nothing to close or clear.
  EXPECT_EQ(toListClears, 0);
}

TEST_F(OpenSide, NamesThatDoNotEndInMdbAreRefusedBeforeTheFileIsTouched) {
  for (const char* path : {"", "qbaudio.md", "notes.txt"}) {
    ui.messages.clear();
    open(Side::New, std::string(path));
    EXPECT_EQ(messageTexts(), Messages{"Cannot open database."}) << path;
    EXPECT_FALSE(state.New.DbOpen);
    EXPECT_FALSE(state.New.Db);
  }
  EXPECT_FALSE(ui.busy);
}

TEST_F(OpenSide, NewDatabaseOpensItsFiveTablesAndShowsItsNameAndDate) {
  QBM_REQUIRE_SHARED();
  const std::string path = fixture("qbaudio.mdb", "qbaudio.mdb");
  const std::chrono::sys_seconds stamp =
      std::chrono::sys_days{std::chrono::year{2021} / 6 / 15} + std::chrono::hours{13};
  fs::last_write_time(path, std::chrono::file_clock::from_sys(stamp));

  open(Side::New, path);
  ASSERT_TRUE(ui.messages.empty()) << ui.messages.front().first;
  ASSERT_TRUE(state.New.DbOpen);
  EXPECT_TRUE(state.New.Db && state.New.Woofers && state.New.Tweeters && state.New.Companies &&
              state.New.WooferResponse && state.New.TweeterResponse);
  EXPECT_FALSE(state.Old.DbOpen);
  EXPECT_EQ(state.New.Name.caption, "qbaudio.mdb");
  const std::time_t seconds = std::chrono::system_clock::to_time_t(stamp);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &seconds);
#else
  localtime_r(&seconds, &local);
#endif
  EXPECT_EQ(state.New.Name.tooltip, formatGeneralDate(local, test::pointLocale()));
  EXPECT_EQ(state.Old.Name.caption, "");
  // The woofers and tweeters cursors stand on their first rows.
  EXPECT_EQ(state.New.Woofers->get("ID"), jet::Value{std::int32_t{1}});
  EXPECT_EQ(state.New.Tweeters->get("ID"), jet::Value{std::int32_t{1}});
  EXPECT_EQ(ui.events,
            (std::vector<std::string>{"busy on", "busy off",
                                      "dialog: Locate the NEW database (qbaudio.mdb)", "busy on",
                                      "busy off"}));
}

TEST_F(OpenSide, ReopeningCancelledClosesTheSideAndClearsItsListAndReport) {
  QBM_REQUIRE_SHARED();
  open(Side::New, fixture("qbaudio.mdb", "qbaudio.mdb"));
  open(Side::Old, fixture("xqbaudio.mdb", "xqbaudio.mdb"));
  ASSERT_TRUE(state.New.DbOpen && state.Old.DbOpen);

  open(Side::New, std::nullopt);
  EXPECT_FALSE(state.New.DbOpen);
  EXPECT_FALSE(state.New.Db || state.New.Woofers || state.New.Tweeters || state.New.Companies ||
               state.New.WooferResponse || state.New.TweeterResponse);
  EXPECT_EQ(state.New.Name.caption, "");
  EXPECT_EQ(state.New.Name.tooltip, "");
  EXPECT_EQ(toListClears, 1);
  EXPECT_EQ(toReportClears, 1);
  // The old side is untouched.
  EXPECT_TRUE(state.Old.DbOpen);
  EXPECT_EQ(state.Old.Name.caption, "xqbaudio.mdb");
  EXPECT_EQ(fromListClears, 0);
  // Closing released the file: it opens again.
  open(Side::New, (dir / "qbaudio.mdb").string());
  EXPECT_TRUE(state.New.DbOpen);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(OpenSide, LegacyDatabaseIsRecognisedByItsNameInAnyCase) {
  QBM_REQUIRE_SHARED();
  open(Side::Old, fixture("spkrbase.mdb", "SpkrBase.MDB"));
  ASSERT_TRUE(ui.messages.empty()) << ui.messages.front().first;
  ASSERT_TRUE(state.Old.DbOpen);
  EXPECT_EQ(state.OldDbKind, DbKind::Legacy);
  EXPECT_EQ(state.Old.Woofers->name(), "woofer data");
  EXPECT_FALSE(state.Old.Tweeters || state.Old.Companies || state.Old.WooferResponse ||
               state.Old.TweeterResponse);
  EXPECT_EQ(state.Old.Name.caption, "SpkrBase.MDB");
  EXPECT_NE(state.Old.Name.tooltip, "");
}

TEST_F(OpenSide, LegacyDatabaseUnderAnotherNameLacksTheDriverTables) {
  QBM_REQUIRE_SHARED();
  open(Side::Old, fixture("spkrbase.mdb", "legacy.mdb"));
  EXPECT_EQ(messageTexts(),
            Messages{"Sorry, the selected database file is not a Tundrel Pro or Partiva Pro driver "
                     "database."});
  EXPECT_FALSE(state.Old.DbOpen);
  EXPECT_EQ(state.OldDbKind, DbKind::PreviousFormat);
  EXPECT_FALSE(state.Old.Db || state.Old.Woofers);
  EXPECT_EQ(state.Old.Name.caption, "");
  EXPECT_FALSE(ui.busy);
  // The failed open let go of the file.
  open(Side::Old, (dir / "legacy.mdb").string());
  EXPECT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages.back().first, NotDriverDatabaseMessage);
}

TEST_F(OpenSide, CurrentFormatFileNamedSpkrbaseIsNoLegacyDatabase) {
  QBM_REQUIRE_SHARED();
  open(Side::Old, fixture("xqbaudio.mdb", "spkrbase.mdb"));
  EXPECT_EQ(messageTexts(),
            Messages{"Sorry, the selected database file is not a Tundrel 5.1 driver database."});
  EXPECT_FALSE(state.Old.DbOpen);
  EXPECT_EQ(state.OldDbKind, DbKind::Legacy);
  EXPECT_FALSE(state.Old.Db || state.Old.Woofers);
}

TEST_F(OpenSide, NewSideRefusesALegacyDatabase) {
  QBM_REQUIRE_SHARED();
  open(Side::New, fixture("spkrbase.mdb", "spkrbase.mdb"));
  EXPECT_EQ(messageTexts(), Messages{std::string(NotDriverDatabaseMessage)});
  EXPECT_FALSE(state.New.DbOpen);
  EXPECT_FALSE(state.New.Db || state.New.Woofers);
  EXPECT_EQ(ui.events.back(), "busy off");
}

TEST_F(OpenSide, CurrentFormatFileIsAcceptedAsPreviousFormatOldDatabase) {
  QBM_REQUIRE_SHARED();
  open(Side::Old, fixture("qbaudio.mdb", "current.xmdb"));
  ASSERT_TRUE(ui.messages.empty()) << ui.messages.front().first;
  EXPECT_TRUE(state.Old.DbOpen);
  EXPECT_EQ(state.OldDbKind, DbKind::PreviousFormat);
  EXPECT_TRUE(state.Old.Woofers && state.Old.Tweeters && state.Old.Companies &&
              state.Old.WooferResponse && state.Old.TweeterResponse);
  EXPECT_EQ(state.Old.Name.caption, "current.xmdb");
}

TEST_F(OpenSide, FileOpenOnOneSideCannotBeOpenedOnTheOther) {
  QBM_REQUIRE_SHARED();
  const std::string path = fixture("qbaudio.mdb", "qbaudio.mdb");
  open(Side::New, path);
  ASSERT_TRUE(state.New.DbOpen);
  open(Side::Old, path);
  EXPECT_EQ(messageTexts(), Messages{"Sorry, the selected database file cannot be opened."});
  EXPECT_FALSE(state.Old.DbOpen);
  EXPECT_TRUE(state.New.DbOpen);  // the new side keeps its file
  EXPECT_EQ(state.New.Woofers->get("ID"), jet::Value{std::int32_t{1}});
}

// The two sides must be two files: the file open on one side is refused on the other under any of
// its names.
TEST_F(OpenSide, TheNewDatabaseUnderAnyOtherNameCannotBeOpenedAsTheOld) {
  QBM_REQUIRE_SHARED();
  const std::string path = fixture("qbaudio.mdb", "qbaudio.mdb");
  fs::create_directory(dir / "sub");
  std::vector<fs::path> names = {fs::path(path), dir / "sub" / ".." / "qbaudio.mdb", dir / "hard.mdb"};
#ifndef _WIN32  // on Windows only administrators may make symbolic links
  fs::create_symlink(path, dir / "soft.mdb");
  names.push_back(dir / "soft.mdb");
#endif
  open(Side::New, path);
  ASSERT_TRUE(state.New.DbOpen);
  fs::create_hard_link(path, dir / "hard.mdb");  // after the open: a file of two names is not written
  for (const fs::path& name : names) {
    ui.messages.clear();
    open(Side::Old, name.string());
    EXPECT_EQ(messageTexts(), Messages{"Sorry, the selected database file cannot be opened."}) << name;
    EXPECT_FALSE(state.Old.DbOpen) << name;
    EXPECT_NE(state.openFailure.find("is the file open as the new database"), std::string::npos)
        << name << ": " << state.openFailure;
  }
  EXPECT_TRUE(state.New.DbOpen);
  // And the other way round, when the new side is opened again.
  ui.messages.clear();
  open(Side::Old, fixture("xqbaudio.mdb", "xqbaudio.mdb"));
  ASSERT_TRUE(state.Old.DbOpen);
  fs::create_hard_link(dir / "xqbaudio.mdb", dir / "old-again.mdb");
  open(Side::New, (dir / "old-again.mdb").string());
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

  open(Side::Old, path);
  ASSERT_TRUE(state.Old.DbOpen);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].second, MessageIcon::Exclamation);
  EXPECT_EQ(ui.messages[0].first,
            "xqbaudio.mdb has an interrupted change pending (xqbaudio.mdb-journal). It is read as it was "
            "before that change; the file itself is left as it is until it is opened as the new "
            "database, which undoes the change.");
  EXPECT_NO_THROW(state.Old.Woofers->moveFirst());
  CloseDatabaseSide(Side::Old, state);
  EXPECT_EQ(crashed, test::fileBytes(path));
  EXPECT_EQ(journalBytes, test::fileBytes(journal));

  ui.messages.clear();
  open(Side::New, path);
  ASSERT_TRUE(state.New.DbOpen);
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
    open(Side::New, c.path);
    EXPECT_EQ(messageTexts(), Messages{"Sorry, the selected database file cannot be opened."}) << c.path;
    EXPECT_FALSE(state.New.DbOpen);
    EXPECT_NE(state.openFailure.find(c.reason), std::string::npos) << state.openFailure;
  }
#ifndef _WIN32
  alarm(0);
#endif
  // The old database is only read, so a file that may not be written serves there.
  if (unwritable.effective()) {
    ui.messages.clear();
    open(Side::Old, readOnly);
    EXPECT_TRUE(state.Old.DbOpen);
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
    open(Side::New, path);
    EXPECT_EQ(messageTexts(), Messages{"Sorry, the selected database file cannot be opened."})
        << path;
    EXPECT_FALSE(state.New.DbOpen);
    EXPECT_FALSE(state.New.Db);
    // The message comes while the busy pointer is still on; it is off at the end.
    EXPECT_EQ(ui.events, (std::vector<std::string>{
                             "busy on", "busy off", "dialog: Locate the NEW database (qbaudio.mdb)",
                             "busy on", "message: Sorry, the selected database file cannot be opened.",
                             "busy on", "busy off"}));
  }
}

}  // namespace
}  // namespace qbm
