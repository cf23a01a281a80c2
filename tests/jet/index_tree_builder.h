#pragma once
// Test helper: index trees built by hand in an in-memory database file, to drive the index reader
// through shapes (deep trees, tail pages, damage) that real files rarely hold.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "jet/file/format.h"
#include "jet/index/index_page.h"
#include "jet/file/database_header.h"
#include "jet/file/page_file.h"
#include "jet/text/sort_key.h"
#include "jet/file/storage.h"

namespace jet::test {

class MemoryIndexFile {
 public:
  static constexpr std::uint32_t kTablePage = 2;

  explicit MemoryIndexFile(Format version);

  const format::Layout& layout() const { return format::layout(version_); }
  // Appends a page and returns its number.
  std::uint32_t add(const IndexPage& page);
  // Replaces page number's bytes.
  void put(std::uint32_t number, const IndexPage& page);
  void putRaw(std::uint32_t number, std::vector<std::uint8_t> bytes);
  // Appends a page of raw bytes and returns its number.
  std::uint32_t addRaw(std::vector<std::uint8_t> bytes);
  // Builds a tree over the sorted entries: leaves of leafSize entries, intermediate pages of
  // fanOut children; with useTail, the last child of every intermediate page is its tail page.
  // Returns the root page.
  std::uint32_t buildTree(const std::vector<IndexEntry>& sorted, std::size_t leafSize,
                          std::size_t fanOut, bool useTail);
  // A page file over the current bytes.
  std::unique_ptr<PageFile> open() const;
  const std::vector<std::vector<std::uint8_t>>& pages() const { return pages_; }

 private:
  Format version_;
  std::vector<std::vector<std::uint8_t>> pages_;
};

// A leaf entry with a Long key (ascending) pointing at row (page, row).
IndexEntry longEntry(std::int32_t value, std::uint32_t page, std::uint8_t row);

// ---- implementation ----


inline MemoryIndexFile::MemoryIndexFile(Format version) : version_(version) {
  std::vector<std::uint8_t> header(layout().pageSize, 0);
  std::memcpy(header.data() + format::header::kMagicOffset, format::header::kMagic,
              format::header::kMagicLength);
  header[format::header::kVersionOffset] =
      version == Format::Jet3 ? format::header::kVersionJet3 : format::header::kVersionJet4;
  unmaskHeader(header, layout());  // masking is its own inverse
  pages_.push_back(std::move(header));
  pages_.emplace_back(layout().pageSize, 0);  // page 1: unused here
  pages_.emplace_back(layout().pageSize, 0);  // page 2: stands for the table's definition
  pages_[2][0] = format::page_type::kTableDefinition;
}

inline std::uint32_t MemoryIndexFile::add(const IndexPage& page) {
  pages_.push_back(encodeIndexPage(page, layout()));
  return static_cast<std::uint32_t>(pages_.size() - 1);
}

inline void MemoryIndexFile::put(std::uint32_t number, const IndexPage& page) {
  pages_.at(number) = encodeIndexPage(page, layout());
}

inline void MemoryIndexFile::putRaw(std::uint32_t number, std::vector<std::uint8_t> bytes) {
  pages_.at(number) = std::move(bytes);
}

inline std::uint32_t MemoryIndexFile::addRaw(std::vector<std::uint8_t> bytes) {
  pages_.push_back(std::move(bytes));
  return static_cast<std::uint32_t>(pages_.size() - 1);
}

inline std::uint32_t MemoryIndexFile::buildTree(const std::vector<IndexEntry>& sorted, std::size_t leafSize,
                                         std::size_t fanOut, bool useTail) {
  struct Built {
    std::uint32_t page;
    IndexEntry last;
  };
  std::vector<Built> level;
  for (std::size_t i = 0; i < sorted.size() || (i == 0 && sorted.empty()); i += leafSize) {
    IndexPage leaf;
    leaf.leaf = true;
    leaf.tablePage = kTablePage;
    for (std::size_t k = i; k < sorted.size() && k < i + leafSize; ++k) leaf.entries.push_back(sorted[k]);
    leaf.prefixLength = commonPrefixLength(leaf.entries, true, layout());
    std::uint32_t number = add(leaf);
    level.push_back({number, leaf.entries.empty() ? IndexEntry{} : leaf.entries.back()});
    if (sorted.empty()) break;
  }
  while (level.size() > 1) {
    std::vector<Built> up;
    for (std::size_t i = 0; i < level.size(); i += fanOut) {
      IndexPage node;
      node.leaf = false;
      node.tablePage = kTablePage;
      std::size_t end = std::min(level.size(), i + fanOut);
      for (std::size_t k = i; k < end; ++k) {
        if (useTail && k + 1 == end && end - i > 1) {
          node.tail = level[k].page;
        } else {
          IndexEntry e = level[k].last;
          e.child = level[k].page;
          node.entries.push_back(e);
        }
      }
      node.prefixLength = commonPrefixLength(node.entries, false, layout());
      up.push_back({add(node), level[end - 1].last});
    }
    level = std::move(up);
  }
  return level.front().page;
}

inline std::unique_ptr<PageFile> MemoryIndexFile::open() const {
  std::vector<std::uint8_t> all;
  for (const auto& p : pages_) all.insert(all.end(), p.begin(), p.end());
  return std::make_unique<PageFile>(std::make_unique<MemoryStorage>(std::move(all)));
}

inline IndexEntry longEntry(std::int32_t value, std::uint32_t page, std::uint8_t row) {
  IndexEntry e;
  e.key = sortKey(ColumnType::Long, Value(value), false, Collation::General2000);
  e.row = {page, row};
  return e;
}

}  // namespace jet::test
