#include "olddb/company_match.h"

#include "common/text_chars.h"

namespace qbm {
// UpperCase maps character to character, so cutting to the first L characters and upper-casing is
// upper-casing and cutting; and a UTF-8 text equals the first L characters of another exactly when
// it is a byte prefix of it.
bool UpperCompanyNameBegins(std::string_view upperName, std::string_view upperFullName,
                            std::string_view upperShortName) {
  return upperFullName.starts_with(upperName) || upperShortName.starts_with(upperName);
}

bool CompanyNameBegins(std::string_view upperName, std::string_view fullName,
                       std::string_view shortName) {
  return UpperCompanyNameBegins(upperName, UpperCase(fullName), UpperCase(shortName));
}

}  // namespace qbm
