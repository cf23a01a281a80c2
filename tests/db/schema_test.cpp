#include "db/schema.h"

#include <gtest/gtest.h>

#include <set>

#include "db/code_tables.h"
#include "db/legacy_table.h"
#include "tests/db/fixture_catalog.h"

namespace qbm {
namespace {

TEST(ResponseFrequencies, RunFrom5HzTo20kHzWithoutGaps7And9) {
  EXPECT_EQ(ResponseFrequencies.front(), 5);
  EXPECT_EQ(ResponseFrequencies.back(), 20000);
  for (size_t i = 1; i < ResponseFrequencies.size(); ++i)
    EXPECT_LT(ResponseFrequencies[i - 1], ResponseFrequencies[i]) << "at " << i;
  EXPECT_EQ(ResponseFrequencies[41], 100);
  EXPECT_EQ(ResponseFrequencies[81], 1000);
  EXPECT_EQ(ResponseFrequencies[93], 2000);
  EXPECT_EQ(ResponseFrequencies[121], 10000);
  EXPECT_EQ(ResponseFrequencies[legacy::ResponseCount - 1], 2000);
  for (int f : {7, 9})
    EXPECT_EQ(std::count(ResponseFrequencies.begin(), ResponseFrequencies.end(), f), 0);
}

TEST(ResponseFrequencies, FieldNamesAreAFollowedByTheFrequency) {
  EXPECT_EQ(ResponseField(0), "A 5");
  EXPECT_EQ(ResponseField(41), "A 100");
  EXPECT_EQ(ResponseField(ResponseCount - 1), "A 20000");
  std::set<std::string> names;
  for (int i = 0; i < ResponseCount; ++i) names.insert(ResponseField(i));
  EXPECT_EQ(names.size(), static_cast<size_t>(ResponseCount));
  EXPECT_THROW(ResponseField(ResponseCount), std::out_of_range);
}

TEST(ResponseFrequencies, MatchTheColumnsOfRealDriverDatabases) {
  QBM_REQUIRE_SHARED();
  for (const std::string& table : {std::string(tables::WooferResponse),
                                   std::string(tables::TweeterResponse)}) {
    const auto columns = test::fixtureColumns("qbaudio.json", table);
    ASSERT_EQ(columns.size(), static_cast<size_t>(ResponseCount + 2)) << table;
    EXPECT_EQ(columns[0].name, fields::DriverID);
    EXPECT_EQ(columns[1].name, fields::UserEntry);
    for (int i = 0; i < ResponseCount; ++i) EXPECT_EQ(columns[i + 2].name, ResponseField(i));
  }
  // The legacy table holds the first 94 levels, up to 2000 Hz, under the same names.
  const auto legacyColumns = test::fixtureColumns("spkrbase.json", std::string(legacy::Table));
  ASSERT_FALSE(legacyColumns.empty());
  int levels = 0;
  for (const auto& c : legacyColumns)
    if (c.name.rfind("A ", 0) == 0) {
      EXPECT_EQ(c.name, ResponseField(levels++));
    }
  EXPECT_EQ(levels, legacy::ResponseCount);
}

TEST(LegacyTable, FieldNamesMatchARealLegacyDatabase) {
  QBM_REQUIRE_SHARED();
  const auto columns = test::fixtureColumns("spkrbase.json", std::string(legacy::Table));
  namespace lf = legacy::fields;
  for (std::string_view name :
       {lf::Index, lf::Model, lf::Manufacturer, lf::SerialNo, lf::DualVC, lf::Fs, lf::Qms, lf::Vas,
        lf::Cms, lf::Mms, lf::Rms, lf::Dia, lf::Sd, lf::MDia, lf::Vs, lf::Xmax, lf::Qes, lf::Re,
        lf::Le, lf::Z, lf::BL, lf::Pe, lf::Qts, lf::No, lf::SPL283Ref, lf::SPL, lf::Acoustic,
        lf::Notes})
    EXPECT_TRUE(test::findColumn(columns, std::string(name))) << name;
}

TEST(CodeTables, ShapeAndPistonTextsDependOnTheTable) {
  EXPECT_EQ(ShapeText(1, DriverTable::Woofers), "Oval");
  EXPECT_EQ(ShapeText(1, DriverTable::Tweeters), "Round w/ square sides");
  EXPECT_EQ(ShapeText(7, DriverTable::Woofers), "Pincushion");
  EXPECT_EQ(ShapeText(7, DriverTable::Tweeters), "Rectangular");
  EXPECT_EQ(PistonTypeText(2, DriverTable::Woofers), "Planar (flat)");
  EXPECT_EQ(PistonTypeText(2, DriverTable::Tweeters), "Cone");
  EXPECT_EQ(PistonTypeText(19, DriverTable::Tweeters), "Dual horn");
  EXPECT_EQ(AvailableText(0), "Unknown");
  EXPECT_EQ(AvailableText(2), "No");
  EXPECT_EQ(TypeText(0), "Standard one-way driver");
  EXPECT_EQ(TypeText(3), "Three-way driver");
}

TEST(CodeTables, CodesOutsideTheirTableHaveNoText) {
  EXPECT_EQ(ShapeText(8, DriverTable::Woofers), "");
  EXPECT_EQ(ShapeText(-1, DriverTable::Tweeters), "");
  EXPECT_EQ(PistonTypeText(0, DriverTable::Woofers), "");  // no type given
  EXPECT_EQ(PistonTypeText(0, DriverTable::Tweeters), "");
  EXPECT_EQ(PistonTypeText(5, DriverTable::Woofers), "");  // tweeter-only code
  EXPECT_EQ(PistonTypeText(20, DriverTable::Tweeters), "");
  EXPECT_EQ(AvailableText(3), "");
  EXPECT_EQ(TypeText(4), "");
  EXPECT_EQ(TypeText(-32768), "");
}

}  // namespace
}  // namespace qbm
