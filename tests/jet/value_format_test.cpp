// Text forms of values: the dump formats other readers are compared with, and the calendar
// conversion of Access dates (negative days, millisecond rounding).

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "jet/error.h"
#include "jet/value.h"
#include "jet/text/value_format.h"

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

}  // namespace
