#include "olddb/old_database_scan.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "db/company_short_names.h"
#include "tests/support/driver_fixtures.h"

namespace qbm {
namespace {

using test::FixtureRow;

std::vector<std::string> texts(const DriverListing& listing) {
  std::vector<std::string> out;
  for (const ListEntry& e : listing.entries) out.push_back(e.text);
  return out;
}

// The progress events of a scan, without the captions.
std::vector<std::string> progressSteps(const std::vector<std::string>& events) {
  std::vector<std::string> steps;
  for (const std::string& e : events)
    if (e.starts_with("progress ") && e != "progress hidden") steps.push_back(e.substr(9));
  return steps;
}

std::vector<std::string> captions(const std::vector<std::string>& events) {
  std::vector<std::string> out;
  for (const std::string& e : events)
    if (e.starts_with("progress: ")) out.push_back(e.substr(10));
  return out;
}

std::vector<std::string> countingTo(long n, long total) {
  std::vector<std::string> steps;
  for (long i = 1; i <= n; ++i) steps.push_back(std::to_string(i) + "/" + std::to_string(total));
  return steps;
}

class OldScan : public ::testing::Test {
 protected:
  void SetUp() override { QBM_REQUIRE_SHARED(); }

  DriverListing scan(const std::string& fixture, OldListMode mode) {
    EXPECT_TRUE(sides.open(Side::Old, fixture));
    sides.ui.events.clear();
    return ScanOldDatabase(sides.state, names, mode, sides.ui);
  }

  test::FixtureSides sides;
  CompanyNameTables names;
};

TEST_F(OldScan, LegacyAllListsEveryRowWithModelMakerAndPositiveIndex) {
  const std::vector<FixtureRow> rows = test::fixtureRows("spkrbase.json", "woofer data");
  std::vector<std::string> expected;
  std::vector<std::int32_t> keys;
  for (const FixtureRow& r : rows) {
    if (r.at("Model").isNull() || r.at("Manufacturer").isNull() || test::integer(r.at("Index")) <= 0)
      continue;
    expected.push_back("[" + r.at("Manufacturer").text + "]  " + r.at("Model").text + "  (ob)");
    keys.push_back(static_cast<std::int32_t>(test::integer(r.at("Index"))));
  }
  const DriverListing listing = scan("spkrbase.mdb", OldListMode::All);
  EXPECT_EQ(texts(listing), expected);
  ASSERT_EQ(listing.entries.size(), keys.size());
  for (std::size_t i = 0; i < keys.size(); ++i) EXPECT_EQ(listing.entries[i].itemData, keys[i]);
  EXPECT_LT(expected.size(), rows.size());  // the fixture has rows without model or maker
  EXPECT_EQ(captions(sides.ui.events),
            (std::vector<std::string>{std::string(OpeningOldCaption), std::string(FindingAllOldCaption)}));
  // The bar moves with every entry, against the count of all rows.
  EXPECT_EQ(progressSteps(sides.ui.events),
            countingTo(static_cast<long>(expected.size()), static_cast<long>(rows.size())));
}

TEST_F(OldScan, LegacyChangedMovesTheBarOnEveryRow) {
  const std::vector<FixtureRow> rows = test::fixtureRows("spkrbase.json", "woofer data");
  const DriverListing listing = scan("spkrbase.mdb", OldListMode::Changed);
  EXPECT_EQ(captions(sides.ui.events), (std::vector<std::string>{std::string(OpeningOldCaption),
                                                                 std::string(FindingChangedCaption)}));
  const long total = static_cast<long>(rows.size());
  EXPECT_EQ(progressSteps(sides.ui.events), countingTo(total, total));
  // Without a new database only the exceptions count as present; wiring suffixes are gone.
  std::vector<std::string> listed = texts(listing);
  EXPECT_NE(std::find(listed.begin(), listed.end(), "[SCAN-SPEAK]  NE433-8  (ob)"), listed.end());
  EXPECT_EQ(std::count(listed.begin(), listed.end(), "[SCAN-SPEAK]  NE433-8  (ob)"), 2);
  EXPECT_EQ(std::find(listed.begin(), listed.end(), "[DAYTON]  Whatever 10  (ob)"), listed.end());
  EXPECT_EQ(std::find(listed.begin(), listed.end(), "[THRUSTER]  12  (ob)"), listed.end());
}

// The previous-format listing as the JSON describes it: woofers, then tweeters.
std::vector<std::string> previousFormatTexts(bool changedOnly) {
  CompanyNameTable shortNames;
  for (const FixtureRow& c : test::fixtureRows("xqbaudio.json", "companies"))
    if (!c.at("Company").isNull())
      shortNames.set(static_cast<std::int32_t>(test::integer(c.at("ID"))),
                     std::string(ShortCompanyName(c.at("Company").text)));
  std::vector<std::string> out;
  for (const auto& [table, marker] : {std::pair{"woofers", "(ob)"}, std::pair{"tweeters", "(sb)"}}) {
    for (const FixtureRow& r : test::fixtureRows("xqbaudio.json", table)) {
      const long c = test::integer(r.at("Company ID"));
      if (r.at("Model").isNull() || c < 1 || c > 900 || test::integer(r.at("ID")) <= 0) continue;
      if (changedOnly && !r.at("User Entry").boolean) continue;
      out.push_back("[" + shortNames[static_cast<std::int32_t>(c)] + "]  " + r.at("Model").text +
                    "  " + marker);
    }
  }
  return out;
}

TEST_F(OldScan, PreviousFormatChangedListsUserEntriesWithShortCompanyNames) {
  const DriverListing listing = scan("xqbaudio.mdb", OldListMode::Changed);
  const std::vector<std::string> expected = previousFormatTexts(true);
  EXPECT_EQ(texts(listing), expected);
  EXPECT_LT(expected.size(), previousFormatTexts(false).size());
  EXPECT_EQ(captions(sides.ui.events),
            (std::vector<std::string>{std::string(OpeningOldCaption), std::string(FindingOldCompaniesCaption),
                                      std::string(FindingChangedCaption)}));
  // One counter through woofers and tweeters.
  EXPECT_EQ(progressSteps(sides.ui.events), countingTo(115, 115));
  EXPECT_EQ(names.OldCompanyFull[1], "Peerless Fabrikkerne, Ltd.");
  EXPECT_EQ(names.OldCompanyShort[1], "Peerless");
  // Company 7 has no name: its drivers show empty brackets.
  bool unnamed = false;
  for (const std::string& t : texts(listing)) unnamed = unnamed || t.starts_with("[]  ");
  EXPECT_TRUE(unnamed);
}

TEST_F(OldScan, PreviousFormatAllListsEveryUsableRow) {
  const DriverListing listing = scan("xqbaudio.mdb", OldListMode::All);
  const std::vector<std::string> expected = previousFormatTexts(false);
  EXPECT_EQ(texts(listing), expected);
  EXPECT_EQ(progressSteps(sides.ui.events),
            countingTo(static_cast<long>(expected.size()), 115));
  EXPECT_EQ(listing.unreadable, ReadProblems{});
}

TEST_F(OldScan, PreviousFormatListsCompanyIdsOneTo900Only) {
  const std::string path = sides.copy("xqbaudio.mdb");
  const std::vector<std::pair<std::int32_t, bool>> edges = {
      {0, false}, {1, true}, {900, true}, {901, false}};
  {
    jet::Database db = jet::Database::open(path);
    jet::Table woofers = db.table("woofers");
    woofers.moveFirst();
    for (const auto& edge : edges) {
      woofers.edit();
      woofers.set("Company ID", jet::Value{edge.first});
      woofers.set("Model", jet::Value{"Edge " + std::to_string(edge.first)});
      woofers.update();
      woofers.moveNext();
    }
  }
  sides.ui.files.push_back(path);
  OpenDatabaseFile(Side::Old, sides.ui, sides.state, test::pointLocale());
  const std::vector<std::string> listed =
      texts(ScanOldDatabase(sides.state, names, OldListMode::All, sides.ui));
  for (const auto& [company, expected] : edges) {
    const std::string model = "]  Edge " + std::to_string(company) + "  (ob)";
    const auto isEdge = [&](const std::string& t) { return t.ends_with(model); };
    EXPECT_EQ(std::count_if(listed.begin(), listed.end(), isEdge), expected ? 1 : 0) << company;
  }
}

TEST_F(OldScan, EveryOpenStartsWithEmptyOldCompanyNames) {
  scan("xqbaudio.mdb", OldListMode::All);
  ASSERT_FALSE(names.OldCompanyFull[1].empty());
  scan("spkrbase.mdb", OldListMode::All);
  EXPECT_EQ(names.OldCompanyFull[1], "");
  EXPECT_EQ(names.OldCompanyShort[1], "");
}

}  // namespace
}  // namespace qbm
