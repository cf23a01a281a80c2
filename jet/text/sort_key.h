#pragma once
// Index keys: the bytes Access stores in index entries for column values. Entries of an index are
// ordered by plain byte comparison of these keys, so encoding a value and comparing bytes is how the
// engine seeks, and writing exactly these bytes is what keeps files readable by Access.
//
// A key is the concatenation of one part per index column. Each part is self-delimiting (no part is
// a proper prefix of another part of the same column), so the key of the leading columns of an
// index is a byte prefix of the full keys of the rows that match them.

#include <cstdint>
#include <optional>
#include <vector>

#include "jet/file/format.h"
#include "jet/value.h"

namespace jet {

// The text sort order of an index. Both are Access's "General" order, which compares text without
// regard to letter case (upper and lower case letters get the same key bytes).
enum class Collation : std::uint8_t {
  General97,    // Access 97 (Jet 3 files)
  General2000,  // Access 2000-2003 (Jet 4 files); called "General - Legacy" by later versions
};

// The sort-order id that Access writes for "General" (the US English locale id).
inline constexpr std::uint32_t kGeneralSortOrder = 1033;

// The collation of text keys in a file: General97 for Jet 3, General2000 for Jet 4.
// sortOrder is the sort-order id of the file or of the text column; 0 (not stated) counts as
// General. Throws Error(Unsupported) for any other sort order.
Collation collationFor(Format version, std::uint32_t sortOrder);

// Whether a column of this type can be part of an index (every type but OLE).
bool isIndexable(ColumnType type);

// Appends the key part of one column value to out.
// REQUIRES: value is Null or of the column type's own kind: Boolean bool, Byte uint8_t, Integer
//   int16_t, Long int32_t, Currency Currency, Single float, Double double, DateTime DateTime,
//   Text/Memo std::string (UTF-8), Binary Bytes, Guid Guid (the 16 bytes as stored in a row),
//   Decimal Decimal (at the column's scale). keyValue() converts other values.
// Boolean columns are never Null; a Null Boolean is encoded as false.
// Throws Error(ValueRejected) for a value of another kind, Error(Unsupported) for OLE.
void appendSortKey(Bytes& out, ColumnType type, const Value& value, bool descending,
                   Collation collation);

// The key part of one column value (see appendSortKey).
Bytes sortKey(ColumnType type, const Value& value, bool descending, Collation collation);
// The same for a file of the given version and sort order: the bytes Access writes for the value.
Bytes sortKey(ColumnType type, const Value& value, bool descending, Format version,
              std::uint32_t sortOrder);

struct KeyColumn {
  ColumnType type = ColumnType::Text;
  bool descending = false;
};

// The key of an index entry: the parts of values[i] for columns[i], in order. With fewer values
// than columns, the key of the leading columns (for seeks).
// REQUIRES: values.size() <= columns.size().
Bytes indexKey(const std::vector<KeyColumn>& columns, const std::vector<Value>& values,
               Collation collation);

// The value converted to the kind a column of this type holds, for seeking with a caller's value:
// integers, floats, bools and Currency convert among the numeric types when the value is exactly
// representable; text that is a plain decimal number converts to numbers the same way; integers
// convert to text in decimal; Null stays Null. Empty when the value cannot be held by the column
// (so no row can have it).
std::optional<Value> keyValue(ColumnType type, const Value& value);

}  // namespace jet
