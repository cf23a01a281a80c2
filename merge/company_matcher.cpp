#include "merge/company_matcher.h"

#include <algorithm>
#include <functional>

#include "common/text_chars.h"

namespace qbm {

// Cutting to L characters and upper-casing equals upper-casing and then cutting (UpperCase maps
// each character to one character), and in UTF-8 a text equals the first L characters of another
// exactly when it is a byte prefix of it (company_match.h): the matching names are those with the
// old name as byte prefix, a contiguous range in byte order.

CompanyMatcher::CompanyMatcher(const CompanyNameTable& fullNames,
                               const CompanyNameTable& shortNames)
    : full_(fullNames), short_(shortNames) {
  for (const auto& [id, name] : full_.entries()) insertNames(id);
  for (const auto& [id, name] : short_.entries())
    if (!full_.has(id)) insertNames(id);
  std::sort(names_.begin(), names_.end());
}

void CompanyMatcher::insertNames(std::int32_t id) {
  // An empty name is matched only by the empty old name, which Matches answers apart.
  for (const std::string* name : {&full_[id], &short_[id]})
    if (!name->empty()) names_.emplace_back(UpperCase(*name), id);
}

std::vector<std::int32_t> CompanyMatcher::Matches(const std::string& upperName) {
  if (auto known = answers_.find(upperName); known != answers_.end()) return known->second;
  std::vector<std::int32_t> ids;
  if (upperName.empty()) {
    for (const auto& [id, name] : full_.entries())
      if (name.empty()) ids.push_back(id);
  } else {
    auto it = std::lower_bound(names_.begin(), names_.end(),
                               std::pair<std::string, std::int32_t>{upperName, 0});
    for (; it != names_.end() && it->first.starts_with(upperName); ++it) ids.push_back(it->second);
  }
  std::sort(ids.begin(), ids.end(), std::greater<>());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
  return answers_.emplace(upperName, std::move(ids)).first->second;
}

void CompanyMatcher::refresh(std::int32_t id) {
  std::erase_if(names_, [id](const auto& entry) { return entry.second == id; });
  const std::size_t kept = names_.size();
  insertNames(id);
  std::sort(names_.begin() + static_cast<std::ptrdiff_t>(kept), names_.end());
  std::inplace_merge(names_.begin(), names_.begin() + static_cast<std::ptrdiff_t>(kept),
                     names_.end());
  answers_.clear();
}

}  // namespace qbm
