#include "olddb/company_match.h"

#include "common/text_chars.h"

namespace qbm {
namespace {

// UpperCase maps character to character, so cutting to the first L characters and upper-casing is
// upper-casing and cutting; and a UTF-8 text equals the first L characters of another exactly when
// it is a byte prefix of it.
bool beginsWith(std::string_view name, std::string_view upperName) {
  return UpperCase(name).starts_with(upperName);
}

}  // namespace

bool CompanyNameBegins(std::string_view upperName, std::string_view fullName,
                       std::string_view shortName) {
  return beginsWith(fullName, upperName) || beginsWith(shortName, upperName);
}

}  // namespace qbm
