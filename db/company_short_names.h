#pragma once
// The short trade names ("Peerless") under which the lists show and compare the companies of 86 known
// full names ("Peerless Fabrikkerne, Ltd."). Matching is exact: same characters, same letter case,
// no trimming. No full name is also a short name, so the mapping is applied once, never chained.

#include <array>
#include <string_view>

namespace qbm {

struct CompanyShortName {
  std::string_view full;
  std::string_view shortName;
};

extern const std::array<CompanyShortName, 86> CompanyShortNames;

// The short name of a full company name, or the full name itself when it is not in the table.
std::string_view ShortCompanyName(std::string_view fullName);

}  // namespace qbm
