#pragma once
// The shortest decimal that reads back as the same number, in fixed notation: exactly what
// std::to_chars(first, last, value, std::chars_format::fixed) writes ("0.0007159", "-12.5", "1200"),
// but without the general shortest-digits search for the values that decimal data is full of: those
// with an integer part below 2^50 and at most a handful of decimals. Dumps write millions of them.

#include <charconv>

namespace jet {

// Writes value into [first, last) and returns the end of what was written, like to_chars.
// REQUIRES: room for the whole text (400 characters always suffice).
char* writeShortestFixed(char* first, char* last, double value);
char* writeShortestFixed(char* first, char* last, float value);

}  // namespace jet
