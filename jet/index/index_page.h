#pragma once
// One page of an index tree, decoded. Index pages are leaf pages (type 0x04), whose entries point at
// table rows, and intermediate pages (type 0x03), whose entries point at the child page below them.
//
// Layout (offsets per version in format::Layout): page type, a free-space count, the owning table's
// first TDEF page, the previous and next page on the same level, a "tail" child page, the length of
// a prefix shared by all entries of the page, and a bitmap with one bit per byte of the entry area
// that marks where each entry ends. The first entry is stored whole; every later entry is stored
// without the shared prefix. An entry is its key bytes (sort_key.h), then the row's data page
// (3 bytes, big-endian) and row number (1 byte); on intermediate pages, then the child page
// (4 bytes, big-endian). The key of an intermediate entry is that of the last leaf entry below it.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "jet/file/bytes.h"
#include "jet/page/data_page.h"
#include "jet/file/format.h"
#include "jet/value.h"

namespace jet {

struct IndexEntry {
  Bytes key;                // the key bytes, without the row pointer
  RowLocation row;          // the row, stored as 3 bytes of page and 1 of row number (on
                            // intermediate pages: the last row below this entry)
  std::uint32_t child = 0;  // intermediate pages only: the page below
};

// Order of entries in an index: by key bytes, then by row. (Inline: the tree walk calls it often.)
inline int compareEntries(const Bytes& keyA, RowLocation rowA, const Bytes& keyB, RowLocation rowB) {
  std::size_t common = std::min(keyA.size(), keyB.size());
  int bytes = common == 0 ? 0 : std::memcmp(keyA.data(), keyB.data(), common);
  if (bytes != 0) return bytes < 0 ? -1 : 1;
  if (keyA.size() != keyB.size()) return keyA.size() < keyB.size() ? -1 : 1;
  if (rowA < rowB) return -1;
  if (rowB < rowA) return 1;
  return 0;
}

struct IndexPage {
  std::uint32_t number = 0;
  bool leaf = true;
  std::uint32_t tablePage = 0;  // first TDEF page of the table the index belongs to
  std::uint32_t previous = 0;   // same level; 0 = none
  std::uint32_t next = 0;       // same level; 0 = none
  std::uint32_t tail = 0;       // intermediate pages: a last child with no entry here; 0 = none
  std::size_t prefixLength = 0; // bytes shared by every entry of the page, as stored
  std::vector<IndexEntry> entries;

  // Children in order: each entry's child, then the tail page if there is one (none for leaves).
  std::vector<std::uint32_t> children() const;
};

// True for the two index page types.
bool isIndexPageType(std::uint8_t type);

// The bytes an entry takes on a page before prefix compression: key, row pointer, child pointer.
Bytes wholeEntry(const IndexEntry& entry, bool leaf);

// The longest prefix the entries share (as whole entries), capped at what the page's prefix field
// can hold.
std::size_t commonPrefixLength(std::span<const IndexEntry> entries, bool leaf,
                               const format::Layout& layout);

// The same for entries in ascending order of their whole bytes, as an index page holds them (the
// keys of one index never extend one another): the prefix the first and the last share.
std::size_t sortedCommonPrefixLength(std::span<const IndexEntry> entries, bool leaf,
                                     const format::Layout& layout);

// The shared prefix Access gives a page of these entries: none while they fit in the page without
// one, else the longest prefix they share. sorted: the entries are in ascending order of their
// whole bytes (sortedCommonPrefixLength is used).
std::size_t accessPrefixLength(std::span<const IndexEntry> entries, bool leaf, const format::Layout& layout,
                               bool sorted = false);

// Bytes of the entry area the entries take with the given shared prefix.
std::size_t entryAreaSize(std::span<const IndexEntry> entries, bool leaf, std::size_t prefixLength);

// Bytes an entry takes on a page before prefix compression.
std::size_t wholeEntrySize(const IndexEntry& entry, bool leaf);

// Whether the entries fit in one page's entry area with the shared prefix Access gives them.
bool fitsInOnePage(std::span<const IndexEntry> entries, bool leaf, const format::Layout& layout,
                   bool sorted = false);

// Encodes an index page (page.number is not stored). The entries are written in the given order,
// with page.prefixLength bytes shared; the free-space count is filled in.
// REQUIRES: prefixLength <= commonPrefixLength(...), and the entries fit in the page's entry area
// (entryAreaSize(...) <= pageSize - indexEntriesOffset); Error(InvalidState) otherwise, with
// nothing returned.
std::vector<std::uint8_t> encodeIndexPage(const IndexPage& page, const format::Layout& layout);

// Encodes `page` as encodeIndexPage does, from `before`: what encodeIndexPage gave for the same
// page without entry `at` (any header fields may differ). Instead of writing every entry again, the
// later entries' bytes move up to make room for the new one. Returns an empty vector when the new
// page cannot be made this way (its shared prefix differs from before's, a shared prefix is in use
// and the new entry comes first, before does not hold one entry less, or the entry does not fit);
// the caller then encodes the page whole. REQUIRES: page.prefixLength as encodeIndexPage needs it.
std::vector<std::uint8_t> encodeIndexPageWithInsert(ByteSpan before, const IndexPage& page, std::size_t at,
                                                    const format::Layout& layout);

// Decodes an index page. Every offset, length and bit of the entry map is checked against the page;
// anything out of place gives Error(Damaged) naming the page. Entry order is not checked here.
IndexPage decodeIndexPage(ByteSpan page, std::uint32_t number, const format::Layout& layout);

}  // namespace jet
