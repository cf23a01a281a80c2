#include "olddb/load_old_driver.h"

#include <gtest/gtest.h>

#include "db/schema.h"
#include "jet/database.h"
#include "olddb/legacy_conversion.h"
#include "olddb/legacy_row_finder.h"
#include "olddb/old_driver_prefetch.h"
#include "tests/support/driver_fixtures.h"

namespace qbm {
namespace {

using test::FixtureRow;
using test::number;

const FixtureRow& rowWith(const std::vector<FixtureRow>& rows, const std::string& key, long value) {
  for (const FixtureRow& r : rows)
    if (test::integer(r.at(key)) == value) return r;
  throw std::runtime_error("no row " + key + " = " + std::to_string(value));
}

// A record full of an earlier driver's values, to see what a load overwrites.
WorkingDriver earlierDriver() {
  WorkingDriver d;
  d.CompanyID = 77;
  d.Ferrofluid = YesNoTrue;
  d.DustCapDesc = "earlier dust cap";
  d.FrameDesc = "earlier frame";
  d.Dual = YesNoTrue;
  d.Underhung = YesNoTrue;
  d.Qesp = 5;
  d.SPL2s = 90;
  d.Response.fill(1.5f);
  d.company.Company = "Earlier Company";
  d.company.City = "Earlier City";
  d.company.CompanyLink[0] = 3;
  return d;
}

class LegacyLoad : public ::testing::Test {
 protected:
  void SetUp() override {
    QBM_REQUIRE_SHARED();
    ASSERT_TRUE(sides.open(Side::Old, "spkrbase.mdb"));
    rows = test::fixtureRows("spkrbase.json", "woofer data");
  }

  WorkingDriver load(std::int32_t index) {
    OldDriverRows oldRows;
    WorkingDriver d = earlierDriver();
    EXPECT_TRUE(LoadOldDriver(DriverTable::Woofers, index, oldRows, sides.state, d));
    return d;
  }

  test::FixtureSides sides;
  std::vector<FixtureRow> rows;
};

TEST_F(LegacyLoad, ParallelRowIsConvertedIntoTheParallelMembers) {
  const WorkingDriver d = load(3);
  const FixtureRow& r = rowWith(rows, "Index", 3);
  EXPECT_EQ(d.Model, "NE433-8 - PARALLEL");
  EXPECT_EQ(d.CurrentModel, "NE433-8");
  EXPECT_EQ(d.Dual, YesNoTrue);
  EXPECT_EQ(d.SerialNo, "L2");
  EXPECT_DOUBLE_EQ(d.Fs, number(r.at("Fs")));
  EXPECT_DOUBLE_EQ(d.Vas, number(r.at("Vas")) / 1000);
  EXPECT_DOUBLE_EQ(d.Cms, number(r.at("Cms")) / 1000);
  EXPECT_DOUBLE_EQ(d.Mms, number(r.at("Mms")) / 1000);
  EXPECT_DOUBLE_EQ(d.PDia, number(r.at("Dia")) / 100);
  EXPECT_DOUBLE_EQ(d.Sd, number(r.at("Sd")) / 10000);
  EXPECT_DOUBLE_EQ(d.Dimen[0], number(r.at("M-Dia")) / 100);
  EXPECT_DOUBLE_EQ(d.MVd, number(r.at("Vs")) / 1000);
  EXPECT_DOUBLE_EQ(d.Xlinp, number(r.at("Xmax")) / 1000);
  EXPECT_DOUBLE_EQ(d.Lep, number(r.at("Le")) / 1000);
  EXPECT_DOUBLE_EQ(d.Qesp, number(r.at("Qes")));
  EXPECT_DOUBLE_EQ(d.Effp, number(r.at("no")));
  // "SPL 283 Ref" true: the value is the 2.83 V sensitivity.
  EXPECT_DOUBLE_EQ(d.SPL2p, number(r.at("SPL")));
  for (double v : {d.Xlin, d.Xlins, d.Qes, d.Qess, d.Re, d.Res, d.SPL1, d.SPL1p, d.SPL1s, d.SPL2,
                   d.SPL2s, d.Xmech, d.PVd, d.Dimen[1], d.Dimen[10]})
    EXPECT_EQ(v, 0);
  EXPECT_EQ(d.PistonType, 1);
  EXPECT_EQ(d.Dist[0], 0);
  // The company part is the maker's name and nothing else.
  EXPECT_EQ(d.company.Company, "SCAN-SPEAK");
  EXPECT_EQ(d.company.Type, 1);
  EXPECT_EQ(d.company.City, "");
  EXPECT_EQ(d.company.CompanyLink[0], 0);
  // Members the legacy table has nothing for are left alone.
  EXPECT_EQ(d.CompanyID, 77);
  EXPECT_EQ(d.Ferrofluid, YesNoTrue);
}

TEST_F(LegacyLoad, SeriesRowAndOneWattSensitivity) {
  const WorkingDriver series = load(4);
  EXPECT_EQ(series.CurrentModel, "NE433-8");
  EXPECT_GT(series.Qess, 0);
  EXPECT_EQ(series.Qesp, 0);
  const WorkingDriver single = load(2);  // "SPL 283 Ref" false, no wiring suffix
  const FixtureRow& r = rowWith(rows, "Index", 2);
  EXPECT_FALSE(r.at("SPL 283 Ref").boolean);
  EXPECT_DOUBLE_EQ(single.SPL1, number(r.at("SPL")));
  EXPECT_EQ(single.SPL2, 0);
  EXPECT_EQ(single.Dual, YesNoFalse);
  EXPECT_DOUBLE_EQ(single.Qes, number(r.at("Qes")));
}

TEST_F(LegacyLoad, ResponseStopsAt2000Hz) {
  const WorkingDriver d = load(1);
  const FixtureRow& r = rowWith(rows, "Index", 1);
  for (int i = 0; i < 94; ++i)
    EXPECT_FLOAT_EQ(d.Response[static_cast<std::size_t>(i)], std::stof(r.at(ResponseField(i)).text));
  EXPECT_NE(d.Response[93], 0.0f);
  for (int i = 94; i < ResponseCount; ++i) EXPECT_EQ(d.Response[static_cast<std::size_t>(i)], 0.0f);
}

// A legacy table of a user's own layout (Single columns): units are converted from the stored
// value, not from the decimal its text shows.
TEST(LegacyConversion, ComputesFromTheStoredValueOfAnyNumberColumn) {
  test::ScratchDir dir;
  jet::Database db = jet::Database::create(dir / "spkrbase.mdb");
  jet::TableDefinition definition;
  definition.name = "woofer data";
  for (const auto& [name, type] : {std::pair{"Model", jet::ColumnType::Text}, {"Fs", jet::ColumnType::Single},
                                   {"Vas", jet::ColumnType::Single}, {"Le", jet::ColumnType::Double}}) {
    jet::ColumnDefinition c;
    c.name = name;
    c.type = type;
    definition.columns.push_back(c);
  }
  db.createTable(definition);
  jet::Table row = db.table("woofer data");
  row.addNew();
  row.set("Model", jet::Value{"X"});
  row.set("Fs", jet::Value{84.15571594238281f});
  row.set("Vas", jet::Value{50.3f});
  row.set("Le", jet::Value{0.1 + 0.2});
  row.update();
  row.moveFirst();
  WorkingDriver d;
  d.CurrentModel = "X";
  ConvertLegacyRow(row, d);
  EXPECT_EQ(d.Fs, static_cast<double>(84.15571594238281f));
  EXPECT_EQ(d.Vas, static_cast<double>(50.3f) / 1000);  // not 50.3 / 1000
  EXPECT_EQ(d.Le, (0.1 + 0.2) / 1000);
}

class PreviousFormatLoad : public ::testing::Test {
 protected:
  void SetUp() override {
    QBM_REQUIRE_SHARED();
    ASSERT_TRUE(sides.open(Side::Old, "xqbaudio.mdb"));
  }

  void load(bool tweeter, std::int32_t id, WorkingDriver& d) {
    OldDriverRows oldRows;
    ASSERT_TRUE(LoadOldDriver(tweeter ? DriverTable::Tweeters : DriverTable::Woofers, id, oldRows,
                              sides.state, d));
  }

  test::FixtureSides sides;
};

TEST_F(PreviousFormatLoad, WooferWithItsResponseAndCompany) {
  const auto woofers = test::fixtureRows("xqbaudio.json", "woofers");
  const auto responses = test::fixtureRows("xqbaudio.json", "woofer-response");
  const auto companies = test::fixtureRows("xqbaudio.json", "companies");
  const FixtureRow& r = rowWith(woofers, "ID", 1);
  const FixtureRow& response = rowWith(responses, "Driver ID", 1);
  WorkingDriver d = earlierDriver();
  load(false, 1, d);
  EXPECT_EQ(d.Model, r.at("Model").text);
  EXPECT_EQ(d.CurrentModel, d.Model);
  EXPECT_EQ(d.CompanyID, test::integer(r.at("Company ID")));
  EXPECT_DOUBLE_EQ(d.Vas, number(r.at("Vas")));  // no unit conversion
  EXPECT_DOUBLE_EQ(d.Qesp, number(r.at("Qesp")));
  EXPECT_EQ(d.Acoustic, YesNoTrue);
  for (int i = 0; i < ResponseCount; ++i)
    EXPECT_FLOAT_EQ(d.Response[static_cast<std::size_t>(i)],
                    std::stof(response.at(ResponseField(i)).text));
  const FixtureRow& company = rowWith(companies, "ID", test::integer(r.at("Company ID")));
  EXPECT_EQ(d.company.Company, company.at("Company").text);
  EXPECT_EQ(d.Ferrofluid, YesNoTrue);  // a woofer has none
}

TEST_F(PreviousFormatLoad, TweeterAfterAWooferClearsTheWooferOnlyMembers) {
  WorkingDriver d = earlierDriver();
  load(false, 1, d);
  load(true, 1, d);
  EXPECT_EQ(d.Dual, YesNoFalse);
  EXPECT_EQ(d.Underhung, YesNoFalse);
  for (double v : {d.Xlinp, d.Xlins, d.Qesp, d.Qess, d.Rep, d.Res, d.Lep, d.Les, d.Zp, d.Zs, d.BLp,
                   d.BLs, d.Pep, d.Pes, d.Qtsp, d.Qtss, d.Effp, d.Effs, d.SPL1p, d.SPL1s, d.SPL2p,
                   d.SPL2s})
    EXPECT_EQ(v, 0);
  const WorkingDriver woofer = [&] {
    WorkingDriver w = earlierDriver();
    load(false, 1, w);
    return w;
  }();
  EXPECT_EQ(d.DustCapDesc, woofer.DustCapDesc);  // not a tweeter field: kept
  EXPECT_EQ(d.FrameDesc, woofer.FrameDesc);
}

TEST_F(PreviousFormatLoad, AcousticFlagWithoutAResponseRowIsCleared) {
  for (const auto& [tweeter, id] : {std::pair{false, 4}, std::pair{true, 5}}) {
    WorkingDriver d = earlierDriver();
    load(tweeter, id, d);
    EXPECT_EQ(d.Acoustic, YesNoFalse) << id;
    for (float level : d.Response) ASSERT_EQ(level, 0.0f);
  }
}

TEST_F(PreviousFormatLoad, MissingCompanyRowEmptiesTheCompanyPart) {
  WorkingDriver d = earlierDriver();
  d.CompanyID = 999;  // no such company
  LoadOldCompany(sides.state, d);
  EXPECT_EQ(d.company.Company, "");
  EXPECT_EQ(d.company.City, "");
  EXPECT_EQ(d.company.CompanyLink[0], 0);
  d.CompanyID = 1;
  LoadOldCompany(sides.state, d);
  EXPECT_EQ(d.company.Company, "Peerless Fabrikkerne, Ltd.");
}

TEST_F(PreviousFormatLoad, AMissingRowLoadsNothing) {
  OldDriverRows oldRows;
  for (const DriverTable table : {DriverTable::Woofers, DriverTable::Tweeters}) {
    WorkingDriver d = earlierDriver();
    d.Model = "kept";
    EXPECT_FALSE(LoadOldDriver(table, 999999, oldRows, sides.state, d));
    EXPECT_EQ(d.Model, "kept");
  }
}

// The loads of a prefetch, taken in order, are LoadOldDriver's: through a ring of two (so the
// thread waits for room again and again), a missing row in the middle and at the end.
TEST_F(PreviousFormatLoad, PrefetchGivesWhatEachLoadGivesInTheOrderAsked) {
  std::vector<OldDriverPrefetch::Load> loads;
  for (std::int32_t id = 1; id <= 6; ++id) loads.push_back({DriverTable::Woofers, id});
  loads.push_back({DriverTable::Tweeters, 999999});
  for (std::int32_t id = 5; id >= 1; --id) loads.push_back({DriverTable::Tweeters, id});
  loads.push_back({DriverTable::Woofers, 999999});
  std::vector<std::optional<WorkingDriver>> taken;
  {
    OldDriverRows oldRows;
    OldDriverPrefetch prefetch(loads, oldRows, sides.state, 2);
    for (std::size_t i = 0; i < loads.size(); ++i) {
      WorkingDriver d = earlierDriver();
      const bool found = prefetch.next(d);
      if (!found) {
        EXPECT_EQ(d.company.Company, "Earlier Company") << "a missing row leaves the record";
      }
      taken.push_back(found ? std::optional(std::move(d)) : std::nullopt);
    }
  }
  OldDriverRows oldRows;
  for (std::size_t i = 0; i < loads.size(); ++i) {
    WorkingDriver d;
    const bool found = LoadOldDriver(loads[i].table, loads[i].id, oldRows, sides.state, d);
    ASSERT_EQ(found, taken[i].has_value()) << i;
    if (!found) continue;
    EXPECT_EQ(taken[i]->Model, d.Model) << i;
    EXPECT_EQ(taken[i]->CompanyID, d.CompanyID) << i;
    EXPECT_EQ(taken[i]->company.Company, d.company.Company) << i;
    WorkingDriver unremembered = d;  // the company read afresh, as no OldDriverRows remembers it
    LoadOldCompany(sides.state, unremembered);
    EXPECT_EQ(unremembered.company.Company, d.company.Company) << i;
    EXPECT_EQ(unremembered.company.CompanyLink, d.company.CompanyLink) << i;
    EXPECT_EQ(taken[i]->Acoustic, d.Acoustic) << i;
    EXPECT_EQ(taken[i]->Response, d.Response) << i;
    EXPECT_EQ(taken[i]->Dual, d.Dual) << i;
  }
}

// What a load throws reaches the taker at that load, not before, and a prefetch left with loads
// untaken stops without waiting for them.
TEST_F(PreviousFormatLoad, PrefetchRethrowsAtTheLoadAndStopsWhenLeftEarly) {
  {
    OldDriverRows oldRows;
    std::vector<OldDriverPrefetch::Load> many(5000, {DriverTable::Woofers, 1});
    OldDriverPrefetch prefetch(std::move(many), oldRows, sides.state, 1);
    WorkingDriver d;
    EXPECT_TRUE(prefetch.next(d));
  }  // the other 4,999 are not loaded
  sides.state.Old.Db->close();
  OldDriverRows oldRows;
  OldDriverPrefetch prefetch({{DriverTable::Woofers, 1}, {DriverTable::Tweeters, 1}}, oldRows, sides.state);
  WorkingDriver d;
  EXPECT_THROW(prefetch.next(d), jet::Error);
  EXPECT_THROW(prefetch.next(d), jet::Error);
}

}  // namespace
}  // namespace qbm
