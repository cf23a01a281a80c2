#pragma once
// Writing the fields of a table definition that change as rows and index entries are written: the
// row count, the next autonumber value, and per index tree its root page and row count. Offsets are
// into the definition's bytes as readTableDefinition joins them (the first TDEF page whole, then
// each continuation page from byte 8 on); writes go to the TDEF pages through the page file's open
// transaction.

#include <cstddef>
#include <span>

#include "jet/file/bytes.h"
#include "jet/tdef/table_definition.h"

namespace jet {

class PageFile;

// Bytes to write at a joined offset of the definition.
struct DefinitionBytes {
  std::size_t offset;
  ByteSpan bytes;
};

// Writes the pieces, each TDEF page they change copied and written once. Throws
// Error(InvalidState) when a piece reaches past the definition's pages. Pages whose bytes already
// hold these values are not written.
void writeDefinitionBytes(PageFile& file, const StoredTableDefinition& table, std::span<const DefinitionBytes> pieces);
// The same for one piece.
void writeDefinitionBytes(PageFile& file, const StoredTableDefinition& table, std::size_t offset, ByteSpan bytes);

// Writes table.rowCount and table.nextAutoNumber.
void writeRowCounts(PageFile& file, const StoredTableDefinition& table);
// The same, with the root page and row count of these index trees, in one write of each TDEF page
// they change (a row insert changes both).
void writeRowCounts(PageFile& file, const StoredTableDefinition& table, std::span<const RealIndex* const> indexes);

// Writes the index tree's root page (index.firstPage) and row count (index.rowCountHint).
void writeIndexRoot(PageFile& file, const StoredTableDefinition& table, const RealIndex& index);
// The same for several index trees of the table at once.
void writeIndexRoots(PageFile& file, const StoredTableDefinition& table, std::span<const RealIndex* const> indexes);

}  // namespace jet
