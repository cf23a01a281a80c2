#include "jet/table_cursor.h"

#include "jet/error.h"
#include "jet/physical_order.h"
#include "jet/text_codec.h"

namespace jet::detail {

TableCursor::TableCursor(std::shared_ptr<DatabaseCore> core, std::shared_ptr<const StoredTableDefinition> definition)
    : core_(std::move(core)),
      definition_(std::move(definition)),
      schema_(definition_->toSchema()),
      reader_(core_->file(), *definition_),
      order_(std::make_unique<PhysicalOrder>(core_->file(), *definition_)) {
  moveFirst();
}

DatabaseCore& TableCursor::core() const {
  core_->requireOpen();
  return *core_;
}

int TableCursor::columnIndex(std::string_view name) const {
  for (std::size_t i = 0; i < schema_.columns.size(); ++i)
    if (namesEqual(schema_.columns[i].name, name)) return static_cast<int>(i);
  return -1;
}

std::int64_t TableCursor::rowCount() const {
  core();
  return definition_->rowCount;
}

void TableCursor::setOrder(std::unique_ptr<RowOrder> order, std::string indexName) {
  core();
  order_ = order ? std::move(order) : std::make_unique<PhysicalOrder>(file(), *definition_);
  indexName_ = std::move(indexName);
  position_ = Position::Unpositioned;
  image_.reset();
  noMatch_ = false;
}

void TableCursor::setIndex(std::string_view indexName) {
  core();
  if (indexName.empty()) {
    setOrder(nullptr, "");
    return;
  }
  for (const LogicalIndex& index : definition_->logicalIndexes) {
    if (namesEqual(index.name, indexName)) {
      setOrder(makeIndexOrder(*this, index), index.name);
      return;
    }
  }
  throw Error(ErrorCode::MissingIndex,
              "table " + definition_->name + " has no index \"" + std::string(indexName) + "\"");
}

bool TableCursor::seek(const std::vector<Value>& key) {
  core();
  if (indexName_.empty()) throw Error(ErrorCode::InvalidState, "seek on table " + definition_->name + " needs an index");
  std::optional<RowLocation> found = order_->seek(key);
  noMatch_ = !found;
  arrive(found, Position::Unpositioned);
  return found.has_value();
}

void TableCursor::arrive(std::optional<RowLocation> row, Position ifNone) {
  image_.reset();
  if (row) {
    position_ = Position::OnRow;
    current_ = *row;
    knownEmpty_ = false;
  } else {
    position_ = ifNone;
  }
}

void TableCursor::moveFirst() {
  core();
  std::optional<RowLocation> row = order_->first();
  knownEmpty_ = !row;
  arrive(row, Position::AfterLast);
}

void TableCursor::moveLast() {
  core();
  std::optional<RowLocation> row = order_->last();
  knownEmpty_ = !row;
  arrive(row, Position::BeforeFirst);
}

void TableCursor::moveNext() {
  core();
  switch (position_) {
    case Position::AfterLast: throw Error(ErrorCode::NoCurrentRow, "move past the end of table " + definition_->name);
    case Position::Unpositioned:
    case Position::BeforeFirst: return moveFirst();
    case Position::OnRow: return arrive(order_->next(), Position::AfterLast);
  }
}

void TableCursor::movePrevious() {
  core();
  switch (position_) {
    case Position::BeforeFirst:
      throw Error(ErrorCode::NoCurrentRow, "move before the start of table " + definition_->name);
    case Position::Unpositioned:
    case Position::AfterLast: return moveLast();
    case Position::OnRow: return arrive(order_->previous(), Position::BeforeFirst);
  }
}

bool TableCursor::eof() const {
  core();
  return position_ == Position::AfterLast || (knownEmpty_ && position_ == Position::BeforeFirst);
}

bool TableCursor::bof() const {
  core();
  return position_ == Position::BeforeFirst || (knownEmpty_ && position_ == Position::AfterLast);
}

RowLocation TableCursor::current() const {
  core();
  if (position_ != Position::OnRow) throw Error(ErrorCode::NoCurrentRow, "no current row in table " + definition_->name);
  return current_;
}

const RowColumns& TableCursor::currentColumns() {
  RowLocation at = current();
  if (!image_) {
    std::optional<RowImage> image = reader_.fetch(at);
    if (!image) throw Error(ErrorCode::NoCurrentRow, "the current row of table " + definition_->name + " was deleted");
    columns_ = reader_.split(*image);
    image_ = std::move(image);
  }
  return columns_;
}

Value TableCursor::get(int columnIndex) {
  if (columnIndex < 0 || static_cast<std::size_t>(columnIndex) >= definition_->columns.size())
    throw Error(ErrorCode::MissingColumn, "table " + definition_->name + " has no column number " + std::to_string(columnIndex));
  const RowColumns& columns = currentColumns();
  return reader_.decode(columns, static_cast<std::size_t>(columnIndex));
}

Value TableCursor::get(std::string_view column) {
  int index = columnIndex(column);
  if (index < 0)
    throw Error(ErrorCode::MissingColumn, "table " + definition_->name + " has no column \"" + std::string(column) + "\"");
  return get(index);
}

void TableCursor::getAll(std::vector<Value>& out) {
  const RowColumns& columns = currentColumns();
  out.clear();
  for (std::size_t i = 0; i < definition_->columns.size(); ++i) out.push_back(reader_.decode(columns, i));
}

Bookmark TableCursor::bookmark() const {
  RowLocation at = current();
  return Bookmark{at.page, at.row};
}

void TableCursor::setBookmark(const Bookmark& b) {
  core();
  RowLocation at{b.page, b.row};
  if (!order_->moveTo(at)) {
    position_ = Position::Unpositioned;
    image_.reset();
    throw Error(ErrorCode::NoCurrentRow, "the bookmarked row of table " + definition_->name + " no longer exists");
  }
  arrive(at, Position::Unpositioned);
}

}  // namespace jet::detail
