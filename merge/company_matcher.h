#pragma once
// The merge's company match, answered from the new company name tables without comparing every
// slot for every driver: the upper-cased full and short names of all companies are kept sorted, so
// the names an old name begins are one contiguous range, and answers are remembered per old name
// until a company is added.
//
// The rule: the companies an old name names are those of ID k >= 1 (every company of the tables) whose full or short name,
// cut to as many characters as the old name has and upper-cased, equals the old name upper-cased;
// i.e. the old name begins the new full or short name, ignoring case. An empty old name would
// begin every name; it names only the companies that exist without a name (IsNamelessCompany),
// so that a nameless maker is copied once and found again by every later driver and merge.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "db/company_names.h"

namespace qbm {

class CompanyMatcher {
 public:
  // Reads the tables once; they must outlive the matcher. Call refresh() after changing one.
  CompanyMatcher(const CompanyNameTable& fullNames, const CompanyNameTable& shortNames);

  // The IDs of the companies the old name, already upper-cased (UpperCase), names, highest first;
  // empty when it names none.
  std::vector<std::int32_t> Matches(const std::string& upperName);

  // The names of company id changed in the tables (a company was added): read them again.
  void refresh(std::int32_t id);

 private:
  void insertNames(std::int32_t id);

  const CompanyNameTable& full_;
  const CompanyNameTable& short_;
  std::vector<std::pair<std::string, std::int32_t>> names_;  // (upper-cased name, ID), sorted
  std::unordered_map<std::string, std::vector<std::int32_t>> answers_;
};

}  // namespace qbm
