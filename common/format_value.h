#pragma once
// Display text of a driver parameter, with a precision that follows its magnitude: about four
// significant digits from 1 upward (whole numbers from 1000), three below 1, down to 1e-12.

#include <string>

#include "common/user_locale.h"

namespace qbm {

// The value under the picture of its magnitude (|value| >= 1000: "#############0", >= 100:
// "############0.#", ... >= 1e-12: "0.##############", smaller: "0.####...", 24 places), rounded
// half away from zero at the last place, trailing zeros and a trailing decimal separator dropped,
// the locale's decimal separator, and one leading space when value >= 0 so that positive numbers
// line up with negative ones. Infinite and NaN values give no digits (just the space for +Inf).
std::string FormatValue(double value, const UserLocale& locale);
std::string FormatValue(double value);  // under currentUserLocale()

// The largest number of places after the decimal point that FormatValue writes for |value|
// (-1: the picture has no decimal point at all).
int FormatValuePlaces(double magnitude);

}  // namespace qbm
