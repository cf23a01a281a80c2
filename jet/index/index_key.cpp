#include "jet/index/index_key.h"

#include <string>

#include "jet/error.h"

namespace jet {

IndexKeyEncoder::IndexKeyEncoder(const StoredTableDefinition& table, const RealIndex& index,
                                 const DatabaseHeader& header)
    : ignoreNulls_(index.ignoreNulls()) {
  std::uint32_t textSortOrder = 0;
  for (const IndexKeyColumn& k : index.columns) {
    std::size_t pos = 0;
    while (pos < table.columns.size() && table.columns[pos].number != k.columnNumber) ++pos;
    if (pos == table.columns.size())
      throwDamaged("an index of table " + table.name + " names column number " +
                   std::to_string(k.columnNumber) + ", which the table does not have");
    const StoredColumn& column = table.columns[pos];
    if (!isIndexable(column.type))
      throwDamaged("an index of table " + table.name + " is on column " + column.name +
                   ", whose type cannot be indexed");
    columns_.push_back({column.type, k.descending});
    positions_.push_back(pos);
    if (column.isText() && textSortOrder == 0) textSortOrder = column.sortOrder;
  }
  if (textSortOrder == 0) textSortOrder = header.sortOrder;
  try {
    collation_ = collationFor(header.version, textSortOrder);
  } catch (const Error&) {
    unsupportedSortOrder_ = textSortOrder;
    // Without text columns the collation never matters.
    bool hasText = false;
    for (const KeyColumn& c : columns_)
      hasText = hasText || c.type == ColumnType::Text || c.type == ColumnType::Memo;
    if (!hasText)
      collation_ = header.version == Format::Jet4 ? Collation::General2000 : Collation::General97;
  }
}

Collation IndexKeyEncoder::collation() const {
  if (!collation_) collationFor(Format::Jet4, unsupportedSortOrder_);  // throws Unsupported
  return *collation_;
}

Bytes IndexKeyEncoder::rowKey(const std::vector<Value>& row) const {
  Bytes out;
  Collation c = collation();
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (positions_[i] >= row.size())
      throw Error(ErrorCode::InvalidState, "index key: the row has fewer values than the table has columns");
    appendSortKey(out, columns_[i].type, row[positions_[i]], columns_[i].descending, c);
  }
  return out;
}

bool IndexKeyEncoder::hasEntry(const std::vector<Value>& row) const {
  if (!ignoreNulls_) return true;
  for (std::size_t pos : positions_)
    if (pos < row.size() && !row[pos].isNull()) return true;
  return false;
}

std::optional<Bytes> IndexKeyEncoder::seekKey(const std::vector<Value>& values) const {
  if (values.empty() || values.size() > columns_.size())
    throw Error(ErrorCode::InvalidState, "seek: " + std::to_string(values.size()) +
                                             " values for an index of " +
                                             std::to_string(columns_.size()) + " columns");
  Bytes out;
  Collation c = collation();
  for (std::size_t i = 0; i < values.size(); ++i) {
    std::optional<Value> v = keyValue(columns_[i].type, values[i]);
    if (!v) return std::nullopt;
    appendSortKey(out, columns_[i].type, *v, columns_[i].descending, c);
  }
  return out;
}

}  // namespace jet
