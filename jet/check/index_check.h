#pragma once
// Integrity checks of a table's indexes against its rows: each index tree is sound (index pages of
// this table, each page reached once, leaves on one level with consistent sibling links, every
// intermediate entry equal to the last entry below it, entries in strictly ascending order), and
// its entries match the rows exactly (one entry per row, except rows an ignore-Nulls index leaves
// out; each entry holds the key of the row it points at; unique and required indexes hold).

#include <vector>

#include "jet/check.h"
#include "jet/index/index_page.h"
#include "jet/tdef/table_definition.h"
#include "jet/value.h"

namespace jet {

class PageFile;

// A live row of a table and the values of its columns (by position in the table's columns; only
// the key columns of the table's indexes are read, so the values may end after the last of them).
// A row that could not be read (readable = false) is known to exist, but its key is not.
struct CheckedRow {
  RowLocation id;
  std::vector<Value> values;
  bool readable = true;
};

// Appends to problems what is wrong with the indexes of the table, given all its live rows in
// ascending order of their ids (as a walk of the table's pages finds them).
// Never throws for a damaged index: damage is reported as a problem.
void checkIndexes(PageFile& pages, const StoredTableDefinition& table,
                  const std::vector<CheckedRow>& rows, std::vector<Problem>& problems);

}  // namespace jet
