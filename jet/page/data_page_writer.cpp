#include "jet/page/data_page_writer.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

#include "jet/error.h"

namespace jet {

namespace {

namespace re = format::row_entry;

struct StoredRow {
  std::uint16_t flags = 0;
  std::vector<std::uint8_t> bytes;
};

std::uint16_t rowCountOf(ByteSpan page, const format::Layout& layout) {
  return bytes::u16(page, layout.dataRowCountOffset);
}

std::size_t tableEnd(const format::Layout& layout, std::size_t rows) { return layout.dataRowTableOffset + 2 * rows; }

// Every row of the page with its flags and bytes (a zero-length range reads as empty).
std::vector<StoredRow> readRows(ByteSpan page, const format::Layout& layout) {
  std::uint16_t count = rowCountOf(page, layout);
  std::vector<StoredRow> rows(count);
  std::size_t end = page.size();
  for (std::uint16_t r = 0; r < count; ++r) {
    std::uint16_t raw = bytes::u16(page, layout.dataRowTableOffset + 2u * r);
    std::size_t start = raw & re::kOffsetMask;
    rows[r].flags = raw & (re::kDeleted | re::kOverflow);
    if (start < tableEnd(layout, count) || start > end) continue;  // no bytes of its own
    rows[r].bytes.assign(page.begin() + start, page.begin() + end);
    end = start;
  }
  return rows;
}

std::size_t bytesOf(const std::vector<StoredRow>& rows) {
  std::size_t total = 0;
  for (const StoredRow& r : rows) total += r.bytes.size();
  return total;
}

// Lays the rows out again from the end of the page, row 0 last, and sets the counts.
void writeRows(std::vector<std::uint8_t>& page, const format::Layout& layout, const std::vector<StoredRow>& rows) {
  std::size_t end = page.size();
  std::size_t table = tableEnd(layout, rows.size());
  if (table + bytesOf(rows) > page.size()) throw Error(ErrorCode::InvalidState, "the rows do not fit in their page");
  for (std::size_t r = 0; r < rows.size(); ++r) {
    std::size_t start = end - rows[r].bytes.size();
    if (!rows[r].bytes.empty()) std::memcpy(page.data() + start, rows[r].bytes.data(), rows[r].bytes.size());
    bytes::put16(page, layout.dataRowTableOffset + 2 * r, static_cast<std::uint16_t>(start | rows[r].flags));
    end = start;
  }
  std::fill(page.begin() + static_cast<std::ptrdiff_t>(table), page.begin() + static_cast<std::ptrdiff_t>(end), 0);
  bytes::put16(page, layout.dataRowCountOffset, static_cast<std::uint16_t>(rows.size()));
  bytes::put16(page, layout.dataFreeSpaceOffset, static_cast<std::uint16_t>(end - table));
}

// The lowest row start on the page (where free space ends).
std::size_t lowestRowStart(ByteSpan page, const format::Layout& layout) {
  std::uint16_t count = rowCountOf(page, layout);
  std::size_t lowest = page.size();
  for (std::uint16_t r = 0; r < count; ++r) {
    std::size_t start = bytes::u16(page, layout.dataRowTableOffset + 2u * r) & re::kOffsetMask;
    if (start >= tableEnd(layout, count)) lowest = std::min(lowest, start);
  }
  return lowest;
}

}  // namespace

std::size_t dataPageFreeSpace(const Page& page, const format::Layout& layout) {
  ByteSpan b = page.bytes();
  std::size_t lowest = lowestRowStart(b, layout);
  std::size_t table = tableEnd(layout, rowCountOf(b, layout));
  return lowest > table ? lowest - table : 0;
}

bool rowFits(const Page& page, const format::Layout& layout, std::size_t size) {
  return rowCountOf(page.bytes(), layout) < format::kMaxRowsPerPage && dataPageFreeSpace(page, layout) >= size + 2;
}

std::uint16_t addRow(std::vector<std::uint8_t>& page, const format::Layout& layout, ByteSpan row, std::uint16_t flags) {
  std::uint16_t count = rowCountOf(page, layout);
  std::size_t lowest = lowestRowStart(page, layout);
  std::size_t table = tableEnd(layout, count + 1u);
  if (count >= format::kMaxRowsPerPage || lowest < table + row.size())
    throw Error(ErrorCode::InvalidState, "a row does not fit in its page");
  std::size_t start = lowest - row.size();
  if (!row.empty()) std::memcpy(page.data() + start, row.data(), row.size());
  bytes::put16(page, layout.dataRowTableOffset + 2u * count, static_cast<std::uint16_t>(start | flags));
  bytes::put16(page, layout.dataRowCountOffset, static_cast<std::uint16_t>(count + 1));
  bytes::put16(page, layout.dataFreeSpaceOffset, static_cast<std::uint16_t>(start - table));
  return count;
}

bool replacementFits(ByteSpan page, const format::Layout& layout, std::uint16_t row, std::size_t size) {
  std::vector<StoredRow> rows = readRows(page, layout);
  if (row >= rows.size()) return false;
  std::size_t total = bytesOf(rows) - rows[row].bytes.size() + size;
  return tableEnd(layout, rows.size()) + total <= page.size();
}

void replaceRow(std::vector<std::uint8_t>& page, const format::Layout& layout, std::uint16_t row, ByteSpan bytes,
                std::uint16_t flags) {
  std::vector<StoredRow> rows = readRows(page, layout);
  if (row >= rows.size()) throw Error(ErrorCode::InvalidState, "a replacement of a row the page does not have");
  rows[row].bytes.assign(bytes.begin(), bytes.end());
  rows[row].flags = flags & (re::kDeleted | re::kOverflow);
  writeRows(page, layout, rows);
}

void deleteRow(std::vector<std::uint8_t>& page, const format::Layout& layout, std::uint16_t row) {
  std::vector<StoredRow> rows = readRows(page, layout);
  if (row >= rows.size()) throw Error(ErrorCode::InvalidState, "a deletion of a row the page does not have");
  rows[row].bytes.clear();
  rows[row].flags = re::kDeleted | re::kOverflow;  // as Access marks deleted rows (readers skip either bit)
  writeRows(page, layout, rows);
}

std::size_t liveRowCount(ByteSpan page, const format::Layout& layout) {
  std::uint16_t count = rowCountOf(page, layout);
  std::size_t live = 0;
  for (std::uint16_t r = 0; r < count; ++r)
    if (!(bytes::u16(page, layout.dataRowTableOffset + 2u * r) & re::kDeleted)) ++live;
  return live;
}

namespace {

std::optional<std::uint16_t> emptyEntry(const std::vector<StoredRow>& rows) {
  for (std::size_t r = 0; r < rows.size(); ++r)
    if (rows[r].bytes.empty() && rows[r].flags == 0) return static_cast<std::uint16_t>(r);
  return std::nullopt;
}

}  // namespace

void releaseLongValueRow(std::vector<std::uint8_t>& page, const format::Layout& layout, std::uint16_t row) {
  std::vector<StoredRow> rows = readRows(page, layout);
  if (row >= rows.size()) throw Error(ErrorCode::InvalidState, "a release of a row the page does not have");
  rows[row].bytes.clear();
  rows[row].flags = 0;
  while (!rows.empty() && rows.back().bytes.empty() && rows.back().flags == 0) rows.pop_back();
  writeRows(page, layout, rows);
}

bool longValueRowFits(const Page& page, const format::Layout& layout, std::size_t size) {
  std::vector<StoredRow> rows = readRows(page.bytes(), layout);
  std::size_t entries = rows.size() + (emptyEntry(rows) ? 0 : 1);
  return entries <= format::kMaxRowsPerPage && tableEnd(layout, entries) + bytesOf(rows) + size <= page.bytes().size();
}

std::uint16_t addLongValueRow(std::vector<std::uint8_t>& page, const format::Layout& layout, ByteSpan row) {
  std::vector<StoredRow> rows = readRows(page, layout);
  std::optional<std::uint16_t> slot = emptyEntry(rows);
  if (!slot) return addRow(page, layout, row);
  rows[*slot].bytes.assign(row.begin(), row.end());
  writeRows(page, layout, rows);
  return *slot;
}

std::size_t usedLongValueRows(ByteSpan page, const format::Layout& layout) {
  std::size_t used = 0;
  for (const StoredRow& r : readRows(page, layout))
    if (!r.bytes.empty() && !(r.flags & re::kDeleted)) ++used;
  return used;
}

}  // namespace jet
