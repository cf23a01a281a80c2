#include "jet/table/row_reader.h"

#include <string>

#include "jet/error.h"
#include "jet/page/long_value.h"
#include "jet/text/text_codec.h"

namespace jet {

namespace {

constexpr int kMaxOverflowHops = 16;

[[noreturn]] void badRow(const std::string& what) {
  throw Error(ErrorCode::Damaged, "a row is damaged: " + what);
}

}  // namespace

std::size_t fixedSizeOf(ColumnType type) {
  switch (type) {
    case ColumnType::Byte: return 1;
    case ColumnType::Integer: return 2;
    case ColumnType::Long: return 4;
    case ColumnType::Currency: return 8;
    case ColumnType::Single: return 4;
    case ColumnType::Double: return 8;
    case ColumnType::DateTime: return 8;
    case ColumnType::Guid: return 16;
    case ColumnType::Decimal: return 17;
    default: return 0;
  }
}

// ---- RowColumns ------------------------------------------------------------------------------------

void RowColumns::assign(ByteSpan row, const format::Layout& layout, bool hasVariableColumns) {
  row_ = row;
  columnCount_ = 0;  // until the row proves sound: a damaged one reads as having no values
  varOffsets_.clear();
  std::size_t countSize = layout.rowColumnCountSize;
  const std::uint16_t count = countSize == 1 ? bytes::u8(row, 0) : bytes::u16(row, 0);
  std::size_t maskSize = (count + 7u) / 8u;
  if (countSize + maskSize > row.size()) badRow("its null mask does not fit in it");
  nullMask_ = row.subspan(row.size() - maskSize);
  fixedStart_ = countSize;
  std::size_t trailer = row.size() - maskSize;
  dataEnd_ = trailer;
  if (hasVariableColumns) {
    if (layout.rowVarEntrySize == 2)
      readJet4Offsets(trailer);
    else
      readJet3Offsets(trailer);
    // Offsets ascend from the end of the fixed area to the start of the trailer.
    for (std::size_t i = 0; i < varOffsets_.size(); ++i) {
      if (varOffsets_[i] < fixedStart_ || varOffsets_[i] > dataEnd_ || (i > 0 && varOffsets_[i] < varOffsets_[i - 1]))
        badRow("its variable column offsets point outside it");
    }
  }
  columnCount_ = count;  // the row is sound
}

void RowColumns::readJet4Offsets(std::size_t trailer) {
  if (trailer < fixedStart_ + 2) badRow("its variable column count does not fit in it");
  std::size_t count = bytes::u16(row_, trailer - 2);
  std::size_t tableBytes = 2 * (count + 1);
  if (trailer - 2 < fixedStart_ + tableBytes) badRow("its variable offset table does not fit in it");
  varOffsets_.resize(count + 1);
  for (std::size_t i = 0; i <= count; ++i) varOffsets_[i] = bytes::u16(row_, trailer - 4 - 2 * i);
  dataEnd_ = trailer - 2 - tableBytes;
}

void RowColumns::readJet3Offsets(std::size_t trailer) {
  // trailer - 1 holds the variable column count; before it the jump table, then the offsets.
  if (trailer < fixedStart_ + 1) badRow("its variable column count does not fit in it");
  std::size_t count = bytes::u8(row_, trailer - 1);
  std::size_t rowEnd = row_.size() - 1;
  std::size_t maskSize = row_.size() - trailer;
  std::size_t jumps = (row_.size() - 1) / 256;
  if (rowEnd < maskSize + jumps + 1 + count + fixedStart_) badRow("its variable offset table does not fit in it");
  std::size_t firstOffset = rowEnd - maskSize - jumps - 1;  // offset of slot 0; slot i at firstOffset - i
  // The jump table is sized by the row's length; its last entry may be a filler.
  if ((firstOffset - count) / 256 < jumps) --jumps;
  varOffsets_.resize(count + 1);
  std::size_t jumpsUsed = 0;
  for (std::size_t i = 0; i <= count; ++i) {
    while (jumpsUsed < jumps && i == bytes::u8(row_, rowEnd - maskSize - jumpsUsed - 1)) ++jumpsUsed;
    std::size_t offset = bytes::u8(row_, firstOffset - i) + jumpsUsed * 256;
    if (offset > 0xFFFF) badRow("a variable column offset is too large");
    varOffsets_[i] = static_cast<std::uint16_t>(offset);
  }
  dataEnd_ = firstOffset - count;
}

void RowColumns::fixedColumnOutside() { badRow("a fixed-length column lies outside it"); }

// ---- RowReader -------------------------------------------------------------------------------------

RowReader::RowReader(PageFile& file, const StoredTableDefinition& definition)
    : file_(&file), definition_(&definition), layout_(&file.layout()),
      hasVariableColumns_(definition.varColumnCount > 0) {}

bool RowReader::isLive(const Page& page, std::uint16_t row) const {
  if (row >= dataRowCount(page, *layout_)) return false;
  std::uint16_t raw = bytes::u16(page.bytes(), layout_->dataRowTableOffset + 2u * row);
  return (raw & format::row_entry::kDeleted) == 0;
}

std::optional<RowImage> RowReader::fetch(RowLocation at) {
  PageRef page = file_->page(at.page, format::page_type::kData, "a row");
  if (dataPageOwner(*page, *layout_) != definition_->firstPage)
    throw Error(ErrorCode::Damaged, "page " + std::to_string(at.page) + " does not belong to table " +
                                        definition_->name);
  if (at.row >= dataRowCount(*page, *layout_)) return std::nullopt;
  RowSlot slot = dataRowSlot(*page, *layout_, at.row);
  if (slot.deleted) return std::nullopt;
  RowLocation where = at;
  for (int hop = 0; slot.overflow; ++hop) {
    if (hop == kMaxOverflowHops) badRow("its overflow pointers form a loop");
    ByteSpan pointer = slotBytes(*page, slot);
    where = rowLocationFromPointer(bytes::u32(pointer, 0));
    page = file_->page(where.page, format::page_type::kData, "an overflow row");
    if (dataPageOwner(*page, *layout_) != definition_->firstPage)
      badRow("its overflow pointer leads to a page of another table");
    if (where.row >= dataRowCount(*page, *layout_)) badRow("its overflow pointer leads to a missing row");
    slot = overflowTargetSlot(*page, *layout_, where.row);
  }
  return RowImage{page, slotBytes(*page, slot), where};
}

RowColumns RowReader::split(const RowImage& row) const { return RowColumns(row.bytes, *layout_, hasVariableColumns_); }

void RowReader::split(const RowImage& row, RowColumns& into) const {
  into.assign(row.bytes, *layout_, hasVariableColumns_);
}

void RowReader::decodeAll(const RowImage& row, std::vector<Value>& out) {
  RowColumns columns = split(row);
  out.clear();
  out.reserve(definition_->columns.size());
  for (std::size_t i = 0; i < definition_->columns.size(); ++i) out.push_back(decode(columns, i));
}

Value RowReader::decode(const RowColumns& columns, std::size_t columnIndex) {
  const StoredColumn& column = definition_->columns.at(columnIndex);
  bool present = columns.hasValue(column.number);
  if (column.type == ColumnType::Boolean) return Value(present);
  if (!present) return Value(Null{});
  if (column.isFixed()) {
    std::size_t size = fixedSizeOf(column.type);
    if (size == 0) size = column.length;  // fixed-length text and binary
    return decodeFixed(column, columns.fixedBytes(column.fixedOffset, size));
  }
  std::optional<ByteSpan> data = columns.variableBytes(column.varIndex);
  if (!data) return Value(Null{});
  return decodeVariable(column, *data);
}

std::string RowReader::decodeText(ByteSpan data) const {
  if (layout_->version == Format::Jet3) return decodeCodePage(data, file_->header().codePage);
  return decodeJet4Text(data);
}

void RowReader::decodeText(ByteSpan data, std::string& out) const {
  out.clear();
  if (layout_->version == Format::Jet3)
    appendCodePageText(out, data, file_->header().codePage);
  else
    appendJet4Text(out, data);
}

Value RowReader::decodeFixed(const StoredColumn& column, ByteSpan d) const {
  if (column.typeCode != static_cast<std::uint8_t>(column.type)) return Value(Bytes(d.begin(), d.end()));
  switch (column.type) {
    case ColumnType::Byte: return Value(bytes::u8(d, 0));
    case ColumnType::Integer: return Value(bytes::i16(d, 0));
    case ColumnType::Long: return Value(bytes::i32(d, 0));
    case ColumnType::Currency: return Value(Currency{bytes::i64(d, 0)});
    case ColumnType::Single: return Value(bytes::f32(d, 0));
    case ColumnType::Double: return Value(bytes::f64(d, 0));
    case ColumnType::DateTime: return Value(DateTime{bytes::f64(d, 0)});
    case ColumnType::Guid: {
      Guid g;
      for (std::size_t i = 0; i < g.size(); ++i) g[i] = d[i];
      return Value(g);
    }
    case ColumnType::Decimal: return Value(decodeDecimal(d, column.precision, column.scale));
    case ColumnType::Text:
    case ColumnType::Memo: return Value(decodeText(d));
    default: return Value(Bytes(d.begin(), d.end()));
  }
}

Value RowReader::decodeVariable(const StoredColumn& column, ByteSpan d) {
  if (column.typeCode != static_cast<std::uint8_t>(column.type)) return Value(Bytes(d.begin(), d.end()));
  switch (column.type) {
    case ColumnType::Text: return Value(decodeText(d));
    case ColumnType::Memo: {
      Bytes raw = readLongValue(*file_, d);
      return Value(decodeText(raw));
    }
    case ColumnType::Ole: return Value(readLongValue(*file_, d));
    case ColumnType::Binary: return Value(Bytes(d.begin(), d.end()));
    default:
      // A fixed type stored as a variable column (a definition Access does not write): read it as if
      // it were fixed, from the variable bytes.
      if (fixedSizeOf(column.type) > d.size()) badRow("a column is shorter than its type");
      return decodeFixed(column, d);
  }
}

Decimal decodeDecimal(ByteSpan data, std::uint8_t precision, std::uint8_t scale) {
  Decimal value;
  value.negative = bytes::u8(data, 0) != 0;
  value.precision = precision;
  value.scale = scale;
  std::uint32_t words[4];
  for (int i = 0; i < 4; ++i) words[i] = bytes::u32(data, 1 + 4 * i);  // most significant first
  if (words[0] != 0) badRow("a decimal value is larger than 96 bits");
  value.high = words[1];
  value.low = (static_cast<std::uint64_t>(words[2]) << 32) | words[3];
  return value;
}

}  // namespace jet
