#pragma once
// Writing the fields of a table definition that change as rows and index entries are written: the
// row count, the next autonumber value, and per index tree its root page and row count. Offsets are
// into the definition's bytes as readTableDefinition joins them (the first TDEF page whole, then
// each continuation page from byte 8 on); writes go to the TDEF pages through the page file's open
// transaction.

#include <cstddef>

#include "jet/bytes.h"
#include "jet/table_definition.h"

namespace jet {

class PageFile;

// Writes bytes at a joined offset of the definition. Throws Error(InvalidState) when the range
// reaches past the definition's pages. Pages whose bytes already hold these values are not written.
void writeDefinitionBytes(PageFile& file, const StoredTableDefinition& table, std::size_t offset, ByteSpan bytes);

// Writes table.rowCount and table.nextAutoNumber.
void writeRowCounts(PageFile& file, const StoredTableDefinition& table);

// Writes the index tree's root page (index.firstPage) and row count (index.rowCountHint).
void writeIndexRoot(PageFile& file, const StoredTableDefinition& table, const RealIndex& index);

}  // namespace jet
