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

RowAppender::RowAppender(jet::Table table, std::string_view keyField, std::string_view keyIndex)
    : table_(std::move(table)), keyColumn_(table_.columnIndex(keyField)) {
  table_.setIndex(keyIndex);
}

int RowAppender::column(const std::string& field) {
  auto at = columns_.find(field);
  if (at == columns_.end()) at = columns_.emplace(field, table_.columnIndex(field)).first;
  return at->second;
}

std::int32_t RowAppender::add(const RowValues& row) {
  table_.addNew();
  try {
    for (const auto& [field, value] : row.values()) {
      const int c = column(field);
      if (c < 0) table_.set(field, value);  // the cursor's own error names the field
      table_.set(c, value);
    }
    table_.update();
  } catch (...) {
    if (table_.editing()) table_.cancelUpdate();
    throw;
  }
  return static_cast<std::int32_t>(table_.get(keyColumn_).toDouble());
}

}  // namespace qbm::samples
