#include "jet/page_file.h"

#include <algorithm>
#include <string>

#include "jet/error.h"
#include "jet/rc4.h"

namespace jet {

PageFile::PageFile(std::unique_ptr<Storage> storage, std::size_t cachePages)
    : storage_(std::move(storage)), cacheCapacity_(std::max<std::size_t>(cachePages, 8)) {
  fileSize_ = storage_->size();
  std::vector<std::uint8_t> first(static_cast<std::size_t>(std::min<std::uint64_t>(fileSize_, 4096)));
  storage_->readAt(0, first);
  header_ = readDatabaseHeader(first);
  layout_ = &format::layout(header_.version);
  std::uint64_t pages = fileSize_ / layout_->pageSize;
  if (pages < 3)
    throw Error(ErrorCode::Damaged, "the database is too short to hold its catalog");
  // Page numbers are 24-bit in row pointers and 32-bit elsewhere; larger files are not Jet files.
  if (pages > 0xFFFFFF) throw Error(ErrorCode::Damaged, "the database is larger than the format allows");
  pageCount_ = static_cast<std::uint32_t>(pages);
}

PageRef PageFile::page(std::uint32_t number) {
  if (number >= pageCount_)
    throw Error(ErrorCode::Damaged, "a reference to page " + std::to_string(number) +
                                        " points past the end of the file (" +
                                        std::to_string(pageCount_) + " pages)");
  auto hit = cached_.find(number);
  if (hit != cached_.end()) {
    lru_.splice(lru_.begin(), lru_, hit->second);
    return *hit->second;
  }
  PageRef loaded = load(number);
  lru_.push_front(loaded);
  cached_[number] = lru_.begin();
  if (lru_.size() > cacheCapacity_) {
    cached_.erase(lru_.back()->number());
    lru_.pop_back();
  }
  return loaded;
}

PageRef PageFile::page(std::uint32_t number, std::uint8_t type, const char* what) {
  PageRef p = page(number);
  if (p->type() != type)
    throw Error(ErrorCode::Damaged, std::string(what) + " on page " + std::to_string(number) +
                                        " is missing (the page holds something else)");
  return p;
}

PageRef PageFile::load(std::uint32_t number) {
  std::vector<std::uint8_t> bytes(layout_->pageSize);
  storage_->readAt(static_cast<std::uint64_t>(number) * layout_->pageSize, bytes);
  if (header_.databaseKey != 0 && number != 0) {
    std::uint8_t key[4];
    for (int i = 0; i < 4; ++i)
      key[i] = static_cast<std::uint8_t>((header_.databaseKey >> (8 * i)) ^ (number >> (8 * i)));
    applyRc4(key, bytes);
  }
  return std::make_shared<const Page>(number, std::move(bytes));
}

}  // namespace jet
