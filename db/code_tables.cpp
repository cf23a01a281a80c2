#include "db/code_tables.h"

#include <array>
#include <span>

namespace qbm {
namespace {

constexpr std::array<std::string_view, 3> kAvailable = {"Unknown", "Yes", "No"};

constexpr std::array<std::string_view, 4> kType = {
    "Standard one-way driver", "Two-way coaxial driver", "Two-way coincident driver",
    "Three-way driver"};

constexpr std::array<std::string_view, 8> kWooferShape = {
    "Round",        "Oval", "Square", "Rectangular", "Round w/ square sides",
    "Round w/ flat top & bottom", "Round w/ mounting tabs", "Pincushion"};

constexpr std::array<std::string_view, 8> kTweeterShape = {
    "Round",         "Round w/ square sides", "Round w/ one flat side", "Round w/ two flat sides",
    "Round w/ mounting tabs", "Pincushion", "Square", "Rectangular"};

// Index 0 (no type given) has no text.
constexpr std::array<std::string_view, 5> kWooferPiston = {"", "Cone", "Planar (flat)", "Concave",
                                                           "Convex"};

constexpr std::array<std::string_view, 20> kTweeterPiston = {
    "",
    "Generic",
    "Cone",
    "Planar (flat) cone",
    "Concave cone",
    "Convex cone",
    "Convex dome",
    "Concave dome",
    "Convex dome w/o mounting plate",
    "Concave dome w/o mounting plate",
    "Ribbon",
    "Piezo 1",
    "Piezo 2",
    "Compression 1",
    "Compression 2",
    "Horn 1",
    "Horn 2",
    "Horn 3",
    "Horn 4",
    "Dual horn"};

std::string_view lookUp(std::span<const std::string_view> texts, std::int16_t code) {
  if (code < 0 || static_cast<size_t>(code) >= texts.size()) return {};
  return texts[static_cast<size_t>(code)];
}

}  // namespace

std::string_view AvailableText(std::int16_t code) { return lookUp(kAvailable, code); }

std::string_view TypeText(std::int16_t code) { return lookUp(kType, code); }

std::string_view ShapeText(std::int16_t code, DriverTable table) {
  return lookUp(table == DriverTable::Woofers ? std::span<const std::string_view>(kWooferShape)
                                              : std::span<const std::string_view>(kTweeterShape),
                code);
}

std::string_view PistonTypeText(std::int16_t code, DriverTable table) {
  return lookUp(table == DriverTable::Woofers ? std::span<const std::string_view>(kWooferPiston)
                                              : std::span<const std::string_view>(kTweeterPiston),
                code);
}

}  // namespace qbm
