#include "db/open_database_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

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
#ifndef _WIN32
  EXPECT_EQ(FileNameOfPath("/home/me/dbs/spkrbase.mdb"), "spkrbase.mdb");
  EXPECT_EQ(FileNameOfPath("/home/me\\odd/qbaudio.mdb"), "qbaudio.mdb");
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
