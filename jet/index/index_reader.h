#pragma once
// A position in an index tree, moved in key order: to the first or last entry, to the next or
// previous one, or to the first entry at or after a key. Navigation goes down from the root and
// back up through the path taken (the pages' sibling links are not trusted for it), so a position
// is always one the tree itself leads to.
//
// Never trusts the file: pages must be index pages of the same table, the tree may be at most
// kMaxDepth levels deep, entries met while moving must be in strictly ascending order, and one walk
// may cross at most as many leaf pages as the file has pages. Anything else is Error(Damaged), so
// a cycle or a bad page pointer ends a walk instead of hanging it.

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "jet/index/index_page.h"
#include "jet/file/page_file.h"

namespace jet {

class IndexReader {
 public:
  static constexpr std::size_t kMaxDepth = 32;

  // An index whose root is rootPage. tablePage (the table's first TDEF page) is checked against
  // every page read; 0 skips that check. The PageFile must outlive the reader.
  IndexReader(PageFile& pages, std::uint32_t rootPage, std::uint32_t tablePage);

  // True while standing on an entry; false before the first and after the last.
  bool valid() const { return !path_.empty(); }
  // The current entry. REQUIRES: valid().
  const IndexEntry& entry() const;

  // Each returns valid() afterwards.
  bool first();
  bool last();
  bool next();      // from an invalid position: stays invalid
  bool previous();  // from an invalid position: stays invalid
  // The first entry whose key bytes are >= key (a key sorts before its own extensions, so this is
  // the first entry whose key starts with key, if any).
  bool seek(const Bytes& key);
  // The first entry at or after (key, row) in index order.
  bool seek(const Bytes& key, RowLocation row);

  // Forgets the position (valid() becomes false).
  void clearPosition() { path_.clear(); }
  // Forgets the position and every decoded page (call after the file's pages changed).
  void reset();

  std::uint32_t rootPage() const { return root_; }

 private:
  using PagePtr = std::shared_ptr<const IndexPage>;
  struct Level {
    PagePtr page;
    std::size_t index;  // leaf: entry; intermediate: child (entries, then the tail)
  };

  PagePtr load(std::uint32_t number, std::size_t depth);
  // Pushes the path from page number down to its first (or last) leaf entry. Returns false when
  // the leaf reached has no entries.
  bool descendToEdge(std::uint32_t number, bool toLast);
  // Moves from the current leaf to the next (or previous) leaf that has entries.
  bool stepLeaf(bool forward);
  bool seekImpl(const Bytes& key, const RowLocation* row);
  void beginWalk();
  void checkOrder(bool forward);

  PageFile& pages_;
  std::uint32_t root_;
  std::uint32_t tablePage_;
  std::vector<Level> path_;
  // Decoded pages by number, with the page buffer they came from: a page the file has replaced
  // since is decoded again. While the file has not changed at all since a page was last checked
  // (its change count is the same), the page is taken without asking the file for it, so pages
  // that have left the file's cache are not read and decoded again.
  struct Decoded {
    PageRef raw;
    PagePtr page;
    std::uint64_t checkedAt;  // the file's changeCount() when raw was last the file's page
  };
  std::unordered_map<std::uint32_t, Decoded> decoded_;
  // The entry before the last move, to check that moves go strictly forward or backward.
  Bytes lastKey_;
  RowLocation lastRow_;
  std::uint64_t leafSteps_ = 0;
};

}  // namespace jet
