#pragma once
// Small helpers of the scans that walk a driver table from its first row to its end.

#include <string_view>

#include "jet/table.h"
#include "jet/value.h"

namespace qbm {

// Makes the named index the cursor's order ("" = physical order) unless it already is: the cursor
// then keeps the index pages it has read, so that seek after seek on the same index costs little.
// Like Table::setIndex, leaves the cursor without a current row only when the order changes.
// Throws Error(MissingIndex) for an index the table lacks.
void SelectIndex(jet::Table& table, std::string_view indexName);

// A field read by position, resolved once per walk (jet::Table::columnIndex); a field the table
// lacks (position -1) reads as Null, as fieldValue does.
jet::Value valueAt(const jet::Table& table, int column);

}  // namespace qbm
