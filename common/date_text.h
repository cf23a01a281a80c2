#pragma once
// Dates as the driver records carry them ("dd-mmm-yyyy" with the user's month names) and the
// general date-time text of a moment, under the user's conventions.

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "common/user_locale.h"

namespace qbm {

struct CivilDate {
  int year = 1899;
  int month = 12;  // 1..12
  int day = 30;    // 1..31
  friend bool operator==(const CivilDate&, const CivilDate&) = default;
};

// The calendar day of a stored date-time (days since 1899-12-30; for negative values the whole
// part is the day and the fraction the time, as the database keeps them). Nothing for NaN,
// infinities and days outside the years 100..9999 that the database can hold.
std::optional<CivilDate> civilDateFromSerial(double days);
// Days since 1899-12-30 of that day at midnight.
double serialFromCivilDate(const CivilDate& date);

// "dd-mmm-yyyy": two-digit day, the locale's abbreviated month name, four-digit year.
std::string formatDayMonthYear(const CivilDate& date, const UserLocale& locale);
// The day that formatDayMonthYear wrote (month names compared without regard to ASCII case;
// one-digit days accepted). Nothing when the text is not such a date or names no real day.
std::optional<CivilDate> parseDayMonthYear(std::string_view text, const UserLocale& locale);

// The locale's general date-time text of a local time.
std::string formatGeneralDate(const std::tm& localTime, const UserLocale& locale);

}  // namespace qbm
