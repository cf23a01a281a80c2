#pragma once
// Data pages: the row table at the top of the page and the rows it points to, stored from the end of
// the page towards the top. Also used for LVAL pages (long values) and the rows holding usage maps.

#include <cstdint>

#include "jet/file/bytes.h"
#include "jet/file/format.h"
#include "jet/file/page_file.h"

namespace jet {

// A row by its page and its number on that page; the engine's row identity and the bookmark.
struct RowLocation {
  std::uint32_t page = 0;
  std::uint16_t row = 0;
  friend bool operator==(const RowLocation&, const RowLocation&) = default;
  friend auto operator<=>(const RowLocation&, const RowLocation&) = default;
};

inline RowLocation rowLocationFromPointer(std::uint32_t pointer) {
  return {format::rowPointerPage(pointer), format::rowPointerRow(pointer)};
}

// One entry of a data page's row table.
struct RowSlot {
  std::uint16_t start = 0;  // first byte of the row in the page
  std::uint16_t end = 0;    // one past its last byte
  bool deleted = false;
  bool overflow = false;    // the row holds only a pointer to where the row really is
};

// Rows in the page's row table. Throws Error(Damaged) when the table does not fit in the page.
std::uint16_t dataRowCount(const Page& page, const format::Layout& layout);
// The row table entry of row `row` (< dataRowCount). Throws Error(Damaged) when a live row's bounds
// lie outside the page or overlap the row table. Deleted rows are not checked further.
RowSlot dataRowSlot(const Page& page, const format::Layout& layout, std::uint16_t row);
// The same for the target of an overflow pointer: such rows carry the deleted flag (so that scans
// skip them) but are live; they are checked like live rows and returned with deleted = false.
RowSlot overflowTargetSlot(const Page& page, const format::Layout& layout, std::uint16_t row);
// The bytes of a slot (deleted rows give an empty span).
ByteSpan slotBytes(const Page& page, const RowSlot& slot);

// The first TDEF page of the table a data page belongs to (or the bytes "LVAL" read as a number).
std::uint32_t dataPageOwner(const Page& page, const format::Layout& layout);
bool isLongValuePage(const Page& page, const format::Layout& layout);

}  // namespace jet
