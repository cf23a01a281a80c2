#pragma once
// The on-disk layout of Jet 3 (Access 97) and Jet 4 (Access 2000-2003) files, in one place: the
// database header page, page types, data pages and their row tables, table-definition pages, rows
// and long values. Everything is little-endian unless noted. Offsets are in bytes.
//
// Code reads these through a Layout chosen once per file (layout(version)), so that readers and
// writers need no per-version branches of their own.

#include <cstddef>
#include <cstdint>

#include "jet/open_options.h"

namespace jet::format {

// ---- Page types (first byte of every page) --------------------------------------------------------
namespace page_type {
inline constexpr std::uint8_t kDatabaseHeader = 0x00;  // page 0 only
inline constexpr std::uint8_t kData = 0x01;            // table rows and long values
inline constexpr std::uint8_t kTableDefinition = 0x02;
inline constexpr std::uint8_t kIndexIntermediate = 0x03;
inline constexpr std::uint8_t kIndexLeaf = 0x04;
inline constexpr std::uint8_t kUsageMap = 0x05;        // bitmap page of a type-1 usage map
}  // namespace page_type

// ---- Database header (page 0) ---------------------------------------------------------------------
namespace header {
inline constexpr std::size_t kMagicOffset = 0x04;  // "Standard Jet DB" (15 bytes, no terminator)
inline constexpr char kMagic[] = "Standard Jet DB";
inline constexpr std::size_t kMagicLength = 15;
inline constexpr std::size_t kVersionOffset = 0x14;  // 0 = Jet 3, 1 = Jet 4, higher = later formats
inline constexpr std::uint8_t kVersionJet3 = 0x00;
inline constexpr std::uint8_t kVersionJet4 = 0x01;
// From kMaskedOffset on, a region of the header is stored XORed with an RC4 key stream.
inline constexpr std::size_t kMaskedOffset = 0x18;
inline constexpr std::uint8_t kMaskKey[4] = {0xC7, 0xDA, 0x39, 0x6B};
// Inside the masked region (offsets from the start of the page):
inline constexpr std::size_t kJet3SortOrderOffset = 0x3A;  // 2 bytes: collation id
inline constexpr std::size_t kCodePageOffset = 0x3C;       // 2 bytes: Windows code page of Jet 3 text
inline constexpr std::size_t kDatabaseKeyOffset = 0x3E;    // 4 bytes: non-zero = pages are RC4-encoded
inline constexpr std::size_t kPasswordOffset = 0x42;       // 20 (Jet 3) / 40 (Jet 4) bytes
inline constexpr std::size_t kJet4SortOrderOffset = 0x6E;  // 2 bytes collation id, byte +3 = version
inline constexpr std::size_t kJet4CreationDateOffset = 0x72;  // 8-byte date/time
inline constexpr std::uint16_t kGeneralSortOrder = 1033;      // "General" (0x0409)
// What a new database's header holds besides the settings above, as Access writes it:
// fixed values at the start of the masked region; Jet 3: a 1 at kJet3FlagOffset; the 4 bytes after
// the password (kJet3/kJet4AfterPasswordValue); Jet 4: a tag right after the masked region; and
// a table in the last kTrailerLength bytes of the page (pairs 00 01, the first pair 01 01).
inline constexpr std::uint8_t kMaskedPreamble[24] = {0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00,
                                                     0x02, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00,
                                                     0x04, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00};
inline constexpr std::size_t kJet3FlagOffset = 0x38;
inline constexpr std::uint32_t kJet3AfterPasswordValue = 0x251E;
inline constexpr std::uint32_t kJet4AfterPasswordValue = 0x11A6;
inline constexpr std::size_t kJet4TagOffset = 0x98;
inline constexpr std::uint8_t kJet4Tag[8] = {0x54, 0x06, 0x00, 0x00, '4', '.', '0', 0x00};
inline constexpr std::size_t kTrailerLength = 0x200;
}  // namespace header

// ---- Row pointers (data page row table entries) --------------------------------------------------
namespace row_entry {
inline constexpr std::uint16_t kOffsetMask = 0x1FFF;
inline constexpr std::uint16_t kDeleted = 0x8000;   // row is gone (also set on overflow targets)
inline constexpr std::uint16_t kOverflow = 0x4000;  // row holds a 4-byte pointer to the real row
}  // namespace row_entry
inline constexpr std::size_t kMaxRowsPerPage = 255;  // row numbers are one byte in row pointers

// A 4-byte pointer to a row: low byte = row number, upper three bytes = page number.
inline constexpr std::uint32_t rowPointerPage(std::uint32_t pointer) { return pointer >> 8; }
inline constexpr std::uint16_t rowPointerRow(std::uint32_t pointer) { return pointer & 0xFF; }
inline constexpr std::uint32_t makeRowPointer(std::uint32_t page, std::uint16_t row) {
  return (page << 8) | (row & 0xFF);
}

// ---- Long values (Memo / OLE field in a row: 12 bytes) -------------------------------------------
namespace long_value {
inline constexpr std::size_t kFieldSize = 12;
inline constexpr std::uint32_t kLengthMask = 0x3FFFFFFF;  // first 4 bytes: length | flags
inline constexpr std::uint32_t kInline = 0x80000000;      // data follows the 12-byte field
inline constexpr std::uint32_t kSinglePage = 0x40000000;  // data is one row of an LVAL page
// Neither flag: data is a chain of LVAL rows, each starting with a 4-byte pointer to the next.
inline constexpr std::size_t kPointerOffset = 4;  // row pointer of the first LVAL row
inline constexpr std::size_t kInlineDataOffset = 12;
inline constexpr std::size_t kChainLinkSize = 4;
inline constexpr std::uint8_t kLvalTag[4] = {'L', 'V', 'A', 'L'};  // in place of the owning tdef
}  // namespace long_value

// ---- Jet 4 compressed text ------------------------------------------------------------------------
inline constexpr std::uint8_t kCompressedTextMarker[2] = {0xFF, 0xFE};

// ---- Column and index codes in table definitions --------------------------------------------------
namespace column_flag {
inline constexpr std::uint8_t kFixedLength = 0x01;
inline constexpr std::uint8_t kNullable = 0x02;
inline constexpr std::uint8_t kAutoLong = 0x04;
inline constexpr std::uint8_t kReplication = 0x10;
inline constexpr std::uint8_t kAutoGuid = 0x40;
inline constexpr std::uint8_t kHyperlink = 0x80;
}  // namespace column_flag
namespace column_ext_flag {  // Jet 4 only
inline constexpr std::uint8_t kCompressedUnicode = 0x01;
}
namespace index_flag {
inline constexpr std::uint8_t kUnique = 0x01;
inline constexpr std::uint8_t kIgnoreNulls = 0x02;
inline constexpr std::uint8_t kRequired = 0x08;
}  // namespace index_flag
inline constexpr std::uint8_t kIndexColumnAscending = 0x01;
inline constexpr std::uint16_t kUnusedIndexColumn = 0xFFFF;
inline constexpr std::size_t kMaxIndexColumns = 10;
namespace index_kind {  // logical index type byte
inline constexpr std::uint8_t kNormal = 0x00;
inline constexpr std::uint8_t kPrimaryKey = 0x01;
inline constexpr std::uint8_t kForeignKey = 0x02;
}  // namespace index_kind
// The cascade-updates and cascade-deletes bytes of a logical index: bit 0 is the flag. Access
// writes 0x04 in both for every index that is no relationship (the system tables' own, primary
// keys, plain indexes), 0 or 1 in those of relationships.
inline constexpr std::uint8_t kCascadeFlag = 0x01;
inline constexpr std::uint8_t kNoRelationshipCascadeByte = 0x04;
inline constexpr std::uint8_t kUserTable = 0x4E;    // table type byte 'N'
inline constexpr std::uint8_t kSystemTable = 0x53;  // 'S'

// ---- Constants a writer of table definitions puts where readers do not look ----------------------
namespace tdef_writing {
inline constexpr std::uint16_t kJet3PageTag = 0x4356;  // "VC" where Jet 4 keeps the free space
inline constexpr std::uint32_t kJet4TableTag = 1625;   // after the length; before each column and
                                                       // logical index entry
inline constexpr std::uint32_t kJet4IndexTag = 1923;   // before each real index entry
inline constexpr std::size_t kJet4AutoNumberFlagOffset = 24;  // 1 in every definition
inline constexpr std::uint8_t kJet4IndexFlagAlways = 0x80;    // set on every Jet 4 index tree
inline constexpr std::uint8_t kSystemColumnFlag = 0x10;       // on the columns of system tables
inline constexpr std::uint8_t kSidColumnFlag = 0x20;          // on their SID columns (Owner, SID)
inline constexpr std::uint16_t kEndOfColumnMaps = 0xFFFF;     // ends the long-value column maps
}  // namespace tdef_writing

// ---- Usage maps ------------------------------------------------------------------------------------
namespace usage_map {
inline constexpr std::uint8_t kInline = 0x00;    // byte 0; then 4-byte first page; then the bitmap
inline constexpr std::uint8_t kReference = 0x01;  // byte 0; then 4-byte page numbers of map pages
inline constexpr std::size_t kInlineStartOffset = 1;
inline constexpr std::size_t kInlineBitmapOffset = 5;
inline constexpr std::size_t kReferencePagesOffset = 1;
inline constexpr std::size_t kMapPageBitmapOffset = 4;  // bitmap start inside a type-0x05 page
// The database's map of free pages (a set bit = the page is free) is row 0 of page 1.
inline constexpr std::uint32_t kGlobalFreePagesPointer = (1u << 8) | 0u;
}  // namespace usage_map

// ---- The catalog ---------------------------------------------------------------------------------
namespace catalog {
inline constexpr std::uint32_t kTableDefinitionPage = 2;  // MSysObjects' table definition
inline constexpr std::int16_t kTypeTable = 1;
inline constexpr std::uint32_t kObjectIdPageMask = 0x00FFFFFF;  // Id & mask = first tdef page
inline constexpr std::uint32_t kSystemObjectFlag = 0x80000000;
inline constexpr std::uint32_t kAltSystemObjectFlag = 0x00000002;
inline constexpr std::int32_t kDatabaseParentId = 0x0F000000;  // parent of the "Tables" container
}  // namespace catalog

// ---- Per-version layout --------------------------------------------------------------------------
struct Layout {
  Format version;
  std::uint32_t pageSize;
  std::size_t maskedLength;  // bytes of the header region under the RC4 mask
  std::size_t passwordLength;

  // Data pages (also LVAL pages).
  std::size_t dataFreeSpaceOffset;    // 2 bytes
  std::size_t dataOwnerOffset;        // 4 bytes: first tdef page of the owning table, or "LVAL"
  std::size_t dataRowCountOffset;     // 2 bytes
  std::size_t dataRowTableOffset;     // first 2-byte row entry

  // Table definition pages. The first page holds the header; continuation pages contribute their
  // bytes from kTdefContinuationOffset on.
  std::size_t tdefNextPageOffset;     // 4 bytes
  std::size_t tdefLengthOffset;       // 4 bytes
  std::size_t tdefRowCountOffset;     // 4 bytes
  std::size_t tdefAutoNumberOffset;   // 4 bytes: next autonumber value
  std::size_t tdefTableTypeOffset;    // 1 byte
  std::size_t tdefMaxColumnsOffset;   // 2 bytes: highest column count any row may have
  std::size_t tdefVarColumnsOffset;   // 2 bytes
  std::size_t tdefColumnCountOffset;  // 2 bytes
  std::size_t tdefLogicalIndexCountOffset;  // 4 bytes
  std::size_t tdefRealIndexCountOffset;     // 4 bytes
  std::size_t tdefOwnedPagesOffset;   // 4 bytes: row pointer to the owned-pages usage map
  std::size_t tdefFreePagesOffset;    // 4 bytes: row pointer to the free-space usage map
  std::size_t tdefBlocksOffset;       // first real-index row-count entry

  std::size_t realIndexCountEntrySize;  // per real index, right after the header
  std::size_t columnEntrySize;
  // Within a column entry:
  std::size_t colTypeOffset;          // 1 byte
  std::size_t colNumberOffset;        // 2 bytes
  std::size_t colVarIndexOffset;      // 2 bytes
  std::size_t colMiscOffset;          // Jet 3: sort order (2); Jet 4: precision/scale or sort order
  std::size_t colCodePageOffset;      // Jet 3 only: 2 bytes (0 = none)
  std::size_t colFlagsOffset;         // 1 byte
  std::size_t colExtFlagsOffset;      // Jet 4 only: 1 byte (0 = none)
  std::size_t colFixedOffsetOffset;   // 2 bytes
  std::size_t colLengthOffset;        // 2 bytes
  std::size_t colPrecisionOffset;     // 1 byte
  std::size_t colScaleOffset;         // 1 byte
  std::size_t nameLengthSize;         // 1 (Jet 3, code page bytes) or 2 (Jet 4, UCS-2 bytes)

  std::size_t realIndexEntrySize;
  std::size_t realIndexColumnsOffset;   // 10 x (2-byte column number, 1-byte order)
  std::size_t realIndexUsageMapOffset;  // 4 bytes
  std::size_t realIndexFirstPageOffset; // 4 bytes: root page
  std::size_t realIndexFlagsOffset;     // 1 byte

  std::size_t logicalIndexEntrySize;
  std::size_t logicalIndexNumberOffset;      // 4 bytes
  std::size_t logicalIndexRealOffset;        // 4 bytes: number of the real index behind it
  std::size_t logicalIndexRelTableTypeOffset;// 1 byte
  std::size_t logicalIndexRelIndexOffset;    // 4 bytes (-1 when not a relationship)
  std::size_t logicalIndexRelTableOffset;    // 4 bytes: tdef page of the other table
  std::size_t logicalIndexCascadeUpdatesOffset;  // 1 byte
  std::size_t logicalIndexCascadeDeletesOffset;  // 1 byte
  std::size_t logicalIndexKindOffset;        // 1 byte

  std::size_t columnUsageEntrySize;   // trailing (column number, owned map, free map) entries

  // Rows.
  std::size_t rowColumnCountSize;     // 1 or 2 bytes at the start of a row
  std::size_t rowVarEntrySize;        // 1 (with jump table) or 2 bytes per variable offset

  // Index pages.
  std::size_t indexPrevPageOffset;
  std::size_t indexNextPageOffset;
  std::size_t indexTailPageOffset;
  std::size_t indexPrefixLengthOffset;
  std::size_t indexPrefixLengthSize;  // 1 (Jet 3: the byte after it is a flag) or 2 (Jet 4)
  std::size_t indexEntryMaskOffset;
  std::size_t indexEntriesOffset;     // first entry; the mask covers the rest of the page

  std::size_t maxInlineLongValue;     // longest value a writer stores inline in the row
};

inline constexpr std::size_t kTdefContinuationOffset = 8;

inline constexpr Layout kJet3{
    .version = Format::Jet3,
    .pageSize = 2048,
    .maskedLength = 126,
    .passwordLength = 20,
    .dataFreeSpaceOffset = 2,
    .dataOwnerOffset = 4,
    .dataRowCountOffset = 8,
    .dataRowTableOffset = 10,
    .tdefNextPageOffset = 4,
    .tdefLengthOffset = 8,
    .tdefRowCountOffset = 12,
    .tdefAutoNumberOffset = 16,
    .tdefTableTypeOffset = 20,
    .tdefMaxColumnsOffset = 21,
    .tdefVarColumnsOffset = 23,
    .tdefColumnCountOffset = 25,
    .tdefLogicalIndexCountOffset = 27,
    .tdefRealIndexCountOffset = 31,
    .tdefOwnedPagesOffset = 35,
    .tdefFreePagesOffset = 39,
    .tdefBlocksOffset = 43,
    .realIndexCountEntrySize = 8,
    .columnEntrySize = 18,
    .colTypeOffset = 0,
    .colNumberOffset = 1,
    .colVarIndexOffset = 3,
    .colMiscOffset = 9,
    .colCodePageOffset = 11,
    .colFlagsOffset = 13,
    .colExtFlagsOffset = 0,
    .colFixedOffsetOffset = 14,
    .colLengthOffset = 16,
    .colPrecisionOffset = 11,
    .colScaleOffset = 12,
    .nameLengthSize = 1,
    .realIndexEntrySize = 39,
    .realIndexColumnsOffset = 0,
    .realIndexUsageMapOffset = 30,
    .realIndexFirstPageOffset = 34,
    .realIndexFlagsOffset = 38,
    .logicalIndexEntrySize = 20,
    .logicalIndexNumberOffset = 0,
    .logicalIndexRealOffset = 4,
    .logicalIndexRelTableTypeOffset = 8,
    .logicalIndexRelIndexOffset = 9,
    .logicalIndexRelTableOffset = 13,
    .logicalIndexCascadeUpdatesOffset = 17,
    .logicalIndexCascadeDeletesOffset = 18,
    .logicalIndexKindOffset = 19,
    .columnUsageEntrySize = 10,
    .rowColumnCountSize = 1,
    .rowVarEntrySize = 1,
    .indexPrevPageOffset = 8,
    .indexNextPageOffset = 12,
    .indexTailPageOffset = 16,
    .indexPrefixLengthOffset = 20,
    .indexPrefixLengthSize = 1,
    .indexEntryMaskOffset = 22,
    .indexEntriesOffset = 0xF8,
    .maxInlineLongValue = 64,
};

inline constexpr Layout kJet4{
    .version = Format::Jet4,
    .pageSize = 4096,
    .maskedLength = 128,
    .passwordLength = 40,
    .dataFreeSpaceOffset = 2,
    .dataOwnerOffset = 4,
    .dataRowCountOffset = 12,
    .dataRowTableOffset = 14,
    .tdefNextPageOffset = 4,
    .tdefLengthOffset = 8,
    .tdefRowCountOffset = 16,
    .tdefAutoNumberOffset = 20,
    .tdefTableTypeOffset = 40,
    .tdefMaxColumnsOffset = 41,
    .tdefVarColumnsOffset = 43,
    .tdefColumnCountOffset = 45,
    .tdefLogicalIndexCountOffset = 47,
    .tdefRealIndexCountOffset = 51,
    .tdefOwnedPagesOffset = 55,
    .tdefFreePagesOffset = 59,
    .tdefBlocksOffset = 63,
    .realIndexCountEntrySize = 12,
    .columnEntrySize = 25,
    .colTypeOffset = 0,
    .colNumberOffset = 5,
    .colVarIndexOffset = 7,
    .colMiscOffset = 11,
    .colCodePageOffset = 0,
    .colFlagsOffset = 15,
    .colExtFlagsOffset = 16,
    .colFixedOffsetOffset = 21,
    .colLengthOffset = 23,
    .colPrecisionOffset = 11,
    .colScaleOffset = 12,
    .nameLengthSize = 2,
    .realIndexEntrySize = 52,
    .realIndexColumnsOffset = 4,
    .realIndexUsageMapOffset = 34,
    .realIndexFirstPageOffset = 38,
    .realIndexFlagsOffset = 46,
    .logicalIndexEntrySize = 28,
    .logicalIndexNumberOffset = 4,
    .logicalIndexRealOffset = 8,
    .logicalIndexRelTableTypeOffset = 12,
    .logicalIndexRelIndexOffset = 13,
    .logicalIndexRelTableOffset = 17,
    .logicalIndexCascadeUpdatesOffset = 21,
    .logicalIndexCascadeDeletesOffset = 22,
    .logicalIndexKindOffset = 23,
    .columnUsageEntrySize = 10,
    .rowColumnCountSize = 2,
    .rowVarEntrySize = 2,
    .indexPrevPageOffset = 12,
    .indexNextPageOffset = 16,
    .indexTailPageOffset = 20,
    .indexPrefixLengthOffset = 24,
    .indexPrefixLengthSize = 2,
    .indexEntryMaskOffset = 27,
    .indexEntriesOffset = 0x1E0,
    .maxInlineLongValue = 64,
};

inline constexpr const Layout& layout(Format v) { return v == Format::Jet3 ? kJet3 : kJet4; }

// The most bytes a row may take (Jet 3: 2012, Jet 4: 4060).
inline constexpr std::size_t maxRowSize(const Layout& layout) { return layout.version == Format::Jet3 ? 2012 : 4060; }

}  // namespace jet::format
