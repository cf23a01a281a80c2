#pragma once
// The companies of a sample new database: the 86 makers of the short-name table (their full names
// as stored), the makers the legacy matching rules single out (a BOSTWICK and an XTASY company),
// distributors, and invented makers in proportion to the number of drivers; one company without a
// name, as real files have. IDs follow the alphabetical order of the names; they stay within 1 … 900
// (where most real files keep them) unless more companies are asked for.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "db/working_driver.h"

namespace qbm::samples {

// The "Type" codes the samples give companies (the program copies them without reading them).
inline constexpr std::int16_t MakerCompany = 0;
inline constexpr std::int16_t DistributorCompany = 1;
inline constexpr std::int16_t MakerAndDistributor = 2;

struct SampleCompany {
  std::int32_t id = 0;            // its "ID" (position in the list + 1)
  std::optional<std::string> name;  // "Company"; nothing for the one unnamed company
  DriverCompany row;              // the other fields; CompanyLink holds IDs
  bool userEntry = false;
  bool makesDrivers = true;
  bool sellsDrivers = false;
  // How a legacy database spells the maker ("PEERLESS", "SCAN-SPEAK", "VISATON GM"): an
  // upper-cased beginning of its full or short name. Empty for the unnamed company.
  std::string legacyName;
};

// The special makers the sample drivers of the legacy matching rules belong to.
inline constexpr std::string_view BostwickCompany = "Bostwick Loudspeakers";
inline constexpr std::string_view XtasyCompany = "Xtasy Car Sound, Inc.";

// REQUIRES: drivers >= 0, companies >= 0. companies 0: as many as the drivers call for, at most
// 600 (old databases made from this one add up to 100 of their own, and merges more, all within
// 900); otherwise that many companies (at least the named ones and four invented), IDs past 900
// included.
std::vector<SampleCompany> makeSampleCompanies(std::uint64_t seed, int drivers, int companies = 0);

// `count` invented makers that users added to an old database, named unlike any of `existing`;
// their IDs are left 0 and their "User Entry" is true.
std::vector<SampleCompany> makeUserCompanies(std::uint64_t seed, int count,
                                             const std::vector<SampleCompany>& existing);

}  // namespace qbm::samples
