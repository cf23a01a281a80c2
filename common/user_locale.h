#pragma once
// The user's conventions for numbers and dates, as the number helpers and the date texts apply
// them. Detected once from the process environment; the desktop program should install the
// platform's own settings where it has them (the C++ runtime of Windows gives month names in the
// ANSI code page, while every text here is UTF-8), and tests install fixed ones (ScopedUserLocale).

#include <array>
#include <locale>
#include <string>

namespace qbm {

struct UserLocale {
  // Written between the whole and the fractional digits, and accepted there when reading text.
  std::string decimalSeparator = ".";
  // Accepted between the digits of the whole part when reading text; never written.
  std::string groupSeparator = ",";
  // The abbreviated month names ("mmm"), January first.
  std::array<std::string, 12> monthAbbreviations = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  // The general date-time format: a strftime pattern applied under timeLocale.
  std::string generalDateFormat = "%Y-%m-%d %H:%M:%S";
  std::locale timeLocale = std::locale::classic();

  // Point decimals, comma groups, English month names, ISO date and time.
  static UserLocale classic();
  // The process environment's locale (std::locale("")); classic() where it cannot be read.
  static UserLocale fromSystem();
};

// The locale in force: fromSystem() until setCurrentUserLocale replaces it.
const UserLocale& currentUserLocale();
void setCurrentUserLocale(UserLocale locale);

// Installs a locale for its own lifetime and restores the previous one afterwards.
class ScopedUserLocale {
 public:
  explicit ScopedUserLocale(UserLocale locale);
  ~ScopedUserLocale();
  ScopedUserLocale(const ScopedUserLocale&) = delete;
  ScopedUserLocale& operator=(const ScopedUserLocale&) = delete;

 private:
  UserLocale previous_;
};

}  // namespace qbm
