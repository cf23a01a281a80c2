#pragma once
// How a driver-database field value becomes a member value. Every rule takes the value as the engine
// read it, whatever physical column type the file chose (Single or Double, Text of any size, Byte,
// Integer or Long, Yes/No, Date/Time ...), and never fails on Null or on text where a number was
// expected.

#include <cstdint>
#include <string>
#include <string_view>

#include "common/user_locale.h"
#include "jet/table.h"
#include "jet/value.h"

namespace qbm {

// The named field of the cursor's current row; Null when the table has no field of that name, so
// that a file lacking a field reads as if the field were empty. Other engine errors (no current
// row, a damaged row) reach the caller.
jet::Value fieldValue(const jet::Table& table, std::string_view field);

// Text fields: Null gives ""; text as stored; a number in its short text form under the locale
// (15 digits for doubles, 7 for singles); Yes/No as "True"/"False"; a date as "dd-mmm-yyyy".
std::string readText(const jet::Value& value, const UserLocale& locale);
std::string readText(const jet::Value& value);

// Double parameters, dimensions: NumberOrZero (Null and non-numeric values give 0). A Single or
// Double column's value exactly as stored.
double readNumber(const jet::Value& value);

// Response levels: NumberOrZero held as a single: a Single column's value with its own bits, a
// Double column's rounded once to the nearest single.
float readResponseLevel(const jet::Value& value);

// The codes Available, Type, Shape, Piston Type and the company Type: IntegerOrZero (Null gives 0).
// Throws NumericOverflow for a value outside -32768..32767.
std::int16_t readCode(const jet::Value& value);

// Keys and links (ID, Index, Company ID, Driver ID, Tweeter ID, Woofer ID, Mid ID, Dist n,
// CompanyLink n): the value as a 32-bit integer, halves rounded to even. Null, non-numeric values
// and numbers beyond 32 bits give 0, which no row has as its key ("no link").
std::int32_t readLong(const jet::Value& value);

// Yes/no fields: -1 for any non-zero number (or the text "True"), 0 otherwise, Null included.
std::int16_t readYesNo(const jet::Value& value);

// The Date field: Null gives ""; a date as "dd-mmm-yyyy" with the locale's month names; a number as
// that many days since 1899-12-30; text (a Text column) as stored. A day the database cannot hold
// (outside the years 100..9999) gives "".
std::string readDate(const jet::Value& value, const UserLocale& locale);
std::string readDate(const jet::Value& value);

// The value to store for a date text read by readDate into a column of the given type: "" gives
// Null; a Date/Time column gets the day the text names (Null when it names none); any other column
// gets the text itself.
jet::Value dateFieldValue(const std::string& text, jet::ColumnType columnType,
                          const UserLocale& locale);

}  // namespace qbm
