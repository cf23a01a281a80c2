#pragma once
// A driver-database fixture as the independent reader's JSON describes it (../shared/fixtures).

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/json.h"
#include "tests/support/test_support.h"

namespace qbm::test {

struct FixtureColumn {
  std::string name;
  std::string type;  // "LONG", "TEXT", "DOUBLE", "FLOAT", "BOOLEAN", ...
};

// The JSON of ../shared/fixtures/<json>.
inline Json fixtureJson(const std::string& json) {
  std::ifstream in(sharedDir() / "fixtures" / json);
  std::stringstream buffer;
  buffer << in.rdbuf();
  return Json::parse(buffer.str());
}

// The table of that name in a fixture's JSON; throws when absent.
inline const Json& fixtureTable(const Json& document, const std::string& table) {
  for (const Json& t : document["tables"].items)
    if (t["name"].text == table) return t;
  throw std::runtime_error("no table " + table + " in " + document["file"].text);
}

// Columns of the table in ../shared/fixtures/<json>, in table order.
inline std::vector<FixtureColumn> fixtureColumns(const std::string& json, const std::string& table) {
  const Json document = fixtureJson(json);
  std::vector<FixtureColumn> columns;
  for (const Json& c : fixtureTable(document, table)["columns"].items)
    columns.push_back({c["name"].text, c["type"].text});
  return columns;
}

inline const FixtureColumn* findColumn(const std::vector<FixtureColumn>& columns,
                                       const std::string& name) {
  for (const FixtureColumn& c : columns)
    if (c.name == name) return &c;
  return nullptr;
}

}  // namespace qbm::test
