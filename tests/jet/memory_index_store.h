#pragma once
// Test helper: an IndexPageStore over the pages of a MemoryIndexFile, counting what the tree writer
// does (pages written, taken, given back), and a walk of a whole index tree that checks its shape
// as Access writes it.

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "jet/index/index_page.h"
#include "jet/index/index_page_store.h"
#include "tests/jet/index_tree_builder.h"

namespace jet::test {

class MemoryIndexStore final : public IndexPageStore {
 public:
  explicit MemoryIndexStore(MemoryIndexFile& file) : file_(file) {}

  const format::Layout& layout() const override { return file_.layout(); }
  PageRef page(std::uint32_t number) override {
    if (number >= file_.pages().size()) throw Error(ErrorCode::Damaged, "page past the end");
    if (freshBuffers) return std::make_shared<const Page>(number, file_.pages()[number]);
    if (refs_.size() <= number) refs_.resize(number + 1);
    if (!refs_[number]) refs_[number] = std::make_shared<const Page>(number, file_.pages()[number]);
    return refs_[number];
  }
  void write(std::uint32_t number, std::vector<std::uint8_t> bytes) override {
    ++writes;
    if (released.count(number)) throw Error(ErrorCode::InvalidState, "write to a released page");
    if (refs_.size() <= number) refs_.resize(number + 1);
    refs_[number] = std::make_shared<const Page>(number, bytes);
    file_.putRaw(number, std::move(bytes));
  }
  std::uint32_t allocate() override {
    ++allocations;
    if (!released.empty()) {
      std::uint32_t n = *released.begin();
      released.erase(released.begin());
      return n;
    }
    return file_.addRaw(std::vector<std::uint8_t>(layout().pageSize, 0));
  }
  void release(std::uint32_t number) override {
    if (!released.insert(number).second) throw Error(ErrorCode::InvalidState, "page released twice");
  }

  // When set, every read hands out a new buffer of the page's current bytes, as a page cache that
  // dropped its copy and read the page again does.
  bool freshBuffers = false;
  std::size_t writes = 0;
  std::size_t allocations = 0;
  std::set<std::uint32_t> released;

 private:
  MemoryIndexFile& file_;
  std::vector<PageRef> refs_;
};

// Reads through a page file; walking a tree needs nothing else.
class ReadOnlyIndexStore final : public IndexPageStore {
 public:
  explicit ReadOnlyIndexStore(PageFile& file) : file_(file) {}
  const format::Layout& layout() const override { return file_.layout(); }
  PageRef page(std::uint32_t number) override { return file_.page(number); }
  void write(std::uint32_t, std::vector<std::uint8_t>) override { throw Error(ErrorCode::ReadOnly, "read only"); }
  std::uint32_t allocate() override { throw Error(ErrorCode::ReadOnly, "read only"); }
  void release(std::uint32_t) override { throw Error(ErrorCode::ReadOnly, "read only"); }

 private:
  PageFile& file_;
};

// What a walk of a whole tree found.
struct TreeShape {
  std::vector<IndexEntry> entries;  // leaf entries in tree order
  std::size_t levels = 0;
  std::size_t pages = 0;
  std::set<std::uint32_t> pageNumbers;
  std::vector<std::string> faults;  // empty when the tree has the shape Access writes
};

// Walks the tree from its root and checks: every page an index page of the table; leaves on one
// level, entries in strictly ascending order; each intermediate entry equal to the last entry below
// its child; a tail exactly on intermediate pages with more than one child; leaves linked from the
// first to the last, intermediate pages linked to their neighbours under the same parent and not
// across parents; every page written with Access's shared prefix.
TreeShape walkTree(IndexPageStore& store, std::uint32_t root, std::uint32_t tablePage);

// ---- implementation ----

namespace detail {

struct LevelPage {
  std::uint32_t number, previous, next, parent;
};

inline void walkPage(IndexPageStore& store, std::uint32_t number, std::uint32_t parent, std::size_t depth,
                     std::uint32_t tablePage, TreeShape& out, std::vector<std::vector<LevelPage>>& levels,
                     std::set<std::uint32_t>& seen, std::optional<std::size_t>& leafDepth, IndexEntry* last) {
  auto fault = [&](const std::string& what) { out.faults.push_back("page " + std::to_string(number) + ": " + what); };
  if (depth > 32 || !seen.insert(number).second) {
    fault("reached twice or too deep");
    return;
  }
  ++out.pages;
  out.pageNumbers.insert(number);
  PageRef raw = store.page(number);
  IndexPage page = decodeIndexPage(raw->bytes(), number, store.layout());
  if (page.tablePage != tablePage) fault("belongs to another table");
  if (page.prefixLength != accessPrefixLength(page.entries, page.leaf, store.layout()))
    fault("prefix " + std::to_string(page.prefixLength) + " is not the one Access writes");
  if (levels.size() <= depth) levels.resize(depth + 1);
  levels[depth].push_back({number, page.previous, page.next, parent});
  if (page.leaf) {
    if (page.tail != 0) fault("a leaf with a tail");
    if (leafDepth && *leafDepth != depth) fault("leaves on different levels");
    leafDepth = depth;
    if (page.entries.empty() && depth > 0) fault("an empty leaf below the root");
    for (const IndexEntry& e : page.entries) {
      if (!out.entries.empty()) {
        const IndexEntry& p = out.entries.back();
        if (compareEntries(p.key, p.row, e.key, e.row) >= 0) fault("entries out of order");
      }
      out.entries.push_back(e);
    }
    if (last && !page.entries.empty()) *last = page.entries.back();
    return;
  }
  std::size_t children = page.entries.size() + (page.tail ? 1 : 0);
  if (children == 0) fault("an intermediate page without children");
  if (children >= 2 && page.tail == 0) fault("several children but no tail");
  if (children == 1 && page.tail != 0) fault("a single child kept as the tail");
  for (const IndexEntry& e : page.entries) {
    IndexEntry below;
    walkPage(store, e.child, number, depth + 1, tablePage, out, levels, seen, leafDepth, &below);
    if (below.key != e.key || below.row != e.row) fault("an entry differs from the last entry below it");
    if (last) *last = below;
  }
  if (page.tail) walkPage(store, page.tail, number, depth + 1, tablePage, out, levels, seen, leafDepth, last);
}

}  // namespace detail

inline TreeShape walkTree(IndexPageStore& store, std::uint32_t root, std::uint32_t tablePage) {
  TreeShape out;
  std::vector<std::vector<detail::LevelPage>> levels;
  std::set<std::uint32_t> seen;
  std::optional<std::size_t> leafDepth;
  detail::walkPage(store, root, 0, 0, tablePage, out, levels, seen, leafDepth, nullptr);
  out.levels = levels.size();
  for (std::size_t d = 0; d < levels.size(); ++d) {
    const auto& level = levels[d];
    bool leaves = leafDepth && d == *leafDepth;
    for (std::size_t i = 0; i < level.size(); ++i) {
      const detail::LevelPage* prev = i > 0 ? &level[i - 1] : nullptr;
      const detail::LevelPage* next = i + 1 < level.size() ? &level[i + 1] : nullptr;
      // Intermediate pages link only within their parent.
      if (!leaves && prev && prev->parent != level[i].parent) prev = nullptr;
      if (!leaves && next && next->parent != level[i].parent) next = nullptr;
      if (level[i].previous != (prev ? prev->number : 0) || level[i].next != (next ? next->number : 0))
        out.faults.push_back("page " + std::to_string(level[i].number) + ": wrong links to its neighbours");
    }
  }
  return out;
}

}  // namespace jet::test
