#include "samples/driver_row_values.h"

#include <stdexcept>
#include <string>

#include "common/date_text.h"
#include "common/user_locale.h"
#include "db/driver_fields.h"

namespace qbm::samples {

namespace {

jet::Value textOrNull(const std::string& text) {
  return text.empty() ? jet::Value(jet::Null{}) : jet::Value(text);
}

jet::Value linkOrNull(std::int32_t id) { return id == 0 ? jet::Value(jet::Null{}) : jet::Value(id); }

jet::Value dateOf(const std::string& text) {
  if (text.empty()) return jet::Null{};
  if (std::optional<CivilDate> day = parseDayMonthYear(text, currentUserLocale()))
    return jet::DateTime{serialFromCivilDate(*day)};
  return text;  // the engine takes other date texts or refuses them
}

}  // namespace

RowValues driverRowOf(const WorkingDriver& d, DriverTable table) {
  RowValues row;
  row.add(fields::Model, textOrNull(d.Model));
  row.add(fields::CompanyID, d.CompanyID);
  row.add(fields::Date, dateOf(d.Date));
  for (const auto& f : DriverCodeFields)
    if (usedIn(f.use, table)) row.add(f.field, d.*f.member);
  for (const auto& f : DriverLinkFields)
    if (usedIn(f.use, table)) row.add(f.field, linkOrNull(d.*f.member));
  for (const auto& f : DriverTextFields)
    if (usedIn(f.use, table)) row.add(f.field, textOrNull(d.*f.member));
  for (const auto& f : DriverYesNoFields)
    if (usedIn(f.use, table)) row.add(f.field, d.*f.member != 0);
  for (const auto& f : DriverNumberFields)
    if (usedIn(f.use, table)) row.add(f.field, d.*f.member);
  for (std::size_t k = 0; k < fields::Dimen.size(); ++k) row.add(fields::Dimen[k], d.Dimen[k]);
  for (std::size_t k = 0; k < fields::Dist.size(); ++k) {
    row.add(fields::Dist[k], linkOrNull(d.Dist[k]));
    row.add(fields::PartNo[k], textOrNull(d.PartNo[k]));
  }
  return row;
}

RowValues companyRowOf(const DriverCompany& c) {
  RowValues row;
  for (const auto& f : CompanyTextFields) row.add(f.field, textOrNull(c.*f.member));
  row.add(fields::Type, c.Type);
  for (std::size_t k = 0; k < fields::CompanyLink.size(); ++k)
    row.add(fields::CompanyLink[k], linkOrNull(c.CompanyLink[k]));
  return row;
}

RowValues responseRowOf(std::int32_t driverId, std::span<const float> levels, bool userEntry) {
  if (levels.size() != static_cast<std::size_t>(ResponseCount))
    throw std::invalid_argument("a response row needs " + std::to_string(ResponseCount) + " levels");
  RowValues row;
  row.add(fields::DriverID, driverId);
  row.add(fields::UserEntry, userEntry);
  for (int i = 0; i < ResponseCount; ++i) row.add(ResponseField(i), levels[static_cast<std::size_t>(i)]);
  return row;
}

}  // namespace qbm::samples
