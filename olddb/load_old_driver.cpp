#include "olddb/load_old_driver.h"

#include "db/company_row.h"
#include "db/driver_response.h"
#include "db/driver_row.h"
#include "db/field_read.h"
#include "db/schema.h"
#include "db/table_walk.h"
#include "olddb/legacy_conversion.h"

namespace qbm {

bool LoadOldDriver(DriverTable table, std::int32_t id, OldDriverRows& rows, DatabaseState& state,
                   WorkingDriver& driver) {
  if (!rows.moveTo(state, table, id)) return false;
  if (table == DriverTable::Woofers) {
    const jet::Table& woofers = *state.Old.Woofers;
    driver.Model = readText(fieldValue(woofers, fields::Model));
    driver.CurrentModel = driver.Model;
    if (state.OldDbKind == DbKind::Legacy) {
      // Legacy: converted field by field; it has no response or company tables to read.
      ConvertLegacyRow(woofers, driver);
      return true;
    }
    ReadDriverRow(woofers, DriverTable::Woofers, driver);
  } else {
    // A legacy database has no tweeters, so this is always the previous format.
    ReadDriverRow(*state.Old.Tweeters, DriverTable::Tweeters, driver);
  }
  LoadOldResponse(table, id, state, driver);
  const std::optional<DriverCompany>& company = rows.company(state, driver.CompanyID);
  driver.company = company ? *company : DriverCompany{};
  return true;
}

void LoadOldResponse(DriverTable table, std::int32_t id, DatabaseState& state,
                     WorkingDriver& driver) {
  if (state.OldDbKind == DbKind::Legacy) return;
  LoadResponse(table == DriverTable::Tweeters ? state.Old.TweeterResponse : state.Old.WooferResponse,
               id, driver);
}

void LoadOldCompany(DatabaseState& state, WorkingDriver& driver) {
  std::optional<DriverCompany> company;
  if (state.Old.Companies) company = FindCompanyById(*state.Old.Companies, driver.CompanyID);
  driver.company = company ? std::move(*company) : DriverCompany{};
}

}  // namespace qbm
