// Text forms of values: the dump formats other readers are compared with, and the calendar
// conversion of Access dates (negative days, millisecond rounding).

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

#include "jet/database.h"
#include "jet/dump.h"
#include "jet/error.h"
#include "jet/value.h"
#include "jet/text/value_format.h"
#include "tests/support/test_support.h"

namespace {

using jet::DateTime;

TEST(DoubleText, ShortestRoundTripInPlainOrScientificForm) {
  EXPECT_EQ("0.0", jet::formatDouble(0.0));
  EXPECT_EQ("444.555", jet::formatDouble(444.555));
  EXPECT_EQ("3245.0", jet::formatDouble(3245));
  EXPECT_EQ("-3.5134E-4", jet::formatDouble(-3.5134e-4));
  EXPECT_EQ("0.001", jet::formatDouble(0.001));
  EXPECT_EQ("9999999.0", jet::formatDouble(9999999));
  EXPECT_EQ("1.0E7", jet::formatDouble(1e7));
  EXPECT_EQ("-8.54098242345E9", jet::formatDouble(-8.54098242345e9));
  EXPECT_EQ("1.0E-5", jet::formatDouble(1e-5));
  EXPECT_EQ("NaN", jet::formatDouble(std::nan("")));
  for (double v : {0.1, 1.0 / 3, 2.718281828459045, 1e300, -4.9e-324, 123456.789e-20}) {
    std::string text = jet::formatDouble(v);
    EXPECT_EQ(v, std::strtod(text.c_str(), nullptr)) << text;
  }
}

TEST(DoubleText, PlainFormHasNoExponent) {
  EXPECT_EQ("0.00035134", jet::formatDoublePlain(3.5134e-4));
  EXPECT_EQ("12000000", jet::formatDoublePlain(1.2e7));
  EXPECT_EQ("0.1", jet::formatSinglePlain(0.1f));
  EXPECT_EQ("-830.7802", jet::formatSinglePlain(-830.7802f));
}

TEST(SingleText, ExactDecimalOfTheSingle) {
  EXPECT_EQ("89.90032958984375", jet::formatSingleExact(89.90033f));
  EXPECT_EQ("0.100000001490116119384765625", jet::formatSingleExact(0.1f));
  EXPECT_EQ("3245", jet::formatSingleExact(3245.0f));
  EXPECT_EQ("-0.0003513399860821664333343505859375", jet::formatSingleExact(-3.5134e-4f));
  EXPECT_EQ("0", jet::formatSingleExact(-0.0f));
  float tiny = std::numeric_limits<float>::denorm_min();
  EXPECT_EQ(static_cast<double>(tiny), std::strtod(jet::formatSingleExact(tiny).c_str(), nullptr));
  EXPECT_EQ("89.90033", jet::formatSingle(89.90033f));
}

TEST(DateText, DaysSince18991230WithTimeOfDay) {
  EXPECT_EQ("1899-12-30T00:00", jet::formatDateTime(DateTime{0}));
  EXPECT_EQ("1899-12-31T12:00", jet::formatDateTime(DateTime{1.5}));
  EXPECT_EQ("1974-09-21T00:00", jet::formatDateTime(DateTime{27293}));
  EXPECT_EQ("2000-02-29T00:00", jet::formatDateTime(DateTime{36585}));
  EXPECT_EQ("1899-12-30T00:00:30", jet::formatDateTime(DateTime{30.0 / 86400}));
  EXPECT_EQ("1899-12-30T00:00:00.500", jet::formatDateTime(DateTime{0.5 / 86400}));
}

TEST(DateText, NegativeDaysCountBackButTheFractionIsStillTheTimeOfDay) {
  EXPECT_EQ("1899-12-29T06:00", jet::formatDateTime(DateTime{-1.25}));
  EXPECT_EQ("1899-12-30T06:00", jet::formatDateTime(DateTime{-0.25}));
  EXPECT_EQ("1670-01-04T00:00", jet::formatDateTime(DateTime{-84000}));
  EXPECT_EQ("1670-01-04T18:00", jet::formatDateTime(DateTime{-84000.75}));
}

TEST(DateText, MillisecondsRoundAndCarryIntoTheNextDay) {
  EXPECT_EQ("1900-01-01T00:00", jet::formatDateTime(DateTime{2.0 - 1e-10}));
  jet::CalendarTime t = jet::toCalendar(DateTime{(3600 + 0.0004) / 86400});
  EXPECT_EQ(1, t.hour);
  EXPECT_EQ(0, t.millisecond);
  EXPECT_THROW(jet::toCalendar(DateTime{std::nan("")}), jet::Error);
  EXPECT_THROW(jet::toCalendar(DateTime{1e12}), jet::Error);
}

TEST(GuidText, FirstThreeGroupsAreLittleEndian) {
  jet::Guid g{0x6A, 0x27, 0x39, 0x8E, 0xA8, 0xBC, 0xC4, 0x4A, 0x89, 0x1E, 0x49, 0x91, 0x1D, 0x84, 0x38, 0xDD};
  EXPECT_EQ("{8E39276A-BCA8-4AC4-891E-49911D8438DD}", jet::formatGuid(g));
}

TEST(NumberText, CurrencyHasFourDecimalsAndDecimalItsScale) {
  EXPECT_EQ("3.5000", jet::toString(jet::Currency{35000}));
  EXPECT_EQ("-0.0001", jet::toString(jet::Currency{-1}));
  EXPECT_EQ("-922337203685477.5808", jet::toString(jet::Currency{std::numeric_limits<std::int64_t>::min()}));
  EXPECT_EQ("-12.3400", jet::toString(jet::Decimal{true, 18, 4, 123400, 0}));
  EXPECT_EQ("0.05", jet::toString(jet::Decimal{false, 18, 2, 5, 0}));
  EXPECT_EQ("0", jet::toString(jet::Decimal{true, 18, 0, 0, 0}));
  EXPECT_EQ("79228162514264337593543950335", jet::toString(jet::Decimal{false, 28, 0, ~0ull, 0xFFFFFFFFu}));
}

TEST(ValueText, PeopleSeeNumbersDatesAndBytesReadably) {
  EXPECT_EQ("", jet::Value().toString());
  EXPECT_EQ("true", jet::Value(true).toString());
  EXPECT_EQ("-5", jet::Value(std::int16_t{-5}).toString());
  EXPECT_EQ("1974-09-21T00:00", jet::Value(DateTime{27293}).toString());
  EXPECT_EQ("00ff", jet::Value(jet::Bytes{0x00, 0xFF}).toString());
  EXPECT_DOUBLE_EQ(-1.0, jet::Value(true).toDouble());
  EXPECT_DOUBLE_EQ(3.5, jet::Value(jet::Currency{35000}).toDouble());
  EXPECT_DOUBLE_EQ(-12.34, jet::Value(jet::Decimal{true, 18, 4, 123400, 0}).toDouble());
  EXPECT_TRUE(jet::Value(DateTime{1}).isNumeric());
  EXPECT_FALSE(jet::Value("1").isNumeric());
  EXPECT_NE(jet::Value(), jet::Value(""));
  EXPECT_NE(jet::Value(), jet::Value(std::int32_t{0}));
}

// The CSV dump writes numbers, dates, Yes/No and text straight from the row's bytes: each type at
// its limits, halves, values where single digits run out (2^21, 2^24), zeros, and text with
// quotes, in both file formats. The expected text is what the dump wrote when every value went
// through Value.
class CsvCellText : public testing::TestWithParam<jet::Format> {};

TEST_P(CsvCellText, EveryDirectlyWrittenTypeAtItsLimits) {
  using jet::ColumnType;
  qbm::test::ScratchDir dir;
  jet::Database db = jet::Database::create(dir / "cells.mdb", GetParam());
  jet::TableDefinition definition;
  definition.name = "Cells";
  definition.columns = {{"Flag", ColumnType::Boolean}, {"B", ColumnType::Byte},   {"I", ColumnType::Integer},
                        {"L", ColumnType::Long},       {"S", ColumnType::Single}, {"D", ColumnType::Double},
                        {"When", ColumnType::DateTime}, {"Name", ColumnType::Text}, {"Price", ColumnType::Currency}};
  db.createTable(definition);
  jet::Table t = db.table("Cells");
  const auto add = [&](bool flag, std::uint8_t b, std::int16_t i, std::int32_t l, float s, double d, double when,
                       const std::string& name, std::int64_t price) {
    t.addNew();
    t.set("Flag", jet::Value(flag));
    t.set("B", jet::Value(b));
    t.set("I", jet::Value(i));
    t.set("L", jet::Value(l));
    t.set("S", jet::Value(s));
    t.set("D", jet::Value(d));
    t.set("When", jet::Value(DateTime{when}));
    t.set("Name", jet::Value(name));
    t.set("Price", jet::Value(jet::Currency{price}));
    t.update();
  };
  using F = std::numeric_limits<float>;
  using D = std::numeric_limits<double>;
  add(true, 0, -32768, std::numeric_limits<std::int32_t>::min(), 0.5f, 0.5, 0, "", std::numeric_limits<std::int64_t>::min());
  add(false, 255, 32767, std::numeric_limits<std::int32_t>::max(), -0.0f, -0.0, -1.25, "say \"hi\"\"", 1);
  add(true, 1, -1, -1, 2.5f, 2.5, 2958465.999988426, "Gr\xC3\xB6\xC3\x9F" "e \xE2\x82\xAC", -1);
  add(false, 2, 0, 0, 89.90033f, 0.1 + 0.2, 36526.5, "\"", 0);
  add(false, 3, 0, 0, 2097151.9f, 1e22, 0, "a", 0);
  add(false, 4, 0, 0, 2097152.5f, 1e23, 0, "a", 0);
  add(false, 5, 0, 0, 16777215.0f, 9007199254740993.0, 0, "a", 0);
  add(false, 6, 0, 0, 1.0e-10f, 123456789012345.67, 0, "a", 0);
  add(false, 7, 0, 0, F::max(), D::max() / 1e300, 0, "a", 0);
  add(false, 8, 0, 0, F::denorm_min(), D::denorm_min() * 1e300, 0, "a", 0);
  add(false, 9, 0, 0, -F::max(), -D::min(), 0, "a", 0);
  t.addNew();  // Null everywhere but Yes/No
  t.update();
  std::ostringstream out;
  jet::dumpCsv(db, "cells", out);
  EXPECT_EQ(out.str(),
            "Flag,B,I,L,S,D,When,Name,Price\n"
            "1,0,-32768,-2147483648,0.5,0.5,\"1899-12-30 00:00:00\",\"\",-922337203685477.5808\n"
            "0,255,32767,2147483647,-0,-0,\"1899-12-29 06:00:00\",\"say \"\"hi\"\"\"\"\",0.0001\n"
            "1,1,-1,-1,2.5,2.5,\"9999-12-31 23:59:59\",\"Gr\xC3\xB6\xC3\x9F" "e \xE2\x82\xAC\",-0.0001\n"
            "0,2,0,0,89.90033,0.30000000000000004,\"2000-01-01 12:00:00\",\"\"\"\",0.0000\n"
            "0,3,0,0,2097151.9,10000000000000000000000,\"1899-12-30 00:00:00\",\"a\",0.0000\n"
            "0,4,0,0,2097152.5,99999999999999991611392,\"1899-12-30 00:00:00\",\"a\",0.0000\n"
            "0,5,0,0,16777215,9007199254740992,\"1899-12-30 00:00:00\",\"a\",0.0000\n"
            "0,6,0,0,0.0000000001,123456789012345.67,\"1899-12-30 00:00:00\",\"a\",0.0000\n"
            "0,7,0,0,340282346638528859811704183484516925440,179769313.48623157,\"1899-12-30 00:00:00\",\"a\",0.0000\n"
            "0,8,0,0,0.000000000000000000000000000000000000000000001,0.000000000000000000000004940656458412466,"
            "\"1899-12-30 00:00:00\",\"a\",0.0000\n"
            "0,9,0,0,-340282346638528859811704183484516925440,-0." + std::string(307, '0') +
                "22250738585072014,\"1899-12-30 00:00:00\",\"a\",0.0000\n"
            "0,,,,,,,,\n");
}

INSTANTIATE_TEST_SUITE_P(Formats, CsvCellText, testing::Values(jet::Format::Jet4, jet::Format::Jet3),
                         [](const auto& info) { return info.param == jet::Format::Jet4 ? "Jet4" : "Jet3"; });

}  // namespace
