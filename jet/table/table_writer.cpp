#include "jet/table/table_writer.h"

#include <algorithm>
#include <string>

#include "jet/page/data_page_writer.h"
#include "jet/table/database_core.h"
#include "jet/error.h"
#include "jet/page/long_value_writer.h"
#include "jet/table/row_reader.h"
#include "jet/table/row_writer.h"
#include "jet/tdef/table_definition_writer.h"
#include "jet/text/text_codec.h"
#include "jet/page/usage_map_editor.h"

namespace jet {

namespace re = format::row_entry;

TableWriter::TableWriter(detail::DatabaseCore& core, StoredTableDefinition& table) : core_(core), table_(table) {
  std::vector<ColumnBytes> none(table_.columns.size());
  minRowSize_ = encodeRow(table_, core_.file().layout(), none).size();
}

TableWriter::Placement TableWriter::locate(RowLocation at) {
  PageFile& file = core_.file();
  const format::Layout& layout = file.layout();
  PageRef page = file.page(at.page, format::page_type::kData, "a row");
  if (dataPageOwner(*page, layout) != table_.firstPage || at.row >= dataRowCount(*page, layout))
    throw Error(ErrorCode::NoCurrentRow, "the row of table " + table_.name + " no longer exists");
  RowSlot slot = dataRowSlot(*page, layout, at.row);
  if (slot.deleted) throw Error(ErrorCode::NoCurrentRow, "the row of table " + table_.name + " was deleted");
  Placement p;
  p.header = at;
  if (slot.overflow) {
    p.overflow = true;
    p.target = rowLocationFromPointer(bytes::u32(slotBytes(*page, slot), 0));
  }
  return p;
}

Bytes TableWriter::longValueBytes(const StoredColumn& column, const Value& value, std::size_t roomInRow) {
  PageFile& file = core_.file();
  Bytes data;
  if (column.type == ColumnType::Memo) {
    const std::string& text = value.as<std::string>();
    bool compress = (column.extFlags & format::column_ext_flag::kCompressedUnicode) &&
                    decodeUtf8(text).size() <= kMaxCompressedMemoCharacters;
    data = encodeText(text, file.layout().version, file.header().codePage, compress);
  } else {
    data = value.as<Bytes>();
  }
  return core_.longValues().write(data, table_.usageMapsOf(column.number), roomInRow);
}

const std::vector<ColumnBytes>& TableWriter::encodeColumns(const std::vector<Value>& row,
                                                          const std::vector<bool>* changed, const RowImage* old) {
  PageFile& file = core_.file();
  const format::Layout& layout = file.layout();
  std::vector<ColumnBytes>& out = scratch_;
  out.resize(table_.columns.size());
  std::optional<RowColumns> oldColumns;
  if (old) oldColumns = RowColumns(old->bytes, layout, table_.varColumnCount > 0);
  std::vector<std::size_t> longValues;
  for (std::size_t i = 0; i < table_.columns.size(); ++i) {
    const StoredColumn& c = table_.columns[i];
    if (oldColumns && changed && !(*changed)[i]) {
      // Unchanged: the stored bytes, exactly as they are.
      ColumnBytes& keep = out[i];
      keep.bytes.clear();
      keep.present = oldColumns->hasValue(c.number);
      if (c.type == ColumnType::Boolean || !keep.present) continue;
      if (c.isFixed()) {
        std::size_t size = fixedColumnSize(c);
        ByteSpan b = oldColumns->fixedBytes(c.fixedOffset, size);
        keep.bytes.assign(b.begin(), b.end());
      } else if (std::optional<ByteSpan> b = oldColumns->variableBytes(c.varIndex)) {
        keep.bytes.assign(b->begin(), b->end());
      } else {
        keep.present = false;
      }
      continue;
    }
    if (c.isLongValue()) {
      out[i].present = false;
      out[i].bytes.clear();
      if (!row[i].isNull()) longValues.push_back(i);
      continue;
    }
    encodeColumnInto(c, row[i], layout.version, file.header().codePage, out[i]);
  }
  if (!longValues.empty()) {
    std::size_t base = encodedRowSize(table_, layout, out);
    std::size_t reserve = longValues.size() * format::long_value::kFieldSize;
    std::size_t room = maxRowSize(layout) > base + reserve ? maxRowSize(layout) - base - reserve : 0;
    for (std::size_t i : longValues) {
      const StoredColumn& c = table_.columns[i];
      out[i].present = true;
      out[i].bytes = longValueBytes(c, row[i], room + format::long_value::kFieldSize);
      std::size_t used = out[i].bytes.size() - format::long_value::kFieldSize;
      room = room > used ? room - used : 0;
    }
  }
  return out;
}

void TableWriter::freeLongValues(const RowImage& image, const std::vector<bool>* only) {
  RowColumns columns(image.bytes, core_.file().layout(), table_.varColumnCount > 0);
  for (std::size_t i = 0; i < table_.columns.size(); ++i) {
    const StoredColumn& c = table_.columns[i];
    if (!c.isLongValue() || (only && !(*only)[i]) || !columns.hasValue(c.number)) continue;
    std::optional<ByteSpan> field = columns.variableBytes(c.varIndex);
    if (!field || field->size() < format::long_value::kFieldSize) continue;
    core_.longValues().free(*field, table_.usageMapsOf(c.number));
  }
}

std::uint32_t TableWriter::pageWithRoom(std::size_t size, std::uint32_t avoid) {
  PageFile& file = core_.file();
  const format::Layout& layout = file.layout();
  UsageMapEditor freeSpace(file, table_.freePagesMap);
  std::uint32_t below = file.pageCount();
  for (int tries = 0; tries < 4; ++tries) {
    std::optional<std::uint32_t> candidate = freeSpace.lastSetBelow(below);
    if (!candidate) break;
    below = *candidate;
    if (*candidate == avoid) continue;
    PageRef page = file.page(*candidate);
    bool ours = page->type() == format::page_type::kData && !isLongValuePage(*page, layout) &&
                dataPageOwner(*page, layout) == table_.firstPage;
    if (ours && rowFits(*page, layout, size)) return *candidate;
    if (!ours || !rowFits(*page, layout, minRowSize_)) core_.allocator().removeFromMap(table_.freePagesMap, *candidate);
  }
  return core_.allocator().allocateDataPage(table_);
}

void TableWriter::updateFreeSpace(std::uint32_t page) {
  PageFile& file = core_.file();
  bool room = rowFits(*file.page(page), file.layout(), minRowSize_);
  UsageMapEditor freeSpace(file, table_.freePagesMap);
  if (room != freeSpace.contains(page)) {
    if (room) core_.allocator().addToMap(table_.freePagesMap, page);
    else core_.allocator().removeFromMap(table_.freePagesMap, page);
  }
}

RowLocation TableWriter::placeRow(ByteSpan row, std::uint16_t flags, std::uint32_t avoid) {
  PageFile& file = core_.file();
  std::uint32_t page = pageWithRoom(row.size(), avoid);
  std::uint16_t number = file.modifyPage(page, [&](auto& bytes) { return addRow(bytes, file.layout(), row, flags); });
  updateFreeSpace(page);
  return RowLocation{page, number};
}

RowLocation TableWriter::insert(const std::vector<Value>& row) {
  core_.indexMaintenance().validate(table_, row, std::nullopt);
  Bytes bytes = encodeRow(table_, core_.file().layout(), encodeColumns(row, nullptr, nullptr));
  RowLocation at = placeRow(bytes, 0, 0);
  std::vector<const RealIndex*> counted = core_.indexMaintenance().insertEntriesUnwritten(table_, row, at);
  ++table_.rowCount;
  writeRowCounts(core_.file(), table_, counted);  // the definition page written once for the row
  return at;
}

void TableWriter::update(RowLocation at, const std::vector<Value>& oldRow, const std::vector<Value>& newRow,
                         const std::vector<bool>& changed) {
  PageFile& file = core_.file();
  const format::Layout& layout = file.layout();
  core_.indexMaintenance().validate(table_, newRow, at, &oldRow);
  Placement place = locate(at);
  RowReader reader(file, table_);
  std::optional<RowImage> old = reader.fetch(at);
  if (!old) throw Error(ErrorCode::NoCurrentRow, "the row of table " + table_.name + " was deleted");
  freeLongValues(*old, &changed);
  Bytes bytes = encodeRow(table_, layout, encodeColumns(newRow, &changed, &*old));
  old.reset();

  std::vector<std::uint8_t> header = file.copyPage(at.page);
  if (replacementFits(header, layout, at.row, bytes.size())) {
    // In place (an overflow row comes home when its own page has room again).
    replaceRow(header, layout, at.row, bytes, 0);
    file.writePage(at.page, std::move(header));
    if (place.overflow) {
      file.modifyPage(place.target.page, [&](auto& target) { deleteRow(target, layout, place.target.row); });
      updateFreeSpace(place.target.page);
    }
  } else if (place.overflow && replacementFits(file.page(place.target.page)->bytes(), layout, place.target.row, bytes.size())) {
    file.modifyPage(place.target.page, [&](auto& target) { replaceRow(target, layout, place.target.row, bytes, re::kDeleted); });
  } else {
    // Moves: the bytes to another page (flagged deleted, so scans skip them), a pointer here.
    RowLocation target = placeRow(bytes, re::kDeleted, at.page);
    if (place.overflow) {
      file.modifyPage(place.target.page, [&](auto& oldTarget) { deleteRow(oldTarget, layout, place.target.row); });
      updateFreeSpace(place.target.page);
    }
    Bytes pointer(4);
    bytes::put32(pointer, 0, format::makeRowPointer(target.page, target.row));
    file.modifyPage(at.page, [&](auto& page) { replaceRow(page, layout, at.row, pointer, re::kOverflow); });
  }
  updateFreeSpace(at.page);
  core_.indexMaintenance().updateEntries(table_, oldRow, newRow, at);
}

void TableWriter::remove(RowLocation at, const std::vector<Value>& row) {
  PageFile& file = core_.file();
  const format::Layout& layout = file.layout();
  Placement place = locate(at);
  core_.indexMaintenance().removeEntries(table_, row, at);
  RowReader reader(file, table_);
  if (std::optional<RowImage> image = reader.fetch(at)) freeLongValues(*image, nullptr);
  if (place.overflow) {
    file.modifyPage(place.target.page, [&](auto& target) { deleteRow(target, layout, place.target.row); });
    updateFreeSpace(place.target.page);
  }
  file.modifyPage(at.page, [&](auto& page) { deleteRow(page, layout, at.row); });
  updateFreeSpace(at.page);
  if (table_.rowCount > 0) --table_.rowCount;
  writeRowCounts(file, table_);
}

}  // namespace jet
