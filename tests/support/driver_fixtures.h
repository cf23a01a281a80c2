#pragma once
// The shared driver databases (../shared/fixtures) for tests of the layers above the engine:
// copies in a scratch folder, opened on their side as the window opens them, and their rows as the
// independent reader's JSON gives them.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "db/database_state.h"
#include "db/open_database_file.h"
#include "tests/common/locales.h"
#include "tests/db/fixture_catalog.h"
#include "tests/support/fake_user_interface.h"
#include "tests/support/test_support.h"

namespace qbm::test {

// A row of a fixture table by column name.
using FixtureRow = std::map<std::string, Json>;

// The rows of a table in ../shared/fixtures/<json>, in the JSON's order.
inline std::vector<FixtureRow> fixtureRows(const std::string& json, const std::string& table) {
  const Json document = fixtureJson(json);
  const Json& t = fixtureTable(document, table);
  std::vector<std::string> columns;
  for (const Json& c : t["columns"].items) columns.push_back(c["name"].text);
  std::vector<FixtureRow> rows;
  for (const Json& r : t["rows"].items) {
    FixtureRow row;
    for (std::size_t i = 0; i < columns.size(); ++i) row[columns[i]] = r[i];
    rows.push_back(std::move(row));
  }
  return rows;
}

// A JSON number as a double (0 for null); a JSON boolean as 1 or 0.
inline double number(const Json& value) {
  if (value.kind == Json::Kind::Bool) return value.boolean ? 1 : 0;
  return value.isNull() ? 0 : std::stod(value.text);
}
inline long integer(const Json& value) { return static_cast<long>(number(value)); }

// Copies of fixtures in one scratch folder, opened through OpenDatabaseFile.
class FixtureSides {
 public:
  ScratchDir dir;
  FakeUserInterface ui;
  DatabaseState state;

  // Copies the fixture under the given name (its own by default) and returns the copy's path.
  // Straight to that name: a copy of the fixture under its own name may be open on the other side
  // (Windows replaces no open file).
  std::string copy(const std::string& fixture, const std::string& as = "") {
    return copyShared("fixtures/" + fixture, dir.path(), as).string();
  }

  // Opens a copy of the fixture on the side; true when it opened.
  bool open(Side side, const std::string& fixture, const std::string& as = "") {
    ui.files.push_back(copy(fixture, as));
    OpenDatabaseFile(side, ui, state, pointLocale());
    return side == Side::Old ? state.Old.DbOpen : state.New.DbOpen;
  }
};

}  // namespace qbm::test
