#include "jet/page/free_page_map.h"

#include <algorithm>
#include <string>

#include "jet/file/bytes.h"
#include "jet/page/data_page.h"
#include "jet/page/data_page_writer.h"
#include "jet/error.h"
#include "jet/file/format.h"
#include "jet/file/page_file.h"
#include "jet/page/usage_map.h"
#include "jet/page/usage_map_page.h"

namespace jet {

namespace {

namespace um = format::usage_map;

constexpr std::uint32_t kMapRow = um::kGlobalFreePagesPointer;

// The kind and range of the map, from its row alone.
FreePageMapView mapRange(PageFile& file) {
  RowLocation at = rowLocationFromPointer(kMapRow);
  PageRef page = file.page(at.page, format::page_type::kData, "the map of free pages");
  if (at.row >= dataRowCount(*page, file.layout()))
    throw Error(ErrorCode::Damaged, "page 1 holds no map of free pages");
  RowSlot slot = dataRowSlot(*page, file.layout(), at.row);
  ByteSpan row = slotBytes(*page, slot);
  if (slot.deleted || row.empty()) throw Error(ErrorCode::Damaged, "the map of free pages is deleted");
  FreePageMapView view;
  if (row[0] == um::kInline && row.size() >= um::kInlineBitmapOffset) {
    view.start = bytes::u32(row, um::kInlineStartOffset);
    view.end = view.start + (row.size() - um::kInlineBitmapOffset) * 8ull;
  } else if (row[0] == um::kReference) {
    view.reference = true;
    view.end = (row.size() - um::kReferencePagesOffset) / 4 * ((file.pageSize() - um::kMapPageBitmapOffset) * 8ull);
  } else {
    throw Error(ErrorCode::Damaged, "the map of free pages has an unknown kind");
  }
  return view;
}

}  // namespace

bool FreePageMapView::takenAsFree(std::uint32_t page) const {
  if (page < start || page >= end) return !reference;
  return std::binary_search(listed.begin(), listed.end(), page);
}

FreePageMapView readFreePageMap(PageFile& file) {
  FreePageMapView view = mapRange(file);
  view.listed = readUsageMap(file, kMapRow).pages;
  return view;
}

void writeFreePageMap(PageFile& file, const std::vector<std::uint32_t>& freePages,
                      const UsageMapEditor::NewMapPage& newMapPage) {
  const format::Layout& layout = file.layout();
  const std::uint64_t pageCount = file.pageCount();
  const std::size_t bitmapBytes = freePageMapBitmapBytes(layout, pageCount);
  std::vector<std::uint8_t> row(um::kInlineBitmapOffset + bitmapBytes, 0);
  row[0] = um::kInline;  // start page 0
  auto setBit = [&](std::uint64_t page) {
    row[um::kInlineBitmapOffset + page / 8] |= static_cast<std::uint8_t>(1u << (page % 8));
  };
  for (std::uint32_t page : freePages)
    if (page < pageCount) setBit(page);
  for (std::uint64_t page = pageCount; page < bitmapBytes * 8ull; ++page) setBit(page);

  const std::uint32_t holder = format::rowPointerPage(kMapRow);
  const std::uint16_t rowNumber = format::rowPointerRow(kMapRow);
  std::vector<std::uint8_t> copy = file.copyPage(holder);
  if (replacementFits(copy, layout, rowNumber, row.size())) {
    replaceRow(copy, layout, rowNumber, row, 0);
    file.writePage(holder, std::move(copy));
    return;
  }
  // Too large for page 1: a reference map with no bitmap page yet (nothing free), then the free
  // pages one by one (each range that has one gets its bitmap page).
  std::vector<std::uint8_t> reference(um::kReferencePagesOffset + 4 * referenceUsageMapSlots(layout), 0);
  reference[0] = um::kReference;
  replaceRow(copy, layout, rowNumber, reference, 0);
  file.writePage(holder, std::move(copy));
  UsageMapEditor map(file, kMapRow);
  for (std::uint32_t page : freePages)
    if (page < pageCount) map.add(page, newMapPage);
}

bool pageIsEmpty(PageFile& file, std::uint32_t page) {
  PageRef current = file.page(page);
  ByteSpan bytes = current->bytes();
  return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

void coverFileWithFreePageMap(PageFile& file, const UsageMapEditor::NewMapPage& newMapPage) {
  if (mapRange(file).coversFile(file.pageCount())) return;
  writeFreePageMap(file, readUsageMap(file, kMapRow).pages, newMapPage);
}

}  // namespace jet
