#pragma once
// Row writes of one table: insert, update and delete, with the row's long values, the table's row
// count and autonumber counter (in its definition) and its indexes (IndexMaintenance) kept along.
//
// New rows go to a page of the table that the free-space map lists with room, else to a new data
// page. An updated row stays where it is when its page can hold it; otherwise it moves to another
// page and its old place keeps a pointer to it (an overflow row), so index entries and bookmarks,
// which name the old place, stay valid. Deleted rows are flagged deleted and their long values
// freed; pages that get room back return to the free-space map.
//
// Each call must run inside a WriteScope (database_core.h): on an error, the scope undoes the
// pages the call changed.

#include <vector>

#include "jet/page/data_page.h"
#include "jet/table/row_reader.h"
#include "jet/table/row_writer.h"
#include "jet/tdef/table_definition.h"
#include "jet/value.h"

namespace jet {

namespace detail {
class DatabaseCore;
}

class TableWriter {
 public:
  TableWriter(detail::DatabaseCore& core, StoredTableDefinition& table);

  // Stores a new row. row: every column's value (by position in the table's columns), converted
  // for its column, autonumbers filled in. Returns where the row is.
  RowLocation insert(const std::vector<Value>& row);
  // Rewrites the row at `at`. oldRow: its values as read; newRow: as they are to be; changed[i]:
  // column i was set (unchanged columns keep their stored bytes as they are).
  void update(RowLocation at, const std::vector<Value>& oldRow, const std::vector<Value>& newRow,
              const std::vector<bool>& changed);
  // Deletes the row at `at`, whose values are row.
  void remove(RowLocation at, const std::vector<Value>& row);

 private:
  struct Placement {
    RowLocation header;  // where the row's identity is (index entries point here)
    bool overflow = false;
    RowLocation target;  // where its bytes are, when overflow
  };
  Placement locate(RowLocation at);
  // The row's columns as they will be stored (in scratch_).
  const std::vector<ColumnBytes>& encodeColumns(const std::vector<Value>& row, const std::vector<bool>* changed,
                                                const RowImage* old);
  Bytes longValueBytes(const StoredColumn& column, const Value& value, std::size_t roomInRow);
  void freeLongValues(const RowImage& image, const std::vector<bool>* only);
  // Puts a row on a page with room (not `avoid`) and returns where.
  RowLocation placeRow(ByteSpan row, std::uint16_t flags, std::uint32_t avoid);
  std::uint32_t pageWithRoom(std::size_t size, std::uint32_t avoid);
  // Lists the page in the free-space map, or takes it out, by the room it has now.
  void updateFreeSpace(std::uint32_t page);
  std::size_t usefulRoom() const { return minRowSize_ + 2; }

  detail::DatabaseCore& core_;
  StoredTableDefinition& table_;
  std::size_t minRowSize_ = 0;  // the size of a row without any values
  std::vector<ColumnBytes> scratch_;
};

}  // namespace jet
