#pragma once
// Small helpers of the scans that walk a driver table from its first row to its end.

#include <string_view>

#include "jet/error.h"
#include "jet/table.h"
#include "jet/value.h"

namespace qbm {

// What walks of a damaged file could not read: rows whose fields could not be read, and pages of
// a table whose rows could not be read at all (jet::Table::unreadablePages).
struct ReadProblems {
  long rows = 0;
  long pages = 0;
  long total() const { return rows + pages; }
  ReadProblems& operator+=(const ReadProblems& o) {
    rows += o.rows;
    pages += o.pages;
    return *this;
  }
  friend bool operator==(const ReadProblems&, const ReadProblems&) = default;
};

// Walks the cursor from its first row to its end: readRow() at each row, then afterRow(). A row
// whose fields cannot be read (jet::Error from readRow) is passed over and counted, as are the
// pages the walk passes over; errors of the walk itself reach the caller.
template <class ReadRow, class AfterRow>
ReadProblems WalkRows(jet::Table& table, ReadRow readRow, AfterRow afterRow) {
  ReadProblems unread;
  for (table.moveFirst(); !table.eof(); table.moveNext()) {
    try {
      readRow();
    } catch (const jet::Error&) {
      ++unread.rows;
    }
    afterRow();
  }
  unread.pages = static_cast<long>(table.unreadablePages());
  return unread;
}

template <class ReadRow>
ReadProblems WalkRows(jet::Table& table, ReadRow readRow) {
  return WalkRows(table, readRow, [] {});
}

// Makes the named index the cursor's order ("" = physical order) unless it already is: the cursor
// then keeps the index pages it has read, so that seek after seek on the same index costs little.
// Like Table::setIndex, leaves the cursor without a current row only when the order changes.
// Throws Error(MissingIndex) for an index the table lacks.
void SelectIndex(jet::Table& table, std::string_view indexName);

// A field read by position, resolved once per walk (jet::Table::columnIndex); a field the table
// lacks (position -1) reads as Null, as fieldValue does.
jet::Value valueAt(const jet::Table& table, int column);

}  // namespace qbm
