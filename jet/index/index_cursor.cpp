#include "jet/index/index_cursor.h"

#include <algorithm>
#include <string>

#include "jet/error.h"
#include "jet/file/page_file.h"

namespace jet {
namespace {

const RealIndex& realIndexOf(const StoredTableDefinition& table, const LogicalIndex& index) {
  if (index.realIndex >= table.realIndexes.size())
    throwDamaged("index " + index.name + " of table " + table.name + " refers to a missing index tree");
  return table.realIndexes[index.realIndex];
}

}  // namespace

IndexCursor::IndexCursor(PageFile& pages, const StoredTableDefinition& table, const LogicalIndex& index)
    : pages_(pages),
      seenChanges_(pages.changeCount()),
      name_(index.name),
      keys_(table, realIndexOf(table, index), pages.header()),
      reader_(pages, realIndexOf(table, index).firstPage, table.firstPage) {}

std::optional<RowLocation> IndexCursor::rowIf(bool ok) const {
  if (!ok) return std::nullopt;
  return reader_.entry().row;
}

void IndexCursor::settled() { seenChanges_ = pages_.changeCount(); }

bool IndexCursor::refind() {
  IndexEntry here = reader_.entry();
  reader_.reset();  // the decoded pages of the old path may be gone from the tree
  settled();
  return reader_.seek(here.key, here.row) && reader_.entry().key == here.key && reader_.entry().row == here.row;
}

std::optional<RowLocation> IndexCursor::first() {
  settled();
  return rowIf(reader_.first());
}

std::optional<RowLocation> IndexCursor::last() {
  settled();
  return rowIf(reader_.last());
}

std::optional<RowLocation> IndexCursor::next() {
  if (reader_.valid() && seenChanges_ != pages_.changeCount() && !refind()) {
    // The entry is gone; the reader already stands on the one after it.
    return rowIf(reader_.valid());
  }
  return rowIf(reader_.next());
}

std::optional<RowLocation> IndexCursor::previous() {
  if (reader_.valid() && seenChanges_ != pages_.changeCount() && !refind()) {
    // The entry is gone: the one before it is the one before where it would be.
    if (!reader_.valid()) return rowIf(reader_.last());
  }
  return rowIf(reader_.previous());
}

std::optional<RowLocation> IndexCursor::current() const {
  return rowIf(reader_.valid());
}

std::optional<RowLocation> IndexCursor::seek(const std::vector<Value>& values) {
  settled();
  std::optional<Bytes> key = keys_.seekKey(values);
  if (!key) {
    reader_.clearPosition();
    return std::nullopt;
  }
  if (!reader_.seek(*key)) return std::nullopt;
  const Bytes& found = reader_.entry().key;
  if (found.size() < key->size() || !std::equal(key->begin(), key->end(), found.begin())) {
    reader_.clearPosition();
    return std::nullopt;
  }
  return reader_.entry().row;
}

std::optional<std::pair<Bytes, RowLocation>> IndexCursor::currentEntry() const {
  if (!reader_.valid()) return std::nullopt;
  return std::make_pair(reader_.entry().key, reader_.entry().row);
}

IndexCursor::Resume IndexCursor::resume(const Bytes& key, RowLocation row) {
  settled();
  if (!reader_.seek(key, row)) return Resume::End;
  return reader_.entry().key == key && reader_.entry().row == row ? Resume::Exact : Resume::After;
}

bool IndexCursor::positionAt(const Bytes& key, RowLocation row) {
  settled();
  if (reader_.seek(key, row) && reader_.entry().key == key && reader_.entry().row == row) return true;
  reader_.clearPosition();
  return false;
}

}  // namespace jet
