#include "db/company_names.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

#include "jet/database.h"
#include "db/company_short_names.h"
#include "tests/support/json.h"
#include "tests/support/test_support.h"

namespace qbm {
namespace {

using jet::Value;

TEST(CompanyShortNames, MatchOnlyTheExactFullName) {
  EXPECT_EQ(ShortCompanyName("Peerless Fabrikkerne, Ltd."), "Peerless");
  EXPECT_EQ(ShortCompanyName("PEERLESS FABRIKKERNE, LTD."), "PEERLESS FABRIKKERNE, LTD.");
  EXPECT_EQ(ShortCompanyName("Peerless Fabrikkerne, Ltd. "), "Peerless Fabrikkerne, Ltd. ");
  EXPECT_EQ(ShortCompanyName("Miami Soundworx, Inc."), "Miami Soundworkx");
  EXPECT_EQ(ShortCompanyName("Yamaha Corp. of America"), "Yamaha");
  EXPECT_EQ(ShortCompanyName("Acoustic Design Group (ADG) Inc."), "ADG");
  EXPECT_EQ(ShortCompanyName("Unknown Drivers GmbH"), "Unknown Drivers GmbH");
  EXPECT_EQ(ShortCompanyName(""), "");
}

TEST(CompanyShortNames, AreAppliedOnceAndNeverChained) {
  std::set<std::string_view> fulls;
  for (const CompanyShortName& entry : CompanyShortNames) {
    EXPECT_TRUE(fulls.insert(entry.full).second) << entry.full;
    EXPECT_EQ(ShortCompanyName(entry.shortName), entry.shortName)
        << entry.shortName << " is itself a full name";
  }
}

// Every ID from 1 up, 900 and 901 alike (the tables once ended at 900); 0 and below name no company.
TEST(CompanyNameTable, HoldsEveryIdFromOneUp) {
  CompanyNameTable table;
  for (std::int32_t id : {-2147483647 - 1, -1, 0}) {
    table.set(id, "X");
    EXPECT_EQ(table[id], "") << id;
    EXPECT_FALSE(table.has(id)) << id;
  }
  for (std::int32_t id : {1, 900, 901, 2147483647}) table.set(id, "company " + std::to_string(id));
  for (std::int32_t id : {1, 900, 901, 2147483647}) {
    EXPECT_EQ(table[id], "company " + std::to_string(id));
    EXPECT_TRUE(table.has(id));
  }
  EXPECT_EQ(table[2], "");
  EXPECT_FALSE(table.has(2) || table.has(902));
  EXPECT_EQ(table.entries().size(), 4u);
  table.clear();
  EXPECT_EQ(table[901], "");
  EXPECT_FALSE(table.has(901));
}

TEST(CompanyNames, ANamelessCompanyExistsWithAnEmptyFullName) {
  CompanyNameTable full, shortNames;
  EXPECT_FALSE(IsNamelessCompany(full, 1));  // an ID without a company
  AddCompanyRow(Value{std::int32_t{1}}, Value{}, full, shortNames);
  AddCompanyRow(Value{std::int32_t{899}}, Value{""}, full, shortNames);
  AddCompanyRow(Value{std::int32_t{900}}, Value{"Zed"}, full, shortNames);
  EXPECT_TRUE(IsNamelessCompany(full, 1) && IsNamelessCompany(full, 899));
  EXPECT_FALSE(IsNamelessCompany(full, 900) || IsNamelessCompany(full, 0));
  RecordAddedCompany(900, "", full, shortNames);  // the last slot, named "" by the merge
  EXPECT_TRUE(IsNamelessCompany(full, 900));
  full.clear();
  EXPECT_FALSE(IsNamelessCompany(full, 900));
}

TEST(CompanyNames, RowsFillTheFullAndTheShortName) {
  CompanyNameTable full, shortNames;
  AddCompanyRow(Value{std::int32_t{58}}, Value{"Peerless Fabrikkerne, Ltd."}, full, shortNames);
  AddCompanyRow(Value{std::int32_t{7}}, Value{"Small Maker"}, full, shortNames);
  EXPECT_EQ(full[58], "Peerless Fabrikkerne, Ltd.");
  EXPECT_EQ(shortNames[58], "Peerless");
  EXPECT_EQ(full[7], "Small Maker");
  EXPECT_EQ(shortNames[7], "Small Maker");
}

// AddCompanyRow's own test of the ID is equivalent to the tables' (set() ignores other IDs).
TEST(CompanyNames, RowsWithoutAUsableIdOrNameLeaveTheTablesEmpty) {
  CompanyNameTable full, shortNames;
  for (const Value& id : {Value{std::int32_t{0}}, Value{std::int32_t{-3}}, Value{}})
    AddCompanyRow(id, Value{"Peerless Fabrikkerne, Ltd."}, full, shortNames);
  EXPECT_TRUE(full.entries().empty() && shortNames.entries().empty());
  AddCompanyRow(Value{std::int32_t{901}}, Value{"Peerless Fabrikkerne, Ltd."}, full, shortNames);
  EXPECT_EQ(shortNames[901], "Peerless");
  AddCompanyRow(Value{std::int32_t{5}}, Value{}, full, shortNames);
  EXPECT_EQ(full[5], "");
  EXPECT_EQ(shortNames[5], "");
}

TEST(CompanyNames, AnAddedCompanyKeepsItsFullNameUntilTheNextRebuild) {
  CompanyNameTable full, shortNames;
  RecordAddedCompany(12, "Peerless Fabrikkerne, Ltd.", full, shortNames);
  EXPECT_EQ(full[12], "Peerless Fabrikkerne, Ltd.");
  EXPECT_EQ(shortNames[12], "Peerless Fabrikkerne, Ltd.");
  RecordAddedCompany(0, "Nobody", full, shortNames);
  EXPECT_EQ(full[0], "");
}

// Company rows (ID, name) of a fixture's companies table, as the independent reader sees them.
std::vector<std::pair<int, std::optional<std::string>>> fixtureCompanies(const std::string& json) {
  std::ifstream in(test::sharedDir() / "fixtures" / json);
  std::stringstream buffer;
  buffer << in.rdbuf();
  const test::Json document = test::Json::parse(buffer.str());
  std::vector<std::pair<int, std::optional<std::string>>> rows;
  for (const test::Json& table : document["tables"].items) {
    if (table["name"].text != "companies") continue;
    for (const test::Json& row : table["rows"].items) {
      // Columns: ID, User Entry, Company, ...
      rows.emplace_back(std::stoi(row[0].text), row[2].isNull()
                                                    ? std::nullopt
                                                    : std::optional<std::string>(row[2].text));
    }
  }
  return rows;
}

TEST(CompanyNames, BuiltFromARealCompaniesTable) {
  QBM_REQUIRE_SHARED();
  test::ScratchDir dir;
  for (const char* name : {"qbaudio", "xqbaudio"}) {
    const auto expected = fixtureCompanies(std::string(name) + ".json");
    ASSERT_FALSE(expected.empty());
    jet::Database db = jet::Database::open(test::copyShared(std::string("fixtures/") + name + ".mdb",
                                                            dir.path()));
    jet::Table companies = db.table("companies");
    CompanyNameTable full, shortNames;
    full.set(899, "left over from an earlier scan");
    BuildCompanyNames(companies, full, shortNames);
    EXPECT_EQ(full[899], "");
    for (const auto& [id, company] : expected) {
      EXPECT_EQ(full[id], company.value_or("")) << id;
      EXPECT_EQ(shortNames[id], company ? std::string(ShortCompanyName(*company)) : "") << id;
    }
  }
}

}  // namespace
}  // namespace qbm
