#include "merge/response_index.h"

#include <cmath>

#include "db/schema.h"
#include "jet/error.h"

namespace qbm {
namespace {

// The driver ID a stored "Driver ID" equals exactly, as a seek with a 32-bit integer compares it;
// nothing for Null, fractions and values beyond 32 bits.
std::optional<std::int32_t> exactId(const jet::Value& v) {
  if (v.isNull() || !v.isNumeric() || v.is<bool>()) return std::nullopt;
  const double d = v.toDouble();
  if (d != std::floor(d) || d < -2147483648.0 || d > 2147483647.0) return std::nullopt;
  return static_cast<std::int32_t>(d);
}

}  // namespace

ResponseIndex::ResponseIndex(jet::Database& db, std::string_view tableName) {
  jet::Table table = db.table(tableName);
  table.setIndex(indexes::DriverID);  // Error(MissingIndex) as the seek would give it
  table.setIndex("");
  const int column = table.columnIndex(fields::DriverID);
  if (column < 0) return;
  for (table.moveFirst(); !table.eof(); table.moveNext())
    if (const std::optional<std::int32_t> id = exactId(table.get(column))) rows_[*id].insert(table.bookmark());
}

std::optional<jet::Bookmark> ResponseIndex::find(std::int32_t driverId) const {
  auto it = rows_.find(driverId);
  if (it == rows_.end() || it->second.empty()) return std::nullopt;
  return *it->second.begin();
}

void ResponseIndex::added(std::int32_t driverId, const jet::Bookmark& row) { rows_[driverId].insert(row); }

void ResponseIndex::removed(std::int32_t driverId, const jet::Bookmark& row) {
  auto it = rows_.find(driverId);
  if (it == rows_.end()) return;
  it->second.erase(row);
  if (it->second.empty()) rows_.erase(it);
}

}  // namespace qbm
