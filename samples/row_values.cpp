#include "samples/row_values.h"

#include <algorithm>

namespace qbm::samples {

RowValues::RowValues(std::initializer_list<std::pair<std::string_view, jet::Value>> values) {
  for (const auto& [field, value] : values) set(field, value);
}

RowValues& RowValues::set(std::string_view field, jet::Value value) {
  auto at = std::find_if(values_.begin(), values_.end(), [&](const auto& v) { return v.first == field; });
  if (at != values_.end())
    at->second = std::move(value);
  else
    values_.emplace_back(std::string(field), std::move(value));
  return *this;
}

RowValues& RowValues::erase(std::string_view field) {
  std::erase_if(values_, [&](const auto& v) { return v.first == field; });
  return *this;
}

const jet::Value* RowValues::find(std::string_view field) const {
  auto at = std::find_if(values_.begin(), values_.end(), [&](const auto& v) { return v.first == field; });
  return at == values_.end() ? nullptr : &at->second;
}

std::int32_t addRow(jet::Table& table, const RowValues& row, std::string_view keyField) {
  table.addNew();
  try {
    for (const auto& [field, value] : row.values()) table.set(field, value);
    table.update();
  } catch (...) {
    if (table.editing()) table.cancelUpdate();
    throw;
  }
  return static_cast<std::int32_t>(table.get(keyField).toDouble());
}

}  // namespace qbm::samples
