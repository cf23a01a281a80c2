#include "jet/page/page_allocator.h"

#include <cstring>
#include <string>

#include "jet/file/bytes.h"
#include "jet/error.h"
#include "jet/file/format.h"
#include "jet/page/free_page_map.h"
#include "jet/file/page_file.h"
#include "jet/tdef/table_definition.h"
#include "jet/page/usage_map_editor.h"

namespace jet {

namespace {

constexpr std::uint32_t kGlobalMap = format::usage_map::kGlobalFreePagesPointer;

}  // namespace

std::vector<std::uint8_t> emptyDataPage(const PageFile& file, std::uint32_t owner, bool longValues) {
  const format::Layout& layout = file.layout();
  std::vector<std::uint8_t> page(layout.pageSize, 0);
  page[0] = format::page_type::kData;
  page[1] = 0x01;
  bytes::put16(page, layout.dataFreeSpaceOffset, static_cast<std::uint16_t>(layout.pageSize - layout.dataRowTableOffset));
  if (longValues)
    std::memcpy(page.data() + layout.dataOwnerOffset, format::long_value::kLvalTag, 4);
  else
    bytes::put32(page, layout.dataOwnerOffset, owner);
  return page;
}

PageAllocator::PageAllocator(PageFile& file) : file_(file) {}

void PageAllocator::reset() {
  searchFrom_ = 1;
  owned_.reset();
  ownedButListedFree_.clear();
}

void PageAllocator::rebuildFreePageMap(const std::vector<std::uint32_t>& freePages, std::vector<bool> owned) {
  owned_ = std::move(owned);
  writeFreePageMap(file_, freePages, [this] { return newMapPage(); });
  searchFrom_ = 1;
  ownedButListedFree_.clear();
}

std::uint32_t PageAllocator::appendPage(std::vector<std::uint8_t> contents) {
  std::uint32_t page = file_.appendPage(std::move(contents));
  UsageMapEditor(file_, kGlobalMap).remove(page);  // the map lists the pages past the end as free
  coverFileWithFreePageMap(file_, [this] { return newMapPage(); });
  return page;
}

std::uint32_t PageAllocator::newMapPage() {
  std::vector<std::uint8_t> bytes(file_.pageSize(), 0);
  bytes[0] = format::page_type::kUsageMap;
  bytes[1] = 0x01;
  std::uint32_t page = appendPage(std::move(bytes));
  noteOwned(page, true);
  return page;
}

bool PageAllocator::inUse(std::uint32_t page) {
  if (pageIsEmpty(file_, page)) return false;
  if (!ownedPages_) return true;  // no way to tell: leave it alone
  if (!owned_) owned_ = ownedPages_();
  return page < owned_->size() && (*owned_)[page];
}

void PageAllocator::noteOwned(std::uint32_t page, bool owned) {
  if (!owned_) return;
  if (page >= owned_->size()) owned_->resize(page + 1, false);
  (*owned_)[page] = owned;
}

std::uint32_t PageAllocator::allocate(std::vector<std::uint8_t> contents, const std::vector<std::uint32_t>& ownerMaps) {
  if (contents.size() != file_.pageSize())
    throw Error(ErrorCode::InvalidState, "a new page of " + std::to_string(contents.size()) + " bytes");
  UsageMapEditor freePages(file_, kGlobalMap);
  std::optional<std::uint32_t> reusable;
  while (auto free = freePages.firstSet(searchFrom_, file_.pageCount())) {
    searchFrom_ = *free + 1;
    if (!inUse(*free)) {
      reusable = free;
      break;
    }
    if (ownedButListedFree_.empty() || ownedButListedFree_.back() < *free) ownedButListedFree_.push_back(*free);
  }
  std::uint32_t page;
  if (reusable) {
    page = *reusable;
    freePages.remove(page);
    file_.writePage(page, std::move(contents));
  } else {
    page = appendPage(std::move(contents));
    searchFrom_ = file_.pageCount();
  }
  noteOwned(page, true);
  for (std::uint32_t map : ownerMaps) UsageMapEditor(file_, map).add(page, [this] { return newMapPage(); });
  return page;
}

void PageAllocator::release(std::uint32_t page, const std::vector<std::uint32_t>& ownerMaps) {
  if (page < 3 || page >= file_.pageCount())
    throw Error(ErrorCode::InvalidState, "page " + std::to_string(page) + " cannot be given back");
  for (std::uint32_t map : ownerMaps) UsageMapEditor(file_, map).remove(page);
  file_.writePage(page, std::vector<std::uint8_t>(file_.pageSize(), 0));
  // Listed free only inside a map that covers the file: a bit outside its range would move it.
  coverFileWithFreePageMap(file_, [this] { return newMapPage(); });
  UsageMapEditor(file_, kGlobalMap).add(page, [this] { return newMapPage(); });
  noteOwned(page, false);
  if (page < searchFrom_) searchFrom_ = page;
}

std::uint32_t PageAllocator::allocateDataPage(const StoredTableDefinition& table) {
  return allocate(emptyDataPage(file_, table.firstPage, false), {table.ownedPagesMap, table.freePagesMap});
}

std::uint32_t PageAllocator::allocateLongValuePage(const std::vector<std::uint32_t>& ownerMaps) {
  return allocate(emptyDataPage(file_, 0, true), ownerMaps);
}

std::uint32_t PageAllocator::allocateIndexPage(const RealIndex& index, std::vector<std::uint8_t> contents) {
  std::vector<std::uint32_t> maps;
  if (index.usageMap != 0) maps.push_back(index.usageMap);
  return allocate(std::move(contents), maps);
}

void PageAllocator::addToMap(std::uint32_t rowPointer, std::uint32_t page) {
  UsageMapEditor(file_, rowPointer).add(page, [this] { return newMapPage(); });
}

void PageAllocator::removeFromMap(std::uint32_t rowPointer, std::uint32_t page) {
  UsageMapEditor(file_, rowPointer).remove(page);
}

}  // namespace jet
