#pragma once
// Small helpers of the scans that walk a driver table from its first row to its end.

#include <string_view>

#include "jet/table.h"
#include "jet/value.h"

namespace qbm {

// The number of rows met walking the cursor from its first row to its end (it is left at the end).
long CountRows(jet::Table& table);

// A field read by position, resolved once per walk (jet::Table::columnIndex); a field the table
// lacks (position -1) reads as Null, as fieldValue does.
jet::Value valueAt(const jet::Table& table, int column);

}  // namespace qbm
