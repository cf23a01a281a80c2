#pragma once
// What the row writer asks of a table's indexes on every insert, update and delete, so that every
// index stays exact. The index writer implements it; makeIndexMaintenance() gives the engine's
// implementation.
//
// Calls come inside the page file's statement of the row write: when any step throws, every page
// the write changed (index pages included) is restored, so an implementation need not undo its own
// partial work. Rows are the values of all the table's columns, by position in
// StoredTableDefinition::columns, as they are (or will be) stored: Yes/No as bool, text as UTF-8,
// long values whole.
//
// Order of calls for one row write:
//   insert: validate(row, nullopt) -> row written at `at` -> insertEntries(row, at) (or
//           insertEntriesUnwritten(row, at), then the changed roots and counts written)
//   update: validate(newRow, at) -> row rewritten (its location stays `at`) -> updateEntries(...)
//   delete: removeEntries(row, at) -> row marked deleted
// The table definition is passed mutable: an implementation that moves an index's root page or
// changes the counts kept for an index updates it and writes it back (table_definition_writer.h).

#include <memory>
#include <optional>
#include <vector>

#include "jet/page/data_page.h"
#include "jet/tdef/table_definition.h"
#include "jet/value.h"

namespace jet {

class PageFile;
class PageAllocator;

class IndexMaintenance {
 public:
  virtual ~IndexMaintenance() = default;

  // Before anything is written. Throws Error(DuplicateKey) naming table, index and value when the
  // row would give a unique index a second entry with an equal key, and Error(ValueRejected) when a
  // required index gets a Null key column. replacing: the row being edited (its own entries do not
  // count as duplicates), nullopt for a new row. replacedRow: that row's values as they are now,
  // when known; a unique key they already give it is not looked for again (in a sound index the
  // only entry with that key is the row's own).
  virtual void validate(StoredTableDefinition& table, const std::vector<Value>& row,
                        std::optional<RowLocation> replacing, const std::vector<Value>* replacedRow = nullptr) = 0;
  // Adds the row's entries to every index (none where an ignore-Nulls index leaves the row out).
  virtual void insertEntries(StoredTableDefinition& table, const std::vector<Value>& row, RowLocation at) = 0;
  // The same, except that the index trees whose root page or row count changed are returned, not
  // written: the caller writes them (writeIndexRoots), as the row writer does with the table's row
  // count in one write.
  virtual std::vector<const RealIndex*> insertEntriesUnwritten(StoredTableDefinition& table,
                                                               const std::vector<Value>& row, RowLocation at) = 0;
  // Removes the entries the row with these values has at that location.
  virtual void removeEntries(StoredTableDefinition& table, const std::vector<Value>& row, RowLocation at) = 0;
  // The row at `at` changed from oldRow to newRow. The default removes and re-adds every entry;
  // an implementation may skip indexes whose key did not change.
  virtual void updateEntries(StoredTableDefinition& table, const std::vector<Value>& oldRow,
                             const std::vector<Value>& newRow, RowLocation at) {
    removeEntries(table, oldRow, at);
    insertEntries(table, newRow, at);
  }
};

// The engine's index maintenance for a database, writing through file and taking pages from
// allocator (both outlive it).
std::unique_ptr<IndexMaintenance> makeIndexMaintenance(PageFile& file, PageAllocator& allocator);

}  // namespace jet
