#include "common/user_locale.h"

#include <ctime>
#include <optional>
#include <sstream>

namespace qbm {
namespace {

std::optional<std::locale> environmentLocale() {
  try {
    return std::locale("");
  } catch (const std::runtime_error&) {
    return std::nullopt;  // LANG names a locale the system does not have
  }
}

bool isPlainCLocale(const std::locale& loc) {
  const std::string name = loc.name();
  return name == "C" || name == "POSIX" || name.rfind("C.", 0) == 0;
}

std::string abbreviatedMonth(const std::locale& loc, int month) {
  std::tm tm{};
  tm.tm_year = 100;
  tm.tm_mon = month;
  tm.tm_mday = 1;
  std::ostringstream out;
  out.imbue(loc);
  const auto& facet = std::use_facet<std::time_put<char>>(loc);
  const char pattern[] = "%b";
  facet.put(std::ostreambuf_iterator<char>(out), out, ' ', &tm, pattern, pattern + 2);
  return out.str();
}

UserLocale& slot() {
  static UserLocale current = UserLocale::fromSystem();
  return current;
}

}  // namespace

UserLocale UserLocale::classic() { return UserLocale{}; }

UserLocale UserLocale::fromSystem() {
  UserLocale result;
  std::optional<std::locale> loc = environmentLocale();
  if (!loc || isPlainCLocale(*loc)) return result;
  const auto& punct = std::use_facet<std::numpunct<char>>(*loc);
  result.decimalSeparator = std::string(1, punct.decimal_point());
  const char group = punct.thousands_sep();
  // A locale without grouping may report the decimal separator or a NUL here.
  result.groupSeparator = (group != '\0' && group != punct.decimal_point()) ? std::string(1, group) : "";
  for (int m = 0; m < 12; ++m) {
    std::string name = abbreviatedMonth(*loc, m);
    if (!name.empty()) result.monthAbbreviations[m] = std::move(name);
  }
  result.generalDateFormat = "%x %X";
  result.timeLocale = *loc;
  return result;
}

const UserLocale& currentUserLocale() { return slot(); }

void setCurrentUserLocale(UserLocale locale) { slot() = std::move(locale); }

ScopedUserLocale::ScopedUserLocale(UserLocale locale) : previous_(currentUserLocale()) {
  setCurrentUserLocale(std::move(locale));
}

ScopedUserLocale::~ScopedUserLocale() { setCurrentUserLocale(std::move(previous_)); }

}  // namespace qbm
