#include "jet/page/long_value_writer.h"

#include <algorithm>
#include <string>
#include <unordered_set>
#include <vector>

#include "jet/page/data_page.h"
#include "jet/page/data_page_writer.h"
#include "jet/error.h"
#include "jet/file/format.h"
#include "jet/page/long_value.h"
#include "jet/page/page_allocator.h"
#include "jet/file/page_file.h"
#include "jet/page/usage_map_editor.h"

namespace jet {

namespace lv = format::long_value;

namespace {

// Pages with less room than this leave a column's free-space map.
constexpr std::size_t kUsefulRoom = 64;

std::vector<std::uint32_t> ownerMaps(const ColumnUsageMaps* maps) {
  if (!maps) return {};
  return {maps->ownedPagesMap, maps->freePagesMap};
}

void putField(Bytes& field, std::uint32_t head, std::uint32_t pointer) {
  field.assign(lv::kFieldSize, 0);
  bytes::put32(field, 0, head);
  bytes::put32(field, 4, pointer);
}

}  // namespace

LongValueWriter::LongValueWriter(PageFile& file, PageAllocator& allocator) : file_(file), allocator_(allocator) {}

std::size_t LongValueWriter::maxRowData() const {
  const format::Layout& layout = file_.layout();
  return layout.pageSize - layout.dataRowTableOffset - 2 - lv::kChainLinkSize;
}

std::uint32_t LongValueWriter::pageWithRoom(std::size_t size, const ColumnUsageMaps* maps) {
  const format::Layout& layout = file_.layout();
  if (maps) {
    UsageMapEditor freeSpace(file_, maps->freePagesMap);
    std::uint32_t below = file_.pageCount();
    for (int tries = 0; tries < 4; ++tries) {
      std::optional<std::uint32_t> candidate = freeSpace.lastSetBelow(below);
      if (!candidate) break;
      below = *candidate;
      PageRef page = file_.page(*candidate);
      if (!isLongValuePage(*page, layout)) {
        allocator_.removeFromMap(maps->freePagesMap, *candidate);
        continue;
      }
      if (longValueRowFits(*page, layout, size)) return *candidate;
      if (!longValueRowFits(*page, layout, kUsefulRoom)) allocator_.removeFromMap(maps->freePagesMap, *candidate);
    }
    return allocator_.allocateLongValuePage(ownerMaps(maps));
  }
  if (sharedPage_ != 0 && sharedPage_ < file_.pageCount()) {
    PageRef page = file_.page(sharedPage_);
    if (isLongValuePage(*page, layout) && longValueRowFits(*page, layout, size)) return sharedPage_;
  }
  for (std::size_t i = roomy_.size(); i-- > 0;) {
    std::uint32_t candidate = roomy_[i];
    bool usable = candidate < file_.pageCount() && isLongValuePage(*file_.page(candidate), layout);
    if (usable && longValueRowFits(*file_.page(candidate), layout, size)) return candidate;
    if (!usable || !longValueRowFits(*file_.page(candidate), layout, kUsefulRoom)) roomy_.erase(roomy_.begin() + static_cast<std::ptrdiff_t>(i));
  }
  sharedPage_ = allocator_.allocateLongValuePage({});
  return sharedPage_;
}

std::uint32_t LongValueWriter::place(ByteSpan row, const ColumnUsageMaps* maps) {
  const format::Layout& layout = file_.layout();
  std::uint32_t page = pageWithRoom(row.size(), maps);
  std::uint16_t number = file_.modifyPage(page, [&](auto& bytes) { return addLongValueRow(bytes, layout, row); });
  if (maps && !longValueRowFits(*file_.page(page), layout, kUsefulRoom)) allocator_.removeFromMap(maps->freePagesMap, page);
  return format::makeRowPointer(page, number);
}

Bytes LongValueWriter::write(ByteSpan data, const ColumnUsageMaps* maps, std::size_t roomInRow) {
  const format::Layout& layout = file_.layout();
  Bytes field;
  if (data.size() > lv::kLengthMask) throw Error(ErrorCode::ValueRejected, "a memo or OLE value is too large");
  std::uint32_t length = static_cast<std::uint32_t>(data.size());
  if (data.size() <= layout.maxInlineLongValue && lv::kFieldSize + data.size() <= roomInRow) {
    putField(field, length | lv::kInline, 0);
    field.insert(field.end(), data.begin(), data.end());
    return field;
  }
  if (data.size() <= maxRowData()) {
    putField(field, length | lv::kSinglePage, place(data, maps));
    return field;
  }
  // A chain, written from its last piece back, so that each piece knows the pointer to the next.
  std::size_t piece = maxRowData() - lv::kChainLinkSize;
  std::vector<std::size_t> starts;
  for (std::size_t at = 0; at < data.size(); at += piece) starts.push_back(at);
  std::uint32_t next = 0;
  for (std::size_t i = starts.size(); i-- > 0;) {
    std::size_t size = std::min(piece, data.size() - starts[i]);
    Bytes row(lv::kChainLinkSize + size);
    bytes::put32(row, 0, next);
    std::copy(data.begin() + static_cast<std::ptrdiff_t>(starts[i]),
              data.begin() + static_cast<std::ptrdiff_t>(starts[i] + size), row.begin() + lv::kChainLinkSize);
    next = place(row, maps);
  }
  putField(field, length, next);
  return field;
}

void LongValueWriter::free(ByteSpan field, const ColumnUsageMaps* maps) {
  LongValueField parsed = parseLongValueField(field);
  if (parsed.form == LongValueForm::Inline) return;
  const format::Layout& layout = file_.layout();
  std::unordered_set<std::uint32_t> seen;
  std::uint32_t pointer = parsed.firstRow;
  std::uint64_t remaining = parsed.length;
  while (pointer != 0) {
    if (!seen.insert(pointer).second) throw Error(ErrorCode::Damaged, "a memo or OLE value's chain forms a loop");
    RowLocation at = rowLocationFromPointer(pointer);
    PageRef page = file_.page(at.page, format::page_type::kData, "a memo or OLE value");
    if (!isLongValuePage(*page, layout) || at.row >= dataRowCount(*page, layout))
      throw Error(ErrorCode::Damaged, "a memo or OLE value points to row " + std::to_string(at.row) + " of page " +
                                          std::to_string(at.page) + ", which is not one of its rows");
    RowSlot slot = dataRowSlot(*page, layout, at.row);
    ByteSpan row = slotBytes(*page, slot);
    std::uint32_t next = 0;
    if (parsed.form == LongValueForm::Chain && !slot.deleted) {
      next = bytes::u32(row, 0);
      std::size_t data = row.size() - lv::kChainLinkSize;
      remaining = remaining > data ? remaining - data : 0;
      if (remaining == 0) next = 0;
    }
    bool empty = file_.modifyPage(at.page, [&](auto& bytes) {
      releaseLongValueRow(bytes, layout, at.row);
      return usedLongValueRows(bytes, layout) == 0;
    });
    if (empty) {
      if (at.page == sharedPage_) sharedPage_ = 0;
      roomy_.erase(std::remove(roomy_.begin(), roomy_.end(), at.page), roomy_.end());
      allocator_.release(at.page, ownerMaps(maps));
    } else if (maps) {
      allocator_.addToMap(maps->freePagesMap, at.page);
    } else if (std::find(roomy_.begin(), roomy_.end(), at.page) == roomy_.end() && roomy_.size() < 64) {
      roomy_.push_back(at.page);
    }
    pointer = next;
  }
}

}  // namespace jet
