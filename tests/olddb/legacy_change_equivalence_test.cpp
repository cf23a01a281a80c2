// The indexed legacy change matching gives exactly what the plain walk of the rules gives: on many
// generated new-woofer tables and old drivers, and on the fixtures against the engine's own seek.

#include <gtest/gtest.h>

#include <random>

#include "db/database_state.h"
#include "db/open_database_file.h"
#include "db/schema.h"
#include "db/company_short_names.h"
#include "olddb/legacy_change_rules.h"
#include "olddb/model_names.h"
#include "olddb/new_woofer_lookup.h"
#include "olddb/old_database_scan.h"
#include "tests/support/driver_fixtures.h"
#include "tests/olddb/legacy_reference.h"
#include "tests/support/fake_user_interface.h"
#include "tests/support/test_support.h"

namespace qbm {
namespace {

// Builds random tables and drivers from pieces chosen to collide: shared stems, separators, case
// changes, section and wiring suffixes, the makers with rules of their own, accented letters.
class Generator {
 public:
  explicit Generator(unsigned seed) : random_(seed) {}

  template <class T>
  const T& pick(const std::vector<T>& items) {
    return items[std::uniform_int_distribution<std::size_t>(0, items.size() - 1)(random_)];
  }
  bool chance(int percent) { return std::uniform_int_distribution<int>(1, 100)(random_) <= percent; }
  int number(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

  std::string model() {
    static const std::vector<std::string> stems = {"CW", "cw", "TW", "SD", "BOX", "Bos", "S",
                                                   "Stealth", "st", "Beta", "ÉX", "éx", "ü", "12",
                                                   "6-403-8", "XLS", "x"};
    static const std::vector<std::string> digits = {"", "1", "12", "120", "2", "8", "4/8", "-8"};
    static const std::vector<std::string> separators = {"", "", "-", " ", "=", "/", " - "};
    std::string m = pick(stems) + pick(separators) + pick(digits);
    if (chance(30)) m += pick(separators) + pick(digits);
    if (chance(10)) m = pick(separators);  // nothing but separators
    if (chance(15)) m += pick(std::vector<std::string>{" - LF", " - lf", " - HF", " - MF", " - X"});
    return m;
  }

  // A variation of a model as another database might spell it.
  std::string variant(std::string m) {
    if (chance(30)) m = UpperCase(m);
    if (chance(20) && !m.empty()) m.erase(m.size() - 1);
    if (chance(20)) m += pick(std::vector<std::string>{"-", " ", "X", "1"});
    if (chance(15)) m.insert(0, pick(std::vector<std::string>{"BOS", "BOX", "S", "s"}));
    if (chance(15))
      m += pick(std::vector<std::string>{" - PARALLEL", " - series", " (PAR)", " (ser)",
                                         " (SER) - SERIES"});
    return m;
  }

  std::string maker() {
    static const std::vector<std::string> makers = {
        "PEERLESS", "peerless", "PEER", "DAYTON", "BOSTWICK", "CERWIN VEGA", "XTASY AUDIO", "XTASY",
        "INFINITY", "CADENCE", "THRUSTER", "MOREL", "", "É", "éclair", "ZETA", "Z"};
    return pick(makers);
  }

  std::vector<NewWooferRow> rows(CompanyNameTable& full, CompanyNameTable& shortNames) {
    static const std::vector<std::string> companies = {
        "Peerless Fabrikkerne, Ltd.", "peerless", "Dayton Audio", "Bostwick Speakers",
        "Cerwin Vega Inc.", "Xtasy Audio Labs", "Éclair Sound", "Infinity Systems Inc.",
        "Cadence Sound Systems, Inc.", "Thruster", "Zeta", "", "Pe"};
    full.clear();
    shortNames.clear();
    for (std::int32_t c = 1; c <= 8; ++c) {
      const std::string name = pick(companies);
      full.set(c, name);
      shortNames.set(c, std::string(ShortCompanyName(name)));
    }
    std::vector<NewWooferRow> rows(static_cast<std::size_t>(number(0, 60)));
    for (NewWooferRow& row : rows) {
      if (!chance(5)) row.model = model();
      row.companyId = chance(90) ? number(1, 9) : pick(std::vector<std::int32_t>{0, -3, 901});
      row.id = chance(92) ? number(1, 5000) : pick(std::vector<std::int32_t>{0, -1});
    }
    // Index order: by key, ties in any order (the table's own), as the engine walks them.
    std::stable_sort(rows.begin(), rows.end(), [](const NewWooferRow& a, const NewWooferRow& b) {
      if (!a.model || !b.model) return !a.model && b.model;
      return test::ReferenceRules::key(*a.model, jet::Collation::General2000) <
             test::ReferenceRules::key(*b.model, jet::Collation::General2000);
    });
    return rows;
  }

 private:
  std::mt19937 random_;
};

TEST(LegacyChangeEquivalence, IndexedMatchingEqualsThePlainWalkOnGeneratedCases) {
  Generator gen(20240607);
  CompanyNameTable full, shortNames;
  long compared = 0, listed = 0;
  for (int table = 0; table < 400; ++table) {
    const std::vector<NewWooferRow> rows = gen.rows(full, shortNames);
    const NewWooferLookup lookup(rows, jet::Collation::General2000, full, shortNames);
    const test::ReferenceRules reference{rows, jet::Collation::General2000, full, shortNames};
    for (int driver = 0; driver < 60; ++driver) {
      // Half of the drivers start from a model the table holds.
      std::string model = gen.model();
      if (!rows.empty() && gen.chance(50)) model = gen.pick(rows).model.value_or(model);
      model = gen.variant(model);
      const std::string maker = gen.maker();
      const std::string current = SplitWiringSuffix(model).model;
      SCOPED_TRACE("table " + std::to_string(table) + ", model \"" + model + "\", maker \"" +
                   maker + "\"");

      const NewWooferRow* direct = lookup.directMatch(current);
      const std::optional<std::size_t> expectedDirect = reference.direct(current);
      ASSERT_EQ(direct != nullptr, expectedDirect.has_value());
      if (direct) {
        const NewWooferRow& first = rows[*expectedDirect];
        EXPECT_EQ(direct->model, first.model);
        EXPECT_EQ(direct->companyId, first.companyId);
        EXPECT_EQ(direct->id, first.id);
      }

      const std::string makerKey = LegacyMakerKey(maker);
      const std::string key = FuzzyModelKey(current, makerKey);
      ASSERT_EQ(lookup.fuzzyMatch(key, makerKey), reference.fuzzy(key, makerKey));

      const bool expected = reference.listed(model, maker);
      ASSERT_EQ(LegacyDriverNeedsMerge(current, maker, lookup), expected);
      ++compared;
      listed += expected ? 1 : 0;
    }
  }
  // Both outcomes occur often enough for the comparison to mean something.
  EXPECT_GT(listed, compared / 10);
  EXPECT_LT(listed, compared * 9 / 10);
}

}  // namespace
}  // namespace qbm

namespace qbm {
namespace {

// The legacy and new fixtures, the new company names built, the new woofers read in "Model" order.
class FixtureMatching : public ::testing::Test {
 protected:
  void SetUp() override {
    QBM_REQUIRE_SHARED();
    ASSERT_TRUE(sides.open(Side::New, "qbaudio.mdb"));
    ASSERT_TRUE(sides.open(Side::Old, "spkrbase.mdb"));
    BuildCompanyNames(*sides.state.New.Companies, names.NewCompanyFull, names.NewCompanyShort);
    jet::Table& woofers = *sides.state.New.Woofers;
    woofers.setIndex(indexes::Model);
    for (woofers.moveFirst(); !woofers.eof(); woofers.moveNext()) {
      NewWooferRow row;
      const jet::Value model = woofers.get(fields::Model);
      if (!model.isNull()) row.model = model.as<std::string>();
      row.companyId = woofers.get(fields::CompanyID).as<std::int32_t>();
      row.id = woofers.get(fields::ID).as<std::int32_t>();
      rows.push_back(row);
    }
  }

  // The legacy rows' Model and Manufacturer, in table order (Null as nothing).
  std::vector<std::pair<std::optional<std::string>, std::optional<std::string>>> legacyRows() {
    std::vector<std::pair<std::optional<std::string>, std::optional<std::string>>> out;
    jet::Table& old = *sides.state.Old.Woofers;
    for (old.moveFirst(); !old.eof(); old.moveNext()) {
      const jet::Value model = old.get("Model"), maker = old.get("Manufacturer");
      out.emplace_back(model.isNull() ? std::nullopt : std::optional(model.as<std::string>()),
                       maker.isNull() ? std::nullopt : std::optional(maker.as<std::string>()));
    }
    return out;
  }

  test::FixtureSides sides;
  CompanyNameTables names;
  std::vector<NewWooferRow> rows;
};

TEST_F(FixtureMatching, DirectMatchIsTheRowTheEnginesSeekFinds) {
  const NewWooferLookup lookup = ReadNewWooferLookup(*sides.state.New.Db, *sides.state.New.Woofers,
                                                     names.NewCompanyFull, names.NewCompanyShort);
  ASSERT_EQ(lookup.size(), rows.size());
  std::vector<std::string> models;
  for (const auto& [model, maker] : legacyRows())
    if (model) {
      models.push_back(*model);
      models.push_back(SplitWiringSuffix(*model).model);
    }
  for (const NewWooferRow& row : rows)
    if (row.model) {
      models.push_back(*row.model);
      models.push_back(UpperCase(*row.model));
      models.push_back(*row.model + "X");
    }
  jet::Table& woofers = *sides.state.New.Woofers;
  woofers.setIndex(indexes::Model);
  int found = 0;
  for (const std::string& model : models) {
    SCOPED_TRACE(model);
    const NewWooferRow* direct = lookup.directMatch(model);
    const bool seekFound = woofers.seek(jet::Value{model});
    ASSERT_EQ(direct != nullptr, seekFound);
    if (!seekFound) continue;
    ++found;
    EXPECT_EQ(direct->id, woofers.get(fields::ID).as<std::int32_t>());
  }
  EXPECT_GT(found, 100);
}

TEST_F(FixtureMatching, ChangedScanListsWhatThePlainRulesList) {
  const test::ReferenceRules reference{rows, jet::Collation::General2000, names.NewCompanyFull,
                                       names.NewCompanyShort};
  std::vector<std::string> expected;
  for (const auto& [model, maker] : legacyRows())
    if (model && maker && reference.listed(*model, *maker))
      expected.push_back(ListEntryText(*maker, SplitWiringSuffix(*model).model, DriverTable::Woofers));

  const DriverListing listing = ScanOldDatabase(sides.state, names, OldListMode::Changed, sides.ui);
  std::vector<std::string> listed;
  for (const ListEntry& e : listing.entries) listed.push_back(e.text);
  EXPECT_EQ(listed, expected);
  EXPECT_FALSE(listed.empty());
  EXPECT_LT(listed.size(), legacyRows().size());
}

}  // namespace
}  // namespace qbm
