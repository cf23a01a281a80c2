#pragma once
// Fixed locales for the tests: the point-decimal one and a comma-decimal one.

#include "common/user_locale.h"

namespace qbm::test {

inline UserLocale pointLocale() { return UserLocale::classic(); }

inline UserLocale commaLocale() {
  UserLocale locale;
  locale.decimalSeparator = ",";
  locale.groupSeparator = ".";
  locale.monthAbbreviations = {"janv.", "févr.", "mars", "avr.", "mai", "juin",
                               "juil.", "août", "sept.", "oct.", "nov.", "déc."};
  locale.generalDateFormat = "%d.%m.%Y %H:%M:%S";
  return locale;
}

}  // namespace qbm::test
