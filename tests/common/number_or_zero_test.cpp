#include "common/number_or_zero.h"

#include <gtest/gtest.h>

#include <bit>
#include <limits>

#include "common/number_text.h"
#include "tests/common/locales.h"

namespace qbm {
namespace {

using jet::Value;

double number(const Value& v) { return NumberOrZero(v, test::pointLocale()); }
double commaNumber(const Value& v) { return NumberOrZero(v, test::commaLocale()); }
std::int16_t integer(const Value& v) { return IntegerOrZero(v, test::pointLocale()); }

TEST(NumberOrZero, NullEmptyAndNonNumericValuesGiveZero) {
  EXPECT_EQ(number(Value{}), 0);
  EXPECT_EQ(number(Value{""}), 0);
  EXPECT_EQ(number(Value{"   "}), 0);
  EXPECT_EQ(number(Value{"abc"}), 0);
  EXPECT_EQ(number(Value{"12abc"}), 0);
  EXPECT_EQ(number(Value{"."}), 0);
  EXPECT_EQ(number(Value{"1e"}), 0);
  EXPECT_EQ(number(Value{"1e400"}), 0);  // would overflow
  EXPECT_EQ(number(Value{jet::DateTime{45000}}), 0);
  EXPECT_EQ(number(Value{jet::Bytes{1, 2}}), 0);
}

TEST(NumberOrZero, TextReadsUnderTheLocale) {
  EXPECT_EQ(number(Value{"3.5"}), 3.5);
  EXPECT_EQ(number(Value{" -7.25 "}), -7.25);
  EXPECT_EQ(number(Value{" \t\r\n\v\f\xC2\xA0" "2.5" "\xC2\xA0\f\v\n\r\t "}), 2.5);  // every blank
  EXPECT_EQ(number(Value{"+1E3"}), 1000);
  EXPECT_EQ(number(Value{".5"}), 0.5);
  EXPECT_EQ(number(Value{"1,234.5"}), 1234.5);
  EXPECT_EQ(number(Value{",5"}), 0);  // a group separator needs digits before it
  EXPECT_EQ(commaNumber(Value{"3,5"}), 3.5);
  EXPECT_EQ(commaNumber(Value{"1.234,5"}), 1234.5);
}

TEST(NumberOrZero, StoredNumbersOfEveryKind) {
  EXPECT_EQ(number(Value{true}), -1);
  EXPECT_EQ(number(Value{false}), 0);
  EXPECT_EQ(number(Value{std::uint8_t{200}}), 200);
  EXPECT_EQ(number(Value{std::int16_t{-300}}), -300);
  EXPECT_EQ(number(Value{std::int32_t{70000}}), 70000);
  EXPECT_EQ(number(Value{jet::Currency{35000}}), 3.5);
  EXPECT_EQ(number(Value{jet::Currency{-1}}), -0.0001);
  EXPECT_EQ(number(Value{jet::Decimal{false, 18, 2, 12345, 0}}), 123.45);
  EXPECT_EQ(number(Value{jet::Decimal{true, 18, 0, 0, 1}}), -18446744073709551616.0);
}

TEST(NumberOrZero, SinglesAndDoublesReadExactlyAsStored) {
  // Not the decimal their short text shows: a copy must keep the stored bits.
  for (const float f : {84.15571594238281f, 16.8241f, 0.1f, std::numeric_limits<float>::max(),
                        std::numeric_limits<float>::denorm_min(), -0.0f}) {
    const double d = number(Value{f});
    EXPECT_EQ(std::bit_cast<std::uint64_t>(d), std::bit_cast<std::uint64_t>(static_cast<double>(f))) << f;
    EXPECT_EQ(std::bit_cast<std::uint32_t>(static_cast<float>(d)), std::bit_cast<std::uint32_t>(f)) << f;
  }
  for (const double x : {0.1 + 0.2, 84.15571594238281, std::numeric_limits<double>::max(),
                         std::numeric_limits<double>::denorm_min()})
    EXPECT_EQ(std::bit_cast<std::uint64_t>(number(Value{x})), std::bit_cast<std::uint64_t>(x)) << x;
  EXPECT_EQ(number(Value{std::numeric_limits<float>::infinity()}), 0);
  EXPECT_EQ(number(Value{std::numeric_limits<double>::quiet_NaN()}), 0);
}

TEST(NumberOrZero, WithoutALocaleArgumentUsesTheCurrentLocale) {
  ScopedUserLocale scoped(test::commaLocale());
  EXPECT_EQ(NumberOrZero(Value{"2,25"}), 2.25);
}

TEST(IntegerOrZero, HalvesRoundToTheEvenNeighbour) {
  EXPECT_EQ(integer(Value{2.5}), 2);
  EXPECT_EQ(integer(Value{3.5}), 4);
  EXPECT_EQ(integer(Value{-2.5}), -2);
  EXPECT_EQ(integer(Value{-3.5}), -4);
  EXPECT_EQ(integer(Value{2.5f}), 2);
  EXPECT_EQ(integer(Value{"2.5"}), 2);
  EXPECT_EQ(integer(Value{2.4999}), 2);
  EXPECT_EQ(integer(Value{2.5001}), 3);
  // Converted directly, not through the 15-digit text: just below a half stays below.
  EXPECT_EQ(integer(Value{3.4999999999999996}), 3);
}

TEST(IntegerOrZero, NonNumericValuesGiveZeroAndYesNoGivesMinusOne) {
  EXPECT_EQ(integer(Value{}), 0);
  EXPECT_EQ(integer(Value{""}), 0);
  EXPECT_EQ(integer(Value{"seven"}), 0);
  EXPECT_EQ(integer(Value{true}), -1);
  EXPECT_EQ(integer(Value{std::int32_t{7}}), 7);
}

TEST(IntegerOrZero, ValuesOutsideSixteenBitsOverflow) {
  EXPECT_EQ(integer(Value{32767.4}), 32767);
  EXPECT_EQ(integer(Value{-32768.5}), -32768);  // the even neighbour is still in range
  EXPECT_THROW(integer(Value{32767.5}), NumericOverflow);
  EXPECT_THROW(integer(Value{-32769.0}), NumericOverflow);
  EXPECT_THROW(integer(Value{std::int32_t{40000}}), NumericOverflow);
  EXPECT_THROW(integer(Value{"1e10"}), NumericOverflow);
}

TEST(ShortNumberText, UsesTheDigitsOfTheKindAndTheLocaleSeparator) {
  EXPECT_EQ(shortNumberText(static_cast<double>(0.1f), 7, test::pointLocale()), "0.1");
  EXPECT_EQ(shortNumberText(0.1 + 0.2, 15, test::pointLocale()), "0.3");
  EXPECT_EQ(shortNumberText(1234.5, 15, test::commaLocale()), "1234,5");
  EXPECT_EQ(shortNumberText(1e20, 15, test::pointLocale()), "1E+20");
  EXPECT_EQ(shortNumberText(-42, 15, test::pointLocale()), "-42");
}

}  // namespace
}  // namespace qbm
