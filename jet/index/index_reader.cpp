#include "jet/index/index_reader.h"

#include <algorithm>
#include <string>

#include "jet/error.h"
#include "jet/file/page_file.h"

namespace jet {
namespace {

// Enough for the leaves of an index over some 100 000 rows, so that seeks in another order than the
// index's (a merge seeks old rows in list order) find their pages decoded; at most the file's pages.
constexpr std::size_t kReadPagesKept = 512;

[[noreturn]] void damagedIndex(std::uint32_t root, const std::string& what) {
  throwDamaged("index with root page " + std::to_string(root) + ": " + what);
}

std::size_t childCount(const IndexPage& page) {
  return page.entries.size() + (page.tail != 0 ? 1 : 0);
}

std::uint32_t childAt(const IndexPage& page, std::size_t i) {
  return i < page.entries.size() ? page.entries[i].child : page.tail;
}

}  // namespace

IndexReader::IndexReader(PageFile& pages, std::uint32_t rootPage, std::uint32_t tablePage)
    : pages_(pages), root_(rootPage), tablePage_(tablePage) {}

const IndexEntry& IndexReader::entry() const {
  const Level& leaf = path_.back();
  return leaf.page->entries[leaf.index];
}

void IndexReader::reset() {
  path_.clear();
  decoded_.clear();
}

IndexReader::PagePtr IndexReader::load(std::uint32_t number, std::size_t depth) {
  if (depth >= kMaxDepth) damagedIndex(root_, "the tree is deeper than any index can be (a cycle?)");
  if (number == 0) damagedIndex(root_, "a page pointer is 0");
  const std::uint64_t now = pages_.changeCount();
  auto hit = decoded_.find(number);
  if (hit != decoded_.end() && hit->second.checkedAt == now) return hit->second.page;
  PageRef raw = pages_.page(number);
  if (hit != decoded_.end() && hit->second.raw == raw) {
    hit->second.checkedAt = now;
    return hit->second.page;
  }
  auto page = std::make_shared<const IndexPage>(decodeIndexPage(raw->bytes(), number, pages_.layout()));
  if (tablePage_ != 0 && page->tablePage != tablePage_)
    damagedIndex(root_, "page " + std::to_string(number) + " belongs to another table");
  if (decoded_.size() >= kReadPagesKept) decoded_.clear();
  decoded_[number] = {raw, page, now};
  return page;
}

bool IndexReader::descendToEdge(std::uint32_t number, bool toLast) {
  for (;;) {
    PagePtr page = load(number, path_.size());
    if (page->leaf) {
      if (page->entries.empty()) {
        path_.push_back({page, 0});
        return false;
      }
      path_.push_back({page, toLast ? page->entries.size() - 1 : 0});
      return true;
    }
    std::size_t n = childCount(*page);
    if (n == 0) {
      path_.push_back({page, 0});
      return false;  // an intermediate page without children leads to no entries
    }
    std::size_t i = toLast ? n - 1 : 0;
    path_.push_back({page, i});
    number = childAt(*page, i);
  }
}

bool IndexReader::stepLeaf(bool forward) {
  for (;;) {
    if (++leafSteps_ > pages_.pageCount())
      damagedIndex(root_, "a walk crosses more leaf pages than the file has (a cycle?)");
    path_.pop_back();  // the exhausted leaf (or childless page)
    // Climb to the nearest level that has another child in this direction.
    while (!path_.empty()) {
      Level& level = path_.back();
      std::size_t n = childCount(*level.page);
      if (forward ? level.index + 1 < n : level.index > 0) break;
      path_.pop_back();
    }
    if (path_.empty()) return false;
    Level& level = path_.back();
    level.index = forward ? level.index + 1 : level.index - 1;
    if (descendToEdge(childAt(*level.page, level.index), !forward)) return true;
  }
}

void IndexReader::beginWalk() {
  path_.clear();
  leafSteps_ = 0;
}

void IndexReader::checkOrder(bool forward) {
  if (!valid()) return;
  const IndexEntry& e = entry();
  int c = compareEntries(e.key, e.row, lastKey_, lastRow_);
  if (forward ? c <= 0 : c >= 0) damagedIndex(root_, "entries are out of order");
}

bool IndexReader::first() {
  beginWalk();
  if (!descendToEdge(root_, false)) return stepLeaf(true);
  return true;
}

bool IndexReader::last() {
  beginWalk();
  if (!descendToEdge(root_, true)) return stepLeaf(false);
  return true;
}

bool IndexReader::next() {
  if (!valid()) return false;
  lastKey_ = entry().key;
  lastRow_ = entry().row;
  Level& leaf = path_.back();
  if (leaf.index + 1 < leaf.page->entries.size()) {
    ++leaf.index;
  } else if (!stepLeaf(true)) {
    return false;
  }
  checkOrder(true);
  return true;
}

bool IndexReader::previous() {
  if (!valid()) return false;
  lastKey_ = entry().key;
  lastRow_ = entry().row;
  Level& leaf = path_.back();
  if (leaf.index > 0) {
    --leaf.index;
  } else if (!stepLeaf(false)) {
    return false;
  }
  checkOrder(false);
  return true;
}

bool IndexReader::seek(const Bytes& key) { return seekImpl(key, nullptr); }

bool IndexReader::seek(const Bytes& key, RowLocation row) { return seekImpl(key, &row); }

bool IndexReader::seekImpl(const Bytes& key, const RowLocation* row) {
  beginWalk();
  // Is entry e at or after the target?
  auto atOrAfter = [&](const IndexEntry& e) {
    return row ? compareEntries(e.key, e.row, key, *row) >= 0 : !(e.key < key);
  };
  std::uint32_t number = root_;
  for (;;) {
    PagePtr page = load(number, path_.size());
    const auto& entries = page->entries;
    // The first entry at or after the target; on intermediate pages each entry carries the last
    // key below it, so this is also the child that holds the target. Past them all, the tail.
    auto it = std::partition_point(entries.begin(), entries.end(),
                                   [&](const IndexEntry& e) { return !atOrAfter(e); });
    std::size_t i = static_cast<std::size_t>(it - entries.begin());
    if (page->leaf) {
      if (i < entries.size()) {
        path_.push_back({page, i});
        return true;
      }
      // Every entry here is before the target: the answer is the first entry after this leaf.
      path_.push_back({page, entries.empty() ? 0 : entries.size() - 1});
      return stepLeaf(true);
    }
    std::size_t n = childCount(*page);
    if (i >= n) {
      // Past every child: the target is after the whole subtree.
      if (n == 0) {
        path_.push_back({page, 0});
      } else {
        path_.push_back({page, n - 1});
        descendToEdge(childAt(*page, n - 1), true);
      }
      return stepLeaf(true);
    }
    path_.push_back({page, i});
    number = childAt(*page, i);
  }
}

}  // namespace jet
