// The plan's decisions where entries of one merge act on each other, and the write following
// them: the second row of a legacy dual-coil driver meets the row the first added, a company one
// entry copies is the company of the next, section rows find each other, and a No keeps every
// later decision in step with the rows left as they were. Each plan is then written with its
// writes checked against the literal rules (apply_merge_plan.h), and its expected counts are
// what the write did.

#include "merge/merge_plan.h"

#include <gtest/gtest.h>

#include "merge/apply_merge_plan.h"
#include "tests/merge/merge_sides.h"

namespace qbm {
namespace {

using test::MergeSides;
using test::tweeterEntry;
using test::wooferEntry;

samples::RowValues typedOldDriver(const std::string& model, std::int32_t company, std::int16_t type = 0) {
  return {{"Model", model}, {"Company ID", company}, {"User Entry", true}, {"Fs", 25.0}, {"Type", type}};
}

void expectCountsOf(const MergePlan& plan, const MergeSummary& done) {
  const MergeSummary expected = plan.expected();
  for (const auto& [want, got] : {std::pair{expected.woofers, done.woofers}, std::pair{expected.tweeters, done.tweeters}}) {
    EXPECT_EQ(want.added, got.added);
    EXPECT_EQ(want.replaced, got.replaced);
    EXPECT_EQ(want.skipped, got.skipped);
  }
  EXPECT_EQ(expected.companiesAdded, done.companiesAdded);
  EXPECT_EQ(expected.asked, done.asked);
  EXPECT_EQ(expected.refused, done.refused);
}

class MergePlanTest : public ::testing::Test {
 protected:
  MergeSummary applyLiterally(const MergePlan& plan) {
    const MergeSummary done = sides.apply(plan, true);
    expectCountsOf(plan, done);
    return done;
  }
  MergeSides sides;
};

TEST_F(MergePlanTest, TheSecondWiringOfALegacyDualCoilDriverReplacesTheRowTheFirstAdds) {
  sides.newDb().addCompany({{"Company", "Newco Audio"}});
  auto& legacy = sides.legacyDb();
  const std::int32_t parallel = legacy.addRow({{"Model", "W12 - PARALLEL"}, {"Manufacturer", "NEWCO"},
                                               {"Dual VC", true}, {"Fs", 20.0}, {"Qes", 0.4}});
  const std::int32_t series = legacy.addRow({{"Model", "W12 - SERIES"}, {"Manufacturer", "NEWCO"},
                                             {"Dual VC", true}, {"Fs", 21.0}, {"Qes", 0.5}});
  sides.open();
  const MergePlan plan = sides.plan({wooferEntry(parallel), wooferEntry(series)});
  ASSERT_EQ(plan.entries.size(), 2u);
  EXPECT_EQ(plan.entries[0].action, PlannedAction::Add);
  EXPECT_EQ(plan.entries[1].action, PlannedAction::Replace);
  EXPECT_EQ(plan.entries[1].row.addedBy, std::optional<std::size_t>(0));
  EXPECT_FALSE(plan.entries[1].row.existing);
  EXPECT_FALSE(plan.questionAt);  // a woofer this merge adds is written over without asking
  applyLiterally(plan);
  const std::vector<test::NewRow> rows = sides.withModel(DriverTable::Woofers, "W12");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_GT(rows[0].driver.Qesp, 0);  // both wirings in one row
  EXPECT_GT(rows[0].driver.Qess, 0);
  EXPECT_EQ(sides.questions(), 0);
}

TEST_F(MergePlanTest, ACompanyOneEntryCopiesIsTheCompanyOfTheNext) {
  sides.newDb().addCompany({{"ID", 40}, {"Company", "Other"}});
  auto& o = sides.oldDb();
  const std::int32_t c = o.addCompany({{"Company", "Newco"}});
  const std::int32_t lower = o.addCompany({{"Company", "newco"}});  // another row, the same name
  const std::vector<ListEntry> entries = {wooferEntry(o.addWoofer(typedOldDriver("A", c))),
                                          tweeterEntry(o.addTweeter(typedOldDriver("B", lower))),
                                          wooferEntry(o.addWoofer(typedOldDriver("C", c)))};
  sides.open();
  const MergePlan plan = sides.plan(entries);
  EXPECT_TRUE(plan.entries[0].copiesCompany);
  EXPECT_EQ(plan.entries[0].company.copiedBy, std::optional<std::size_t>(0));
  for (std::size_t i : {1u, 2u}) {
    EXPECT_FALSE(plan.entries[i].copiesCompany) << i;
    EXPECT_EQ(plan.entries[i].company.copiedBy, std::optional<std::size_t>(0)) << i;
    EXPECT_EQ(plan.entries[i].company.id, 0) << i;
  }
  applyLiterally(plan);
  const std::int32_t added = sides.withModel(DriverTable::Woofers, "A").front().companyId;
  EXPECT_EQ(added, 41);
  EXPECT_EQ(sides.withModel(DriverTable::Tweeters, "B").front().companyId, added);
  EXPECT_EQ(sides.withModel(DriverTable::Woofers, "C").front().companyId, added);
}

// A unit's sections: the old plain model finds the new section row, and a section the merge adds
// is linked by the section written after it.
TEST_F(MergePlanTest, SectionRowsAreFoundAndLinkedAsTheyAreWritten) {
  auto& n = sides.newDb();
  const std::int32_t maker = n.addCompany({{"Company", "Maker"}});
  const std::int32_t held = n.addWoofer({{"Model", "K1 - LF"}, {"Company ID", maker}, {"Type", std::int16_t{1}}});
  auto& o = sides.oldDb();
  const std::int32_t c = o.addCompany({{"Company", "Maker"}});
  const std::vector<ListEntry> entries = {tweeterEntry(o.addTweeter(typedOldDriver("K2 - HF", c, 1))),
                                          wooferEntry(o.addWoofer(typedOldDriver("K2 - LF", c, 1))),
                                          wooferEntry(o.addWoofer(typedOldDriver("K1", c)))};
  sides.open();
  sides.ui.answers.push_back(true);
  const MergePlan plan = sides.plan(entries);
  EXPECT_EQ(plan.entries[0].action, PlannedAction::Add);
  EXPECT_EQ(plan.entries[1].action, PlannedAction::Add);
  EXPECT_EQ(plan.entries[2].action, PlannedAction::Replace);
  ASSERT_TRUE(plan.entries[2].row.existing);
  EXPECT_EQ(plan.entries[2].row.existing->id, held);
  EXPECT_EQ(plan.questionAt, std::optional<std::size_t>(2));
  applyLiterally(plan);
  const test::NewRow tweeter = sides.withModel(DriverTable::Tweeters, "K2 - HF").front();
  const test::NewRow woofer = sides.withModel(DriverTable::Woofers, "K2 - LF").front();
  EXPECT_EQ(woofer.partner, jet::Value{tweeter.id});
  EXPECT_EQ(sides.woofer(held)->driver.Model, "K1");
}

// With No, the drivers that would replace a row are skipped, and the later entries are planned
// against the rows as they stay: a model the refused replacement would have renamed is still found.
TEST_F(MergePlanTest, ANoSkipsEveryReplacementAndLaterEntriesMeetTheRowsAsTheyStay) {
  auto& n = sides.newDb();
  const std::int32_t maker = n.addCompany({{"Company", "Maker"}});
  const std::int32_t held = n.addWoofer({{"Model", "X-2"}, {"Company ID", maker}});
  auto& o = sides.oldDb();
  const std::int32_t c = o.addCompany({{"Company", "Maker"}});
  const std::vector<ListEntry> entries = {wooferEntry(o.addWoofer(typedOldDriver("N1", c))),
                                          wooferEntry(o.addWoofer(typedOldDriver("x2", c))),
                                          wooferEntry(o.addWoofer(typedOldDriver("N1", c))),
                                          wooferEntry(o.addWoofer(typedOldDriver("X 2", c)))};
  sides.open();
  sides.ui.answers.push_back(false);
  const MergePlan plan = sides.plan(entries);
  EXPECT_EQ(sides.questions(), 1);
  EXPECT_EQ(plan.questionAt, std::optional<std::size_t>(1));
  EXPECT_TRUE(plan.refused);
  EXPECT_EQ(plan.entries[0].action, PlannedAction::Add);
  EXPECT_EQ(plan.entries[1].skip, SkipReason::Refused);
  EXPECT_EQ(plan.entries[2].skip, SkipReason::Refused);  // N1 again: the row entry 0 adds
  EXPECT_EQ(plan.entries[3].skip, SkipReason::Refused);
  ASSERT_TRUE(plan.entries[3].row.existing);
  EXPECT_EQ(plan.entries[3].row.existing->id, held);
  const MergeSummary done = applyLiterally(plan);
  EXPECT_EQ(done.woofers.added, 1);
  EXPECT_EQ(done.woofers.skipped, 3);
  EXPECT_EQ(sides.woofer(held)->driver.Model, "X-2");
}

}  // namespace
}  // namespace qbm
