#pragma once
// Whether an old maker names a company of the new database: the old name must begin the new
// company's full or short name, ignoring letter case. Used by the legacy change scan and by the
// merge's company match.

#include <string>
#include <string_view>

namespace qbm {

// True when fullName or shortName, cut to as many characters as upperName has and upper-cased,
// equals upperName (so a name shorter than upperName never matches, and "" matches any company).
// REQUIRES: upperName is already upper-cased (UpperCase).
bool CompanyNameBegins(std::string_view upperName, std::string_view fullName,
                       std::string_view shortName);

// The same test on company names already upper-cased, for callers that test many makers against
// the same companies.
bool UpperCompanyNameBegins(std::string_view upperName, std::string_view upperFullName,
                            std::string_view upperShortName);

}  // namespace qbm
