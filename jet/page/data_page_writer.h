#pragma once
// Changing the rows of a data page (table rows, LVAL rows, usage-map rows): adding a row at the end
// of the row table, replacing a row's bytes, deleting a row. Rows lie from the end of the page
// towards the row table in row-number order; the free-space count in the header is kept equal to
// the gap between the row table and the lowest row.
//
// Rows keep their numbers (index entries and bookmarks name rows by page and number). Deleting a
// row gives its bytes back and flags it as Access does (deleted and overflow bits both set: some
// readers look at one, some at the other); other rows flagged deleted keep their bytes, since the
// target of an overflow pointer carries the deleted bit alone.

#include <cstdint>
#include <vector>

#include "jet/file/bytes.h"
#include "jet/file/format.h"
#include "jet/file/page_file.h"

namespace jet {

// Free bytes of a data page (the gap between the row table and the rows), as the page says.
std::size_t dataPageFreeSpace(const Page& page, const format::Layout& layout);
// Whether a new row of `size` bytes fits on the page (with its row table entry, within the
// 255 rows a page may have).
bool rowFits(const Page& page, const format::Layout& layout, std::size_t size);

// Adds a row with the given flags (format::row_entry) and returns its number.
// REQUIRES: the row fits (Error(InvalidState) otherwise).
std::uint16_t addRow(std::vector<std::uint8_t>& page, const format::Layout& layout, ByteSpan row,
                     std::uint16_t flags = 0);
// Whether row `row` can take `size` bytes in place of its own.
bool replacementFits(ByteSpan page, const format::Layout& layout, std::uint16_t row, std::size_t size);
// Replaces a row's bytes and flags. REQUIRES: replacementFits (Error(InvalidState) otherwise).
void replaceRow(std::vector<std::uint8_t>& page, const format::Layout& layout, std::uint16_t row, ByteSpan bytes,
                std::uint16_t flags);
// Marks the row deleted and frees its bytes.
void deleteRow(std::vector<std::uint8_t>& page, const format::Layout& layout, std::uint16_t row);
// Live rows (not flagged deleted) on the page.
std::size_t liveRowCount(ByteSpan page, const format::Layout& layout);

// LVAL pages. Their rows are only ever reached through pointers, and some readers take a row's
// end from the previous entry of the row table without removing its flags; so a freed LVAL row is
// left as an empty, unflagged entry (trailing ones are dropped from the table), and such entries
// are taken again by later rows.
void releaseLongValueRow(std::vector<std::uint8_t>& page, const format::Layout& layout, std::uint16_t row);
// Adds an LVAL row, in an empty entry when there is one. REQUIRES: longValueRowFits.
std::uint16_t addLongValueRow(std::vector<std::uint8_t>& page, const format::Layout& layout, ByteSpan row);
bool longValueRowFits(const Page& page, const format::Layout& layout, std::size_t size);
// LVAL rows that hold bytes.
std::size_t usedLongValueRows(ByteSpan page, const format::Layout& layout);

}  // namespace jet
