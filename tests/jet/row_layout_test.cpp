// Splitting rows into columns: Jet 4 rows with two-byte offsets, Jet 3 rows whose one-byte offsets
// need the jump table (including its filler entry), Decimal values, long-value fields, and rows
// whose own counts and offsets do not fit; and the room a data page has for one more row.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "jet/error.h"
#include "jet/file/format.h"
#include "jet/file/page_file.h"
#include "jet/page/data_page_writer.h"
#include "jet/page/long_value.h"
#include "jet/table/row_reader.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::string text(jet::ByteSpan b) { return std::string(b.begin(), b.end()); }

void putLe16(Bytes& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

Bytes nullMask(std::uint16_t columns, const std::vector<int>& present) {
  Bytes mask((columns + 7) / 8, 0);
  for (int c : present) mask[c / 8] |= static_cast<std::uint8_t>(1 << (c % 8));
  return mask;
}

// A Jet 4 row: column count, fixed area, variable data, then the end offset, the offsets in reverse,
// the variable column count and the null mask.
Bytes jet4Row(std::uint16_t columns, const Bytes& fixed, const std::vector<std::string>& vars,
              const std::vector<int>& present) {
  Bytes row(2);
  putLe16(row, 0, columns);
  row.insert(row.end(), fixed.begin(), fixed.end());
  std::vector<std::uint16_t> offsets;
  for (const std::string& v : vars) {
    offsets.push_back(static_cast<std::uint16_t>(row.size()));
    row.insert(row.end(), v.begin(), v.end());
  }
  offsets.push_back(static_cast<std::uint16_t>(row.size()));  // end of the variable data
  for (std::size_t i = offsets.size(); i-- > 0;) {
    row.resize(row.size() + 2);
    putLe16(row, row.size() - 2, offsets[i]);
  }
  row.resize(row.size() + 2);
  putLe16(row, row.size() - 2, static_cast<std::uint16_t>(vars.size()));
  Bytes mask = nullMask(columns, present);
  row.insert(row.end(), mask.begin(), mask.end());
  return row;
}

// A Jet 3 row: one-byte offsets; each jump table entry names the first offset entry that lies past
// another 256 bytes. The table has (row length - 1) / 256 entries; unused ones are 0xFF fillers,
// stored farthest from the count.
Bytes jet3Row(std::uint8_t columns, const Bytes& fixed, const std::vector<std::string>& vars, const std::vector<int>& present) {
  Bytes row{columns};
  row.insert(row.end(), fixed.begin(), fixed.end());
  std::vector<std::size_t> offsets;
  for (const std::string& v : vars) {
    offsets.push_back(row.size());
    row.insert(row.end(), v.begin(), v.end());
  }
  offsets.push_back(row.size());
  Bytes mask = nullMask(columns, present);
  std::size_t trailerWithoutJumps = offsets.size() + 1 + mask.size();
  std::size_t jumps = 0;
  while ((row.size() + trailerWithoutJumps + jumps - 1) / 256 > jumps) ++jumps;
  std::vector<std::uint8_t> jumpTable;  // entry j: first offset index at or past (j + 1) * 256
  for (std::size_t j = 0; j < jumps; ++j) {
    std::uint8_t entry = 0xFF;
    for (std::size_t i = 0; i < offsets.size(); ++i)
      if (offsets[i] >= (j + 1) * 256) {
        entry = static_cast<std::uint8_t>(i);
        break;
      }
    jumpTable.push_back(entry);
  }
  for (std::size_t i = offsets.size(); i-- > 0;) row.push_back(static_cast<std::uint8_t>(offsets[i] & 0xFF));
  for (std::size_t j = jumps; j-- > 0;) row.push_back(jumpTable[j]);
  row.push_back(static_cast<std::uint8_t>(vars.size()));
  row.insert(row.end(), mask.begin(), mask.end());
  return row;
}

jet::RowColumns split(const Bytes& row, const jet::format::Layout& layout, bool hasVariableColumns = true) {
  return jet::RowColumns(jet::ByteSpan(row.data(), row.size()), layout, hasVariableColumns);
}

TEST(Jet4Row, FixedAndVariableColumnsAndTheNullMask) {
  Bytes fixed{0x2A, 0x00, 0x00, 0x00, 0x07, 0x00};  // a Long (42) and an Integer (7)
  Bytes row = jet4Row(5, fixed, {"abc", "", "hello"}, {0, 2, 4});
  jet::RowColumns c = split(row, jet::format::kJet4);
  EXPECT_EQ(5, c.columnCount());
  EXPECT_TRUE(c.hasValue(0));
  EXPECT_FALSE(c.hasValue(1));
  EXPECT_TRUE(c.hasValue(4));
  EXPECT_FALSE(c.hasValue(5)) << "columns added after the row was written have no value";
  EXPECT_EQ(42, jet::bytes::i32(c.fixedBytes(0, 4), 0));
  EXPECT_EQ(7, jet::bytes::i16(c.fixedBytes(4, 2), 0));
  EXPECT_EQ("abc", text(*c.variableBytes(0)));
  EXPECT_EQ("", text(*c.variableBytes(1)));
  EXPECT_EQ("hello", text(*c.variableBytes(2)));
  EXPECT_FALSE(c.variableBytes(3).has_value());
  EXPECT_THROW(c.fixedBytes(4, 20), jet::Error) << "a fixed column may not reach into the offsets";
}

TEST(Jet4Row, TableWithoutVariableColumnsHasNoOffsetTable) {
  Bytes row{2, 0, 0x10, 0x20, 0x03};
  jet::RowColumns c = split(row, jet::format::kJet4, false);
  EXPECT_EQ(0x2010, jet::bytes::u16(c.fixedBytes(0, 2), 0));
  EXPECT_TRUE(c.hasValue(1));
  EXPECT_FALSE(c.variableBytes(0).has_value());
}

TEST(Jet3Row, ShortRowNeedsNoJumpTable) {
  Bytes row = jet3Row(3, {0x01, 0x02}, {"xy", "z"}, {0, 1, 2});
  jet::RowColumns c = split(row, jet::format::kJet3);
  EXPECT_EQ("xy", text(*c.variableBytes(0)));
  EXPECT_EQ("z", text(*c.variableBytes(1)));
  EXPECT_EQ(0x0201, jet::bytes::u16(c.fixedBytes(0, 2), 0));
}

TEST(Jet3Row, JumpTableAddsMultiplesOf256) {
  std::string a(200, 'a'), b(200, 'b'), d(200, 'd');
  Bytes row = jet3Row(4, {0, 0, 0, 0}, {a, b, d}, {0, 1, 2, 3});
  ASSERT_GT(row.size(), 512u);
  jet::RowColumns c = split(row, jet::format::kJet3);
  EXPECT_EQ(a, text(*c.variableBytes(0)));
  EXPECT_EQ(b, text(*c.variableBytes(1)));
  EXPECT_EQ(d, text(*c.variableBytes(2)));
}

TEST(Jet3Row, FillerJumpEntryIsIgnored) {
  // Data ends just below 512, but the trailer pushes the row past it: the second entry is a filler.
  std::string a(250, 'a'), b(258, 'b');
  Bytes row = jet3Row(3, {}, {a, b}, {0, 1});
  ASSERT_GE(row.size(), 513u);
  ASSERT_LT(row.size() - 8, 512u);
  jet::RowColumns c = split(row, jet::format::kJet3);
  EXPECT_EQ(a, text(*c.variableBytes(0)));
  EXPECT_EQ(b, text(*c.variableBytes(1)));
}

TEST(DamagedRow, CountsAndOffsetsThatDoNotFitAreReported) {
  Bytes row = jet4Row(3, {}, {"abc"}, {0});
  Bytes tooManyColumns = row;
  putLe16(tooManyColumns, 0, 0xFFFF);
  EXPECT_THROW(split(tooManyColumns, jet::format::kJet4), jet::Error);

  Bytes tooManyVariables = row;
  putLe16(tooManyVariables, row.size() - 1 - 2, 0x7FFF);
  EXPECT_THROW(split(tooManyVariables, jet::format::kJet4), jet::Error);

  Bytes offsetPastData = row;
  putLe16(offsetPastData, row.size() - 1 - 4, 0x0FFF);
  EXPECT_THROW(split(offsetPastData, jet::format::kJet4), jet::Error);

  Bytes tiny{0x05};
  EXPECT_THROW(split(tiny, jet::format::kJet4), jet::Error);
  EXPECT_THROW(split(Bytes{}, jet::format::kJet3), jet::Error);

  Bytes jet3 = jet3Row(2, {}, {"abc"}, {0, 1});
  jet3[jet3.size() - 2] = 200;  // variable column count
  try {
    split(jet3, jet::format::kJet3);
    FAIL() << "expected Error(Damaged)";
  } catch (const jet::Error& e) {
    EXPECT_EQ(jet::ErrorCode::Damaged, e.code());
  }
}

TEST(DecimalValue, SignByteThenWordsMostSignificantFirst) {
  Bytes d(17, 0);
  d[0] = 0x80;
  d[13] = 0x39;  // least significant word = 12345
  d[14] = 0x30;
  jet::Decimal v = jet::decodeDecimal(jet::ByteSpan(d.data(), d.size()), 10, 2);
  EXPECT_EQ("-123.45", jet::toString(v));
  d[9] = 1;  // bit 32 of the magnitude
  EXPECT_EQ("-42949796.41", jet::toString(jet::decodeDecimal(jet::ByteSpan(d.data(), d.size()), 10, 2)));
  d[1] = 1;  // beyond 96 bits
  EXPECT_THROW(jet::decodeDecimal(jet::ByteSpan(d.data(), d.size()), 10, 2), jet::Error);
}

TEST(LongValueField, LengthAndForm) {
  Bytes field(12, 0);
  field[0] = 5;
  field[3] = 0x80;
  EXPECT_EQ(jet::LongValueForm::Inline, jet::parseLongValueField(jet::ByteSpan(field.data(), 12)).form);
  EXPECT_EQ(5u, jet::parseLongValueField(jet::ByteSpan(field.data(), 12)).length);
  field[3] = 0x40;
  field[4] = 3;  // row 3
  field[5] = 0x10;  // of page 16
  jet::LongValueField single = jet::parseLongValueField(jet::ByteSpan(field.data(), 12));
  EXPECT_EQ(jet::LongValueForm::SinglePage, single.form);
  EXPECT_EQ(16u, jet::format::rowPointerPage(single.firstRow));
  EXPECT_EQ(3u, jet::format::rowPointerRow(single.firstRow));
  field[3] = 0x00;
  EXPECT_EQ(jet::LongValueForm::Chain, jet::parseLongValueField(jet::ByteSpan(field.data(), 12)).form);
  EXPECT_THROW(jet::parseLongValueField(jet::ByteSpan(field.data(), 11)), jet::Error);
}

// A new row fits a data page when it and its row-table entry take at most the free bytes, and
// while the page holds fewer than 255 rows.
TEST(DataPageRoom, ARowAndItsEntryFillTheFreeBytesExactlyUpTo255Rows) {
  for (const jet::format::Layout* layout : {&jet::format::kJet3, &jet::format::kJet4}) {
    Bytes page(layout->pageSize, 0);
    page[0] = 0x01;
    putLe16(page, layout->dataFreeSpaceOffset, static_cast<std::uint16_t>(layout->pageSize - layout->dataRowTableOffset));
    jet::addRow(page, *layout, Bytes(100, 7));
    const std::size_t free = jet::dataPageFreeSpace(jet::Page(9, page), *layout);
    EXPECT_TRUE(jet::rowFits(jet::Page(9, page), *layout, free - 2));
    EXPECT_FALSE(jet::rowFits(jet::Page(9, page), *layout, free - 1));
    jet::addRow(page, *layout, Bytes(free - 2, 1));
    EXPECT_EQ(jet::dataPageFreeSpace(jet::Page(9, page), *layout), 0u);
    // Empty rows take only their entries: the 255th fits, the 256th does not.
    Bytes small(layout->pageSize, 0);
    putLe16(small, layout->dataFreeSpaceOffset, static_cast<std::uint16_t>(layout->pageSize - layout->dataRowTableOffset));
    for (int row = 0; row < 254; ++row) jet::addRow(small, *layout, Bytes{});
    EXPECT_TRUE(jet::rowFits(jet::Page(9, small), *layout, 0));
    jet::addRow(small, *layout, Bytes{});
    EXPECT_FALSE(jet::rowFits(jet::Page(9, small), *layout, 0));
    EXPECT_THROW(jet::addRow(small, *layout, Bytes{}), jet::Error);
  }
}

}  // namespace
