#pragma once
// Text forms of field values, as the dumps print them and as people read them.

#include <cstdint>
#include <string>

#include "jet/value.h"

namespace jet {

// Shortest decimal that reads back as the same double, in the usual "scientific for very large or
// small" style: "0.0", "444.555", "-3.5134E-4", "1.0E7". NaN and infinities as "NaN", "Infinity".
std::string formatDouble(double value);
// The same for a single: the shortest decimal that reads back as the same single ("89.90033").
std::string formatSingle(float value);
// The shortest round-trip digits of a double or single written out without exponent and without a
// trailing ".0": "444.555", "0.00035134", "3245".
std::string formatDoublePlain(double value);
std::string formatSinglePlain(float value);
// The exact decimal value of a single, without exponent or trailing zeros: "3245", "804983.375".
std::string formatSingleExact(float value);

// Calendar form of an Access date/time: days since 1899-12-30 (for negative values the fraction is
// still the time of day). Milliseconds are rounded to the nearest (ties to even).
struct CalendarTime {
  std::int64_t year = 1899;
  int month = 12, day = 30, hour = 0, minute = 0, second = 0, millisecond = 0;
};
// REQUIRES: a finite value within +-1e9 days (Error(ValueRejected) otherwise).
CalendarTime toCalendar(DateTime value);
// "yyyy-MM-ddTHH:mm", then ":ss" when seconds or milliseconds are not zero, then ".fff" when
// milliseconds are not zero.
std::string formatDateTime(DateTime value);

// "{8E39276A-BCA8-4AC4-891E-49911D8438DD}": the first three groups are stored little-endian.
std::string formatGuid(const Guid& guid);
// Lower-case hex of the bytes, no separators.
std::string formatHex(const Bytes& bytes);

}  // namespace jet
