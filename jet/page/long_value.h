#pragma once
// Long values (Memo and OLE columns). A row holds a 12-byte field: the length with two flag bits,
// and a pointer to an LVAL row. The data is either inline after the field, one LVAL row, or a chain
// of LVAL rows each starting with a pointer to the next.

#include <cstdint>

#include "jet/file/bytes.h"
#include "jet/value.h"

namespace jet {

class PageFile;

enum class LongValueForm { Inline, SinglePage, Chain };

struct LongValueField {
  std::uint32_t length = 0;
  LongValueForm form = LongValueForm::Inline;
  std::uint32_t firstRow = 0;  // row pointer of the first LVAL row (SinglePage, Chain)
};

// Parses the field at the start of a row's column bytes. Throws Error(Damaged) when it is shorter
// than 12 bytes.
LongValueField parseLongValueField(ByteSpan column);

// The value's bytes. Inline data must lie within `column`; LVAL rows are followed through the file
// with every row checked, the chain bounded (no row twice) and the total bounded by the stated
// length, which itself may not exceed the file's size. Throws Error(Damaged) otherwise.
Bytes readLongValue(PageFile& file, ByteSpan column);

}  // namespace jet
