#pragma once
// A database file as numbered pages of one size (2048 bytes for Jet 3, 4096 for Jet 4), read through
// a small cache. Page numbers are checked against the file's size. Pages of a database with a
// database key are decoded here, so the layers above always see plain pages.
//
// Pages are handed out as shared, immutable buffers: a caller may keep one while it reads others.
// A write side adds page writes (and the journal) here; readers never change a page.

#include <cstdint>
#include <list>
#include <memory>
#include <unordered_map>
#include <vector>

#include "jet/bytes.h"
#include "jet/database_header.h"
#include "jet/format.h"
#include "jet/storage.h"

namespace jet {

class Page {
 public:
  Page(std::uint32_t number, std::vector<std::uint8_t> bytes) : number_(number), bytes_(std::move(bytes)) {}
  std::uint32_t number() const { return number_; }
  ByteSpan bytes() const { return bytes_; }
  std::uint8_t type() const { return bytes_[0]; }

 private:
  std::uint32_t number_;
  std::vector<std::uint8_t> bytes_;
};

using PageRef = std::shared_ptr<const Page>;

class PageFile {
 public:
  // Reads and checks the header. Throws Error(NotAccessFile) / Error(Unsupported) as
  // readDatabaseHeader does, Error(Io) when the storage cannot be read.
  explicit PageFile(std::unique_ptr<Storage> storage, std::size_t cachePages = 256);

  const DatabaseHeader& header() const { return header_; }
  const format::Layout& layout() const { return *layout_; }
  std::uint32_t pageSize() const { return layout_->pageSize; }
  // Whole pages in the file (a partial page at the end does not count).
  std::uint32_t pageCount() const { return pageCount_; }
  std::uint64_t fileSize() const { return fileSize_; }
  Storage& storage() { return *storage_; }

  // The page, decoded. Throws Error(Damaged) when number >= pageCount().
  PageRef page(std::uint32_t number);
  // The page, which must be of the given type; Error(Damaged) naming `what` otherwise.
  PageRef page(std::uint32_t number, std::uint8_t type, const char* what);

 private:
  PageRef load(std::uint32_t number);

  std::unique_ptr<Storage> storage_;
  DatabaseHeader header_;
  const format::Layout* layout_ = nullptr;
  std::uint64_t fileSize_ = 0;
  std::uint32_t pageCount_ = 0;

  // Least recently used pages at the back.
  std::size_t cacheCapacity_;
  std::list<PageRef> lru_;
  std::unordered_map<std::uint32_t, std::list<PageRef>::iterator> cached_;
};

}  // namespace jet
