#include "jet/table.h"

#include "jet/error.h"
#include "jet/table/table_cursor.h"
#include "jet/text/text_codec.h"

namespace jet {

Table::Table(std::shared_ptr<detail::TableCursor> cursor) : cursor_(std::move(cursor)) {}
Table::Table(Table&&) noexcept = default;
Table& Table::operator=(Table&&) noexcept = default;
Table::~Table() = default;

const std::string& Table::name() const { return cursor_->definition().name; }
const std::vector<ColumnDefinition>& Table::columns() const { return cursor_->schema().columns; }
const std::vector<IndexDefinition>& Table::indexes() const { return cursor_->schema().indexes; }
int Table::columnIndex(std::string_view name) const { return cursor_->columnIndex(name); }
std::int64_t Table::rowCount() const { return cursor_->rowCount(); }

void Table::setIndex(std::string_view indexName) { cursor_->setIndex(indexName); }
const std::string& Table::currentIndex() const { return cursor_->currentIndex(); }
bool Table::seek(const Value& key) { return cursor_->seek({key}); }
bool Table::seek(const std::vector<Value>& key) { return cursor_->seek(key); }
bool Table::noMatch() const { return cursor_->noMatch(); }

void Table::moveFirst() { cursor_->moveFirst(); }
void Table::moveLast() { cursor_->moveLast(); }
void Table::moveNext() { cursor_->moveNext(); }
void Table::movePrevious() { cursor_->movePrevious(); }
bool Table::eof() const { return cursor_->eof(); }
bool Table::bof() const { return cursor_->bof(); }
std::int64_t Table::unreadablePages() const { return cursor_->unreadablePages(); }

Value Table::get(std::string_view column) const { return cursor_->get(column); }
Value Table::get(int columnIndex) const { return cursor_->get(columnIndex); }

Bookmark Table::bookmark() const { return cursor_->bookmark(); }
void Table::setBookmark(const Bookmark& b) { cursor_->setBookmark(b); }

void Table::addNew() { cursor_->addNew(); }
void Table::edit() { cursor_->edit(); }
void Table::set(std::string_view column, const Value& value) { cursor_->set(column, value); }
void Table::set(int columnIndex, const Value& value) { cursor_->set(columnIndex, value); }
void Table::update() { cursor_->update(); }
void Table::cancelUpdate() { cursor_->cancelUpdate(); }
void Table::remove() { cursor_->remove(); }
bool Table::editing() const { return cursor_->editing(); }

std::u32string Table::unstorableCharacters(std::string_view column, std::string_view text) const {
  const int index = cursor_->columnIndex(column);
  if (index < 0)
    throw Error(ErrorCode::MissingColumn, "table " + name() + " has no column \"" + std::string(column) + "\"");
  const StoredColumn& c = cursor_->definition().columns[static_cast<std::size_t>(index)];
  const PageFile& file = cursor_->file();
  if (file.layout().version != Format::Jet3 || (c.type != ColumnType::Text && c.type != ColumnType::Memo))
    return {};
  return charactersOutsideCodePage(text, file.header().codePage);
}

}  // namespace jet
