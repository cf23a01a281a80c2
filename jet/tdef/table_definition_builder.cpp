#include "jet/tdef/table_definition_builder.h"

#include <algorithm>
#include <string>

#include "jet/file/byte_writer.h"
#include "jet/error.h"
#include "jet/text/text_codec.h"

namespace jet {

namespace {

namespace tw = format::tdef_writing;

[[noreturn]] void invalid(const StoredTableDefinition& def, const std::string& what) {
  throw Error(ErrorCode::InvalidState, "the definition of table " + def.name + " cannot be written: " + what);
}

// Names in the order Access lists them: letters compared without regard to case.
bool nameLess(const std::string& a, const std::string& b) {
  std::u32string x = decodeUtf8(a), y = decodeUtf8(b);
  for (char32_t& c : x) c = foldCase(c);
  for (char32_t& c : y) c = foldCase(c);
  return x < y;
}

class DefinitionEncoder {
 public:
  DefinitionEncoder(const StoredTableDefinition& def, std::uint16_t codePage)
      : def_(def), layout_(format::layout(def.version)), codePage_(codePage) {}

  std::vector<std::uint8_t> encode() {
    checkLimits();
    out_.assign(layout_.tdefBlocksOffset, 0);
    writeHeader();
    for (const RealIndex& r : def_.realIndexes) writeRealIndexCount(r);
    std::vector<const StoredColumn*> columns = columnOrder();
    for (const StoredColumn* c : columns) writeColumn(*c);
    for (const StoredColumn* c : columns) writeName(c->name);
    for (const RealIndex& r : def_.realIndexes) writeRealIndex(r);
    std::vector<const LogicalIndex*> logical = logicalOrder();
    for (const LogicalIndex* l : logical) writeLogicalIndex(*l);
    for (const LogicalIndex* l : logical) writeName(l->name);
    for (const ColumnUsageMaps* m : columnMapOrder()) writeColumnMaps(*m);
    put_.u16(tw::kEndOfColumnMaps);
    bytes::put32(out_, layout_.tdefLengthOffset, static_cast<std::uint32_t>(out_.size()));
    return std::move(out_);
  }

 private:
  bool jet4() const { return def_.version == Format::Jet4; }
  bool system() const { return def_.tableType == format::kSystemTable; }

  void checkLimits() {
    if (def_.columns.empty() || def_.columns.size() > 0xFFFF) invalid(def_, "a table has 1 to 65535 columns");
    for (const LogicalIndex& l : def_.logicalIndexes)
      if (l.realIndex >= def_.realIndexes.size()) invalid(def_, "index " + l.name + " has no index tree");
    for (const RealIndex& r : def_.realIndexes)
      if (r.columns.empty() || r.columns.size() > format::kMaxIndexColumns)
        invalid(def_, "an index tree has 1 to 10 key columns");
  }

  void writeHeader() {
    MutableByteSpan h(out_);
    bytes::put8(h, 0, format::page_type::kTableDefinition);
    bytes::put8(h, 1, 0x01);
    if (jet4()) {
      bytes::put32(h, layout_.tdefLengthOffset + 4, tw::kJet4TableTag);
      bytes::put8(h, tw::kJet4AutoNumberFlagOffset, 1);
    } else {
      bytes::put16(h, 2, tw::kJet3PageTag);
    }
    bytes::put32(h, layout_.tdefRowCountOffset, def_.rowCount);
    bytes::put32(h, layout_.tdefAutoNumberOffset, def_.nextAutoNumber);
    bytes::put8(h, layout_.tdefTableTypeOffset, def_.tableType);
    bytes::put16(h, layout_.tdefMaxColumnsOffset, def_.maxColumns);
    bytes::put16(h, layout_.tdefVarColumnsOffset, def_.varColumnCount);
    bytes::put16(h, layout_.tdefColumnCountOffset, static_cast<std::uint16_t>(def_.columns.size()));
    bytes::put32(h, layout_.tdefLogicalIndexCountOffset, static_cast<std::uint32_t>(def_.logicalIndexes.size()));
    bytes::put32(h, layout_.tdefRealIndexCountOffset, static_cast<std::uint32_t>(def_.realIndexes.size()));
    bytes::put32(h, layout_.tdefOwnedPagesOffset, def_.ownedPagesMap);
    bytes::put32(h, layout_.tdefFreePagesOffset, def_.freePagesMap);
  }

  void writeRealIndexCount(const RealIndex& r) {
    MutableByteSpan e = put_.zeros(layout_.realIndexCountEntrySize);
    bytes::put32(e, 4, r.rowCountHint);
  }

  std::vector<const StoredColumn*> columnOrder() const {
    std::vector<const StoredColumn*> order;
    for (const StoredColumn& c : def_.columns) order.push_back(&c);
    if (jet4() && system())
      std::stable_sort(order.begin(), order.end(),
                       [](const StoredColumn* a, const StoredColumn* b) { return nameLess(a->name, b->name); });
    else
      std::stable_sort(order.begin(), order.end(),
                       [](const StoredColumn* a, const StoredColumn* b) { return a->number < b->number; });
    return order;
  }

  std::vector<const LogicalIndex*> logicalOrder() const {
    std::vector<const LogicalIndex*> order;
    for (const LogicalIndex& l : def_.logicalIndexes) order.push_back(&l);
    std::stable_sort(order.begin(), order.end(),
                     [](const LogicalIndex* a, const LogicalIndex* b) { return nameLess(a->name, b->name); });
    return order;
  }

  std::vector<const ColumnUsageMaps*> columnMapOrder() const {
    std::vector<const ColumnUsageMaps*> order;
    for (const ColumnUsageMaps& m : def_.columnUsageMaps) {
      if (!def_.columnByNumber(m.columnNumber)) invalid(def_, "usage maps of a column that does not exist");
      order.push_back(&m);
    }
    std::stable_sort(order.begin(), order.end(), [this](const ColumnUsageMaps* a, const ColumnUsageMaps* b) {
      return nameLess(def_.columnByNumber(a->columnNumber)->name, def_.columnByNumber(b->columnNumber)->name);
    });
    return order;
  }

  void writeColumn(const StoredColumn& c) {
    MutableByteSpan e = put_.zeros(layout_.columnEntrySize);
    bytes::put8(e, layout_.colTypeOffset, c.typeCode ? c.typeCode : static_cast<std::uint8_t>(c.type));
    bytes::put16(e, layout_.colNumberOffset, c.number);
    bytes::put16(e, layout_.colVarIndexOffset, c.varIndex);
    // The column number once more (the engine's own system tables leave it 0).
    bytes::put16(e, layout_.colVarIndexOffset + 2, system() ? 0 : c.number);
    std::uint16_t sortOrder = c.sortOrder ? c.sortOrder : format::header::kGeneralSortOrder;
    if (jet4()) {
      bytes::put32(e, 1, tw::kJet4TableTag);
      if (c.type == ColumnType::Decimal) {
        bytes::put8(e, layout_.colPrecisionOffset, c.precision);
        bytes::put8(e, layout_.colScaleOffset, c.scale);
      } else {
        bytes::put16(e, layout_.colMiscOffset, sortOrder);  // the collation version byte stays 0
      }
      bytes::put8(e, layout_.colExtFlagsOffset, c.extFlags);
    } else {
      bytes::put16(e, layout_.colMiscOffset - 2, 1);
      bytes::put16(e, layout_.colMiscOffset, sortOrder);
      bytes::put16(e, layout_.colCodePageOffset, c.codePage ? c.codePage : codePage_);
    }
    bytes::put8(e, layout_.colFlagsOffset, c.flags);
    bytes::put16(e, layout_.colFixedOffsetOffset, c.isFixed() ? c.fixedOffset : 0);
    bytes::put16(e, layout_.colLengthOffset, c.isLongValue() ? 0 : c.length);
  }

  void writeName(const std::string& name) {
    std::string stored;
    if (jet4()) {
      stored = encodeUcs2(name);
    } else {
      std::optional<std::string> encoded = encodeCodePage(name, codePage_);
      if (!encoded)
        throw Error(ErrorCode::ValueRejected, "the name \"" + name + "\" has a character that code page " +
                                                  std::to_string(codePage_) + " cannot hold");
      stored = std::move(*encoded);
    }
    if (stored.size() > (jet4() ? 0xFFFFu : 0xFFu)) invalid(def_, "the name \"" + name + "\" is too long");
    if (layout_.nameLengthSize == 1)
      put_.u8(static_cast<std::uint8_t>(stored.size()));
    else
      put_.u16(static_cast<std::uint16_t>(stored.size()));
    put_.raw(stored);
  }

  void writeRealIndex(const RealIndex& r) {
    MutableByteSpan e = put_.zeros(layout_.realIndexEntrySize);
    if (jet4()) bytes::put32(e, 0, tw::kJet4IndexTag);
    for (std::size_t slot = 0; slot < format::kMaxIndexColumns; ++slot) {
      std::size_t at = layout_.realIndexColumnsOffset + slot * 3;
      if (slot < r.columns.size()) {
        bytes::put16(e, at, r.columns[slot].columnNumber);
        bytes::put8(e, at + 2, r.columns[slot].descending ? 0 : format::kIndexColumnAscending);
      } else {
        bytes::put16(e, at, format::kUnusedIndexColumn);
      }
    }
    bytes::put32(e, layout_.realIndexUsageMapOffset, r.usageMap);
    bytes::put32(e, layout_.realIndexFirstPageOffset, r.firstPage);
    bytes::put8(e, layout_.realIndexFlagsOffset, r.flags);
  }

  void writeLogicalIndex(const LogicalIndex& l) {
    MutableByteSpan e = put_.zeros(layout_.logicalIndexEntrySize);
    if (jet4()) bytes::put32(e, 0, tw::kJet4TableTag);
    bytes::put32(e, layout_.logicalIndexNumberOffset, l.number);
    bytes::put32(e, layout_.logicalIndexRealOffset, l.realIndex);
    bytes::put8(e, layout_.logicalIndexRelTableTypeOffset, l.relatedTableType);
    bytes::put32(e, layout_.logicalIndexRelIndexOffset, static_cast<std::uint32_t>(l.relatedIndex));
    bytes::put32(e, layout_.logicalIndexRelTableOffset, l.relatedTablePage);
    const std::uint8_t off = l.relatedIndex == -1 ? format::kNoRelationshipCascadeByte : 0;
    bytes::put8(e, layout_.logicalIndexCascadeUpdatesOffset, l.cascadeUpdates ? format::kCascadeFlag : off);
    bytes::put8(e, layout_.logicalIndexCascadeDeletesOffset, l.cascadeDeletes ? format::kCascadeFlag : off);
    bytes::put8(e, layout_.logicalIndexKindOffset, l.kind);
  }

  void writeColumnMaps(const ColumnUsageMaps& m) {
    put_.u16(m.columnNumber);
    put_.u32(m.ownedPagesMap);
    put_.u32(m.freePagesMap);
  }

  const StoredTableDefinition& def_;
  const format::Layout& layout_;
  std::uint16_t codePage_;
  std::vector<std::uint8_t> out_;
  bytes::Appender put_{out_};
};

}  // namespace

std::vector<std::uint8_t> encodeTableDefinition(const StoredTableDefinition& def, std::uint16_t codePage) {
  return DefinitionEncoder(def, codePage).encode();
}

std::size_t definitionPageCount(std::size_t joinedLength, const format::Layout& layout) {
  if (joinedLength <= layout.pageSize) return 1;
  const std::size_t perContinuation = layout.pageSize - format::kTdefContinuationOffset;
  return 1 + (joinedLength - layout.pageSize + perContinuation - 1) / perContinuation;
}

std::vector<std::vector<std::uint8_t>> splitDefinitionPages(ByteSpan joined,
                                                            const std::vector<std::uint32_t>& pageNumbers,
                                                            const format::Layout& layout) {
  if (pageNumbers.size() != definitionPageCount(joined.size(), layout))
    throw Error(ErrorCode::InvalidState, "a table definition of " + std::to_string(joined.size()) +
                                             " bytes given " + std::to_string(pageNumbers.size()) + " pages");
  const bool jet4 = layout.version == Format::Jet4;
  std::vector<std::vector<std::uint8_t>> pages;
  std::size_t at = 0;
  for (std::size_t i = 0; i < pageNumbers.size(); ++i) {
    std::vector<std::uint8_t> page(layout.pageSize, 0);
    std::size_t start = i == 0 ? 0 : format::kTdefContinuationOffset;
    std::size_t count = std::min<std::size_t>(joined.size() - at, layout.pageSize - start);
    std::copy_n(joined.begin() + at, count, page.begin() + start);
    at += count;
    page[0] = format::page_type::kTableDefinition;
    page[1] = 0x01;
    std::size_t used = start + count;
    // Jet 4 keeps the page's free space (less 8) where Jet 3 keeps its tag.
    std::uint16_t tag = jet4 ? static_cast<std::uint16_t>(layout.pageSize - std::min<std::size_t>(layout.pageSize, used + 8))
                             : format::tdef_writing::kJet3PageTag;
    bytes::put16(page, 2, tag);
    bytes::put32(page, layout.tdefNextPageOffset, i + 1 < pageNumbers.size() ? pageNumbers[i + 1] : 0);
    pages.push_back(std::move(page));
  }
  return pages;
}

}  // namespace jet
