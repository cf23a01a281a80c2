#pragma once
// Numbers as text under the user's conventions: reading a typed number, and the shortest text of a
// stored number (the form a field shows when it is read as text).

#include <optional>
#include <string>
#include <string_view>

#include "common/user_locale.h"

namespace qbm {

// The number that text reads as under the locale, or nothing when it is not a number. Accepts
// surrounding blanks, a leading "+" or "-", group separators between the digits of the whole part,
// the decimal separator, and an exponent ("1.5E3"). Text that would overflow a double is not a number.
std::optional<double> parseLocaleNumber(std::string_view text, const UserLocale& locale);

// The value with at most `significantDigits` significant digits, trailing zeros dropped, in plain
// or (for very large or small magnitudes) exponent form: 15 digits for doubles, 7 for singles.
// The decimal separator is the locale's.
std::string shortNumberText(double value, int significantDigits, const UserLocale& locale);

}  // namespace qbm
