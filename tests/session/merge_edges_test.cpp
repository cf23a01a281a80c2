// "Merge >" at its edges: nothing listed, no new database open, a merge stopped half way (rolled
// back, the file as before), a dry run, writes the new database refuses, a damaged new database
// (refused) and a damaged old one (what could not be read is told).

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "jet/table/database_core.h"
#include "jet/page/usage_map.h"
#include "samples/driver_table_definitions.h"
#include "session/failure_messages.h"
#include "tests/session/merge_fixture.h"

namespace qbm {
namespace {

using test::MergeSessionTest;

std::string fileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class MergeEdges : public MergeSessionTest {};

TEST_F(MergeEdges, NothingListedDoesNothingAtAll) {
  openNew();
  ui.events.clear();
  const MergeOutcome outcome = session.MMerge_Click();
  EXPECT_EQ(outcome.status, MergeOutcome::Status::NothingListed);
  EXPECT_EQ(ui.events, std::vector<std::string>{});
}

TEST_F(MergeEdges, WithNoNewDatabaseOpenItSaysSoAndKeepsTheList) {
  openNew();
  openOld("xqbaudio.mdb", ShowAllDriversOption);
  const std::size_t listed = state().FromList.count();
  ui.files.push_back(std::nullopt);  // a cancelled reopen closes the new side
  session.ToOpen_Click();
  ASSERT_FALSE(state().databases.New.DbOpen);
  ui.events.clear();
  const MergeOutcome outcome = session.MMerge_Click();
  EXPECT_EQ(outcome.status, MergeOutcome::Status::NewDatabaseClosed);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0], std::make_pair(std::string(NewDatabaseClosedMessage), MessageIcon::Exclamation));
  EXPECT_EQ(state().FromList.count(), listed);
  expectIdle();
}

// A person who cannot be asked: the question fails, as on a command line without an answer.
class UnanswerableInterface : public test::FakeUserInterface {
 public:
  bool askYesNo(const std::string& text) override {
    FakeUserInterface::askYesNo(text);
    throw std::runtime_error("nobody to answer");
  }
};

class StoppedMerge : public ::testing::Test {
 protected:
  void SetUp() override { QBM_REQUIRE_SHARED(); }
  test::ScratchDir dir;
  UnanswerableInterface ui;
  Session session{ui};
};

TEST_F(StoppedMerge, AMergeStoppedAtTheQuestionWritesNothing) {
  const std::filesystem::path newFile = test::copyShared("fixtures/qbaudio.mdb", dir.path());
  const std::filesystem::path oldFile = test::copyShared("fixtures/xqbaudio.mdb", dir.path());
  const std::string before = fileBytes(newFile);
  ui.files = {newFile.string(), oldFile.string()};
  session.ToOpen_Click();
  session.state().FromOpt = ShowAllDriversOption;
  session.FromOpen_Click();
  const std::size_t listed = session.state().FromList.count();
  const std::size_t newListed = session.state().ToList.count();
  ui.events.clear();

  const MergeOutcome outcome = session.MMerge_Click();
  EXPECT_EQ(outcome.status, MergeOutcome::Status::Failed);
  EXPECT_EQ(outcome.failure, "nobody to answer");
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].second, MessageIcon::Critical);
  EXPECT_EQ(ui.messages[0].first, MergeFailedMessage("qbaudio.mdb", "nobody to answer"));
  // The question comes after the plan and before anything is written: nothing was copied.
  EXPECT_EQ(std::count_if(ui.events.begin(), ui.events.end(),
                          [](const std::string& e) { return e.starts_with("progress: Copying "); }),
            0);
  EXPECT_GT(std::count_if(ui.events.begin(), ui.events.end(),
                          [](const std::string& e) { return e == "progress: " + std::string(PlanningMergeCaption); }),
            0);
  EXPECT_EQ(session.state().FromList.count(), listed);  // still listed, to merge again
  EXPECT_EQ(session.state().ToList.count(), newListed);
  EXPECT_FALSE(ui.busy);
  EXPECT_EQ(ui.events.back(), "busy off");
  const auto lastShown = std::find_if(ui.events.rbegin(), ui.events.rend(),
                                      [](const std::string& e) { return e.starts_with("progress: "); });
  EXPECT_NE(std::find(ui.events.rbegin(), lastShown, "progress hidden"), lastShown);
  session.Unload();
  EXPECT_TRUE(fileBytes(newFile) == before) << "the new file changed";
}

TEST_F(MergeEdges, ADryRunTellsWhatTheMergeWouldDoAndWritesNothing) {
  openNew();
  openOld("xqbaudio.mdb", ShowAllDriversOption);
  ui.answers.push_back(true);
  const MergeOutcome dry = session.MMerge_Click({.dryRun = true});
  EXPECT_EQ(dry.status, MergeOutcome::Status::Merged);
  EXPECT_GT(dry.summary.woofers.added, 0);
  session.Unload();
  EXPECT_TRUE(fileBytes(dir / "qbaudio.mdb") == fileBytes(test::sharedDir() / "fixtures/qbaudio.mdb"));

  ui.files.push_back((dir / "qbaudio.mdb").string());
  session.ToOpen_Click();
  openOld("xqbaudio.mdb", ShowAllDriversOption);
  ui.answers.push_back(true);
  const MergeSummary real = session.MMerge_Click().summary;
  EXPECT_EQ(real.woofers.added, dry.summary.woofers.added);
  EXPECT_EQ(real.woofers.replaced, dry.summary.woofers.replaced);
  EXPECT_EQ(real.tweeters.added, dry.summary.tweeters.added);
  EXPECT_EQ(real.companiesAdded, dry.summary.companiesAdded);
}

TEST_F(MergeEdges, WhatCouldNotBeWrittenIsToldAtTheEnd) {
  {  // the driver layout, with serial numbers of at most 3 characters and no "Xmech"
    jet::Database db = jet::Database::create(dir / "qbaudio.mdb");
    for (jet::TableDefinition t : samples::driverDatabaseTableDefinitions()) {
      for (jet::ColumnDefinition& c : t.columns)
        if (c.name == "Serial No") c.size = 3;
      std::erase_if(t.columns, [](const jet::ColumnDefinition& c) { return c.name == "Xmech"; });
      db.createTable(t);
    }
  }
  ui.files.push_back((dir / "qbaudio.mdb").string());
  session.ToOpen_Click();
  openOld("xqbaudio.mdb", ShowChangedDriversOption);
  const std::size_t listed = state().FromList.count();
  const MergeOutcome outcome = session.MMerge_Click();
  ASSERT_EQ(outcome.status, MergeOutcome::Status::Merged);
  const WriteProblems& problems = outcome.summary.problems;
  EXPECT_GE(problems.size(), listed);  // "Xmech" of every driver at least
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].second, MessageIcon::Exclamation);
  EXPECT_EQ(ui.messages[0].first, WriteProblemsMessage("qbaudio.mdb", outcome.summary));
  EXPECT_TRUE(ui.messages[0].first.starts_with("Not everything could be written into qbaudio.mdb (" +
                                               std::to_string(problems.size()) + " problems):\r\n"));
  EXPECT_NE(ui.messages[0].first.find("\"Xmech\" not written"), std::string::npos);
  EXPECT_TRUE(ui.messages[0].first.ends_with("\r\nEverything else was merged."));
  // The drivers are in, without the values the file refused.
  EXPECT_EQ(state().ToList.count(), listed);
  expectIdle();
}


// Overwrites bytes of a file at a page of the named table: its definition's row count (count) or
// the whole of its first data page (zero).
enum class TableDamage { RowCount, ZeroFirstDataPage };
void damageTable(const std::filesystem::path& file, const std::string& table, TableDamage damage) {
  std::uint32_t pageSize = 0, at = 0;
  {
    jet::Database db = jet::Database::open(file, {.exclusive = false, .readOnly = true});
    jet::detail::DatabaseCore& core = jet::detail::coreOf(db);
    const auto def = core.definition(*core.findTable(table));
    pageSize = core.file().pageSize();
    at = damage == TableDamage::RowCount
             ? def->firstPage * pageSize + static_cast<std::uint32_t>(core.file().layout().tdefRowCountOffset)
             : jet::readUsageMap(core.file(), def->ownedPagesMap).pages.front() * pageSize;
  }
  std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
  f.seekp(at);
  const std::string bytes = damage == TableDamage::RowCount ? std::string(1, '\x7F') : std::string(pageSize, '\0');
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

TEST_F(MergeEdges, ADamagedNewDatabaseIsRefusedBeforeAnythingIsWritten) {
  const std::string newFile = copy("qbaudio.mdb");
  damageTable(newFile, "woofers", TableDamage::RowCount);
  const std::string before = fileBytes(newFile);
  ui.files.push_back(newFile);
  session.ToOpen_Click();
  openOld("xqbaudio.mdb", ShowAllDriversOption);
  const std::size_t listed = state().FromList.count();
  ui.events.clear();
  const MergeOutcome outcome = session.MMerge_Click();
  EXPECT_EQ(outcome.status, MergeOutcome::Status::Refused);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].second, MessageIcon::Critical);
  EXPECT_TRUE(ui.messages[0].first.starts_with(
      "Sorry, the new database qbaudio.mdb is damaged, so nothing was merged into it (1 problem):\r\n"
      "table woofers: its definition counts "))
      << ui.messages[0].first;
  EXPECT_TRUE(ui.messages[0].first.ends_with("\r\nNothing was written: the file is as it was. Restore it from a "
                                             "backup, or repair it, then merge again."));
  EXPECT_EQ(state().FromList.count(), listed);
  // The plan is made while the file is checked (both only read); nothing was copied.
  for (const std::string& shown : eventsStartingWith("progress: "))
    EXPECT_EQ(shown, "progress: " + std::string(PlanningMergeCaption));
  expectIdle();
  session.Unload();
  EXPECT_TRUE(fileBytes(newFile) == before) << "the new file changed";
}

TEST_F(MergeEdges, WhatCouldNotBeReadFromTheOldDatabaseIsToldAndCounted) {
  openNew();
  const std::string oldFile = copy("xqbaudio.mdb");
  damageTable(oldFile, "woofers", TableDamage::ZeroFirstDataPage);
  state().FromOpt = ShowAllDriversOption;
  ui.files.push_back(oldFile);
  session.FromOpen_Click();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0], std::make_pair(std::string("1 page of xqbaudio.mdb could not be read; the drivers on "
                                                       "it are not listed. The file may be damaged; the other "
                                                       "drivers are listed."),
                                           MessageIcon::Exclamation));
  EXPECT_EQ(state().OldUnreadable, (ReadProblems{.rows = 0, .pages = 1}));
  ui.messages.clear();
  ui.answers.push_back(true);
  const MergeOutcome outcome = session.MMerge_Click();
  ASSERT_EQ(outcome.status, MergeOutcome::Status::Merged);
  EXPECT_EQ(outcome.summary.readProblemCount(), 1);
  EXPECT_NE(MergeSummaryText(outcome.summary).find("\nRead problems: 1.\n"), std::string::npos);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0], std::make_pair(ReadProblemsMessage("xqbaudio.mdb", outcome.summary), MessageIcon::Exclamation));
  EXPECT_EQ(ui.messages[0].first,
            "Not everything could be read from xqbaudio.mdb (1 read problem):\r\n1 page could not be read "
            "when the old drivers were listed; the drivers in it were not listed and not merged.\r\n"
            "The file may be damaged. Everything else was merged.");
}

// The messages refer back to what could not be read as "it" for one page or one row alone.
TEST(UnreadablePartsMessages, OnePageIsItAndMoreAreThem) {
  MergeSummary summary;
  const auto scanMessage = [](long pages, long rows) {
    return UnreadableRowsMessage("x.mdb", ReadProblems{.rows = rows, .pages = pages});
  };
  const auto mergeMessage = [&summary](long pages, long rows) {
    summary.oldScanUnread = ReadProblems{.rows = rows, .pages = pages};
    return ReadProblemsMessage("x.mdb", summary);
  };
  EXPECT_EQ(scanMessage(1, 0), "1 page of x.mdb could not be read; the drivers on it are not listed. The file may "
                               "be damaged; the other drivers are listed.");
  EXPECT_NE(scanMessage(2, 0).find("2 pages of x.mdb could not be read; the drivers on them are"), std::string::npos);
  EXPECT_NE(scanMessage(1, 1).find("1 page and 1 row of x.mdb could not be read; the drivers on them are"),
            std::string::npos);
  EXPECT_NE(scanMessage(0, 1).find("1 row in x.mdb could not be read and is not listed"), std::string::npos);
  EXPECT_NE(scanMessage(0, 2).find("2 rows in x.mdb could not be read and are not listed"), std::string::npos);
  EXPECT_NE(mergeMessage(1, 0).find("\r\n1 page could not be read when the old drivers were listed; the drivers in "
                                    "it were not listed"),
            std::string::npos);
  EXPECT_NE(mergeMessage(3, 0).find("; the drivers in them were not listed"), std::string::npos);
  EXPECT_NE(mergeMessage(1, 2).find("; the drivers in them were not listed"), std::string::npos);
}

}  // namespace
}  // namespace qbm
