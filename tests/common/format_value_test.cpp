#include "common/format_value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include "tests/common/locales.h"

namespace qbm {
namespace {

std::string point(double v) { return FormatValue(v, test::pointLocale()); }
std::string comma(double v) { return FormatValue(v, test::commaLocale()); }

TEST(FormatValue, PositiveNumbersGetALeadingSpaceNegativesTheirSign) {
  EXPECT_EQ(point(0), " 0");
  EXPECT_EQ(point(5), " 5");
  EXPECT_EQ(point(-5), "-5");
  EXPECT_EQ(point(0.5), " 0.5");
  EXPECT_EQ(point(-0.5), "-0.5");
  EXPECT_EQ(point(-0.0), " 0");
}

TEST(FormatValue, PrecisionFollowsTheMagnitudeRow) {
  EXPECT_EQ(point(1234.56), " 1235");
  EXPECT_EQ(point(123.456), " 123.5");
  EXPECT_EQ(point(12.3456), " 12.35");
  EXPECT_EQ(point(1.23456), " 1.235");
  EXPECT_EQ(point(0.123456), " 0.123");
  EXPECT_EQ(point(0.0123456), " 0.0123");
  EXPECT_EQ(point(0.00123456), " 0.00123");
  EXPECT_EQ(point(0.000123456), " 0.000123");
  EXPECT_EQ(point(1.23456e-5), " 0.0000123");
  EXPECT_EQ(point(1.23456e-6), " 0.00000123");
  EXPECT_EQ(point(1.23456e-12), " 0.00000000000123");
  // Below 1e-12 the picture has 24 places.
  EXPECT_EQ(point(1.5e-13), " 0.00000000000015");
  EXPECT_EQ(point(1.23456789e-20), " 0.000000000000000000012346");
}

TEST(FormatValue, EachBoundBelongsToItsOwnRow) {
  EXPECT_EQ(point(1000), " 1000");
  EXPECT_EQ(point(100), " 100");
  EXPECT_EQ(point(10), " 10");
  EXPECT_EQ(point(1), " 1");
  EXPECT_EQ(point(0.1), " 0.1");
  EXPECT_EQ(point(1e-12), " 0.000000000001");
  EXPECT_EQ(point(0.25), " 0.25");
}

TEST(FormatValue, RoundingUpAcrossABoundKeepsThePrecisionOfTheValuesRow) {
  EXPECT_EQ(point(999.96), " 1000");
  EXPECT_EQ(point(99.996), " 100");
  EXPECT_EQ(point(0.99996), " 1");
  EXPECT_EQ(point(-999.96), "-1000");
}

TEST(FormatValue, HalvesRoundAwayFromZeroAtTheDecimalValue) {
  EXPECT_EQ(point(1234.5), " 1235");
  EXPECT_EQ(point(-1234.5), "-1235");
  EXPECT_EQ(point(1233.5), " 1234");
  // 2.0005 and 0.1235 are just below the half in binary; they count as the decimals they show.
  EXPECT_EQ(point(2.0005), " 2.001");
  EXPECT_EQ(point(0.1235), " 0.124");
  EXPECT_EQ(point(-2.0005), "-2.001");
  EXPECT_EQ(point(2.0004999), " 2");
}

TEST(FormatValue, LargeValuesAreWrittenInFull) {
  EXPECT_EQ(point(1e20), " 100000000000000000000");
  EXPECT_EQ(point(123456789012.7), " 123456789013");
}

TEST(FormatValue, CommaDecimalLocale) {
  EXPECT_EQ(comma(5), " 5");
  EXPECT_EQ(comma(0), " 0");
  EXPECT_EQ(comma(0.25), " 0,25");
  EXPECT_EQ(comma(-0.5), "-0,5");
  EXPECT_EQ(comma(1234.56), " 1235");
  EXPECT_EQ(comma(12.3456), " 12,35");
}

TEST(FormatValue, WithoutALocaleArgumentUsesTheCurrentLocale) {
  ScopedUserLocale scoped(test::commaLocale());
  EXPECT_EQ(FormatValue(0.5), " 0,5");
}

#ifndef _WIN32
// The plain C locale, under each of its names, keeps the classic conventions (not "%x %X" dates).
TEST(UserLocale, FromSystemIsClassicUnderEveryNameOfTheCLocaleAndReadsARealOne) {
  const char* before = std::getenv("LC_ALL");
  const std::string saved = before ? before : "";
  for (const char* name : {"C", "POSIX", "C.UTF-8"}) {
    setenv("LC_ALL", name, 1);
    const UserLocale fromSystem = UserLocale::fromSystem();
    EXPECT_EQ(fromSystem.generalDateFormat, UserLocale::classic().generalDateFormat) << name;
    EXPECT_EQ(fromSystem.groupSeparator, ",") << name;
  }
  // A real one brings its own decimal point, month names and date format.
  setenv("LC_ALL", "de_DE.UTF-8", 1);
  const UserLocale german = UserLocale::fromSystem();
  if (before) setenv("LC_ALL", saved.c_str(), 1);
  else unsetenv("LC_ALL");
  if (german.generalDateFormat == UserLocale::classic().generalDateFormat)
    GTEST_SKIP() << "no de_DE.UTF-8 locale here (scripts/deps makes one)";
  EXPECT_EQ(german.decimalSeparator, ",");
  EXPECT_EQ(german.groupSeparator, ".");
  EXPECT_EQ(german.monthAbbreviations[2], "Mär");
  EXPECT_EQ(german.monthAbbreviations[11], "Dez");
}
#endif

TEST(FormatValue, NonFiniteValuesGiveNoDigits) {
  EXPECT_EQ(point(std::numeric_limits<double>::infinity()), " ");
  EXPECT_EQ(point(-std::numeric_limits<double>::infinity()), "");
  EXPECT_EQ(point(std::nan("")), "");
}

}  // namespace
}  // namespace qbm
