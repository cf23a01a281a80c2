#pragma once
// Reading the rows of one table: finding a row's bytes (following overflow pointers), splitting them
// into columns (null mask, fixed area, variable offset table; Jet 3's jump table) and decoding every
// column type into a Value.
//
// Row layout (from the end of the row backwards): null mask (one bit per column number, 1 = has a
// value; Yes/No values are the bit itself), the count of variable columns, the variable offset table
// (reversed; its last entry is the end of the variable data), and in Jet 3 a jump table that adds
// 256 to the one-byte offsets. The row starts with its column count, then the fixed area.

#include <cstdint>
#include <optional>
#include <vector>

#include "jet/file/bytes.h"
#include "jet/page/data_page.h"
#include "jet/file/page_file.h"
#include "jet/tdef/table_definition.h"
#include "jet/value.h"

namespace jet {

// A live row's bytes; the page they lie in is kept alive with them.
struct RowImage {
  PageRef page;
  ByteSpan bytes;
  RowLocation location;  // where the bytes are (differs from the row's own location for overflow rows)
};

// Where each column's bytes are in one row. Built once per row and then read column by column.
class RowColumns {
 public:
  RowColumns() = default;
  // Splits the row. Throws Error(Damaged) when the row's own counts or offsets do not fit in it.
  RowColumns(ByteSpan row, const format::Layout& layout, bool hasVariableColumns) {
    assign(row, layout, hasVariableColumns);
  }
  // Splits another row in place, reusing the room the last one took (a scan splits every row).
  // Same throws; after one the row reads as having no values.
  void assign(ByteSpan row, const format::Layout& layout, bool hasVariableColumns);

  std::uint16_t columnCount() const { return columnCount_; }
  // True when the row has a value for the column number (false also for numbers past the row's
  // column count, i.e. columns added after the row was written). For Yes/No columns: the value.
  bool hasValue(std::uint16_t columnNumber) const {
    return columnNumber < columnCount_ && ((nullMask_[columnNumber / 8] >> (columnNumber % 8)) & 1);
  }
  // The bytes of a fixed column at the given offset in the fixed area. (This and variableBytes are
  // inline: a scan asks them for every value.)
  ByteSpan fixedBytes(std::uint16_t offset, std::size_t length) const {
    const std::size_t start = fixedStart_ + offset;
    if (start > dataEnd_ || length > dataEnd_ - start) [[unlikely]] fixedColumnOutside();
    return row_.subspan(start, length);
  }
  // The bytes of variable column slot `index`, or nullopt when the row has no such slot.
  std::optional<ByteSpan> variableBytes(std::uint16_t index) const {
    if (index + 1u >= varOffsets_.size()) return std::nullopt;
    const std::uint16_t start = varOffsets_[index];
    const std::uint16_t end = varOffsets_[index + 1u];
    return row_.subspan(start, end - start);
  }

 private:
  [[noreturn]] static void fixedColumnOutside();
  void readJet4Offsets(std::size_t trailer);
  void readJet3Offsets(std::size_t trailer);

  ByteSpan row_;
  ByteSpan nullMask_;
  std::uint16_t columnCount_ = 0;
  std::size_t fixedStart_ = 0;
  std::size_t dataEnd_ = 0;               // where column data ends and the row's trailer begins
  std::vector<std::uint16_t> varOffsets_; // slot i: [varOffsets_[i], varOffsets_[i + 1])
};

class RowReader {
 public:
  RowReader(PageFile& file, const StoredTableDefinition& definition);

  // The row's bytes, following an overflow pointer; nullopt when the row is deleted or the page has
  // no such row. Throws Error(Damaged) when the page is not a data page of this table or a pointer
  // leads nowhere.
  std::optional<RowImage> fetch(RowLocation at);
  // Whether the row table entry is a live row of this table (no decoding).
  bool isLive(const Page& page, std::uint16_t row) const;

  // Every column of the row, in the order of definition().columns.
  void decodeAll(const RowImage& row, std::vector<Value>& out);
  // One column (index into definition().columns) of an already split row.
  Value decode(const RowColumns& columns, std::size_t columnIndex);
  RowColumns split(const RowImage& row) const;
  void split(const RowImage& row, RowColumns& into) const;  // the same into `into`, reusing its room
  // The UTF-8 text of a Text or Memo column's stored bytes (in the file's encoding).
  std::string decodeText(ByteSpan data) const;
  // The same into out (its old content replaced), reusing its room.
  void decodeText(ByteSpan data, std::string& out) const;

  const StoredTableDefinition& definition() const { return *definition_; }

 private:
  Value decodeFixed(const StoredColumn& column, ByteSpan data) const;
  Value decodeVariable(const StoredColumn& column, ByteSpan data);

  PageFile* file_;
  const StoredTableDefinition* definition_;
  const format::Layout* layout_;
  bool hasVariableColumns_;
};

// The bytes a value of the type takes in a row; 0 for the types whose column gives the length.
std::size_t fixedSizeOf(ColumnType type);

// The value of a Decimal column's 17 stored bytes (sign byte, then four 32-bit little-endian words, most
// significant word first). Throws Error(Damaged) when the magnitude needs more than 96 bits.
Decimal decodeDecimal(ByteSpan data, std::uint8_t precision, std::uint8_t scale);

}  // namespace jet
