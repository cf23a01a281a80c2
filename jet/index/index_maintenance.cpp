// The engine's index maintenance: every index tree of a table follows each row write. Checks come
// first and cover every index (unique and primary keys, Null in required keys, key length), so a
// refused row changes no index at all; then each tree gets its entries through IndexTreeWriter.
// Several named indexes may share one tree; the tree is kept once.

#include "jet/index/index_maintenance.h"

#include <map>
#include <string>
#include <utility>

#include "jet/error.h"
#include "jet/index/index_key.h"
#include "jet/index/index_page_split.h"
#include "jet/index/index_page_store.h"
#include "jet/index/index_tree_writer.h"
#include "jet/page/page_allocator.h"
#include "jet/file/page_file.h"
#include "jet/tdef/table_definition_writer.h"
#include "jet/tdef/value_conversion.h"

namespace jet {

namespace {

// "PrimaryKey" (or "A/B" when several named indexes share the tree).
std::string indexName(const StoredTableDefinition& table, const RealIndex& index) {
  std::string names;
  for (const LogicalIndex& l : table.logicalIndexes) {
    if (l.realIndex != index.number) continue;
    if (!names.empty()) names += "/";
    names += l.name;
  }
  return names.empty() ? "#" + std::to_string(index.number) : names;
}

bool backsPrimaryKey(const StoredTableDefinition& table, const RealIndex& index) {
  for (const LogicalIndex& l : table.logicalIndexes)
    if (l.realIndex == index.number && l.primary()) return true;
  return false;
}

// The key columns' values of the row: "17", or "(3, \"abc\")" for several columns.
std::string keyText(const IndexKeyEncoder& keys, const std::vector<Value>& row) {
  const std::vector<std::size_t>& positions = keys.positions();
  if (positions.size() == 1) return describeValue(row[positions.front()]);
  std::string out = "(";
  for (std::size_t i = 0; i < positions.size(); ++i) out += (i ? ", " : "") + describeValue(row[positions[i]]);
  return out + ")";
}

bool allKeyColumnsNull(const IndexKeyEncoder& keys, const std::vector<Value>& row) {
  for (std::size_t pos : keys.positions())
    if (!row[pos].isNull()) return false;
  return true;
}

// One index tree of one table, with its writer (which keeps the tree's pages decoded between
// writes).
struct Tree {
  Tree(PageFile& file, PageAllocator& allocator, const StoredTableDefinition& table, const RealIndex& index)
      : root(index.firstPage),
        usageMap(index.usageMap),
        store(file, allocator, index.usageMap),
        writer(store, index.firstPage, table.firstPage) {}
  std::uint32_t root;
  std::uint32_t usageMap;
  FileIndexPageStore store;
  IndexTreeWriter writer;
};

class TableIndexes final : public IndexMaintenance {
 public:
  TableIndexes(PageFile& file, PageAllocator& allocator) : file_(file), allocator_(allocator) {}

  void validate(StoredTableDefinition& table, const std::vector<Value>& row, std::optional<RowLocation> replacing,
                const std::vector<Value>* replacedRow) override {
    for (const RealIndex& index : table.realIndexes) {
      IndexKeyEncoder keys(table, index, file_.header());
      checkRowFits(table, keys, row);
      bool primary = backsPrimaryKey(table, index);
      if (primary || index.required()) requireNoNulls(table, index, keys, row);
      if (!keys.hasEntry(row)) continue;
      Bytes key = keys.rowKey(row);
      if (key.size() > maxIndexKeyLength(file_.layout()))
        throw Error(ErrorCode::ValueRejected, "table " + table.name + ", index " + indexName(table, index) +
                                                  ": the value " + keyText(keys, row) +
                                                  " is too long for an index entry");
      // Unique: equal keys are allowed only where every key column is Null.
      if (!(index.unique() || primary) || allKeyColumnsNull(keys, row)) continue;
      if (replacing && replacedRow && keys.hasEntry(*replacedRow) && keys.rowKey(*replacedRow) == key) continue;
      for (RowLocation other : tree(table, index).writer.rowsWithKey(key, 2)) {
        if (replacing && other == *replacing) continue;
        throw Error(ErrorCode::DuplicateKey,
                    "table " + table.name + ", index " + indexName(table, index) + ": the value " +
                        keyText(keys, row) + " is already in another row, and the index allows each value only once");
      }
    }
  }

  void insertEntries(StoredTableDefinition& table, const std::vector<Value>& row, RowLocation at) override {
    writeIndexRoots(file_, table, insertEntriesUnwritten(table, row, at));
  }

  std::vector<const RealIndex*> insertEntriesUnwritten(StoredTableDefinition& table, const std::vector<Value>& row,
                                                       RowLocation at) override {
    std::vector<const RealIndex*> counted;
    for (RealIndex& index : table.realIndexes) {
      IndexKeyEncoder keys(table, index, file_.header());
      checkRowFits(table, keys, row);
      if (keys.hasEntry(row) && add(table, index, keys.rowKey(row), at)) counted.push_back(&index);
    }
    return counted;
  }

  void removeEntries(StoredTableDefinition& table, const std::vector<Value>& row, RowLocation at) override {
    for (RealIndex& index : table.realIndexes) {
      IndexKeyEncoder keys(table, index, file_.header());
      checkRowFits(table, keys, row);
      // An entry the index lacks (a damaged index) is simply not there to remove: the row leaves
      // without one, which is what the index should say afterwards.
      if (keys.hasEntry(row)) tree(table, index).writer.remove(keys.rowKey(row), at);
    }
  }

  void updateEntries(StoredTableDefinition& table, const std::vector<Value>& oldRow,
                     const std::vector<Value>& newRow, RowLocation at) override {
    for (RealIndex& index : table.realIndexes) {
      IndexKeyEncoder keys(table, index, file_.header());
      checkRowFits(table, keys, oldRow);
      checkRowFits(table, keys, newRow);
      std::optional<Bytes> before, after;
      if (keys.hasEntry(oldRow)) before = keys.rowKey(oldRow);
      if (keys.hasEntry(newRow)) after = keys.rowKey(newRow);
      if (before == after) continue;  // same key bytes (or no entry either way): the entry stays
      if (before) tree(table, index).writer.remove(*before, at);
      if (after && add(table, index, *after, at)) writeIndexRoot(file_, table, index);
    }
  }

 private:
  void checkRowFits(const StoredTableDefinition& table, const IndexKeyEncoder& keys, const std::vector<Value>& row) {
    for (std::size_t pos : keys.positions())
      if (pos >= row.size())
        throw Error(ErrorCode::InvalidState, "table " + table.name + ": a row of " + std::to_string(row.size()) +
                                                 " values for " + std::to_string(table.columns.size()) + " columns");
  }

  void requireNoNulls(const StoredTableDefinition& table, const RealIndex& index, const IndexKeyEncoder& keys,
                      const std::vector<Value>& row) {
    for (std::size_t pos : keys.positions())
      if (row[pos].isNull())
        throw Error(ErrorCode::ValueRejected, "table " + table.name + ", index " + indexName(table, index) +
                                                  ": column " + table.columns[pos].name +
                                                  " may not be Null in this index");
  }

  // Adds the entry; a key the index did not hold yet counts in the definition's tally of distinct
  // keys, which Access raises on every new key and never lowers. Returns whether the tally rose
  // (the caller writes it).
  bool add(StoredTableDefinition& table, RealIndex& index, const Bytes& key, RowLocation at) {
    if (!tree(table, index).writer.insert(key, at)) return false;
    ++index.rowCountHint;
    return true;
  }

  Tree& tree(const StoredTableDefinition& table, const RealIndex& index) {
    auto id = std::make_pair(table.firstPage, index.number);
    auto it = trees_.find(id);
    if (it == trees_.end() || it->second->root != index.firstPage || it->second->usageMap != index.usageMap)
      it = trees_.insert_or_assign(id, std::make_unique<Tree>(file_, allocator_, table, index)).first;
    return *it->second;
  }

  PageFile& file_;
  PageAllocator& allocator_;
  std::map<std::pair<std::uint32_t, std::uint32_t>, std::unique_ptr<Tree>> trees_;
};

}  // namespace

std::unique_ptr<IndexMaintenance> makeIndexMaintenance(PageFile& file, PageAllocator& allocator) {
  return std::make_unique<TableIndexes>(file, allocator);
}

}  // namespace jet
