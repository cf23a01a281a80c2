// "Merge >" at its edges: nothing listed, no new database open, a merge stopped half way (rolled
// back, the file as before), a dry run, and writes the new database refuses.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "samples/driver_table_definitions.h"
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
  ASSERT_FALSE(state().databases.NewDbOpen);
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

TEST_F(StoppedMerge, AMergeStoppedHalfWayLeavesTheNewFileAsItWas) {
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
  // Drivers were written before the question came; all of it is undone.
  EXPECT_GT(std::count_if(ui.events.begin(), ui.events.end(),
                          [](const std::string& e) { return e.starts_with("progress: Copying "); }),
            1);
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

}  // namespace
}  // namespace qbm
