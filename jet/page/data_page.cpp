#include "jet/page/data_page.h"

#include <cstring>
#include <string>

#include "jet/error.h"

namespace jet {

std::uint16_t dataRowCount(const Page& page, const format::Layout& layout) {
  std::uint16_t count = bytes::u16(page.bytes(), layout.dataRowCountOffset);
  if (layout.dataRowTableOffset + 2u * count > page.bytes().size())
    throw Error(ErrorCode::Damaged, "the row table of page " + std::to_string(page.number()) +
                                        " does not fit in the page");
  return count;
}

namespace {

RowSlot readSlot(const Page& page, const format::Layout& layout, std::uint16_t row, bool overflowTarget) {
  ByteSpan b = page.bytes();
  std::uint16_t raw = bytes::u16(b, layout.dataRowTableOffset + 2u * row);
  RowSlot slot;
  slot.deleted = (raw & format::row_entry::kDeleted) != 0;
  slot.overflow = (raw & format::row_entry::kOverflow) != 0;
  slot.start = raw & format::row_entry::kOffsetMask;
  slot.end = row == 0 ? static_cast<std::uint16_t>(b.size())
                      : bytes::u16(b, layout.dataRowTableOffset + 2u * (row - 1)) & format::row_entry::kOffsetMask;
  if (overflowTarget) slot.deleted = false;
  if (slot.deleted) return slot;
  std::size_t tableEnd = layout.dataRowTableOffset + 2u * bytes::u16(b, layout.dataRowCountOffset);
  if (slot.start < tableEnd || slot.start >= slot.end || slot.end > b.size())
    throw Error(ErrorCode::Damaged, "row " + std::to_string(row) + " of page " + std::to_string(page.number()) +
                                        " lies outside its page");
  return slot;
}

}  // namespace

RowSlot dataRowSlot(const Page& page, const format::Layout& layout, std::uint16_t row) {
  return readSlot(page, layout, row, false);
}

RowSlot overflowTargetSlot(const Page& page, const format::Layout& layout, std::uint16_t row) {
  return readSlot(page, layout, row, true);
}

ByteSpan slotBytes(const Page& page, const RowSlot& slot) {
  if (slot.deleted || slot.end <= slot.start) return {};
  return page.bytes().subspan(slot.start, slot.end - slot.start);
}

std::uint32_t dataPageOwner(const Page& page, const format::Layout& layout) {
  return bytes::u32(page.bytes(), layout.dataOwnerOffset);
}

bool isLongValuePage(const Page& page, const format::Layout& layout) {
  return page.type() == format::page_type::kData &&
         std::memcmp(page.bytes().data() + layout.dataOwnerOffset, format::long_value::kLvalTag, 4) == 0;
}

}  // namespace jet
