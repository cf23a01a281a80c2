#include "merge/new_database_scan.h"

#include <gtest/gtest.h>

#include "merge/load_new_driver.h"
#include "db/company_short_names.h"
#include "tests/support/driver_fixtures.h"

namespace qbm {
namespace {

using test::FixtureRow;

class NewScan : public ::testing::Test {
 protected:
  void SetUp() override {
    QBM_REQUIRE_SHARED();
    ASSERT_TRUE(sides.open(Side::New, "qbaudio.mdb"));
    sides.ui.events.clear();
  }
  test::FixtureSides sides;
  CompanyNameTables names;
};

TEST_F(NewScan, ListsEveryUsableWooferThenTweeterWithShortCompanyNames) {
  CompanyNameTable shortNames;
  for (const FixtureRow& c : test::fixtureRows("qbaudio.json", "companies"))
    if (!c.at("Company").isNull())
      shortNames.set(static_cast<std::int32_t>(test::integer(c.at("ID"))),
                     std::string(ShortCompanyName(c.at("Company").text)));
  std::vector<ListEntry> expected;
  long total = 0;
  for (const auto& [table, marker] : {std::pair{"woofers", "(ob)"}, std::pair{"tweeters", "(sb)"}}) {
    for (const FixtureRow& r : test::fixtureRows("qbaudio.json", table)) {
      ++total;
      const long c = test::integer(r.at("Company ID"));
      const long id = test::integer(r.at("ID"));
      if (r.at("Model").isNull() || c < 1 || c > 900 || id <= 0) continue;
      expected.push_back({"[" + shortNames[static_cast<std::int32_t>(c)] + "]  " +
                              r.at("Model").text + "  " + marker,
                          static_cast<std::int32_t>(id)});
    }
  }
  const DriverListing listing = ScanNewDatabase(sides.state, names, sides.ui);
  EXPECT_EQ(listing.entries, expected);
  EXPECT_EQ(listing.entries.size(), 300u);  // three woofers have a company above 900
  EXPECT_EQ(names.NewCompanyFull[14], "Peerless Fabrikkerne, Ltd.");
  EXPECT_EQ(names.NewCompanyShort[14], "Peerless");

  std::vector<std::string> wanted = {"progress: " + std::string(OpeningNewCaption),
                                     "progress: " + std::string(FindingNewCompaniesCaption),
                                     "progress: " + std::string(FindingAllNewCaption)};
  for (std::size_t i = 1; i <= expected.size(); ++i)
    wanted.push_back("progress " + std::to_string(i) + "/" + std::to_string(total));
  EXPECT_EQ(sides.ui.events, wanted);
}

TEST_F(NewScan, LoadsWoofersAndTweetersByTheirIds) {
  WorkingDriver d;
  d.Dual = YesNoTrue;
  d.Qesp = 3;
  ASSERT_TRUE(LoadNewDriver(DriverTable::Woofers, 122, sides.state, d));
  EXPECT_EQ(d.Model, "W977 4/8");
  EXPECT_EQ(d.CurrentModel, "W977 4/8");
  EXPECT_GT(d.Xlinp, 0);  // a dual-coil woofer keeps its wiring values
  const std::string dustCap = d.DustCapDesc;

  const auto tweeters = test::fixtureRows("qbaudio.json", "tweeters");
  const FixtureRow& t = tweeters.front();
  ASSERT_TRUE(LoadNewDriver(DriverTable::Tweeters, static_cast<std::int32_t>(test::integer(t.at("ID"))),
                            sides.state, d));
  EXPECT_EQ(d.Model, t.at("Model").text);
  EXPECT_EQ(d.PartnerID, test::integer(t.at("Woofer ID")));
  EXPECT_EQ(d.Dual, YesNoFalse);
  EXPECT_EQ(d.Xlinp, 0);
  EXPECT_EQ(d.DustCapDesc, dustCap);  // no tweeter field

  EXPECT_FALSE(LoadNewDriver(DriverTable::Woofers, 99999, sides.state, d));
}

}  // namespace
}  // namespace qbm
