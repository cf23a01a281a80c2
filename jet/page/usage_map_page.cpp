#include "jet/page/usage_map_page.h"

#include <algorithm>
#include <string>

#include "jet/file/bytes.h"
#include "jet/error.h"

namespace jet {

namespace {

namespace um = format::usage_map;

// Bitmap bytes of an inline map Access makes.
std::size_t inlineBitmapBytes(const format::Layout& layout) {
  return layout.version == Format::Jet4 ? 64 : 128;
}

// The map of free pages grows by this many bitmap bytes at a time.
constexpr std::size_t kFreePageMapStep = 32;

// The owner field of page 1.
constexpr std::uint32_t kGlobalMapsOwner = 1;

}  // namespace

std::size_t inlineUsageMapRowSize(const format::Layout& layout) {
  return um::kInlineBitmapOffset + inlineBitmapBytes(layout);
}

std::size_t freePageMapBitmapBytes(const format::Layout& layout, std::uint64_t pageCount) {
  std::uint64_t needed = (pageCount + 7) / 8;
  needed = (needed + kFreePageMapStep - 1) / kFreePageMapStep * kFreePageMapStep;
  return std::max<std::size_t>(inlineBitmapBytes(layout), static_cast<std::size_t>(needed));
}

std::size_t referenceUsageMapSlots(const format::Layout& layout) {
  return (inlineUsageMapRowSize(layout) - um::kReferencePagesOffset) / 4;
}

std::size_t usageMapRowsPerPage(const format::Layout& layout) {
  return (layout.pageSize - layout.dataRowTableOffset) / (inlineUsageMapRowSize(layout) + 2);
}

std::vector<std::uint8_t> usageMapPage(const format::Layout& layout, std::uint32_t owner, std::size_t rows) {
  if (rows > usageMapRowsPerPage(layout))
    throw Error(ErrorCode::InvalidState, std::to_string(rows) + " usage maps do not fit on one page");
  const std::size_t rowSize = inlineUsageMapRowSize(layout);
  std::vector<std::uint8_t> page(layout.pageSize, 0);
  page[0] = format::page_type::kData;
  page[1] = 0x01;
  bytes::put32(page, layout.dataOwnerOffset, owner);
  bytes::put16(page, layout.dataRowCountOffset, static_cast<std::uint16_t>(rows));
  for (std::size_t i = 0; i < rows; ++i) {
    auto start = static_cast<std::uint16_t>(layout.pageSize - (i + 1) * rowSize);
    bytes::put16(page, layout.dataRowTableOffset + 2 * i, start);  // kind 0, start page 0, no bits
  }
  std::size_t used = layout.dataRowTableOffset + rows * (rowSize + 2);
  bytes::put16(page, layout.dataFreeSpaceOffset, static_cast<std::uint16_t>(layout.pageSize - used));
  return page;
}

std::vector<std::uint8_t> globalUsageMapPage(const format::Layout& layout, std::uint32_t pageCount) {
  if (freePageMapBitmapBytes(layout, pageCount) != inlineBitmapBytes(layout))
    throw Error(ErrorCode::InvalidState, "a new database of " + std::to_string(pageCount) + " pages");
  std::vector<std::uint8_t> page = usageMapPage(layout, kGlobalMapsOwner, 2);
  const std::size_t rowSize = inlineUsageMapRowSize(layout);
  const std::size_t bitmap = layout.pageSize - rowSize + um::kInlineBitmapOffset;  // row 0's bitmap
  const std::size_t pagesCovered = inlineBitmapBytes(layout) * 8;
  for (std::size_t p = pageCount; p < pagesCovered; ++p) page[bitmap + p / 8] |= static_cast<std::uint8_t>(1u << (p % 8));
  return page;
}

}  // namespace jet
