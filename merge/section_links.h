#pragma once
// The links between the rows of a multi-way unit. Each section is its own row: the low section
// (" - LF") in "woofers", the midrange (" - MF") and the high section (" - HF") in "tweeters"; a
// row finds the other sections already in the new database by its base name and their suffixes.

#include <cstdint>
#include <string>
#include <string_view>

#include "db/code_tables.h"

namespace qbm {

struct SectionName {
  std::string base;    // the model without its section suffix
  std::string suffix;  // " - LF", " - MF" or " - HF" upper-cased, or "" when it has none
};

// A model longer than 5 characters whose last 5, upper-cased, are " - LF", " - MF" or " - HF" is
// that section of the base before them; any other model is its own base with no suffix.
SectionName SplitSectionName(std::string_view model);

// The IDs of the other sections (0 = none found): partner is "Tweeter ID" of a woofer, "Woofer ID"
// of a tweeter; mid is "Mid ID".
struct SectionLinks {
  std::int32_t partner = 0;
  std::int32_t mid = 0;
};

// The sections that a driver of the type (a unit of type > 0) links to, each the first row whose
// Model equals the key under the "Model" index's comparison (letter case ignored), whatever its
// company:
//  - woofer: partner = the tweeter base + " - HF"; for type 3, mid = the tweeter base + " - MF";
//  - tweeter: partner = the woofer base + " - LF"; for type 3, mid = the tweeter base + " - HF"
//    when the driver is itself " - MF", otherwise base + " - MF".
// lookup(table, key) finds the row and gives its ID, or 0.
template <class Lookup>
SectionLinks FindSectionLinks(DriverTable table, std::int16_t type, const SectionName& name,
                              Lookup&& lookup) {
  SectionLinks links;
  if (type <= 0) return links;
  if (table == DriverTable::Woofers) {
    links.partner = lookup(DriverTable::Tweeters, name.base + " - HF");
    if (type == 3) links.mid = lookup(DriverTable::Tweeters, name.base + " - MF");
  } else {
    links.partner = lookup(DriverTable::Woofers, name.base + " - LF");
    if (type == 3)
      links.mid = lookup(DriverTable::Tweeters, name.base + (name.suffix == " - MF" ? " - HF" : " - MF"));
  }
  return links;
}

}  // namespace qbm
