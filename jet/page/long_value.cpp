#include "jet/page/long_value.h"

#include <algorithm>
#include <string>
#include <unordered_set>

#include "jet/page/data_page.h"
#include "jet/error.h"
#include "jet/file/format.h"
#include "jet/file/page_file.h"

namespace jet {

namespace {

[[noreturn]] void bad(const std::string& what) {
  throw Error(ErrorCode::Damaged, "a memo or OLE value is damaged: " + what);
}

// The bytes of an LVAL row, with its page kept alive by `holder`.
ByteSpan lvalRow(PageFile& file, RowLocation at, PageRef& holder) {
  holder = file.page(at.page, format::page_type::kData, "a memo or OLE value");
  if (at.row >= dataRowCount(*holder, file.layout()))
    bad("it points to row " + std::to_string(at.row) + " of page " + std::to_string(at.page) + ", which does not exist");
  RowSlot slot = dataRowSlot(*holder, file.layout(), at.row);
  if (slot.deleted) bad("it points to a deleted row of page " + std::to_string(at.page));
  return slotBytes(*holder, slot);
}

}  // namespace

LongValueField parseLongValueField(ByteSpan column) {
  if (column.size() < format::long_value::kFieldSize) bad("its field is too short");
  std::uint32_t head = bytes::u32(column, 0);
  LongValueField field;
  field.length = head & format::long_value::kLengthMask;
  if (head & format::long_value::kInline)
    field.form = LongValueForm::Inline;
  else if (head & format::long_value::kSinglePage)
    field.form = LongValueForm::SinglePage;
  else
    field.form = LongValueForm::Chain;
  field.firstRow = bytes::u32(column, format::long_value::kPointerOffset);
  return field;
}

Bytes readLongValue(PageFile& file, ByteSpan column) {
  LongValueField field = parseLongValueField(column);
  if (field.length > file.fileSize()) bad("its length is larger than the file");
  if (field.form == LongValueForm::Inline) {
    ByteSpan data = bytes::slice(column, format::long_value::kInlineDataOffset, field.length);
    return Bytes(data.begin(), data.end());
  }
  PageRef holder;
  if (field.form == LongValueForm::SinglePage) {
    ByteSpan row = lvalRow(file, rowLocationFromPointer(field.firstRow), holder);
    if (field.length > row.size()) bad("it is longer than the row that holds it");
    return Bytes(row.begin(), row.begin() + field.length);
  }
  Bytes out;
  out.reserve(field.length);
  std::unordered_set<std::uint32_t> seen;
  std::uint32_t next = field.firstRow;
  while (out.size() < field.length) {
    if (next == 0) bad("its chain of pages ends early");
    if (!seen.insert(next).second) bad("its chain of pages forms a loop");
    ByteSpan row = lvalRow(file, rowLocationFromPointer(next), holder);
    next = bytes::u32(row, 0);
    ByteSpan data = row.subspan(format::long_value::kChainLinkSize);
    std::size_t take = std::min<std::size_t>(data.size(), field.length - out.size());
    out.insert(out.end(), data.begin(), data.begin() + take);
  }
  return out;
}

}  // namespace jet
