#pragma once
// The field values of one row to be written, by field name, and the write itself. Used to build
// driver databases for samples and for tests that need particular rows (Nulls included).

#include <initializer_list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "jet/table.h"
#include "jet/value.h"

namespace qbm::samples {

// Field name → value, in the order first set. A field not named stays Null when the row is added
// (a yes/no field false); jet::Null{} names a Null explicitly.
class RowValues {
 public:
  RowValues() = default;
  RowValues(std::initializer_list<std::pair<std::string_view, jet::Value>> values);

  // Sets a field, replacing an earlier value of the same name (names compared exactly).
  RowValues& set(std::string_view field, jet::Value value);
  // Appends a field without looking for an earlier value of the same name, for callers that build
  // rows of many fields. REQUIRES: the field is not set yet.
  RowValues& add(std::string_view field, jet::Value value) {
    values_.emplace_back(std::string(field), std::move(value));
    return *this;
  }
  // Removes a field (it is then left Null); nothing when it is not there.
  RowValues& erase(std::string_view field);
  // The value set for a field, or nullptr.
  const jet::Value* find(std::string_view field) const;

  const std::vector<std::pair<std::string, jet::Value>>& values() const { return values_; }
  bool empty() const { return values_.empty(); }

 private:
  std::vector<std::pair<std::string, jet::Value>> values_;
};

// Adds the row to the table (addNew, set, update) and returns the value of its `keyField` as
// saved (the autonumber the table gave it, or the one the row brought). Throws jet::Error as the
// cursor does: a field the table lacks, a value the column refuses, a duplicate key; the row is
// then not added.
std::int32_t addRow(jet::Table& table, const RowValues& row, std::string_view keyField);

// Adds many rows to one table, each costing the same however large the table grows: each field's
// column is looked up once, and the cursor follows an index (so that finding the saved row again
// does not walk the table's pages).
class RowAppender {
 public:
  // keyIndex: an index of the table whose first column is keyField. Throws jet::Error
  // (MissingIndex) when the table has no such index.
  RowAppender(jet::Table table, std::string_view keyField, std::string_view keyIndex);
  // As addRow.
  std::int32_t add(const RowValues& row);

 private:
  int column(const std::string& field);
  jet::Table table_;
  int keyColumn_;
  std::unordered_map<std::string, int> columns_;
};

}  // namespace qbm::samples
