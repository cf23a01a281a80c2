#include "db/driver_fields.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "tests/db/fixture_catalog.h"

namespace qbm {
namespace {

// Every catalogued field of one driver table, with the JSON types the reading rule accepts.
struct Expected {
  std::string name;
  std::set<std::string> types;
  FieldUse use;
};

std::vector<Expected> catalogue() {
  const std::set<std::string> text = {"TEXT", "MEMO"}, number = {"DOUBLE", "FLOAT"},
                              code = {"INT", "BYTE", "LONG"}, yesNo = {"BOOLEAN"},
                              link = {"LONG"};
  std::vector<Expected> all;
  for (const auto& f : DriverTextFields) all.push_back({std::string(f.field), text, f.use});
  for (const auto& f : DriverCodeFields) all.push_back({std::string(f.field), code, f.use});
  for (const auto& f : DriverYesNoFields) all.push_back({std::string(f.field), yesNo, f.use});
  for (const auto& f : DriverLinkFields) all.push_back({std::string(f.field), link, f.use});
  for (const auto& f : DriverNumberFields) all.push_back({std::string(f.field), number, f.use});
  for (auto names : {fields::Dimen}) {
    for (auto n : names) all.push_back({std::string(n), number, FieldUse::Both});
  }
  for (int i = 0; i < 7; ++i) {
    all.push_back({std::string(fields::Dist[i]), link, FieldUse::Both});
    all.push_back({std::string(fields::PartNo[i]), text, FieldUse::Both});
  }
  for (auto n : {fields::ID, fields::CompanyID}) all.push_back({std::string(n), link, FieldUse::Both});
  all.push_back({std::string(fields::Model), text, FieldUse::Both});
  all.push_back({std::string(fields::UserEntry), yesNo, FieldUse::Both});
  all.push_back({std::string(fields::Date), {"SHORT_DATE_TIME"}, FieldUse::Both});
  return all;
}

TEST(DriverFields, EveryMemberIsFilledByOneFieldOnly) {
  std::set<std::string> names;
  auto distinct = [](const auto& list) {
    for (size_t i = 0; i < list.size(); ++i)
      for (size_t j = i + 1; j < list.size(); ++j)
        if (list[i].member == list[j].member) return false;
    return true;
  };
  EXPECT_TRUE(distinct(DriverTextFields));
  EXPECT_TRUE(distinct(DriverNumberFields));
  EXPECT_TRUE(distinct(DriverCodeFields));
  EXPECT_TRUE(distinct(DriverYesNoFields));
  EXPECT_TRUE(distinct(CompanyTextFields));
  // The partner link is the one member with two fields, one per table.
  EXPECT_EQ(DriverLinkFields[0].member, DriverLinkFields[1].member);
  EXPECT_FALSE(usedIn(DriverLinkFields[0].use, DriverTable::Tweeters));
  EXPECT_FALSE(usedIn(DriverLinkFields[1].use, DriverTable::Woofers));
  for (const Expected& e : catalogue()) EXPECT_TRUE(names.insert(e.name).second) << e.name;
}

TEST(DriverFields, MatchTheColumnsOfRealDriverDatabases) {
  QBM_REQUIRE_SHARED();
  for (const char* json : {"qbaudio.json", "xqbaudio.json"}) {
    for (DriverTable table : {DriverTable::Woofers, DriverTable::Tweeters}) {
      const std::string name(table == DriverTable::Woofers ? tables::Woofers : tables::Tweeters);
      const auto columns = test::fixtureColumns(json, name);
      ASSERT_FALSE(columns.empty()) << json << " " << name;
      size_t used = 0;
      for (const Expected& e : catalogue()) {
        const test::FixtureColumn* column = test::findColumn(columns, e.name);
        if (!usedIn(e.use, table)) {
          EXPECT_FALSE(column) << e.name << " is not a field of " << name;
          continue;
        }
        ++used;
        ASSERT_TRUE(column) << e.name << " missing from " << name << " in " << json;
        EXPECT_TRUE(e.types.count(column->type)) << e.name << " is " << column->type;
      }
      // Nothing in the table is left out of the catalogue.
      EXPECT_EQ(used, columns.size()) << name;
    }
  }
}

TEST(DriverFields, CompanyFieldsMatchARealCompaniesTable) {
  QBM_REQUIRE_SHARED();
  const auto columns = test::fixtureColumns("qbaudio.json", std::string(tables::Companies));
  ASSERT_FALSE(columns.empty());
  for (const auto& f : CompanyTextFields)
    EXPECT_TRUE(test::findColumn(columns, std::string(f.field))) << f.field;
  for (auto link : fields::CompanyLink) EXPECT_TRUE(test::findColumn(columns, std::string(link)));
  for (auto other : {fields::ID, fields::UserEntry, fields::Type})
    EXPECT_TRUE(test::findColumn(columns, std::string(other)));
  EXPECT_EQ(columns.size(), CompanyTextFields.size() + fields::CompanyLink.size() + 3);
}

}  // namespace
}  // namespace qbm
