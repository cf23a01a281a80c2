#include "jet/index/index_page_store.h"

#include "jet/page/page_allocator.h"

namespace jet {

namespace {

std::vector<std::uint32_t> mapsOf(std::uint32_t usageMap) {
  if (usageMap == 0) return {};
  return {usageMap};
}

}  // namespace

void FileIndexPageStore::write(std::uint32_t number, std::vector<std::uint8_t> bytes) {
  file_.writePage(number, std::move(bytes));
}

std::uint32_t FileIndexPageStore::allocate() {
  // The tree writer fills the page before its change is complete.
  return allocator_.allocate(std::vector<std::uint8_t>(file_.pageSize(), 0), mapsOf(usageMap_));
}

void FileIndexPageStore::release(std::uint32_t number) { allocator_.release(number, mapsOf(usageMap_)); }

}  // namespace jet
