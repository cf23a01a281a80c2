// The order of a named index, as a table cursor's RowOrder: moves in key order, "=" seeks, and
// returning to a bookmarked row's own entry.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "jet/error.h"
#include "jet/index/index_cursor.h"
#include "jet/page/row_order.h"
#include "jet/table/table_cursor.h"
#include "jet/tdef/table_definition.h"

namespace jet {
namespace {

class IndexOrder final : public RowOrder {
 public:
  IndexOrder(detail::TableCursor& table, const LogicalIndex& index)
      : table_(table), name_(index.name),
        cursor_(std::make_unique<IndexCursor>(table.file(), table.definition(), index)) {}

  std::optional<RowLocation> first() override { return arrive(cursor_->first(), State::AfterLast); }
  std::optional<RowLocation> last() override { return arrive(cursor_->last(), State::BeforeFirst); }

  std::optional<RowLocation> next() override {
    switch (state_) {
      case State::BeforeFirst: return first();
      case State::OnEntry: return arrive(cursor_->next(), State::AfterLast);
      case State::Between: return arrive(cursor_->current(), State::AfterLast);
      case State::AfterLast: return std::nullopt;
    }
    return std::nullopt;
  }

  std::optional<RowLocation> previous() override {
    switch (state_) {
      case State::AfterLast: return last();
      case State::OnEntry:
      case State::Between: return arrive(cursor_->previous(), State::BeforeFirst);
      case State::BeforeFirst: return std::nullopt;
    }
    return std::nullopt;
  }

  // The index may have new pages and even a new root: a fresh cursor over it picks up from the
  // entry the old one stood on.
  void refresh() override {
    std::optional<std::pair<Bytes, RowLocation>> at;
    if (state_ == State::OnEntry || state_ == State::Between) at = cursor_->currentEntry();
    const StoredTableDefinition& def = table_.definition();
    for (const LogicalIndex& index : def.logicalIndexes)
      if (index.name == name_) cursor_ = std::make_unique<IndexCursor>(table_.file(), def, index);
    if (!at) return;
    switch (cursor_->resume(at->first, at->second)) {
      case IndexCursor::Resume::Exact: break;
      case IndexCursor::Resume::After: state_ = State::Between; break;
      case IndexCursor::Resume::End: state_ = State::AfterLast; break;
    }
  }

  // The row's entry is found by the row's own key, so moves go on from there in index order.
  bool moveTo(RowLocation row) override {
    std::optional<RowImage> image = table_.reader().fetch(row);
    if (!image) return false;
    table_.reader().decodeAll(*image, values_);
    const IndexKeyEncoder& keys = cursor_->keys();
    if (!keys.hasEntry(values_) || !cursor_->positionAt(keys.rowKey(values_), row)) {
      state_ = State::BeforeFirst;
      return false;
    }
    state_ = State::OnEntry;
    return true;
  }

  std::optional<RowLocation> seek(const std::vector<Value>& key) override {
    // After a failed seek the position is undefined; moves start again from an end.
    return arrive(cursor_->seek(key), State::BeforeFirst);
  }

 private:
  // Between: the entry that was current is gone; the cursor stands on the one after it.
  enum class State { BeforeFirst, OnEntry, Between, AfterLast };

  std::optional<RowLocation> arrive(std::optional<RowLocation> row, State ifNone) {
    state_ = row ? State::OnEntry : ifNone;
    return row;
  }

  detail::TableCursor& table_;
  std::string name_;
  std::unique_ptr<IndexCursor> cursor_;
  State state_ = State::BeforeFirst;
  std::vector<Value> values_;
};

}  // namespace

std::unique_ptr<RowOrder> makeIndexOrder(detail::TableCursor& cursor, const LogicalIndex& index) {
  return std::make_unique<IndexOrder>(cursor, index);
}

}  // namespace jet
