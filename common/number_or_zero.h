#pragma once
// Tolerant conversion of a field value to a number: Null, empty and non-numeric values count as 0,
// so a sparse or hand-edited row reads without failing.

#include <cstdint>
#include <optional>
#include <stdexcept>

#include "common/user_locale.h"
#include "jet/value.h"

namespace qbm {

// A numeric value that does not fit the integer it is converted to.
class NumericOverflow : public std::overflow_error {
 public:
  NumericOverflow() : std::overflow_error("Overflow") {}
};

// The value as a double when it is numeric: a number of any stored kind (Yes/No gives -1 or 0), or
// text that reads as a number under the locale. A stored single or double is taken exactly as it
// is stored (16.8241f gives 16.824100494384766, not 16.8241), so that a value copied from one
// field to another keeps its bits, or is rounded once when the target field is a single; Currency
// and Decimal give the double nearest their exact decimal value. Null, empty text, non-numeric
// text, non-finite numbers, dates, binary and GUID values give nothing.
std::optional<double> NumericValue(const jet::Value& value, const UserLocale& locale);

// NumericValue, or 0 when the value is not numeric.
double NumberOrZero(const jet::Value& value, const UserLocale& locale);
double NumberOrZero(const jet::Value& value);  // under currentUserLocale()

// The numeric value rounded to a 16-bit integer, halves to the even neighbour (2.5 gives 2, 3.5
// gives 4); 0 when the value is not numeric. Throws NumericOverflow when the rounded value lies
// outside -32768..32767.
std::int16_t IntegerOrZero(const jet::Value& value, const UserLocale& locale);
std::int16_t IntegerOrZero(const jet::Value& value);  // under currentUserLocale()

// x rounded to the nearest whole number, halves to the even neighbour.
double roundHalfEven(double x);

}  // namespace qbm
