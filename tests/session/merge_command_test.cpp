// "Merge >" through the session on copies of the shared driver databases: what the new database
// holds afterwards row by row, the overwrite question, Yes and No, a second merge of the same
// list, the legacy dual-coil pair, and the window afterwards.

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "common/text_chars.h"
#include "jet/check.h"
#include "jet/data_page_writer.h"
#include "jet/database_impl.h"
#include "merge/driver_merge.h"
#include "merge/overwrite_question.h"
#include "tests/session/merge_fixture.h"

namespace qbm {
namespace {

using test::differences;
using test::ListedDriver;
using test::MergeSessionTest;
using test::NewRow;

// For each entry, the first later entry of the same list that writes its row again (same table,
// maker and model key), or -1: only the later one's values stay.
std::vector<long> writtenAgainBy(const std::vector<ListedDriver>& listed) {
  std::vector<long> out(listed.size(), -1);
  for (std::size_t i = 0; i < listed.size(); ++i)
    for (std::size_t j = i + 1; j < listed.size() && out[i] < 0; ++j)
      if (listed[i].table == listed[j].table &&
          UpperCase(listed[i].driver.company.Company) == UpperCase(listed[j].driver.company.Company) &&
          NormalizeModel(DropSectionSuffix(listed[i].driver.CurrentModel)) ==
              NormalizeModel(listed[j].driver.CurrentModel))
        out[i] = static_cast<long>(j);
  return out;
}

class MergeCommand : public MergeSessionTest {
 protected:
  // Opens both sides and loads the listed drivers as the merge will see them.
  void open(const std::string& old, int option, const std::string& oldName = "") {
    openNew();
    if (oldName.empty()) {
      openOld(old, option);
    } else {
      state().FromOpt = option;
      ui.files.push_back(copy(old, oldName));
      session.FromOpen_Click();
    }
    ASSERT_FALSE(state().FromList.empty());
    ASSERT_TRUE(state().visible.MMerge);
    drivers = listed();
    ASSERT_EQ(drivers.size(), state().FromList.count());
    woofersBefore = rows(DriverTable::Woofers);
    tweetersBefore = rows(DriverTable::Tweeters);
    toListBefore = state().ToList.count();
    ui.events.clear();
  }

  // Every listed driver that no later entry writes over is in its table with its values, marked
  // as a user entry, in a company whose name the old one begins, with its response.
  void expectEveryDriverWritten() {
    const std::vector<long> again = writtenAgainBy(drivers);
    const std::vector<NewRow> woofers = rows(DriverTable::Woofers), tweeters = rows(DriverTable::Tweeters);
    for (std::size_t i = 0; i < drivers.size(); ++i) {
      if (again[i] >= 0) continue;
      const bool overEarlier = std::find(again.begin(), again.end(), static_cast<long>(i)) != again.end();
      const ListedDriver& d = drivers[i];
      const std::vector<NewRow>& after = d.table == DriverTable::Woofers ? woofers : tweeters;
      std::vector<std::string> closest = {"no row has the model"};
      const NewRow* found = nullptr;
      for (const NewRow& r : after) {
        if (r.driver.Model != d.driver.CurrentModel || !r.userEntry) continue;
        std::vector<std::string> diff =
            differences(d.driver, r.driver, d.table, overEarlier && d.driver.Dual != YesNoFalse);
        if (diff.empty()) found = &r;
        if (diff.size() < closest.size() || closest.front() == "no row has the model") closest = diff;
      }
      ASSERT_NE(found, nullptr) << d.text << ": " << ::testing::PrintToString(closest);
      const std::optional<std::string> company = companyName(found->companyId);
      ASSERT_TRUE(company) << d.text;
      EXPECT_TRUE(UpperCase(*company).starts_with(UpperCase(d.driver.company.Company))) << d.text;
      const std::optional<std::vector<float>> levels = response(d.table, found->id);
      if (found->driver.Acoustic) {
        ASSERT_TRUE(levels) << d.text;
        EXPECT_EQ(*levels, std::vector<float>(d.driver.Response.begin(), d.driver.Response.end()));
      }
    }
  }

  // Rows of the table that the merge did not write: unchanged (same ID, same values).
  void expectUntouched(const std::vector<NewRow>& before, DriverTable t, const std::set<std::int32_t>& written) {
    std::map<std::int32_t, const NewRow*> now;
    const std::vector<NewRow> after = rows(t);
    for (const NewRow& r : after) now[r.id] = &r;
    for (const NewRow& r : before) {
      ASSERT_TRUE(now.count(r.id)) << "row " << r.id << " is gone";
      if (written.count(r.id)) continue;
      WorkingDriver want = r.driver;
      want.CurrentModel = r.driver.Model;
      WorkingDriver got = now[r.id]->driver;
      EXPECT_EQ(got.Acoustic, want.Acoustic) << "row " << r.id;
      got.Acoustic = YesNoFalse;  // the rows carry no response here: compare the rest
      EXPECT_EQ(differences(want, got, t), std::vector<std::string>{}) << "row " << r.id;
      EXPECT_EQ(now[r.id]->userEntry, r.userEntry);
    }
  }

  // The IDs of rows of `before` whose values the merge changed.
  std::set<std::int32_t> changedRows(const std::vector<NewRow>& before, DriverTable t) {
    std::set<std::int32_t> out;
    std::map<std::int32_t, WorkingDriver> now;
    for (const NewRow& r : rows(t)) now[r.id] = r.driver;
    for (const NewRow& r : before) {
      WorkingDriver want = r.driver;
      want.CurrentModel = r.driver.Model;
      WorkingDriver got = now[r.id];
      got.Acoustic = YesNoFalse;
      if (!differences(want, got, t).empty()) out.insert(r.id);
    }
    return out;
  }

  void expectWindowAfterMerge(long added) {
    EXPECT_TRUE(state().FromList.empty());
    EXPECT_EQ(state().FromList.tooltip, "");
    EXPECT_TRUE(state().FromRText.isEmpty());
    EXPECT_FALSE(state().visible.MMerge);
    EXPECT_EQ(state().ToList.count(), toListBefore + static_cast<std::size_t>(added));
    EXPECT_EQ(state().ToList.tooltip, DriverCountTooltip(static_cast<long>(state().ToList.count())));
    EXPECT_TRUE(inListOrder(state().ToList));
    EXPECT_TRUE(state().databases.NewDbOpen);
    EXPECT_EQ(state().databases.ToName.caption, "qbaudio.mdb");
    expectIdle();
    std::vector<std::string> problems;  // pages in use covered and not listed free, as other writers read the map
    for (const jet::Problem& p : jet::check(*state().databases.NewDb)) problems.push_back(p.where + ": " + p.what);
    EXPECT_EQ(problems, std::vector<std::string>{});
  }

  std::vector<ListedDriver> drivers;
  std::vector<NewRow> woofersBefore, tweetersBefore;
  std::size_t toListBefore = 0;
};

long count(const std::vector<ListedDriver>& drivers, DriverTable t) {
  return std::count_if(drivers.begin(), drivers.end(), [&](const ListedDriver& d) { return d.table == t; });
}

TEST_F(MergeCommand, YesWritesEveryListedDriverAndReplacesMatchedRowsInPlace) {
  open("xqbaudio.mdb", ShowAllDriversOption);
  ui.answers.push_back(true);
  const MergeOutcome outcome = session.MMerge_Click();
  ASSERT_EQ(outcome.status, MergeOutcome::Status::Merged);
  const MergeSummary& s = outcome.summary;

  EXPECT_EQ(eventsStartingWith("question: "),
            std::vector<std::string>{"question: " + OverwriteQuestionText()});
  EXPECT_TRUE(s.asked);
  EXPECT_FALSE(s.refused);
  EXPECT_EQ(s.woofers.added + s.woofers.replaced, count(drivers, DriverTable::Woofers));
  EXPECT_EQ(s.tweeters.added + s.tweeters.replaced, count(drivers, DriverTable::Tweeters));
  EXPECT_EQ(s.woofers.skipped + s.tweeters.skipped, 0);
  EXPECT_GE(s.woofers.replaced + s.tweeters.replaced, 1);
  EXPECT_TRUE(s.problems.empty()) << WriteProblemLines(s.problems, 20);

  EXPECT_EQ(rows(DriverTable::Woofers).size(), woofersBefore.size() + static_cast<std::size_t>(s.woofers.added));
  EXPECT_EQ(rows(DriverTable::Tweeters).size(), tweetersBefore.size() + static_cast<std::size_t>(s.tweeters.added));
  expectEveryDriverWritten();
  const std::set<std::int32_t> replacedWoofers = changedRows(woofersBefore, DriverTable::Woofers);
  const std::set<std::int32_t> replacedTweeters = changedRows(tweetersBefore, DriverTable::Tweeters);
  EXPECT_EQ(static_cast<long>(replacedWoofers.size()), s.woofers.replaced);
  EXPECT_EQ(static_cast<long>(replacedTweeters.size()), s.tweeters.replaced);
  expectUntouched(woofersBefore, DriverTable::Woofers, replacedWoofers);
  expectUntouched(tweetersBefore, DriverTable::Tweeters, replacedTweeters);
  expectWindowAfterMerge(s.woofers.added + s.tweeters.added);
}

TEST_F(MergeCommand, NoKeepsEveryMatchedDriverOutAndStillAddsTheOthers) {
  open("xqbaudio.mdb", ShowAllDriversOption);
  ui.answers.push_back(false);
  const MergeSummary s = session.MMerge_Click().summary;
  EXPECT_EQ(questions(), 1);
  EXPECT_TRUE(s.refused);
  EXPECT_EQ(s.woofers.replaced + s.tweeters.replaced, 0);
  EXPECT_GE(s.woofers.skipped + s.tweeters.skipped, 1);
  EXPECT_EQ(s.woofers.added + s.woofers.skipped, count(drivers, DriverTable::Woofers));
  EXPECT_EQ(s.tweeters.added + s.tweeters.skipped, count(drivers, DriverTable::Tweeters));
  expectUntouched(woofersBefore, DriverTable::Woofers, {});
  expectUntouched(tweetersBefore, DriverTable::Tweeters, {});
  expectWindowAfterMerge(s.woofers.added + s.tweeters.added);
}

TEST_F(MergeCommand, ProgressShowsEachDriverAndMovesPerEntry) {
  open("xqbaudio.mdb", ShowChangedDriversOption);
  ui.answers.push_back(true);
  session.MMerge_Click();
  std::vector<std::string> wanted = {"busy on", "progress: " + std::string(CopyingDriversCaption)};
  const long n = static_cast<long>(drivers.size());
  for (long i = 0; i < n; ++i) {
    wanted.push_back("progress: " + CopyingDriverCaption(drivers[static_cast<std::size_t>(i)].driver.CurrentModel));
    wanted.push_back("progress " + std::to_string(i + 1) + "/" + std::to_string(n));
  }
  std::vector<std::string> seen;
  for (const std::string& e : ui.events) {
    if (e == "progress hidden" || e.starts_with("question: ")) continue;  // around a question
    if (e.starts_with("progress: ") && !seen.empty() && seen.back() == e) continue;  // shown again
    seen.push_back(e);
    if (seen.size() == wanted.size()) break;
  }
  EXPECT_EQ(seen, wanted);
  expectIdle();
}

TEST_F(MergeCommand, ASecondMergeOfTheSameListReplacesWhatTheFirstAdded) {
  open("xqbaudio.mdb", ShowAllDriversOption);
  ui.answers.push_back(true);
  const MergeSummary first = session.MMerge_Click().summary;
  const std::vector<NewRow> woofersAfterFirst = rows(DriverTable::Woofers);
  const std::vector<NewRow> tweetersAfterFirst = rows(DriverTable::Tweeters);

  ui.events.clear();
  openOld("xqbaudio.mdb", ShowAllDriversOption);
  ui.answers.push_back(true);
  const MergeSummary second = session.MMerge_Click().summary;
  EXPECT_EQ(questions(), 1);
  // Nameless makers are added with their company each time (an empty name matches no company).
  long nameless = 0;
  for (const ListedDriver& d : drivers) nameless += d.driver.company.Company.empty();
  EXPECT_EQ(second.woofers.added + second.tweeters.added, nameless);
  EXPECT_EQ(second.woofers.replaced + second.tweeters.replaced,
            static_cast<long>(drivers.size()) - nameless);
  EXPECT_EQ(rows(DriverTable::Woofers).size() + rows(DriverTable::Tweeters).size(),
            woofersAfterFirst.size() + tweetersAfterFirst.size() + static_cast<std::size_t>(nameless));
  expectEveryDriverWritten();
  EXPECT_GT(first.woofers.added, 0);
}

TEST_F(MergeCommand, ChangedLegacyDriversAreAddedAndTheDualCoilPairFillsOneRow) {
  open("spkrbase.mdb", ShowChangedDriversOption);
  const MergeSummary s = session.MMerge_Click().summary;
  // The second row of each dual-coil pair replaces the row its first row added: no question.
  EXPECT_EQ(questions(), 0);
  EXPECT_EQ(s.woofers.added + s.woofers.replaced, static_cast<long>(drivers.size()));
  EXPECT_TRUE(s.problems.empty()) << WriteProblemLines(s.problems, 20);

  // "NE433-8 - PARALLEL" and "NE433-8 - SERIES" of SCAN-SPEAK: one row with both wirings.
  const ListedDriver* parallel = nullptr;
  const ListedDriver* series = nullptr;
  for (const ListedDriver& d : drivers) {
    if (d.driver.Model == "NE433-8 - PARALLEL") parallel = &d;
    if (d.driver.Model == "NE433-8 - SERIES") series = &d;
  }
  ASSERT_TRUE(parallel && series);
  std::vector<NewRow> matches;
  for (const NewRow& r : rows(DriverTable::Woofers))
    if (r.driver.Model == "NE433-8" && r.userEntry) matches.push_back(r);
  ASSERT_EQ(matches.size(), 1u);
  const WorkingDriver& row = matches.front().driver;
  EXPECT_EQ(row.Dual, YesNoTrue);
  EXPECT_GT(parallel->driver.Qesp, 0);
  EXPECT_GT(series->driver.Qess, 0);
  EXPECT_DOUBLE_EQ(row.Qesp, parallel->driver.Qesp);
  EXPECT_DOUBLE_EQ(row.Rep, parallel->driver.Rep);
  EXPECT_DOUBLE_EQ(row.Qess, series->driver.Qess);
  EXPECT_DOUBLE_EQ(row.Res, series->driver.Res);
  EXPECT_EQ(row.Qes, 0);  // neither row gives the single-coil values
  EXPECT_DOUBLE_EQ(row.Fs, series->driver.Fs);  // the other parameters: the row written last
  expectEveryDriverWritten();
  expectWindowAfterMerge(s.woofers.added);
}

TEST_F(MergeCommand, AllLegacyDriversWithNoLeaveEveryExistingRowAsItWas) {
  open("spkrbase.mdb", ShowAllDriversOption);
  ui.answers.push_back(false);
  const MergeSummary s = session.MMerge_Click().summary;
  EXPECT_EQ(questions(), 1);
  EXPECT_GT(s.woofers.skipped, 0);
  expectUntouched(woofersBefore, DriverTable::Woofers, {});
  expectWindowAfterMerge(s.woofers.added);
}

TEST_F(MergeCommand, TheMergedFilePassesTheIntegrityCheck) {
  open("xqbaudio.mdb", ShowAllDriversOption);
  ui.answers.push_back(true);
  session.MMerge_Click();
  session.Unload();
  std::vector<std::string> problems;
  for (const jet::Problem& p : jet::check(dir / "qbaudio.mdb")) problems.push_back(p.where + ": " + p.what);
  EXPECT_EQ(problems, std::vector<std::string>{});
}

// Another writer moved the map of free pages past pages in use (they lie outside it, free in its
// eyes): the merge rebuilds the map before it writes anything else, and says so.
TEST_F(MergeCommand, AFreePageMapThatLeavesPagesInUseOutIsRebuiltFirst) {
  const std::string path = copy("qbaudio.mdb");
  {
    jet::Database db = jet::Database::open(path);
    db.begin();
    jet::PageFile& file = db.impl().core().file();
    std::vector<std::uint8_t> page = file.copyPage(1), row(5 + 64, 0);
    row[1] = 40;  // inline from page 40
    jet::replaceRow(page, file.layout(), 0, row, 0);
    file.writePage(1, page);
    db.commit();
  }
  ui.files.push_back(path);
  session.ToOpen_Click();
  openOld("xqbaudio.mdb", ShowAllDriversOption);
  ui.answers.push_back(true);
  const MergeSummary s = session.MMerge_Click().summary;
  EXPECT_TRUE(s.freePageMap.rebuilt);
  EXPECT_NE(MergeSummaryText(s).find("\nMap of free pages: rebuilt from the pages in use (" +
                                     std::to_string(s.freePageMap.pagesInUseTakenAsFree) +
                                     " pages in use were listed as free or lay outside it).\n"),
            std::string::npos)
      << MergeSummaryText(s);
  session.Unload();
  std::vector<std::string> problems;
  for (const jet::Problem& p : jet::check(path)) problems.push_back(p.where + ": " + p.what);
  EXPECT_EQ(problems, std::vector<std::string>{});
}

}  // namespace
}  // namespace qbm
