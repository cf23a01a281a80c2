#pragma once
// The keys of one index of a table: which columns make the key, in which direction, and with which
// text collation; the key of a row (what its index entry must hold) and the key of a seek.

#include <cstddef>
#include <optional>
#include <vector>

#include "jet/file/database_header.h"
#include "jet/text/sort_key.h"
#include "jet/tdef/table_definition.h"

namespace jet {

class IndexKeyEncoder {
 public:
  // Throws Error(Damaged) when the index names a column the table does not have, or one that
  // cannot be indexed. An unsupported text sort order is reported only when a key is needed.
  IndexKeyEncoder(const StoredTableDefinition& table, const RealIndex& index,
                  const DatabaseHeader& header);

  const std::vector<KeyColumn>& columns() const { return columns_; }
  // For each key column, its position in the table's columns (StoredTableDefinition::columns).
  const std::vector<std::size_t>& positions() const { return positions_; }

  // The key of a row, from the values of all its columns (by position in the table's columns).
  // Throws Error(Unsupported) for a text column of a sort order other than General.
  Bytes rowKey(const std::vector<Value>& row) const;
  // Whether the row has an entry in this index: every row does, except that an index that ignores
  // Nulls leaves out rows whose key columns are all Null.
  bool hasEntry(const std::vector<Value>& row) const;

  // The key of a seek on the leading key columns, from the caller's values (converted with
  // keyValue()). Empty when a value cannot be held by its column, so no row can match.
  // REQUIRES: 1 <= values.size() <= columns().size().
  std::optional<Bytes> seekKey(const std::vector<Value>& values) const;

 private:
  Collation collation() const;

  std::vector<KeyColumn> columns_;
  std::vector<std::size_t> positions_;
  bool ignoreNulls_ = false;
  std::optional<Collation> collation_;
  std::uint32_t unsupportedSortOrder_ = 0;
};

}  // namespace jet
