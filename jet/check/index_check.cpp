#include "jet/check/index_check.h"

#include <algorithm>
#include <optional>
#include <set>
#include <string>

#include "jet/error.h"
#include "jet/index/index_key.h"
#include "jet/file/page_file.h"

namespace jet {
namespace {

// Entries reported per index before the rest is summed up, so a badly broken index does not drown
// the report.
constexpr std::size_t kMaxReportsPerIndex = 20;

std::string rowText(RowLocation r) {
  return "row " + std::to_string(r.row) + " of page " + std::to_string(r.page);
}

class IndexChecker {
 public:
  IndexChecker(PageFile& pages, const StoredTableDefinition& table, const RealIndex& index,
               std::string where, std::vector<Problem>& problems)
      : pages_(pages), table_(table), index_(index), where_(std::move(where)), problems_(problems) {}

  void run(const std::vector<CheckedRow>& rows) {
    try {
      walk(index_.firstPage, 0, 0, nullptr);
      checkSiblings();
    } catch (const Error& e) {
      report(where_, e.what());
      return;  // the entries cannot be trusted enough to compare with the rows
    }
    try {
      IndexKeyEncoder keys(table_, index_, pages_.header());
      compareWithRows(keys, rows);
    } catch (const Error& e) {
      report(where_, e.what());
    }
    if (suppressed_ > 0)
      problems_.push_back({where_, std::to_string(suppressed_) + " more problems of this index"});
  }

 private:
  void report(const std::string& where, const std::string& what) {
    if (reported_ >= kMaxReportsPerIndex) {
      ++suppressed_;
      return;
    }
    ++reported_;
    problems_.push_back({where, what});
  }

  std::string at(std::uint32_t page) const { return where_ + ", page " + std::to_string(page); }

  // Walks the subtree of page number; returns its last entry (if any) through last. Pages are
  // reached at most once and at most IndexReader-depth deep.
  void walk(std::uint32_t number, std::uint32_t parent, std::size_t depth, IndexEntry* last) {
    if (depth >= 32) throwDamaged("the tree is deeper than any index can be (a cycle?)");
    if (!visited_.insert(number).second)
      throwDamaged("page " + std::to_string(number) + " is reached twice in the tree");
    PageRef raw = pages_.page(number);
    IndexPage page = decodeIndexPage(raw->bytes(), number, pages_.layout());
    if (page.tablePage != table_.firstPage)
      report(at(number), "the page belongs to the table whose definition is on page " +
                             std::to_string(page.tablePage));
    if (levels_.size() <= depth) levels_.resize(depth + 1);
    levels_[depth].push_back({number, page.previous, page.next, parent, page.leaf});
    if (page.leaf) {
      if (leafDepth_ && *leafDepth_ != depth)
        report(at(number), "leaf pages lie on different levels of the tree");
      leafDepth_ = depth;
      for (const IndexEntry& e : page.entries) takeLeafEntry(e, number);
      if (last && !page.entries.empty()) *last = page.entries.back();
      return;
    }
    if (page.entries.empty() && page.tail == 0 && depth > 0)
      report(at(number), "an intermediate page has no children");
    for (const IndexEntry& e : page.entries) {
      IndexEntry below;
      below.row = {0xFFFFFFFF, 0};
      walk(e.child, number, depth + 1, &below);
      if (below.row.page == 0xFFFFFFFF) {
        report(at(number), "an entry leads to page " + std::to_string(e.child) + ", which holds no entries");
      } else if (below.key != e.key || below.row != e.row) {
        report(at(number), "the entry for page " + std::to_string(e.child) +
                               " does not match the last entry below it");
      }
      if (last && below.row.page != 0xFFFFFFFF) *last = below;
    }
    if (page.tail != 0) {
      IndexEntry below;
      below.row = {0xFFFFFFFF, 0};
      walk(page.tail, number, depth + 1, &below);
      if (last && below.row.page != 0xFFFFFFFF) *last = below;
    }
  }

  void takeLeafEntry(const IndexEntry& e, std::uint32_t page) {
    if (!entries_.empty()) {
      const IndexEntry& prev = entries_.back();
      if (compareEntries(prev.key, prev.row, e.key, e.row) >= 0)
        report(at(page), "entries are out of order (" + rowText(e.row) + ")");
    }
    entries_.push_back(e);
  }

  // Pages on each level must link to their neighbours in tree order. Leaves link from the first to
  // the last; Access links intermediate pages only to neighbours under the same parent, so between
  // two intermediate pages under different parents both links may also be 0.
  void checkSiblings() {
    for (const auto& level : levels_) {
      for (std::size_t i = 0; i < level.size(); ++i) {
        const LevelPage& page = level[i];
        std::uint32_t prev = i > 0 ? level[i - 1].number : 0;
        std::uint32_t next = i + 1 < level.size() ? level[i + 1].number : 0;
        bool prevOk = page.previous == prev;
        bool nextOk = page.next == next;
        if (!page.leaf) {
          prevOk = prevOk || (page.previous == 0 && level[i - 1].parent != page.parent && level[i - 1].next == 0);
          nextOk = nextOk || (page.next == 0 && level[i + 1].parent != page.parent && level[i + 1].previous == 0);
        }
        if (!prevOk || !nextOk)
          report(at(page.number), "the links to the neighbouring pages on its level are wrong");
      }
    }
  }

  // The position in rows_ (the rows in ascending order of their ids) of the row with that id.
  std::optional<std::size_t> rowAt(RowLocation id) const {
    auto it = std::lower_bound(rows_.begin(), rows_.end(), id,
                               [](const CheckedRow* r, RowLocation at) { return r->id < at; });
    if (it == rows_.end() || (*it)->id != id) return std::nullopt;
    return static_cast<std::size_t>(it - rows_.begin());
  }
  const CheckedRow* rowOf(RowLocation id) const {
    std::optional<std::size_t> at = rowAt(id);
    return at ? rows_[*at] : nullptr;
  }

  void compareWithRows(const IndexKeyEncoder& keys, const std::vector<CheckedRow>& rows) {
    const auto byId = [](const CheckedRow* a, const CheckedRow* b) { return a->id < b->id; };
    for (const CheckedRow& r : rows) rows_.push_back(&r);
    if (!std::is_sorted(rows_.begin(), rows_.end(), byId)) std::sort(rows_.begin(), rows_.end(), byId);
    std::vector<int> entryCount(rows_.size(), 0);
    for (const IndexEntry& e : entries_) {
      std::optional<std::size_t> at = rowAt(e.row);
      if (!at) {
        report(where_, "an entry points at " + rowText(e.row) + ", which is not a row of the table");
        continue;
      }
      ++entryCount[*at];
      const CheckedRow& row = *rows_[*at];
      if (row.readable && keys.rowKey(row.values) != e.key)
        report(where_, "the entry of " + rowText(e.row) + " does not hold the row's key");
    }
    for (std::size_t i = 0; i < rows_.size(); ++i) {
      const CheckedRow& r = *rows_[i];
      int count = entryCount[i];
      if (!r.readable) {
        if (count > 1) report(where_, rowText(r.id) + " has " + std::to_string(count) + " entries");
        continue;
      }
      int expected = keys.hasEntry(r.values) ? 1 : 0;
      if (count != expected)
        report(where_, rowText(r.id) + " has " + std::to_string(count) + " entries instead of " +
                           std::to_string(expected));
    }
    checkConstraints(keys);
  }

  void checkConstraints(const IndexKeyEncoder& keys) {
    // Null key columns of the entry's row (entries without a row are reported already).
    auto nulls = [&](const IndexEntry& e) -> std::optional<std::size_t> {
      const CheckedRow* row = rowOf(e.row);
      if (!row || !row->readable) return std::nullopt;
      std::size_t n = 0;
      for (std::size_t pos : keys.positions()) n += row->values[pos].isNull() ? 1 : 0;
      return n;
    };
    bool required = index_.required();
    for (const LogicalIndex& l : table_.logicalIndexes)
      if (l.realIndex == index_.number && l.primary()) required = true;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      std::optional<std::size_t> n = nulls(entries_[i]);
      if (!n) continue;
      if (required && *n > 0)
        report(where_, rowText(entries_[i].row) + " has a Null in a key that may not hold one");
      // Unique: equal keys are allowed only when all their columns are Null.
      if (index_.unique() && i > 0 && entries_[i].key == entries_[i - 1].key &&
          *n < keys.positions().size())
        report(where_, rowText(entries_[i].row) + " repeats the key of " +
                           rowText(entries_[i - 1].row) + " in a unique index");
    }
  }

  struct LevelPage {
    std::uint32_t number, previous, next, parent;
    bool leaf;
  };

  PageFile& pages_;
  const StoredTableDefinition& table_;
  const RealIndex& index_;
  std::string where_;
  std::vector<Problem>& problems_;
  std::set<std::uint32_t> visited_;
  std::vector<std::vector<LevelPage>> levels_;
  std::optional<std::size_t> leafDepth_;
  std::vector<IndexEntry> entries_;
  std::vector<const CheckedRow*> rows_;  // by id
  std::size_t reported_ = 0;
  std::size_t suppressed_ = 0;
};

// "table T, index A" (or "index A/B" when several named indexes share one tree).
std::string indexPlace(const StoredTableDefinition& table, const RealIndex& index) {
  std::string names;
  for (const LogicalIndex& l : table.logicalIndexes) {
    if (l.realIndex != index.number) continue;
    if (!names.empty()) names += "/";
    names += l.name;
  }
  if (names.empty()) names.append("#").append(std::to_string(index.number));
  return "table " + table.name + ", index " + names;
}

}  // namespace

void checkIndexes(PageFile& pages, const StoredTableDefinition& table,
                  const std::vector<CheckedRow>& rows, std::vector<Problem>& problems) {
  for (const RealIndex& index : table.realIndexes)
    IndexChecker(pages, table, index, indexPlace(table, index), problems).run(rows);
}

}  // namespace jet
