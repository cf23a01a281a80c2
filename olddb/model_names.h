#pragma once
// The model-name rules of matching and loading: the normalised form two models are compared in,
// the wiring suffix a legacy model may carry, and the section suffix of a multi-way unit's row.

#include <cstdint>
#include <string>
#include <string_view>

namespace qbm {

// The model without the characters "-", " ", "=" and "/", upper-cased (UpperCase).
std::string NormalizeModel(std::string_view model);

// Wiring of a legacy driver's voice coils, as its model name tells it.
inline constexpr std::int16_t SingleWiring = 1;
inline constexpr std::int16_t ParallelWiring = 2;
inline constexpr std::int16_t SeriesWiring = 3;

struct ModelWiring {
  std::string model;                       // the name without its wiring suffixes
  std::int16_t DualMode = SingleWiring;    // the wiring of the last suffix removed
  bool suffixRemoved = false;              // a suffix was found (the driver is dual-coil)
};

// Removes, in this order and each looking at what the previous step left: " - PARALLEL" when the
// name is longer than 11 characters, " - SERIES" when longer than 9, then " (PAR)" or " (SER)" when
// longer than 6; tails are compared without regard to letter case.
ModelWiring SplitWiringSuffix(std::string_view model);

// A current-format row's model without its section suffix " - MF", " - LF" or " - HF" (exact
// case) when it is longer than 5 characters; otherwise the model unchanged.
std::string_view DropSectionSuffix(std::string_view model);

// The normalised forms under which a row of the new database matches an old driver's normalised
// model: without its section suffix, and whole. An old plain model "X" so finds the section row
// "X - LF", and an old section row "X - HF" finds "X - HF" (the old key keeps its suffix).
struct NewModelKeys {
  std::string withoutSection;  // NormalizeModel(DropSectionSuffix(model))
  std::string whole;           // NormalizeModel(model); the same text when there is no suffix
  bool matches(std::string_view oldKey) const { return oldKey == withoutSection || oldKey == whole; }
};
NewModelKeys NewModelKeysOf(std::string_view model);

}  // namespace qbm
