#pragma once
// The stored definition of a new table, from the definition a caller gives (schema.h): every check
// of the caller's definition, and the layout Access gives such a table.
//
// Layout: columns are numbered in the order given. Fixed-size columns are packed into the row's
// fixed area in that order (Yes/No values live in the null mask and take no room there); Text,
// Binary, Memo and OLE columns take the variable slots in that order. Flags as Access sets them:
// every column updatable, fixed-size columns marked fixed, autonumber Long and GUID marked, and on Jet 4
// Text and Memo columns stored with Unicode compression. Each index gets its own index tree,
// numbered in the order given; a primary key is unique and required.
//
// Required columns are marked required; the catalog keeps that (as the "Required" property).
//
// Page numbers, usage maps and the table's name in the catalog are left for the caller: firstPage,
// pages, ownedPagesMap, freePagesMap, each tree's usageMap and firstPage, and columnUsageMaps
// (planned here with zero row pointers, one entry per Memo and OLE column).

#include <string_view>

#include "jet/file/format.h"
#include "jet/schema.h"
#include "jet/tdef/table_definition.h"

namespace jet {

// Limits Access puts on tables (the same for Jet 3 and Jet 4).
inline constexpr std::size_t kMaxColumnsPerTable = 255;
inline constexpr std::size_t kMaxIndexesPerTable = 32;
inline constexpr std::size_t kMaxObjectNameLength = 64;  // characters of a table, column or index name
inline constexpr int kMaxTextSize = 255;                  // characters of Text, bytes of Binary
inline constexpr int kMaxDecimalPrecision = 28;

// Checks a table, column or index name as Access does: 1 to 64 characters, no leading space, no
// control characters, none of . ! ` [ ]. Throws Error(ValueRejected) whose message names `what`
// (e.g. "column \"Model\" of table \"woofers\"") and says what is wrong.
void checkObjectName(std::string_view name, const std::string& what);

// Checks the definition and lays the table out. Throws Error(ValueRejected) naming the table and
// the column or index at fault: a bad or repeated name, no columns or too many, a size out of
// range (Text and Binary 1..255, 0 meaning 255; Decimal precision 1..28 and scale up to it, and
// no Decimal in Jet 3), autonumber on anything but Long and GUID or on two columns, fixed-size columns that
// do not fit in a row, an index without columns or with more than 10, on a column that does not
// exist, twice on one column, on a Memo or OLE column, a second primary key, more than 32 indexes,
// or an index marked foreign (relationships are not made here).
StoredTableDefinition planTableDefinition(const TableDefinition& definition, Format version);

}  // namespace jet
