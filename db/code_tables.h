#pragma once
// Display texts of the integer codes of a driver row. Shape and piston codes mean different things
// in the woofers and the tweeters tables. A code outside its table has no text (empty); the field
// still holds and passes on its value.

#include <cstdint>
#include <string_view>

namespace qbm {

enum class DriverTable { Woofers, Tweeters };

// "Unknown", "Yes", "No" for 0..2.
std::string_view AvailableText(std::int16_t code);
// "Standard one-way driver", "Two-way coaxial driver", "Two-way coincident driver",
// "Three-way driver" for 0..3.
std::string_view TypeText(std::int16_t code);
// Outline shape, 0..7 in both tables.
std::string_view ShapeText(std::int16_t code, DriverTable table);
// Radiating surface: 1..4 for woofers, 1..19 for tweeters; 0 means no type given (empty).
std::string_view PistonTypeText(std::int16_t code, DriverTable table);

}  // namespace qbm
