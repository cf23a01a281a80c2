#include "db/field_read.h"

#include <gtest/gtest.h>

#include <cmath>

#include "common/date_text.h"
#include "common/number_or_zero.h"
#include "jet/database.h"
#include "tests/common/locales.h"
#include "tests/support/test_support.h"

namespace qbm {
namespace {

using jet::Value;

class FieldRead : public ::testing::Test {
 protected:
  ScopedUserLocale locale_{test::pointLocale()};
};

TEST_F(FieldRead, TextNullIsEmptyAndOtherKindsReadAsTheirText) {
  EXPECT_EQ(readText(Value{}), "");
  EXPECT_EQ(readText(Value{"Paper cone"}), "Paper cone");
  EXPECT_EQ(readText(Value{std::int32_t{123}}), "123");
  EXPECT_EQ(readText(Value{0.1 + 0.2}), "0.3");
  EXPECT_EQ(readText(Value{16.8241f}), "16.8241");
  EXPECT_EQ(readText(Value{true}), "True");
  EXPECT_EQ(readText(Value{2.5}, test::commaLocale()), "2,5");
  const double serial = serialFromCivilDate({2003, 7, 1});
  EXPECT_EQ(readText(Value{jet::DateTime{serial}}), "01-Jul-2003");
}

TEST_F(FieldRead, NumbersAndLevelsTolerateNullAndText) {
  EXPECT_EQ(readNumber(Value{}), 0);
  EXPECT_EQ(readNumber(Value{"n/a"}), 0);
  EXPECT_EQ(readNumber(Value{"0.25"}), 0.25);
  EXPECT_EQ(readNumber(Value{std::int16_t{12}}), 12);
  EXPECT_EQ(readNumber(Value{86.6302f}), static_cast<double>(86.6302f));  // as stored, not 86.6302
  EXPECT_EQ(readResponseLevel(Value{}), 0.0f);
  EXPECT_EQ(readResponseLevel(Value{"90.5"}), 90.5f);
  // A Single level keeps its bits, the float next to it included.
  const float level = 84.15571594238281f;  // its 7-digit text 84.15572 is the next single
  EXPECT_EQ(readResponseLevel(Value{level}), level);
  EXPECT_EQ(readResponseLevel(Value{std::nextafter(level, 0.0f)}), std::nextafter(level, 0.0f));
  // A Double level is rounded once to the nearest single: just above the half-way point between
  // 1 and the next single it rounds up (7 digits of text would have given 1), at it to even.
  const double half = 1.0 + std::ldexp(1.0, -24);
  EXPECT_EQ(readResponseLevel(Value{std::nextafter(half, 2.0)}), std::nextafter(1.0f, 2.0f));
  EXPECT_EQ(readResponseLevel(Value{half}), 1.0f);
  EXPECT_EQ(readResponseLevel(Value{84.15571594238281}), 84.15571594238281f);
}

TEST_F(FieldRead, CodesRoundHalvesToEvenAndOverflowBeyondSixteenBits) {
  EXPECT_EQ(readCode(Value{}), 0);
  EXPECT_EQ(readCode(Value{std::uint8_t{3}}), 3);
  EXPECT_EQ(readCode(Value{std::int32_t{7}}), 7);  // a Long column
  EXPECT_EQ(readCode(Value{2.5}), 2);
  EXPECT_EQ(readCode(Value{"x"}), 0);
  EXPECT_THROW(readCode(Value{std::int32_t{70000}}), NumericOverflow);
}

TEST_F(FieldRead, LinksAndKeysReadAsLongsWithNullAndNonsenseAsNoLink) {
  EXPECT_EQ(readLong(Value{}), 0);
  EXPECT_EQ(readLong(Value{std::int32_t{2147483647}}), 2147483647);
  EXPECT_EQ(readLong(Value{std::int16_t{-5}}), -5);
  EXPECT_EQ(readLong(Value{std::uint8_t{200}}), 200);
  EXPECT_EQ(readLong(Value{3.5}), 4);
  EXPECT_EQ(readLong(Value{2.5f}), 2);
  EXPECT_EQ(readLong(Value{"12"}), 12);
  EXPECT_EQ(readLong(Value{"twelve"}), 0);
  EXPECT_EQ(readLong(Value{3e9}), 0);  // beyond 32 bits: no row has such a key
  EXPECT_EQ(readLong(Value{-2147483648.0}), -2147483647 - 1);
  EXPECT_EQ(readLong(Value{jet::DateTime{5}}), 0);
}

TEST_F(FieldRead, YesNoIsMinusOneForAnyNonZeroValue) {
  EXPECT_EQ(readYesNo(Value{}), 0);
  EXPECT_EQ(readYesNo(Value{true}), -1);
  EXPECT_EQ(readYesNo(Value{false}), 0);
  EXPECT_EQ(readYesNo(Value{std::int16_t{1}}), -1);  // an Integer column holding 1
  EXPECT_EQ(readYesNo(Value{std::uint8_t{255}}), -1);
  EXPECT_EQ(readYesNo(Value{std::int32_t{0}}), 0);
  EXPECT_EQ(readYesNo(Value{"True"}), -1);
  EXPECT_EQ(readYesNo(Value{"-1"}), -1);
  EXPECT_EQ(readYesNo(Value{"no"}), 0);
}

TEST_F(FieldRead, DatesBecomeDayMonthYearTextInTheLocale) {
  const double serial = serialFromCivilDate({2024, 3, 5});
  EXPECT_EQ(readDate(Value{}), "");
  EXPECT_EQ(readDate(Value{jet::DateTime{serial + 0.75}}), "05-Mar-2024");
  EXPECT_EQ(readDate(Value{jet::DateTime{serial}}, test::commaLocale()), "05-mars-2024");
  EXPECT_EQ(readDate(Value{serial}), "05-Mar-2024");  // a number column counts days
  EXPECT_EQ(readDate(Value{"spring 1998"}), "spring 1998");  // a Text column keeps its text
  EXPECT_EQ(readDate(Value{jet::DateTime{3e6}}), "");  // beyond the year 9999
  EXPECT_EQ(readDate(Value{true}), "");
}

TEST_F(FieldRead, DateTextsAreWrittenBackAsTheDayTheyName) {
  for (const UserLocale& locale : {test::pointLocale(), test::commaLocale()}) {
    const double serial = serialFromCivilDate({1999, 12, 31});
    const std::string text = readDate(Value{jet::DateTime{serial}}, locale);
    EXPECT_EQ(dateFieldValue(text, jet::ColumnType::DateTime, locale),
              Value{jet::DateTime{serial}});
    EXPECT_EQ(dateFieldValue(text, jet::ColumnType::Text, locale), Value{text});
    EXPECT_EQ(dateFieldValue("", jet::ColumnType::DateTime, locale), Value{});
    EXPECT_EQ(dateFieldValue("", jet::ColumnType::Text, locale), Value{});
    EXPECT_EQ(dateFieldValue("spring 1998", jet::ColumnType::DateTime, locale), Value{});
  }
}

TEST_F(FieldRead, FieldsOfARealRowReadByNameWhateverTheirColumnType) {
  QBM_REQUIRE_SHARED();
  test::ScratchDir dir;
  jet::Database db = jet::Database::open(test::copyShared("fixtures/qbaudio.mdb", dir.path()));
  jet::Table tweeters = db.table("tweeters");
  tweeters.moveFirst();
  // First tweeter of the fixture: TCW100-8, company 1, no date, no woofer link, Fs 1753.9415.
  EXPECT_EQ(readText(fieldValue(tweeters, "Model")), "TCW100-8");
  EXPECT_EQ(readLong(fieldValue(tweeters, "Company ID")), 1);
  EXPECT_EQ(readDate(fieldValue(tweeters, "Date")), "");
  EXPECT_EQ(readLong(fieldValue(tweeters, "Woofer ID")), 0);
  EXPECT_EQ(readYesNo(fieldValue(tweeters, "Ferrofluid")), -1);
  EXPECT_EQ(readNumber(fieldValue(tweeters, "Fs")), 1753.9415);
  EXPECT_EQ(readText(fieldValue(tweeters, "Term Desc")), "");
  // A tweeters table has no "Dual": it reads as an empty field instead of failing.
  EXPECT_EQ(fieldValue(tweeters, "Dual"), jet::Value{});
  EXPECT_EQ(readYesNo(fieldValue(tweeters, "Dual")), 0);
  // Past the last row the engine's error reaches the caller.
  tweeters.moveLast();
  tweeters.moveNext();
  EXPECT_THROW(fieldValue(tweeters, "Model"), jet::Error);
}

}  // namespace
}  // namespace qbm
