// What callers' values become in each column type, and what is refused: the conversions a desktop
// database makes on assignment, with refusals that name table, column and value.

#include <gtest/gtest.h>

#include "jet/error.h"
#include "jet/tdef/value_conversion.h"
#include "jet/text/value_format.h"
#include "tests/jet/value_printer.h"

namespace {

using jet::ColumnType;
using jet::Value;

jet::StoredColumn column(ColumnType type, std::uint16_t length = 0) {
  jet::StoredColumn c;
  c.name = "Col";
  c.type = type;
  c.typeCode = static_cast<std::uint8_t>(type);
  c.length = length;
  return c;
}

Value convert(ColumnType type, const Value& v, std::uint16_t length = 0,
              jet::Format version = jet::Format::Jet4) {
  return jet::convertForColumn(column(type, length), v, "T", version, 1252);
}

std::string refusal(ColumnType type, const Value& v, std::uint16_t length = 0,
                    jet::Format version = jet::Format::Jet4) {
  try {
    convert(type, v, length, version);
  } catch (const jet::Error& e) {
    EXPECT_EQ(jet::ErrorCode::ValueRejected, e.code());
    return e.what();
  }
  return "";
}

TEST(ValueConversion, IntegersConvertWithinRangeAndRoundHalvesToEven) {
  EXPECT_EQ(Value(std::int32_t(-1)), convert(ColumnType::Long, Value(std::int16_t(-1))));
  EXPECT_EQ(Value(std::int16_t(7)), convert(ColumnType::Integer, Value(std::int32_t(7))));
  EXPECT_EQ(Value(std::int32_t(2)), convert(ColumnType::Long, Value(2.5)));
  EXPECT_EQ(Value(std::int32_t(4)), convert(ColumnType::Long, Value(3.5)));
  EXPECT_EQ(Value(std::int32_t(-3)), convert(ColumnType::Long, Value(-2.6)));
  EXPECT_EQ(Value(std::int32_t(42)), convert(ColumnType::Long, Value(" 42 ")));
  EXPECT_EQ(Value(std::uint8_t(255)), convert(ColumnType::Byte, Value(std::int32_t(255))));
  EXPECT_EQ(Value(std::int16_t(-1)), convert(ColumnType::Integer, Value(true))) << "True is -1";

  std::string m = refusal(ColumnType::Integer, Value(std::int32_t(40000)));
  EXPECT_NE(std::string::npos, m.find("table T, column Col")) << m;
  EXPECT_NE(std::string::npos, m.find("40000")) << m;
  EXPECT_NE("", refusal(ColumnType::Byte, Value(std::int16_t(-1))));
  EXPECT_NE("", refusal(ColumnType::Long, Value("12abc")));
  EXPECT_NE("", refusal(ColumnType::Long, Value("")));
  EXPECT_NE("", refusal(ColumnType::Long, Value(2147483648.0)));
  EXPECT_NE("", refusal(ColumnType::Long, Value(jet::Bytes{1, 2})));
}

TEST(ValueConversion, FloatingPointColumns) {
  EXPECT_EQ(Value(0.1f), convert(ColumnType::Single, Value(0.1))) << "a Double rounds to the nearest Single";
  EXPECT_EQ(Value(static_cast<double>(0.1f)), convert(ColumnType::Double, Value(0.1f)));
  EXPECT_EQ(Value(1e-5), convert(ColumnType::Double, Value("1e-5")));
  EXPECT_NE("", refusal(ColumnType::Single, Value(1e39)));
  EXPECT_NE("", refusal(ColumnType::Double, Value("one")));
  EXPECT_EQ(Value(jet::Currency{12346}), convert(ColumnType::Currency, Value(1.23456)));
  EXPECT_EQ(Value(jet::Currency{-50000}), convert(ColumnType::Currency, Value("-5")));
}

TEST(ValueConversion, DatesFromTextInTheUnambiguousForms) {
  auto date = [](const char* text) { return jet::formatDateTime(convert(ColumnType::DateTime, Value(text)).as<jet::DateTime>()); };
  EXPECT_EQ("2004-03-05T00:00", date("05-Mar-2004"));
  EXPECT_EQ("2004-03-05T00:00", date("5-mar-2004"));
  EXPECT_EQ("1999-12-31T00:00", date("31-December-1999"));
  EXPECT_EQ("2004-03-05T13:45:10", date("2004-03-05 13:45:10"));
  EXPECT_EQ("2004-03-05T13:45", date("2004-03-05T13:45"));
  EXPECT_EQ("1899-12-30T00:00", date("30-Dec-1899"));
  EXPECT_EQ("1850-06-01T06:00", date("1850-06-01 06:00"));
  for (const char* bad : {"03/05/2004", "31-Feb-2004", "05-Mrz-2004", "2004-13-01", "05-Mar-04", "", "yesterday"})
    EXPECT_NE("", refusal(ColumnType::DateTime, Value(bad))) << bad;
  EXPECT_EQ(Value(jet::DateTime{38051.5}), convert(ColumnType::DateTime, Value(38051.5)));
}

TEST(ValueConversion, TextIsCheckedAgainstTheColumnSizeAndCodePage) {
  EXPECT_EQ(Value("abc"), convert(ColumnType::Text, Value("abc"), 6));  // Jet 4: 2 bytes a character
  EXPECT_NE("", refusal(ColumnType::Text, Value("abcd"), 6));
  EXPECT_EQ(Value("\xC3\xA9t\xC3\xA9"), convert(ColumnType::Text, Value("\xC3\xA9t\xC3\xA9"), 6)) << "characters, not bytes";
  EXPECT_EQ(Value("12"), convert(ColumnType::Text, Value(std::int32_t(12)), 20));
  EXPECT_EQ(Value("2.5"), convert(ColumnType::Memo, Value(2.5)));
  EXPECT_EQ(Value("abc"), convert(ColumnType::Text, Value("abc"), 3, jet::Format::Jet3));
  EXPECT_NE("", refusal(ColumnType::Text, Value("\xCE\xA9"), 10, jet::Format::Jet3)) << "Greek is not in 1252";
  EXPECT_NE("", refusal(ColumnType::Text, Value(jet::Bytes{1}), 10));
}

TEST(ValueConversion, OtherTypes) {
  EXPECT_EQ(Value(true), convert(ColumnType::Boolean, Value(std::int16_t(-1))));
  EXPECT_EQ(Value(false), convert(ColumnType::Boolean, Value(jet::Null{}))) << "Yes/No is never Null";
  for (const char* yes : {"Yes", "TRUE", " on ", "-1"}) EXPECT_EQ(Value(true), convert(ColumnType::Boolean, Value(yes))) << yes;
  for (const char* no : {"no", "False", "OFF", "0"}) EXPECT_EQ(Value(false), convert(ColumnType::Boolean, Value(no))) << no;
  EXPECT_NE("", refusal(ColumnType::Boolean, Value("maybe")));
  // Refusals show a text of 60 characters whole, a longer one cut after 60.
  const std::string sixty(60, 'x');
  EXPECT_NE(std::string::npos, refusal(ColumnType::Boolean, Value(sixty)).find('"' + sixty + '"'));
  EXPECT_NE(std::string::npos, refusal(ColumnType::Boolean, Value(sixty + "y")).find('"' + sixty + "...\""));
  EXPECT_NE("", refusal(ColumnType::Binary, Value(jet::Bytes(11)), 10));
  jet::Guid g = convert(ColumnType::Guid, Value("{8E39276A-BCA8-4AC4-891E-49911D8438DD}")).as<jet::Guid>();
  EXPECT_EQ("{8E39276A-BCA8-4AC4-891E-49911D8438DD}", jet::formatGuid(g));
  EXPECT_NE("", refusal(ColumnType::Guid, Value("{8E39276A}")));
  jet::StoredColumn decimal = column(ColumnType::Decimal);
  decimal.precision = 5;
  decimal.scale = 2;
  EXPECT_EQ("-123.40", jet::toString(jet::convertForColumn(decimal, Value("-123.4"), "T", jet::Format::Jet4, 1252).as<jet::Decimal>()));
  EXPECT_THROW(jet::convertForColumn(decimal, Value("1234.5"), "T", jet::Format::Jet4, 1252), jet::Error);
  EXPECT_THROW(jet::convertForColumn(decimal, Value("1.234"), "T", jet::Format::Jet4, 1252), jet::Error);
  EXPECT_TRUE(convert(ColumnType::Long, Value(jet::Null{})).isNull());
}

}  // namespace
