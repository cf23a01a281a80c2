#pragma once
// Changes to one index tree: entries inserted and removed in key order, pages split when they
// overflow (up to a new level under the root), pages dropped when they become empty, with the tree
// kept in the shape Access writes and reads:
// - the root page never moves (the table definition points at it): when it overflows, its entries
//   move to new pages and it becomes the intermediate page above them; when it empties, it becomes
//   an empty leaf again;
// - each child of an intermediate page has an entry there holding the last entry below it, except
//   the last child of a page with several children, its "tail", which has none;
// - leaves link to their neighbours from the first leaf to the last; intermediate pages link only
//   to neighbours under the same parent;
// - pages are encoded with the shared prefix Access gives them (index_page.h).
// A change reads and decodes only the pages on its path (and the neighbours whose links change), so
// it costs O(depth) page reads and writes. Keys ascending or descending at either end of the index
// fill pages completely; elsewhere a full page is split in the middle.
//
// Never trusts the file: pages met must be index pages of the table, at most IndexReader::kMaxDepth
// deep, with neighbour links that point back; anything else is Error(Damaged) before a page is
// written. The pages taken from the store during a change that fails are the store's to roll back.

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "jet/page/data_page.h"
#include "jet/index/index_page.h"
#include "jet/index/index_page_store.h"

namespace jet {

class IndexTreeWriter {
 public:
  // The tree whose root is rootPage, of the table whose first TDEF page is tablePage (written into
  // new pages and checked on pages read). The store must outlive the writer.
  IndexTreeWriter(IndexPageStore& pages, std::uint32_t rootPage, std::uint32_t tablePage);
  ~IndexTreeWriter();

  // Adds the entry (key, row); returns true when no other entry has the same key. Error(InvalidState)
  // when the tree already has it, or when the key is longer than maxIndexKeyLength()
  // (index_page_split.h).
  bool insert(const Bytes& key, RowLocation row);
  // Removes the entry (key, row); false when the tree has no such entry (nothing is written).
  bool remove(const Bytes& key, RowLocation row);

  // The rows of the first `limit` entries (in index order) whose key is exactly key.
  std::vector<RowLocation> rowsWithKey(const Bytes& key, std::size_t limit);

  // Drops the pages it keeps decoded between changes (they are checked against the store's current
  // page anyway; this only frees memory).
  void forget();

  std::uint32_t rootPage() const { return root_; }

 private:
  struct Node;
  class Change;
  friend class Change;

  void trimDecoded();

  IndexPageStore& pages_;
  std::uint32_t root_;
  std::uint32_t tablePage_;
  // Decoded pages by number, each with the page buffer it was decoded from or written as.
  std::unordered_map<std::uint32_t, std::shared_ptr<Node>> decoded_;
  std::uint64_t clock_ = 0;  // counts page uses, to tell which decoded pages were used longest ago
};

}  // namespace jet
