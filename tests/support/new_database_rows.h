#pragma once
// Reading back what a merge wrote: driver rows with their IDs, response rows and company names,
// through the engine's cursors.

#include <optional>
#include <string>
#include <vector>

#include "db/driver_row.h"
#include "db/field_read.h"
#include "db/schema.h"
#include "jet/table.h"

namespace qbm::test {

// A row of a woofers or tweeters table.
struct NewRow {
  std::int32_t id = 0;
  std::int32_t companyId = 0;
  bool userEntry = false;
  jet::Value partner, mid;  // "Tweeter ID" / "Woofer ID" and "Mid ID" as stored
  WorkingDriver driver;     // the driver members (ReadDriverRow)
};

// Every row of the table, in physical order.
inline std::vector<NewRow> readRows(jet::Table& table, DriverTable kind) {
  table.setIndex("");
  std::vector<NewRow> out;
  for (table.moveFirst(); !table.eof(); table.moveNext()) {
    NewRow r;
    r.id = readLong(fieldValue(table, fields::ID));
    r.companyId = readLong(fieldValue(table, fields::CompanyID));
    r.userEntry = readYesNo(fieldValue(table, fields::UserEntry)) != 0;
    r.partner = fieldValue(table, kind == DriverTable::Woofers ? fields::TweeterID : fields::WooferID);
    r.mid = fieldValue(table, fields::MidID);
    ReadDriverRow(table, kind, r.driver);
    out.push_back(std::move(r));
  }
  return out;
}

// The row of that ID, or nothing.
inline std::optional<NewRow> readRow(jet::Table& table, DriverTable kind, std::int32_t id) {
  for (NewRow& r : readRows(table, kind))
    if (r.id == id) return std::move(r);
  return std::nullopt;
}

// The levels of the response row of the driver, or nothing when it has none.
inline std::optional<std::vector<float>> readResponse(jet::Table& responses, std::int32_t driverId) {
  responses.setIndex(indexes::DriverID);
  if (!responses.seek(jet::Value{driverId})) return std::nullopt;
  std::vector<float> levels;
  for (int i = 0; i < ResponseCount; ++i)
    levels.push_back(readResponseLevel(fieldValue(responses, ResponseField(i))));
  return levels;
}

// The number of rows of a table.
inline long countRows(jet::Table& table) {
  table.setIndex("");
  long n = 0;
  for (table.moveFirst(); !table.eof(); table.moveNext()) ++n;
  return n;
}

// The name of the company of that ID, or nothing when there is no such row.
inline std::optional<std::string> readCompanyName(jet::Table& companies, std::int32_t id) {
  companies.setIndex(indexes::ID);
  if (!companies.seek(jet::Value{id})) return std::nullopt;
  return readText(fieldValue(companies, fields::Company));
}

}  // namespace qbm::test
