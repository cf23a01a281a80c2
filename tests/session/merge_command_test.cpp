// "Merge >" through the session on copies of the shared driver databases: what the new database
// holds afterwards row by row, the overwrite question, Yes and No, a second merge of the same
// list, the legacy dual-coil pair, and the window afterwards.

#include <gtest/gtest.h>

#include <bit>
#include <map>
#include <set>
#include <tuple>

#include "common/text_chars.h"
#include "jet/check.h"
#include "jet/page/data_page_writer.h"
#include "jet/table/database_core.h"
#include "merge/apply_merge_plan.h"
#include "merge/overwrite_question.h"
#include "samples/sample_databases.h"
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
          NewModelKeysOf(listed[i].driver.CurrentModel)
              .matches(NormalizeModel(listed[j].driver.CurrentModel)))
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
    EXPECT_TRUE(state().databases.New.DbOpen);
    EXPECT_EQ(state().databases.New.Name.caption, "qbaudio.mdb");
    expectIdle();
    std::vector<std::string> problems;  // pages in use covered and not listed free, as other writers read the map
    for (const jet::Problem& p : jet::check(*state().databases.New.Db)) problems.push_back(p.where + ": " + p.what);
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
  // The plan first, then the write, each moving once per entry.
  std::vector<std::string> wanted = {"busy on", "progress: " + std::string(PlanningMergeCaption)};
  const long n = static_cast<long>(drivers.size());
  for (long i = 0; i < n; ++i) wanted.push_back("progress " + std::to_string(i + 1) + "/" + std::to_string(n));
  wanted.push_back("progress: " + std::string(CopyingDriversCaption));
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

TEST_F(MergeCommand, ASecondMergeOfTheSameListReplacesWhatTheFirstAddedAndAddsNothing) {
  open("xqbaudio.mdb", ShowAllDriversOption);
  ui.answers.push_back(true);
  const MergeSummary first = session.MMerge_Click().summary;
  const std::size_t rowsAfterFirst = rows(DriverTable::Woofers).size() + rows(DriverTable::Tweeters).size();

  ui.events.clear();
  openOld("xqbaudio.mdb", ShowAllDriversOption);
  ui.answers.push_back(true);
  const MergeSummary second = session.MMerge_Click().summary;
  EXPECT_EQ(questions(), 1);
  EXPECT_EQ(second.woofers.added + second.tweeters.added + second.companiesAdded, 0);
  EXPECT_EQ(second.woofers.replaced + second.tweeters.replaced, static_cast<long>(drivers.size()));
  EXPECT_EQ(rows(DriverTable::Woofers).size() + rows(DriverTable::Tweeters).size(), rowsAfterFirst);
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
    jet::PageFile& file = jet::detail::coreOf(db).file();
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

// The numbers of the current row of a driver table as stored, each as the bits of the double it
// widens to exactly (Null as 0, as it reads): the table's parameters and dimensions, then, when
// "Acoustic" is set and the response row has a level other than 0, its levels.
std::vector<std::uint64_t> storedNumbers(const jet::Table& row, DriverTable t, jet::Table& responses) {
  const auto bits = [](const jet::Value& v) {
    const double d = v.is<float>() ? static_cast<double>(v.as<float>()) : v.isNull() ? 0.0 : v.as<double>();
    return std::bit_cast<std::uint64_t>(d);
  };
  std::vector<std::uint64_t> out;
  for (const auto& f : DriverNumberFields)
    if (usedIn(f.use, t)) out.push_back(bits(fieldValue(row, f.field)));
  for (std::string_view d : fields::Dimen) out.push_back(bits(fieldValue(row, d)));
  if (readYesNo(fieldValue(row, fields::Acoustic)) == YesNoFalse) return out;
  responses.setIndex(indexes::DriverID);
  if (!responses.seek(fieldValue(row, fields::ID))) return out;
  std::vector<std::uint64_t> levels;
  bool any = false;
  for (int i = 0; i < ResponseCount; ++i) {
    const jet::Value level = fieldValue(responses, ResponseField(i));
    any = any || (!level.isNull() && level.as<float>() != 0);
    levels.push_back(bits(level));
  }
  if (any) out.insert(out.end(), levels.begin(), levels.end());
  return out;
}

// Old file, list mode, answer.
using SecondMergeCase = std::tuple<std::string, int, bool>;

// Sample databases merged twice in a row, as the window does it, in both list modes and with
// either answer: the second merge adds no driver and no company, and every driver the first one
// wrote holds the OLD file's numbers bit for bit.
class SampleMergedTwice : public MergeCommand, public testing::WithParamInterface<SecondMergeCase> {
 protected:
  void SetUp() override {}  // generated samples, not the shared files
  static void SetUpTestSuite() {
    samples_ = new test::ScratchDir;
    for (const jet::Format format : {jet::Format::Jet4, jet::Format::Jet3})
      samples::writeSampleDatabases(samples_->path() / formatName(format),
                                    {.drivers = 300, .seed = 3, .format = format});
  }
  static void TearDownTestSuite() { delete samples_; }

  static std::string formatName(jet::Format format) { return format == jet::Format::Jet3 ? "jet3" : "jet4"; }

  // A copy of the sample file of that format in the test's folder, or in a folder of it.
  std::string sample(const std::string& name, jet::Format format = jet::Format::Jet4,
                     const std::string& folder = "") {
    const std::filesystem::path to = dir / folder / name;
    std::filesystem::create_directories(to.parent_path());
    qbm::test::copyFileOver(samples_->path() / formatName(format) / name, to);
    return to.string();
  }

  // For every listed driver that no later entry writes again: a new row of its model holds its
  // stored numbers (read raw from both files: the loader's own reading is not taken on trust).
  // Dual-coil woofers are left out: a replacement keeps the row's values where they give none.
  void expectStoredNumbersCopied() {
    std::multimap<std::string, std::vector<std::uint64_t>> written[2];
    for (const DriverTable t : {DriverTable::Woofers, DriverTable::Tweeters}) {
      jet::Table& rowsOf = table(t);
      jet::Table& responses = t == DriverTable::Woofers ? *state().databases.New.WooferResponse
                                                        : *state().databases.New.TweeterResponse;
      for (rowsOf.moveFirst(); !rowsOf.eof(); rowsOf.moveNext())
        written[static_cast<int>(t)].emplace(readText(fieldValue(rowsOf, fields::Model)),
                                             storedNumbers(rowsOf, t, responses));
    }
    const std::vector<long> again = writtenAgainBy(drivers);
    for (std::size_t i = 0; i < drivers.size(); ++i) {
      const ListedDriver& d = drivers[i];
      const bool overEarlier = std::count(again.begin(), again.end(), static_cast<long>(i)) > 0;
      if (again[i] >= 0 || overEarlier || d.driver.Dual) continue;
      ASSERT_TRUE(oldRows.moveTo(state().databases, d.table, d.itemData));
      const bool tweeter = d.table == DriverTable::Tweeters;
      const std::vector<std::uint64_t> stored =
          storedNumbers(tweeter ? *state().databases.Old.Tweeters : *state().databases.Old.Woofers, d.table,
                        tweeter ? *state().databases.Old.TweeterResponse : *state().databases.Old.WooferResponse);
      const auto [from, to] = written[static_cast<int>(d.table)].equal_range(d.driver.CurrentModel);
      EXPECT_TRUE(std::any_of(from, to, [&](const auto& row) { return row.second == stored; })) << d.text;
    }
  }

  static test::ScratchDir* samples_;
};
test::ScratchDir* SampleMergedTwice::samples_ = nullptr;

TEST_P(SampleMergedTwice, TheSecondMergeAddsNothing) {
  const auto& [old, option, answer] = GetParam();
  ui.files.push_back(sample("qbaudio.mdb"));
  session.ToOpen_Click();
  state().FromOpt = option;
  const std::string oldFile = sample(old);
  ui.files.push_back(oldFile);
  session.FromOpen_Click();
  ASSERT_FALSE(state().FromList.empty());
  drivers = listed();
  if (option == ShowAllDriversOption) {  // what the samples are made to hold
    const auto any = [&](auto test) { return std::any_of(drivers.begin(), drivers.end(), test); };
    EXPECT_TRUE(any([](const ListedDriver& d) { return DropSectionSuffix(d.driver.CurrentModel) != d.driver.CurrentModel; }));
    EXPECT_TRUE(any([](const ListedDriver& d) { return d.driver.company.Company.empty(); }));
    if (old == "xqbaudio.mdb") {
      EXPECT_TRUE(any([&](const ListedDriver& d) { return !state().companyNames.OldCompanyFull.has(d.driver.CompanyID); }));
    }
  }
  ui.answers.push_back(answer);
  const MergeSummary first = session.MMerge_Click().summary;
  EXPECT_GT(first.woofers.added, 0);
  if (answer && old == "xqbaudio.mdb") expectStoredNumbersCopied();
  const std::size_t listedAfterFirst = state().ToList.count();

  state().FromOpt = option;
  ui.files.push_back(oldFile);  // the same file again: a merge leaves the old database as it was
  session.FromOpen_Click();
  ui.answers.push_back(answer);
  const MergeSummary second = session.MMerge_Click().summary;
  EXPECT_EQ(second.woofers.added, 0);
  EXPECT_EQ(second.tweeters.added, 0);
  EXPECT_EQ(second.companiesAdded, 0);
  EXPECT_EQ(state().ToList.count(), listedAfterFirst);
  EXPECT_TRUE(second.problems.empty()) << WriteProblemLines(second.problems, 20);
}

// Access 97 (Jet 3) files on either side, or both, merge as the Access 2000 (Jet 4) files of the
// same contents do: the same summary, the same new list, and every table of the new database the
// same read back (drivers, companies, section links, responses); the merged file is sound, its
// map of free pages included.
TEST_P(SampleMergedTwice, Access97FilesOnEitherSideMergeAsAccess2000Files) {
  const auto& [old, option, answer] = GetParam();
  using jet::Format;
  struct Merged {
    std::string summary;
    std::vector<std::string> list;
    std::string tables;
  };
  std::optional<Merged> allJet4;
  for (const auto& [newFormat, oldFormat] : {std::pair{Format::Jet4, Format::Jet4}, std::pair{Format::Jet3, Format::Jet4},
                                             std::pair{Format::Jet4, Format::Jet3}, std::pair{Format::Jet3, Format::Jet3}}) {
    const std::string folder = formatName(newFormat) + "-" + formatName(oldFormat);
    SCOPED_TRACE("new " + formatName(newFormat) + ", old " + formatName(oldFormat));
    ui.files.push_back(sample("qbaudio.mdb", newFormat, folder));
    session.ToOpen_Click();
    state().FromOpt = option;
    ui.files.push_back(sample(old, oldFormat, folder));
    session.FromOpen_Click();
    DatabaseState& db = state().databases;
    ASSERT_TRUE(db.New.DbOpen && db.Old.DbOpen);
    ASSERT_EQ(db.New.Db->format(), newFormat);
    ASSERT_EQ(db.Old.Db->format(), oldFormat);
    ui.answers.push_back(answer);
    const MergeSummary s = session.MMerge_Click().summary;
    EXPECT_TRUE(s.problems.empty()) << WriteProblemLines(s.problems, 20);
    std::vector<std::string> problems;
    for (const jet::Problem& p : jet::check(*db.New.Db)) problems.push_back(p.where + ": " + p.what);
    EXPECT_EQ(problems, std::vector<std::string>{});
    Merged merged{MergeSummaryText(s), texts(state().ToList), test::tablesReadBack(*db.New.Db)};
    if (!allJet4) {
      EXPECT_GT(s.woofers.added, 0);
      allJet4 = std::move(merged);
      continue;
    }
    EXPECT_EQ(merged.summary, allJet4->summary);
    EXPECT_EQ(merged.list, allJet4->list);
    EXPECT_TRUE(merged.tables == allJet4->tables) << test::firstDifferentLine(merged.tables, allJet4->tables);
  }
}

INSTANTIATE_TEST_SUITE_P(Samples, SampleMergedTwice,
                         testing::Combine(testing::Values("xqbaudio.mdb", "spkrbase.mdb"),
                                          testing::Values(ShowChangedDriversOption, ShowAllDriversOption),
                                          testing::Bool()),
                         [](const auto& info) {
                           const std::string& old = std::get<0>(info.param);
                           return old.substr(0, old.find('.')) +
                                  (std::get<1>(info.param) == ShowAllDriversOption ? "All" : "Changed") +
                                  (std::get<2>(info.param) ? "Yes" : "No");
                         });

}  // namespace
}  // namespace qbm
