#pragma once
// The columns of a table as the fixtures' JSON (what an independent reader sees in the driver
// databases) lists them, read with a few string searches: the JSON's shape is fixed and plain.

#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/test_support.h"

namespace qbm::test {

struct FixtureColumn {
  std::string name;
  std::string type;  // "LONG", "TEXT", "DOUBLE", "FLOAT", "BOOLEAN", ...
};

// Columns of `table` in ../shared/fixtures/<json>, in table order; empty when not found.
inline std::vector<FixtureColumn> fixtureColumns(const std::string& json, const std::string& table) {
  std::ifstream in(sharedDir() / "fixtures" / json);
  std::stringstream buffer;
  buffer << in.rdbuf();
  const std::string text = buffer.str();
  std::vector<FixtureColumn> columns;
  const std::string start = "{\"name\": \"" + table + "\", \"columns\": [";
  size_t at = text.find(start);
  if (at == std::string::npos) return columns;
  at += start.size();
  const size_t end = text.find(']', at);
  const std::string nameKey = "{\"name\": \"", typeKey = "\"type\": \"";
  while (true) {
    const size_t name = text.find(nameKey, at);
    if (name == std::string::npos || name > end) break;
    const size_t nameEnd = text.find('"', name + nameKey.size());
    const size_t type = text.find(typeKey, nameEnd) + typeKey.size();
    const size_t typeEnd = text.find('"', type);
    columns.push_back({text.substr(name + nameKey.size(), nameEnd - name - nameKey.size()),
                       text.substr(type, typeEnd - type)});
    at = typeEnd;
  }
  return columns;
}

inline const FixtureColumn* findColumn(const std::vector<FixtureColumn>& columns,
                                       const std::string& name) {
  for (const FixtureColumn& c : columns)
    if (c.name == name) return &c;
  return nullptr;
}

}  // namespace qbm::test
