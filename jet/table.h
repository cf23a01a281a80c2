#pragma once
// A table-type cursor: walks a table in physical order or in the order of a selected index, seeks
// one key with "=", reads and writes fields by name, and returns to bookmarked rows. It sees the rows
// added through it and through other cursors of the same database.
//
// A Table is a handle: it stays valid while its Database is open; any use after the database is
// closed throws Error(InvalidState).
//
// Thread safety: none of its own. A Table shares its database's pages, caches and transaction, so
// all the tables of one database are used by one thread at a time, with the database itself.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "jet/schema.h"
#include "jet/value.h"

namespace jet {

namespace detail {
class TableCursor;
}

// Identifies a row for as long as the row exists (its data page and row number). Survives seeks,
// moves, index changes and writes to other rows.
struct Bookmark {
  std::uint32_t page = 0;
  std::uint16_t row = 0;
  friend bool operator==(const Bookmark&, const Bookmark&) = default;
};

class Table {
 public:
  explicit Table(std::shared_ptr<detail::TableCursor> cursor);
  Table(Table&&) noexcept;
  Table& operator=(Table&&) noexcept;
  ~Table();

  const std::string& name() const;
  const std::vector<ColumnDefinition>& columns() const;
  const std::vector<IndexDefinition>& indexes() const;
  // Position of the column in columns(), or -1. Names compare without regard to case.
  int columnIndex(std::string_view name) const;
  // Live rows in the table.
  std::int64_t rowCount() const;

  // Order of later moves: the named index (case-insensitive name), or physical order for "".
  // Throws Error(MissingIndex). Leaves the cursor without a current row.
  void setIndex(std::string_view indexName);
  const std::string& currentIndex() const;

  // "=" seek on the current index: stands on the first row in index order whose leading key
  // columns equal the given values (text compared as the database's sort order does, so without
  // regard to letter case). Returns true when found; noMatch() tells the same afterwards.
  // REQUIRES: an index is selected.
  bool seek(const Value& key);
  bool seek(const std::vector<Value>& key);
  bool noMatch() const;

  void moveFirst();
  void moveLast();
  void moveNext();
  void movePrevious();
  bool eof() const;  // past the last row (also: empty table)
  bool bof() const;  // before the first row
  // Pages of a damaged table that the moves in physical order have passed over, each once, because
  // they could not be read as the table's data pages (the rows on them are missing from the walk);
  // after a walk from moveFirst to eof, all such pages. 0 in an index's order, whose damage shows
  // as errors instead. Counted since the order was last chosen (setIndex).
  std::int64_t unreadablePages() const;

  // Field of the current row. Throws Error(MissingColumn) or Error(NoCurrentRow).
  Value get(std::string_view column) const;
  Value get(int columnIndex) const;

  Bookmark bookmark() const;            // REQUIRES: a current row
  void setBookmark(const Bookmark& b);  // throws Error(NoCurrentRow) when the row is gone

  // Writing. addNew() starts an empty row (autonumber assigned on update), edit() makes the current
  // row writable; set() changes a field of that row (checked against the column at once: throws
  // Error(ValueRejected) naming table, column and value); update() saves it, keeping every index
  // exact (Error(DuplicateKey) on a unique index, nothing written); cancelUpdate() drops it.
  // After update() the cursor stands on the saved row. remove() deletes the current row.
  // A Long autonumber column is numbered by the table on update() of a new row, unless set() gave
  // the new row its own number (any value, also 0 or negative); the counter then continues above
  // it. An existing row's autonumber is never changed.
  void addNew();
  void edit();
  void set(std::string_view column, const Value& value);
  // The same by position in columns() (Error(MissingColumn) outside it), for writers of many rows.
  void set(int columnIndex, const Value& value);
  void update();
  void cancelUpdate();
  void remove();
  // The row being added or edited, for a caller that wants to read back what it set.
  bool editing() const;

  // The characters of `text` that the column cannot store, each once, in the order they first
  // come; empty when set() would take the text as it is. A Jet 3 file keeps text in its code page,
  // so its Text and Memo columns hold only that code page's characters; Jet 4 text holds every
  // character. (Columns of other types take no text as characters: empty.) set() refuses text
  // with such characters (Error(ValueRejected)) and never stores a stand-in; this lets a caller
  // look before it writes. Throws Error(MissingColumn).
  std::u32string unstorableCharacters(std::string_view column, std::string_view text) const;

 private:
  std::shared_ptr<detail::TableCursor> cursor_;
};

}  // namespace jet
