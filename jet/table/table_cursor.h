#pragma once
// The engine side of a Table handle: a position in a RowOrder (physical order, or an index's order
// once one is selected), the current row's bytes split into columns, and the table's definition.
//
// The index reader plugs its order in through setOrder(); everything that reads the current row
// works the same whichever order is in use.

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "jet/table/database_core.h"
#include "jet/page/row_order.h"
#include "jet/table/row_reader.h"
#include "jet/schema.h"
#include "jet/table.h"
#include "jet/table/table_writer.h"

namespace jet::detail {

class TableCursor {
 public:
  TableCursor(std::shared_ptr<DatabaseCore> core, std::shared_ptr<const StoredTableDefinition> definition);

  const StoredTableDefinition& definition() const { return *definition_; }
  const TableDefinition& schema() const { return schema_; }
  // Throws Error(InvalidState) when the database is closed; every operation starts with it.
  DatabaseCore& core() const;
  PageFile& file() const { return core().file(); }
  RowReader& reader() { return reader_; }

  int columnIndex(std::string_view name) const;
  std::int64_t rowCount() const;

  // Makes `order` the order of later moves (physical order when null), named `indexName` ("" for
  // physical). Leaves the cursor without a current row.
  void setOrder(std::unique_ptr<RowOrder> order, std::string indexName);
  void setIndex(std::string_view indexName);
  const std::string& currentIndex() const { return indexName_; }

  bool seek(const std::vector<Value>& key);
  bool noMatch() const { return noMatch_; }

  void moveFirst();
  void moveLast();
  void moveNext();
  void movePrevious();
  bool eof() const;
  bool bof() const;
  std::int64_t unreadablePages() const { return order_->unreadablePages(); }

  // The current row, or Error(NoCurrentRow).
  RowLocation current() const;
  bool hasCurrentRow() const { return position_ == Position::OnRow; }
  Value get(int columnIndex);
  Value get(std::string_view column);
  // Every column of the current row, in column order.
  void getAll(std::vector<Value>& out);
  // The current row's bytes split into columns, for reading columns straight from them (reader()
  // decodes them), or Error(NoCurrentRow). Valid until the cursor moves.
  const RowColumns& currentRow();

  Bookmark bookmark() const;
  void setBookmark(const Bookmark& b);

  // Writing (table.h states the contract).
  void addNew();
  void edit();
  void set(std::string_view column, const Value& value);
  void set(int columnIndex, const Value& value);
  void update();
  void cancelUpdate();
  void remove();
  bool editing() const { return editMode_ != EditMode::None; }

 private:
  enum class EditMode { None, Adding, Editing };
  // The table's writer, made on first use.
  TableWriter& writer();
  // Catches up with rows written since the last move (through this cursor or another).
  void syncWithFile();
  StoredTableDefinition& writableDefinition();

  enum class Position { BeforeFirst, OnRow, AfterLast, Unpositioned };
  void arrive(std::optional<RowLocation> row, Position ifNone);
  const RowColumns& currentColumns();

  std::shared_ptr<DatabaseCore> core_;
  std::shared_ptr<const StoredTableDefinition> definition_;
  TableDefinition schema_;
  // Column positions by name as stored, and by folded name (names compare without regard to case).
  struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
  };
  using NameMap = std::unordered_map<std::string, int, NameHash, std::equal_to<>>;
  NameMap columnsByName_, columnsByFoldedName_;
  mutable int nameHint_ = -1;  // the column found last: callers tend to name columns in order
  struct NameByAddress {
    const char* address = nullptr;
    int column = -1;
  };
  mutable std::array<NameByAddress, 128> byAddress_{};  // columnIndex's last finds, by the name's address
  RowReader reader_;
  std::unique_ptr<RowOrder> order_;
  std::string indexName_;
  Position position_ = Position::BeforeFirst;
  RowLocation current_;
  bool noMatch_ = false;
  bool knownEmpty_ = false;  // the last moveFirst/moveLast found no rows
  // The current row's bytes and their split, read on first use.
  std::optional<RowImage> image_;
  RowColumns columns_;
  std::uint64_t seenChanges_ = 0;  // the page file's change count the order was last in step with

  // The row being added or edited: every column's value, and which ones set() changed.
  EditMode editMode_ = EditMode::None;
  RowLocation editing_;
  std::vector<Value> original_;
  std::vector<Value> pending_;
  std::vector<bool> changed_;
  std::unique_ptr<TableWriter> writer_;
};

}  // namespace jet::detail
