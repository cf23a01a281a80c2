#include "jet/page/usage_map.h"

#include <algorithm>
#include <string>

#include "jet/page/data_page.h"
#include "jet/error.h"
#include "jet/file/page_file.h"

namespace jet {

namespace {

// Adds the pages of a bitmap whose first bit stands for page `first`.
void addBits(ByteSpan bitmap, std::uint64_t first, std::uint32_t pageCount, UsageMapPages& out) {
  for (std::size_t i = 0; i < bitmap.size(); ++i) {
    std::uint8_t byte = bitmap[i];
    if (!byte) continue;
    for (int bit = 0; bit < 8; ++bit) {
      if (!(byte & (1u << bit))) continue;
      std::uint64_t page = first + i * 8 + bit;
      if (page < pageCount)
        out.pages.push_back(static_cast<std::uint32_t>(page));
      else
        ++out.beyondEnd;
    }
  }
}

}  // namespace

UsageMapPages readUsageMap(PageFile& file, std::uint32_t rowPointer, UsageMapRead mode) {
  const format::Layout& layout = file.layout();
  RowLocation at = rowLocationFromPointer(rowPointer);
  PageRef page = file.page(at.page, format::page_type::kData, "a usage map");
  if (at.row >= dataRowCount(*page, layout))
    throw Error(ErrorCode::Damaged, "a usage map points to a missing row of page " + std::to_string(at.page));
  RowSlot slot = dataRowSlot(*page, layout, at.row);
  if (slot.deleted)
    throw Error(ErrorCode::Damaged, "a usage map points to a deleted row of page " + std::to_string(at.page));
  ByteSpan row = slotBytes(*page, slot);
  UsageMapPages out;
  std::uint8_t type = bytes::u8(row, 0);
  if (type == format::usage_map::kInline) {
    std::uint32_t start = bytes::u32(row, format::usage_map::kInlineStartOffset);
    addBits(row.subspan(std::min(row.size(), format::usage_map::kInlineBitmapOffset)), start,
            file.pageCount(), out);
  } else if (type == format::usage_map::kReference) {
    const std::uint64_t pagesPerMapPage = (layout.pageSize - format::usage_map::kMapPageBitmapOffset) * 8ull;
    std::size_t entries = (row.size() - 1) / 4;
    for (std::size_t i = 0; i < entries; ++i) {
      std::uint32_t mapPage = bytes::u32(row, format::usage_map::kReferencePagesOffset + 4 * i);
      if (mapPage == 0 || static_cast<std::int32_t>(mapPage) < 0) continue;  // no map page for this range
      if (mode == UsageMapRead::PassOver &&
          (mapPage >= file.pageCount() || file.page(mapPage)->type() != format::page_type::kUsageMap)) {
        ++out.unreadableBitmaps;
        continue;
      }
      PageRef bitmap = file.page(mapPage, format::page_type::kUsageMap, "a usage bitmap");
      addBits(bitmap->bytes().subspan(format::usage_map::kMapPageBitmapOffset), i * pagesPerMapPage,
              file.pageCount(), out);
    }
    std::sort(out.pages.begin(), out.pages.end());
    out.pages.erase(std::unique(out.pages.begin(), out.pages.end()), out.pages.end());
  } else {
    throw Error(ErrorCode::Damaged, "a usage map on page " + std::to_string(at.page) + " has an unknown kind");
  }
  return out;
}

}  // namespace jet
