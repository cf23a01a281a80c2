// Row and text encoding against the engine's own decoders: rows of both formats (Jet 3 jump
// tables at every boundary), Jet 4 compressed text of every kind of character.

#include <gtest/gtest.h>

#include "jet/file/format.h"
#include "jet/table/row_reader.h"
#include "jet/table/row_writer.h"
#include "jet/text/text_codec.h"

namespace {

using jet::ColumnType;
using jet::Value;

TEST(TextEncoding, CompressedTextDecodesBackAndIsUsedOnlyWhenShorter) {
  const std::vector<std::string> texts = {
      "", "a", "ab", "abc", "plain ASCII text", "Gr\xC3\xBC\xC3\x9F" "e",  // Gruesse with umlaut and sharp s
      "\xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1",                         // Greek only
      "abc \xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1 def ghi",             // mixed runs
      "x\xCE\xA9y\xCE\xA9z",                                              // short runs between
      "\xC4\x80 has a character whose low byte is zero",                  // U+0100
      "emoji \xF0\x9F\x98\x80 pair"};
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    jet::Bytes plain = jet::encodeText(text, jet::Format::Jet4, 1252, false);
    jet::Bytes packed = jet::encodeText(text, jet::Format::Jet4, 1252, true);
    EXPECT_EQ(text, jet::decodeJet4Text(plain));
    EXPECT_EQ(text, jet::decodeJet4Text(packed));
    EXPECT_LE(packed.size(), plain.size());
    bool compressed = packed.size() >= 2 && packed[0] == 0xFF && packed[1] == 0xFE;
    EXPECT_EQ(compressed, packed.size() < plain.size());
  }
  EXPECT_EQ(jet::Bytes({0xFF, 0xFE, 'a', 'b', 'c'}), jet::encodeText("abc", jet::Format::Jet4, 1252, true));
  jet::Bytes zeroLow = jet::encodeText("\xC4\x80xyzxyz", jet::Format::Jet4, 1252, true);
  EXPECT_NE(0xFF, zeroLow[0]) << "text with U+0100 stays uncompressed";
}

// A table of the given columns (all variable text, or a fixed Long first) for row tests.
jet::StoredTableDefinition textTable(int columns, jet::Format version) {
  jet::StoredTableDefinition t;
  t.name = "T";
  t.version = version;
  jet::StoredColumn id;
  id.name = "id";
  id.type = ColumnType::Long;
  id.typeCode = 4;
  id.flags = jet::format::column_flag::kFixedLength;
  id.number = 0;
  t.columns.push_back(id);
  for (int i = 0; i < columns; ++i) {
    jet::StoredColumn c;
    c.name = "c" + std::to_string(i);
    c.type = ColumnType::Text;
    c.typeCode = 10;
    c.number = static_cast<std::uint16_t>(i + 1);
    c.varIndex = static_cast<std::uint16_t>(i);
    c.length = 255;
    t.columns.push_back(c);
  }
  t.maxColumns = static_cast<std::uint16_t>(columns + 1);
  t.varColumnCount = static_cast<std::uint16_t>(columns);
  return t;
}

TEST(RowEncoding, RowsSplitBackIntoTheirColumnsAcrossJumpTableBoundaries) {
  for (auto version : {jet::Format::Jet3, jet::Format::Jet4}) {
    const jet::format::Layout& layout = jet::format::layout(version);
    jet::StoredTableDefinition t = textTable(12, version);
    for (int length = 0; length <= 160; length += 3) {
      SCOPED_TRACE("version " + std::to_string(static_cast<int>(version)) + ", length " + std::to_string(length));
      std::vector<jet::ColumnBytes> columns(t.columns.size());
      columns[0] = jet::encodeColumn(t.columns[0], Value(std::int32_t(length)), version, 1252);
      std::vector<std::string> texts;
      for (std::size_t i = 1; i < t.columns.size(); ++i) {
        texts.push_back(i % 4 == 0 ? std::string() : std::string(static_cast<std::size_t>(length) + i, static_cast<char>('a' + i)));
        Value v = i % 4 == 0 ? Value(jet::Null{}) : Value(texts.back());
        columns[i] = jet::encodeColumn(t.columns[i], v, version, 1252);
      }
      jet::Bytes row = jet::encodeRow(t, layout, columns);
      EXPECT_EQ(row.size(), jet::encodedRowSize(t, layout, columns));
      jet::RowColumns split(row, layout, true);
      EXPECT_EQ(length, jet::bytes::i32(split.fixedBytes(0, 4), 0));
      for (std::size_t i = 1; i < t.columns.size(); ++i) {
        EXPECT_EQ(i % 4 != 0, split.hasValue(t.columns[i].number));
        if (i % 4 == 0) continue;
        std::optional<jet::ByteSpan> data = split.variableBytes(t.columns[i].varIndex);
        ASSERT_TRUE(data);
        std::string back = version == jet::Format::Jet3 ? jet::decodeCodePage(*data, 1252) : jet::decodeJet4Text(*data);
        EXPECT_EQ(texts[i - 1], back);
      }
    }
  }
}

}  // namespace
