#pragma once
// The shortest decimal that reads back as the same number, in fixed notation: exactly what
// std::to_chars(first, last, value, std::chars_format::fixed) writes ("0.0007159", "-12.5", "1200"),
// but without the general shortest-digits search for the values that decimal data is full of: those
// with an integer part below 2^50 and at most a handful of decimals. Dumps write millions of them.

#include <charconv>

namespace jet {

// Writes value into [first, last) and returns the end of what was written, like to_chars.
// REQUIRES: last - first >= 400, whatever the value: the longest text takes about 330 characters,
// and a short one may be written with up to 64 characters of room.
char* writeShortestFixed(char* first, char* last, double value);
char* writeShortestFixed(char* first, char* last, float value);

}  // namespace jet
