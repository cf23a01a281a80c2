#include "common/date_text.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/common/locales.h"

namespace qbm {
namespace {

TEST(DateText, StoredDaysCountFromTheEndOf1899) {
  EXPECT_EQ(civilDateFromSerial(0), (CivilDate{1899, 12, 30}));
  EXPECT_EQ(civilDateFromSerial(36526.75), (CivilDate{2000, 1, 1}));
  EXPECT_EQ(civilDateFromSerial(60), (CivilDate{1900, 2, 28}));
  EXPECT_EQ(civilDateFromSerial(61), (CivilDate{1900, 3, 1}));  // 1900 was no leap year
  // Negative values: the whole part is the day, the fraction the time of that day.
  EXPECT_EQ(civilDateFromSerial(-1.5), (CivilDate{1899, 12, 29}));
  EXPECT_EQ(civilDateFromSerial(-0.5), (CivilDate{1899, 12, 30}));
  EXPECT_EQ(serialFromCivilDate({2000, 1, 1}), 36526);
  EXPECT_EQ(serialFromCivilDate({1899, 12, 28}), -2);
}

TEST(DateText, DaysOutsideTheDatabaseRangeAreNoDate) {
  EXPECT_EQ(civilDateFromSerial(2958465), (CivilDate{9999, 12, 31}));
  EXPECT_EQ(civilDateFromSerial(-657434), (CivilDate{100, 1, 1}));
  EXPECT_FALSE(civilDateFromSerial(2958466));
  EXPECT_FALSE(civilDateFromSerial(-657435));
  EXPECT_FALSE(civilDateFromSerial(std::nan("")));
  EXPECT_FALSE(civilDateFromSerial(1e300));
}

TEST(DateText, DayMonthYearUsesTheLocaleMonthNames) {
  EXPECT_EQ(formatDayMonthYear({2024, 3, 5}, test::pointLocale()), "05-Mar-2024");
  EXPECT_EQ(formatDayMonthYear({812, 12, 31}, test::pointLocale()), "31-Dec-0812");
  EXPECT_EQ(formatDayMonthYear({2024, 2, 9}, test::commaLocale()), "09-f\xC3\xA9vr.-2024");
}

TEST(DateText, DayMonthYearReadsBackWhatWasWritten) {
  for (const UserLocale& locale : {test::pointLocale(), test::commaLocale()}) {
    for (double serial : {0.0, 36526.0, 45357.0, -657434.0, 2958465.0}) {
      const CivilDate date = *civilDateFromSerial(serial);
      const auto back = parseDayMonthYear(formatDayMonthYear(date, locale), locale);
      ASSERT_TRUE(back);
      EXPECT_EQ(serialFromCivilDate(*back), serial);
    }
  }
  EXPECT_EQ(parseDayMonthYear("5-mar-2024", test::pointLocale()), (CivilDate{2024, 3, 5}));
}

TEST(DateText, DayMonthYearRejectsTextThatNamesNoDay) {
  const UserLocale locale = test::pointLocale();
  EXPECT_FALSE(parseDayMonthYear("", locale));
  EXPECT_FALSE(parseDayMonthYear("2024-03-05", locale));
  EXPECT_FALSE(parseDayMonthYear("31-Feb-2024", locale));
  EXPECT_FALSE(parseDayMonthYear("29-Feb-2023", locale));
  EXPECT_TRUE(parseDayMonthYear("29-Feb-2024", locale));
  EXPECT_FALSE(parseDayMonthYear("05-Foo-2024", locale));
  EXPECT_FALSE(parseDayMonthYear("00-Mar-2024", locale));
  EXPECT_FALSE(parseDayMonthYear("05-Mar-99999", locale));
  EXPECT_FALSE(parseDayMonthYear("-5-Mar-2024", locale));
}

TEST(DateText, GeneralDateFollowsTheLocalePattern) {
  std::tm tm{};
  tm.tm_year = 124;
  tm.tm_mon = 2;
  tm.tm_mday = 14;
  tm.tm_hour = 15;
  tm.tm_min = 4;
  tm.tm_sec = 9;
  EXPECT_EQ(formatGeneralDate(tm, test::pointLocale()), "2024-03-14 15:04:09");
  EXPECT_EQ(formatGeneralDate(tm, test::commaLocale()), "14.03.2024 15:04:09");
}

}  // namespace
}  // namespace qbm
