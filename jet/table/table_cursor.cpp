#include "jet/table/table_cursor.h"

#include <random>

#include "jet/error.h"
#include "jet/page/physical_order.h"
#include "jet/table/table_writer.h"
#include "jet/text/text_codec.h"
#include "jet/tdef/value_conversion.h"

namespace jet::detail {

TableCursor::TableCursor(std::shared_ptr<DatabaseCore> core, std::shared_ptr<const StoredTableDefinition> definition)
    : core_(std::move(core)),
      definition_(std::move(definition)),
      schema_(definition_->toSchema()),
      reader_(core_->file(), *definition_),
      order_(std::make_unique<PhysicalOrder>(core_->file(), *definition_)),
      seenChanges_(core_->file().changeCount()) {
  for (std::size_t i = 0; i < schema_.columns.size(); ++i) {
    columnsByName_.emplace(schema_.columns[i].name, static_cast<int>(i));
    columnsByFoldedName_.emplace(foldedName(schema_.columns[i].name), static_cast<int>(i));
  }
  moveFirst();
}

void TableCursor::syncWithFile() {
  std::uint64_t changes = file().changeCount();
  if (changes == seenChanges_) return;
  seenChanges_ = changes;
  order_->refresh();
  image_.reset();
}

DatabaseCore& TableCursor::core() const {
  core_->requireOpen();
  return *core_;
}

int TableCursor::columnIndex(std::string_view name) const {
  int next = nameHint_ + 1;
  if (next >= 0 && static_cast<std::size_t>(next) < schema_.columns.size() && schema_.columns[next].name == name)
    return nameHint_ = next;
  // Callers name columns by constants: the column found for the same characters at the same
  // address, checked by name (another name at a reused address misses).
  NameByAddress& seen = byAddress_[(reinterpret_cast<std::uintptr_t>(name.data()) >> 3) % byAddress_.size()];
  if (seen.address == name.data() && seen.column >= 0 &&
      static_cast<std::size_t>(seen.column) < schema_.columns.size() && schema_.columns[seen.column].name == name)
    return nameHint_ = seen.column;
  int found = -1;
  if (auto exact = columnsByName_.find(name); exact != columnsByName_.end()) {
    found = exact->second;
    seen = {name.data(), found};
  } else if (auto folded = columnsByFoldedName_.find(std::string_view(foldedName(name)));
             folded != columnsByFoldedName_.end()) {
    found = folded->second;
  }
  if (found >= 0) nameHint_ = found;
  return found;
}

std::int64_t TableCursor::rowCount() const {
  core();
  return definition_->rowCount;
}

void TableCursor::setOrder(std::unique_ptr<RowOrder> order, std::string indexName) {
  core();
  order_ = order ? std::move(order) : std::make_unique<PhysicalOrder>(file(), *definition_);
  seenChanges_ = file().changeCount();
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
  syncWithFile();
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
  syncWithFile();
  std::optional<RowLocation> row = order_->first();
  knownEmpty_ = !row;
  arrive(row, Position::AfterLast);
}

void TableCursor::moveLast() {
  core();
  syncWithFile();
  std::optional<RowLocation> row = order_->last();
  knownEmpty_ = !row;
  arrive(row, Position::BeforeFirst);
}

void TableCursor::moveNext() {
  core();
  syncWithFile();
  switch (position_) {
    case Position::AfterLast: throw Error(ErrorCode::NoCurrentRow, "move past the end of table " + definition_->name);
    case Position::Unpositioned:
    case Position::BeforeFirst: return moveFirst();
    case Position::OnRow: return arrive(order_->next(), Position::AfterLast);
  }
}

void TableCursor::movePrevious() {
  core();
  syncWithFile();
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
    reader_.split(*image, columns_);
    image_ = std::move(image);
  }
  return columns_;
}

Value TableCursor::get(int columnIndex) {
  if (columnIndex < 0 || static_cast<std::size_t>(columnIndex) >= definition_->columns.size())
    throw Error(ErrorCode::MissingColumn, "table " + definition_->name + " has no column number " + std::to_string(columnIndex));
  core();
  if (editMode_ != EditMode::None) return pending_[static_cast<std::size_t>(columnIndex)];
  syncWithFile();
  const RowColumns& columns = currentColumns();
  return reader_.decode(columns, static_cast<std::size_t>(columnIndex));
}

Value TableCursor::get(std::string_view column) {
  int index = columnIndex(column);
  if (index < 0)
    throw Error(ErrorCode::MissingColumn, "table " + definition_->name + " has no column \"" + std::string(column) + "\"");
  return get(index);
}

const RowColumns& TableCursor::currentRow() {
  syncWithFile();
  return currentColumns();
}

void TableCursor::getAll(std::vector<Value>& out) {
  const RowColumns& columns = currentRow();
  out.clear();
  for (std::size_t i = 0; i < definition_->columns.size(); ++i) out.push_back(reader_.decode(columns, i));
}

Bookmark TableCursor::bookmark() const {
  RowLocation at = current();
  return Bookmark{at.page, at.row};
}

void TableCursor::setBookmark(const Bookmark& b) {
  core();
  syncWithFile();
  RowLocation at{b.page, b.row};
  if (!order_->moveTo(at)) {
    position_ = Position::Unpositioned;
    image_.reset();
    throw Error(ErrorCode::NoCurrentRow, "the bookmarked row of table " + definition_->name + " no longer exists");
  }
  arrive(at, Position::Unpositioned);
}

}  // namespace jet::detail

namespace jet::detail {

StoredTableDefinition& TableCursor::writableDefinition() { return core().mutableDefinition(*definition_); }

TableWriter& TableCursor::writer() {
  if (!writer_) writer_ = std::make_unique<TableWriter>(core(), writableDefinition());
  return *writer_;
}

void TableCursor::addNew() {
  core().requireWritable();  // before anything else
  editMode_ = EditMode::Adding;
  pending_.assign(definition_->columns.size(), Value(Null{}));
  for (std::size_t i = 0; i < definition_->columns.size(); ++i)
    if (definition_->columns[i].type == ColumnType::Boolean) pending_[i] = Value(false);
  original_.clear();  // a new row has no stored values
  changed_.assign(pending_.size(), false);
}

void TableCursor::edit() {
  core().requireWritable();
  syncWithFile();
  RowLocation at = current();
  std::vector<Value> values;
  getAll(values);
  editMode_ = EditMode::Editing;
  editing_ = at;
  original_ = values;
  pending_ = std::move(values);
  changed_.assign(pending_.size(), false);
}

void TableCursor::set(std::string_view column, const Value& value) {
  core();
  if (editMode_ == EditMode::None)
    throw Error(ErrorCode::InvalidState, "set on table " + definition_->name + " needs addNew or edit first");
  int index = columnIndex(column);
  if (index < 0)
    throw Error(ErrorCode::MissingColumn, "table " + definition_->name + " has no column \"" + std::string(column) + "\"");
  set(index, value);
}

void TableCursor::set(int index, const Value& value) {
  core();
  if (editMode_ == EditMode::None)
    throw Error(ErrorCode::InvalidState, "set on table " + definition_->name + " needs addNew or edit first");
  if (index < 0 || static_cast<std::size_t>(index) >= definition_->columns.size())
    throw Error(ErrorCode::MissingColumn, "table " + definition_->name + " has no column number " + std::to_string(index));
  const StoredColumn& c = definition_->columns[static_cast<std::size_t>(index)];
  // A new row may bring its own number in a Long autonumber column (as an append query that names
  // the column does); any other write to an autonumber column is refused.
  if (c.isAutoNumber() && !(editMode_ == EditMode::Adding && c.type == ColumnType::Long))
    throw Error(ErrorCode::ValueRejected, "table " + definition_->name + ", column " + c.name +
                                              ": the table numbers this column itself");
  const PageFile& pages = file();
  pending_[static_cast<std::size_t>(index)] =
      convertForColumn(c, value, definition_->name, pages.layout().version, pages.header().codePage);
  changed_[static_cast<std::size_t>(index)] = true;
}

void TableCursor::update() {
  DatabaseCore& db = core();
  if (editMode_ == EditMode::None)
    throw Error(ErrorCode::InvalidState, "update on table " + definition_->name + " needs addNew or edit first");
  StoredTableDefinition& def = writableDefinition();
  // Required columns refuse Null (an autonumber is filled in below).
  for (std::size_t i = 0; i < def.columns.size(); ++i)
    if (def.columns[i].required && !def.columns[i].isAutoNumber() && pending_[i].isNull())
      throw Error(ErrorCode::ValueRejected, "column " + def.columns[i].name + " of table " + def.name +
                                                " is required and cannot be left empty (Null)");
  RowLocation at;
  {
    WriteScope scope(db);
    TableWriter& writer = this->writer();
    if (editMode_ == EditMode::Adding) {
      std::vector<Value>& row = pending_;  // kept as it is only if the update fails before numbering
      for (std::size_t i = 0; i < def.columns.size(); ++i) {
        const StoredColumn& c = def.columns[i];
        if (!c.isAutoNumber()) continue;
        if (c.type == ColumnType::Long) {
          const auto* given = changed_[i] ? row[i].getIf<std::int32_t>() : nullptr;
          if (given) {
            // The counter continues above a number given by the caller.
            if (*given > 0 && static_cast<std::uint32_t>(*given) > def.nextAutoNumber)
              def.nextAutoNumber = static_cast<std::uint32_t>(*given);
          } else {
            row[i] = Value(static_cast<std::int32_t>(++def.nextAutoNumber));
          }
        } else if (c.type == ColumnType::Guid) {
          static std::random_device random;
          Guid g;
          for (auto& b : g) b = static_cast<std::uint8_t>(random());
          g[7] = static_cast<std::uint8_t>((g[7] & 0x0F) | 0x40);  // a version 4 (random) GUID
          g[8] = static_cast<std::uint8_t>((g[8] & 0x3F) | 0x80);
          row[i] = Value(g);
        }
      }
      at = writer.insert(row);
    } else {
      writer.update(editing_, original_, pending_, changed_);
      at = editing_;
    }
    scope.done();
  }
  editMode_ = EditMode::None;
  pending_.clear();
  original_.clear();
  changed_.clear();
  syncWithFile();
  // Stand on the saved row (an index that leaves it out leaves the cursor without a current row).
  if (order_->moveTo(at)) arrive(at, Position::Unpositioned);
  else position_ = Position::Unpositioned, image_.reset();
}

void TableCursor::cancelUpdate() {
  core();
  editMode_ = EditMode::None;
  pending_.clear();
  original_.clear();
  changed_.clear();
}

void TableCursor::remove() {
  core().requireWritable();
  syncWithFile();
  if (editMode_ != EditMode::None) cancelUpdate();
  RowLocation at = current();
  std::vector<Value> values;
  getAll(values);
  {
    WriteScope scope(core());
    writer().remove(at, values);
    scope.done();
  }
  syncWithFile();  // the order now stands between the deleted row's neighbours
  image_.reset();
}

}  // namespace jet::detail
