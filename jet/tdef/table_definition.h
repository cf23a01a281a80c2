#pragma once
// A table's definition as the file stores it (the TDEF pages): counts, columns with their physical
// placement in rows, real indexes (the index trees: root page, key columns, flags) and logical
// indexes (the named indexes users see; several may share one real index).
//
// readTableDefinition checks every count, offset and page reference against the file; a bad
// definition gives Error(Damaged).

#include <cstdint>
#include <string>
#include <vector>

#include "jet/file/bytes.h"
#include "jet/file/format.h"
#include "jet/schema.h"
#include "jet/value.h"

namespace jet {

class PageFile;

struct StoredColumn {
  std::string name;
  ColumnType type = ColumnType::Text;
  std::uint8_t typeCode = 0;       // as stored; differs from type only for codes the engine does
                                   // not know (their values read as raw bytes, type = Binary)
  std::uint16_t number = 0;        // column number: bit in the null mask; deleted columns leave gaps
  std::uint16_t varIndex = 0;      // variable columns: slot in the row's variable offset table
  std::uint16_t fixedOffset = 0;   // fixed columns: offset in the row's fixed area
  std::uint16_t length = 0;        // stored length in bytes (Jet 4 text: two bytes per character)
  std::uint8_t flags = 0;          // format::column_flag
  std::uint8_t extFlags = 0;       // Jet 4: format::column_ext_flag
  std::uint16_t sortOrder = 0;     // text: collation id of the column (Jet 3 and Jet 4)
  std::uint16_t codePage = 0;      // Jet 3 text: code page id stored in the column (0 = database's)
  std::uint8_t precision = 0;      // Decimal
  std::uint8_t scale = 0;          // Decimal
  bool required = false;           // the column's "Required" property (kept in the catalog, not here;
                                   // see applyProperties)

  // Stored in the row's fixed area (Yes/No lives in the null mask).
  bool isFixed() const { return (flags & format::column_flag::kFixedLength) != 0; }
  // Autonumber Long or autonumber Replication ID.
  bool isAutoNumber() const { return (flags & (format::column_flag::kAutoLong | format::column_flag::kAutoGuid)) != 0; }
  bool isLongValue() const { return type == ColumnType::Memo || type == ColumnType::Ole; }
  bool isText() const { return type == ColumnType::Text || type == ColumnType::Memo; }
};

struct IndexKeyColumn {
  std::uint16_t columnNumber = 0;  // StoredColumn::number
  bool descending = false;
};

// An index tree.
struct RealIndex {
  std::uint32_t number = 0;             // position among the table's real indexes
  std::vector<IndexKeyColumn> columns;  // key columns, most significant first (1..10)
  std::uint32_t usageMap = 0;           // row pointer of the index's owned-pages map
  std::uint32_t firstPage = 0;          // root: an index page (or, for a tiny table, as stored)
  std::uint8_t flags = 0;               // format::index_flag
  std::uint32_t rowCountHint = 0;       // the count kept before the column entries (not reliable)
  // Where the definition keeps this index, as offsets into the definition's bytes (the TDEF pages
  // joined: the whole first page, then each continuation page from byte 8 on), for writers.
  std::size_t countEntryOffset = 0;     // the row-count entry (rowCountHint is at +4)
  std::size_t entryOffset = 0;          // the index entry (columns, usage map, root page, flags)

  bool unique() const;
  bool ignoreNulls() const;
  bool required() const;
};

// A named index, backed by a real index.
struct LogicalIndex {
  std::string name;
  std::uint32_t number = 0;      // logical index number (the order indexes are listed in)
  std::uint32_t realIndex = 0;   // position in StoredTableDefinition::realIndexes
  std::uint8_t kind = 0;         // format::index_kind: normal, primary key, foreign key
  // Foreign keys: the related table (its first TDEF page) and its logical index number (-1: none).
  std::uint32_t relatedTablePage = 0;
  std::int32_t relatedIndex = -1;
  std::uint8_t relatedTableType = 0;
  bool cascadeUpdates = false;
  bool cascadeDeletes = false;

  bool primary() const;
  bool foreign() const;
};

// The usage maps of one long-value (Memo / OLE) column, listed at the end of a Jet 4 definition:
// the LVAL pages holding the column's values, and those of them with free space.
struct ColumnUsageMaps {
  std::uint16_t columnNumber = 0;
  std::uint32_t ownedPagesMap = 0;  // row pointer
  std::uint32_t freePagesMap = 0;   // row pointer
};

struct StoredTableDefinition {
  std::string name;
  Format version = Format::Jet4;
  std::uint32_t firstPage = 0;          // the table's identity: first TDEF page
  std::vector<std::uint32_t> pages;     // every TDEF page, in chain order
  std::uint8_t tableType = 0;           // format::kUserTable / kSystemTable
  std::uint32_t rowCount = 0;           // live rows as the definition counts them
  std::uint32_t nextAutoNumber = 0;
  std::uint16_t maxColumns = 0;         // highest column count a row may have (with deleted ones)
  std::uint16_t varColumnCount = 0;
  std::uint32_t ownedPagesMap = 0;      // row pointer of the usage map of the table's data pages
  std::uint32_t freePagesMap = 0;       // row pointer of the usage map of pages with free space
  std::vector<StoredColumn> columns;    // by column number
  std::vector<RealIndex> realIndexes;   // by real index number
  std::vector<LogicalIndex> logicalIndexes;  // by logical index number
  std::vector<ColumnUsageMaps> columnUsageMaps;  // long-value columns that have their own maps

  // The maps of a long-value column, or nullptr when the definition lists none for it.
  const ColumnUsageMaps* usageMapsOf(std::uint16_t columnNumber) const;

  // The column with the given number, or nullptr.
  const StoredColumn* columnByNumber(std::uint16_t number) const;
  // The definition as callers see it (schema.h): columns in column-number order, indexes in
  // logical-index order.
  TableDefinition toSchema() const;
};

// Reads the definition that starts at TDEF page firstPage. The name comes from the catalog.
StoredTableDefinition readTableDefinition(PageFile& pages, std::uint32_t firstPage, std::string name);

// Takes what the table's property block (catalog.h, property_block.h) says about its columns into
// the definition: the "Required" property. A block that cannot be read changes nothing.
void applyProperties(StoredTableDefinition& definition, ByteSpan properties, std::uint16_t codePage);

}  // namespace jet
