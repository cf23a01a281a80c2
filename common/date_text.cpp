#include "common/date_text.h"

#include <charconv>
#include <cstdio>
#include <cmath>
#include <iomanip>
#include <sstream>

namespace qbm {
namespace {

constexpr int kMinYear = 100;
constexpr int kMaxYear = 9999;

// Days since 1970-01-01 of a proleptic Gregorian date, and back (the usual era arithmetic).
long long daysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const long long yoe = y - era * 400;
  const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

CivilDate civilFromDays(long long z) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const long long doe = z - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  return {static_cast<int>(yoe + era * 400 + (m <= 2)), m, d};
}

const long long kSerialEpoch = daysFromCivil(1899, 12, 30);

int daysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

bool sameIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x += 32;
    if (y >= 'A' && y <= 'Z') y += 32;
    if (x != y) return false;
  }
  return true;
}

std::optional<int> wholeNumber(std::string_view text) {
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || text[0] == '-')
    return std::nullopt;
  return value;
}

}  // namespace

std::optional<CivilDate> civilDateFromSerial(double days) {
  if (!std::isfinite(days) || std::fabs(days) > 1e7) return std::nullopt;
  const CivilDate date = civilFromDays(kSerialEpoch + static_cast<long long>(std::trunc(days)));
  if (date.year < kMinYear || date.year > kMaxYear) return std::nullopt;
  return date;
}

double serialFromCivilDate(const CivilDate& date) {
  return static_cast<double>(daysFromCivil(date.year, date.month, date.day) - kSerialEpoch);
}

std::string formatDayMonthYear(const CivilDate& date, const UserLocale& locale) {
  char day[8], year[8];
  std::snprintf(day, sizeof day, "%02d", date.day);
  std::snprintf(year, sizeof year, "%04d", date.year);
  return std::string(day) + "-" + locale.monthAbbreviations[date.month - 1] + "-" + year;
}

std::optional<CivilDate> parseDayMonthYear(std::string_view text, const UserLocale& locale) {
  const size_t first = text.find('-');
  const size_t last = text.rfind('-');
  if (first == std::string_view::npos || first == last) return std::nullopt;
  const std::optional<int> day = wholeNumber(text.substr(0, first));
  const std::optional<int> year = wholeNumber(text.substr(last + 1));
  const std::string_view monthName = text.substr(first + 1, last - first - 1);
  int month = 0;
  for (int m = 0; m < 12 && month == 0; ++m)
    if (sameIgnoringAsciiCase(monthName, locale.monthAbbreviations[m])) month = m + 1;
  if (!day || !year || month == 0 || *year < kMinYear || *year > kMaxYear || *day < 1 ||
      *day > daysInMonth(*year, month))
    return std::nullopt;
  return CivilDate{*year, month, *day};
}

std::string formatGeneralDate(const std::tm& localTime, const UserLocale& locale) {
  std::ostringstream out;
  out.imbue(locale.timeLocale);
  out << std::put_time(&localTime, locale.generalDateFormat.c_str());
  return out.str();
}

}  // namespace qbm
