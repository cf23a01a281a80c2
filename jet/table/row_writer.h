#pragma once
// Building the bytes of one row of a table (the inverse of RowColumns): the column count, the fixed
// area, the variable data, the variable offset table (Jet 3: one-byte offsets with the jump table
// that adds 256 to them), and the null mask (one bit per column number; the value itself for Yes/No
// columns).
//
// Rows carry the table's highest column count (deleted columns included) and an offset entry for
// every variable slot, so readers find each column where the definition says it is.

#include <cstdint>
#include <string>
#include <vector>

#include "jet/file/format.h"
#include "jet/tdef/table_definition.h"
#include "jet/value.h"

namespace jet {

// One column of a row to be written: whether it has a value (for Yes/No columns: the value) and
// the bytes stored for it (fixed columns: exactly their size; long values: the 12-byte field and
// any inline data).
struct ColumnBytes {
  bool present = false;
  Bytes bytes;
};

// Bytes a fixed column takes in the row's fixed area (0 for Yes/No).
std::size_t fixedColumnSize(const StoredColumn& column);

// format::maxRowSize is the longest row the encoder takes.

// The row of the table with these columns (by position in definition.columns). Throws
// Error(ValueRejected) naming the table when the row is longer than maxRowSize.
Bytes encodeRow(const StoredTableDefinition& definition, const format::Layout& layout,
                const std::vector<ColumnBytes>& columns);

// The stored bytes of a value of a column that is not a long value (Memo, OLE), converted for the
// column already (value_conversion.h). Null gives an absent column; Yes/No gives no bytes.
ColumnBytes encodeColumn(const StoredColumn& column, const Value& value, Format version,
                         std::uint16_t codePage);
// The same into out, reusing its buffer.
void encodeColumnInto(const StoredColumn& column, const Value& value, Format version, std::uint16_t codePage,
                      ColumnBytes& out);

// The size encodeRow would give the row, without building it.
std::size_t encodedRowSize(const StoredTableDefinition& definition, const format::Layout& layout,
                           const std::vector<ColumnBytes>& columns);

// Text as a column stores it: Jet 3 in the code page; Jet 4 as UCS-2, or in the compressed form
// (0xFF 0xFE, runs of one-byte characters and of two-byte characters, a 0x00 byte switching
// between them) when compress is set and that form is shorter.
// REQUIRES (Jet 3): the text's characters are in the code page (value_conversion checks it).
Bytes encodeText(const std::string& utf8, Format version, std::uint16_t codePage, bool compress);
// The same into out, reusing its buffer.
void encodeTextInto(const std::string& utf8, Format version, std::uint16_t codePage, bool compress, Bytes& out);

// The longest text (in characters) that a long value (Memo) is stored compressed for.
inline constexpr std::size_t kMaxCompressedMemoCharacters = 1024;

}  // namespace jet
