#include "jet/tdef/table_definition.h"

#include <algorithm>
#include <unordered_set>

#include "jet/file/bytes.h"
#include "jet/error.h"
#include "jet/file/format.h"
#include "jet/file/page_file.h"
#include "jet/tdef/property_block.h"
#include "jet/text/text_codec.h"

namespace jet {

namespace {

bool isKnownType(std::uint8_t code) {
  return (code >= 0x01 && code <= 0x0C) || code == 0x0F || code == 0x10;
}

[[noreturn]] void bad(const std::string& table, const std::string& what) {
  throw Error(ErrorCode::Damaged, "the definition of table " + table + " is damaged: " + what);
}

// The TDEF pages of a table joined into one buffer: the whole first page, then each continuation
// page from its data offset on. The chain is bounded by the file's page count and may not repeat.
std::vector<std::uint8_t> joinDefinitionPages(PageFile& file, std::uint32_t firstPage,
                                              const std::string& name, std::vector<std::uint32_t>& pages) {
  const format::Layout& layout = file.layout();
  std::vector<std::uint8_t> joined;
  std::unordered_set<std::uint32_t> seen;
  std::uint32_t next = firstPage;
  while (next != 0) {
    if (!seen.insert(next).second) bad(name, "its pages form a loop");
    PageRef page = file.page(next, format::page_type::kTableDefinition, "a table definition");
    ByteSpan bytes = page->bytes();
    if (joined.empty())
      joined.assign(bytes.begin(), bytes.end());
    else
      joined.insert(joined.end(), bytes.begin() + format::kTdefContinuationOffset, bytes.end());
    pages.push_back(next);
    next = bytes::u32(bytes, layout.tdefNextPageOffset);
  }
  return joined;
}

class DefinitionParser {
 public:
  DefinitionParser(PageFile& file, ByteSpan bytes, StoredTableDefinition& def)
      : layout_(file.layout()), header_(file.header()), bytes_(bytes), def_(def) {}

  void parse() {
    readCounts();
    std::size_t at = layout_.tdefBlocksOffset;
    at = readRealIndexCounts(at);
    at = readColumns(at);
    at = readColumnNames(at);
    at = readRealIndexes(at);
    at = readLogicalIndexes(at);
    at = readLogicalIndexNames(at);
    readColumnUsageMaps(at);
    std::stable_sort(def_.columns.begin(), def_.columns.end(),
                     [](const StoredColumn& a, const StoredColumn& b) { return a.number < b.number; });
    std::stable_sort(def_.logicalIndexes.begin(), def_.logicalIndexes.end(),
                     [](const LogicalIndex& a, const LogicalIndex& b) { return a.number < b.number; });
    validate();
  }

 private:
  // A count of entries of the given size must fit in what is left of the definition; checking it
  // before anything is allocated keeps memory bounded by the file.
  std::uint32_t boundedCount(std::uint32_t count, std::size_t entrySize, const char* what) {
    if (count > bytes_.size() / std::max<std::size_t>(entrySize, 1)) bad(def_.name, std::string("impossible ") + what);
    return count;
  }

  void readCounts() {
    def_.rowCount = bytes::u32(bytes_, layout_.tdefRowCountOffset);
    def_.nextAutoNumber = bytes::u32(bytes_, layout_.tdefAutoNumberOffset);
    def_.tableType = bytes::u8(bytes_, layout_.tdefTableTypeOffset);
    def_.maxColumns = bytes::u16(bytes_, layout_.tdefMaxColumnsOffset);
    def_.varColumnCount = bytes::u16(bytes_, layout_.tdefVarColumnsOffset);
    columnCount_ = boundedCount(bytes::u16(bytes_, layout_.tdefColumnCountOffset), layout_.columnEntrySize,
                                "column count");
    logicalCount_ = boundedCount(bytes::u32(bytes_, layout_.tdefLogicalIndexCountOffset),
                                 layout_.logicalIndexEntrySize, "index count");
    realCount_ = boundedCount(bytes::u32(bytes_, layout_.tdefRealIndexCountOffset), layout_.realIndexEntrySize,
                              "index count");
    def_.ownedPagesMap = bytes::u32(bytes_, layout_.tdefOwnedPagesOffset);
    def_.freePagesMap = bytes::u32(bytes_, layout_.tdefFreePagesOffset);
  }

  std::size_t readRealIndexCounts(std::size_t at) {
    def_.realIndexes.resize(realCount_);
    for (std::uint32_t i = 0; i < realCount_; ++i) {
      std::size_t entry = at + i * layout_.realIndexCountEntrySize;
      def_.realIndexes[i].number = i;
      def_.realIndexes[i].countEntryOffset = entry;
      def_.realIndexes[i].rowCountHint = bytes::u32(bytes_, entry + 4);  // after 4 unknown bytes
    }
    return at + realCount_ * layout_.realIndexCountEntrySize;
  }

  std::size_t readColumns(std::size_t at) {
    def_.columns.resize(columnCount_);
    for (std::uint32_t i = 0; i < columnCount_; ++i) {
      ByteSpan e = bytes::slice(bytes_, at + i * layout_.columnEntrySize, layout_.columnEntrySize);
      StoredColumn& c = def_.columns[i];
      c.typeCode = bytes::u8(e, layout_.colTypeOffset);
      c.type = isKnownType(c.typeCode) ? static_cast<ColumnType>(c.typeCode) : ColumnType::Binary;
      c.number = bytes::u16(e, layout_.colNumberOffset);
      c.varIndex = bytes::u16(e, layout_.colVarIndexOffset);
      c.flags = bytes::u8(e, layout_.colFlagsOffset);
      if (layout_.colExtFlagsOffset) c.extFlags = bytes::u8(e, layout_.colExtFlagsOffset);
      c.fixedOffset = bytes::u16(e, layout_.colFixedOffsetOffset);
      c.length = bytes::u16(e, layout_.colLengthOffset);
      if (c.type == ColumnType::Decimal) {
        c.precision = bytes::u8(e, layout_.colPrecisionOffset);
        c.scale = bytes::u8(e, layout_.colScaleOffset);
      } else if (c.isText()) {
        c.sortOrder = bytes::u16(e, layout_.colMiscOffset);
        if (layout_.colCodePageOffset) c.codePage = bytes::u16(e, layout_.colCodePageOffset);
      }
    }
    return at + columnCount_ * layout_.columnEntrySize;
  }

  std::size_t readName(std::size_t at, std::string& out) {
    std::size_t length = layout_.nameLengthSize == 1 ? bytes::u8(bytes_, at) : bytes::u16(bytes_, at);
    ByteSpan raw = bytes::slice(bytes_, at + layout_.nameLengthSize, length);
    out = layout_.version == Format::Jet3 ? decodeCodePage(raw, header_.codePage) : decodeJet4Text(raw);
    return at + layout_.nameLengthSize + length;
  }

  std::size_t readColumnNames(std::size_t at) {
    for (StoredColumn& c : def_.columns) at = readName(at, c.name);
    return at;
  }

  std::size_t readRealIndexes(std::size_t at) {
    for (std::uint32_t i = 0; i < realCount_; ++i) {
      ByteSpan e = bytes::slice(bytes_, at + i * layout_.realIndexEntrySize, layout_.realIndexEntrySize);
      RealIndex& r = def_.realIndexes[i];
      r.entryOffset = at + i * layout_.realIndexEntrySize;
      for (std::size_t slot = 0; slot < format::kMaxIndexColumns; ++slot) {
        std::size_t o = layout_.realIndexColumnsOffset + slot * 3;
        std::uint16_t number = bytes::u16(e, o);
        if (number == format::kUnusedIndexColumn) continue;
        std::uint8_t order = bytes::u8(e, o + 2);
        r.columns.push_back({number, (order & format::kIndexColumnAscending) == 0});
      }
      r.usageMap = bytes::u32(e, layout_.realIndexUsageMapOffset);
      r.firstPage = bytes::u32(e, layout_.realIndexFirstPageOffset);
      r.flags = bytes::u8(e, layout_.realIndexFlagsOffset);
    }
    return at + realCount_ * layout_.realIndexEntrySize;
  }

  std::size_t readLogicalIndexes(std::size_t at) {
    def_.logicalIndexes.resize(logicalCount_);
    for (std::uint32_t i = 0; i < logicalCount_; ++i) {
      ByteSpan e = bytes::slice(bytes_, at + i * layout_.logicalIndexEntrySize, layout_.logicalIndexEntrySize);
      LogicalIndex& l = def_.logicalIndexes[i];
      l.number = bytes::u32(e, layout_.logicalIndexNumberOffset);
      l.realIndex = bytes::u32(e, layout_.logicalIndexRealOffset);
      l.relatedTableType = bytes::u8(e, layout_.logicalIndexRelTableTypeOffset);
      l.relatedIndex = bytes::i32(e, layout_.logicalIndexRelIndexOffset);
      l.relatedTablePage = bytes::u32(e, layout_.logicalIndexRelTableOffset);
      l.cascadeUpdates = (bytes::u8(e, layout_.logicalIndexCascadeUpdatesOffset) & format::kCascadeFlag) != 0;
      l.cascadeDeletes = (bytes::u8(e, layout_.logicalIndexCascadeDeletesOffset) & format::kCascadeFlag) != 0;
      l.kind = bytes::u8(e, layout_.logicalIndexKindOffset);
    }
    return at + logicalCount_ * layout_.logicalIndexEntrySize;
  }

  std::size_t readLogicalIndexNames(std::size_t at) {
    for (LogicalIndex& l : def_.logicalIndexes) at = readName(at, l.name);
    return at;
  }

  // Entries of (column number, owned-pages map, free-space map) up to a column number of 0xFFFF.
  // Older files end the definition without them; anything that does not look like such an entry
  // ends the list (the maps are a writer's concern, readers never need them).
  void readColumnUsageMaps(std::size_t at) {
    while (at + 2 <= bytes_.size()) {
      std::uint16_t number = bytes::u16(bytes_, at);
      if (number == format::kUnusedIndexColumn || at + layout_.columnUsageEntrySize > bytes_.size()) return;
      const StoredColumn* column = def_.columnByNumber(number);
      if (!column || !column->isLongValue()) return;
      ColumnUsageMaps maps{number, bytes::u32(bytes_, at + 2), bytes::u32(bytes_, at + 6)};
      if (format::rowPointerPage(maps.ownedPagesMap) == 0 || format::rowPointerPage(maps.freePagesMap) == 0) return;
      def_.columnUsageMaps.push_back(maps);
      at += layout_.columnUsageEntrySize;
    }
  }

  void validate() {
    for (std::size_t i = 1; i < def_.columns.size(); ++i)
      if (def_.columns[i].number == def_.columns[i - 1].number)
        bad(def_.name, "two columns have the same number");
    std::size_t fixedArea = 0;
    for (const StoredColumn& c : def_.columns) {
      if (c.name.empty()) bad(def_.name, "a column has no name");
      if (c.isFixed()) fixedArea = std::max<std::size_t>(fixedArea, c.fixedOffset + std::size_t{c.length});
    }
    if (fixedArea > layout_.pageSize) bad(def_.name, "its fixed columns do not fit in a row");
    for (const RealIndex& r : def_.realIndexes) {
      if (r.columns.empty()) bad(def_.name, "an index has no columns");
      for (const IndexKeyColumn& k : r.columns)
        if (!def_.columnByNumber(k.columnNumber)) bad(def_.name, "an index refers to a column that does not exist");
    }
    for (const LogicalIndex& l : def_.logicalIndexes)
      if (l.realIndex >= def_.realIndexes.size()) bad(def_.name, "index " + l.name + " has no index tree");
  }

  const format::Layout& layout_;
  const DatabaseHeader& header_;
  ByteSpan bytes_;
  StoredTableDefinition& def_;
  std::uint32_t columnCount_ = 0;
  std::uint32_t logicalCount_ = 0;
  std::uint32_t realCount_ = 0;
};

ColumnDefinition toSchema(const StoredColumn& c, Format version) {
  ColumnDefinition d;
  d.name = c.name;
  d.type = c.type;
  d.autonumber = c.isAutoNumber();
  d.fixedLength = c.type == ColumnType::Text && c.isFixed();
  d.required = c.required;
  if (c.type == ColumnType::Text)
    d.size = version == Format::Jet4 ? c.length / 2 : c.length;
  else if (c.type == ColumnType::Binary)
    d.size = c.length;
  if (c.type == ColumnType::Decimal) {
    d.precision = c.precision;
    d.scale = c.scale;
  }
  return d;
}

}  // namespace

bool RealIndex::unique() const { return (flags & format::index_flag::kUnique) != 0; }
bool RealIndex::ignoreNulls() const { return (flags & format::index_flag::kIgnoreNulls) != 0; }
bool RealIndex::required() const { return (flags & format::index_flag::kRequired) != 0; }

bool LogicalIndex::primary() const { return kind == format::index_kind::kPrimaryKey; }
bool LogicalIndex::foreign() const { return kind == format::index_kind::kForeignKey; }

const ColumnUsageMaps* StoredTableDefinition::usageMapsOf(std::uint16_t columnNumber) const {
  for (const ColumnUsageMaps& m : columnUsageMaps)
    if (m.columnNumber == columnNumber) return &m;
  return nullptr;
}

const StoredColumn* StoredTableDefinition::columnByNumber(std::uint16_t number) const {
  for (const StoredColumn& c : columns)
    if (c.number == number) return &c;
  return nullptr;
}

TableDefinition StoredTableDefinition::toSchema() const {
  TableDefinition d;
  d.name = name;
  for (const StoredColumn& c : columns) d.columns.push_back(jet::toSchema(c, this->version));
  for (const LogicalIndex& l : logicalIndexes) {
    const RealIndex& r = realIndexes[l.realIndex];
    IndexDefinition i;
    i.name = l.name;
    for (const IndexKeyColumn& k : r.columns) i.columns.push_back({columnByNumber(k.columnNumber)->name, k.descending});
    i.primary = l.primary();
    // A real index that backs a primary key is unique whatever its flags say.
    bool backsPrimary = std::any_of(logicalIndexes.begin(), logicalIndexes.end(), [&](const LogicalIndex& o) {
      return o.realIndex == l.realIndex && o.primary();
    });
    i.unique = r.unique() || backsPrimary;
    i.ignoreNulls = r.ignoreNulls();
    i.required = r.required();
    i.foreign = l.foreign();
    d.indexes.push_back(std::move(i));
  }
  return d;
}

StoredTableDefinition readTableDefinition(PageFile& file, std::uint32_t firstPage, std::string name) {
  StoredTableDefinition def;
  def.name = std::move(name);
  def.firstPage = firstPage;
  def.version = file.layout().version;
  std::vector<std::uint8_t> joined = joinDefinitionPages(file, firstPage, def.name, def.pages);
  DefinitionParser(file, joined, def).parse();
  return def;
}

void applyProperties(StoredTableDefinition& definition, ByteSpan properties, std::uint16_t codePage) {
  if (properties.empty()) return;
  try {
    PropertyBlock block = decodePropertyBlock(properties, definition.version, codePage);
    for (StoredColumn& c : definition.columns) c.required = block.columnFlag(c.name, "Required").value_or(false);
  } catch (const Error&) {
  }
}

}  // namespace jet
