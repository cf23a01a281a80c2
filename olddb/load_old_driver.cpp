#include "olddb/load_old_driver.h"

#include "db/company_row.h"
#include "db/driver_row.h"
#include "db/field_read.h"
#include "db/schema.h"
#include "db/table_walk.h"
#include "olddb/legacy_conversion.h"

namespace qbm {
namespace {

void clearResponse(WorkingDriver& driver) { driver.Response.fill(0.0f); }

// Positions the response cursor on the first row whose "Driver ID" is id: by the index when the
// table has it, otherwise by walking the table. False when there is none or the table cannot be
// searched.
bool findResponseRow(jet::Table& responses, std::int32_t id) {
  try {
    SelectIndex(responses, indexes::DriverID);
    return responses.seek(jet::Value{id});
  } catch (const jet::Error& e) {
    if (e.code() != jet::ErrorCode::MissingIndex) return false;
  }
  try {
    responses.setIndex("");
    for (responses.moveFirst(); !responses.eof(); responses.moveNext())
      if (readLong(fieldValue(responses, fields::DriverID)) == id) return true;
  } catch (...) {
  }
  return false;
}

float readLevel(const jet::Table& responses, int i) {
  try {
    return readResponseLevel(fieldValue(responses, ResponseField(i)));
  } catch (...) {
    return 0.0f;
  }
}

}  // namespace

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
  LoadOldCompany(state, driver);
  return true;
}

void LoadOldResponse(DriverTable table, std::int32_t id, DatabaseState& state,
                     WorkingDriver& driver) {
  if (state.OldDbKind == DbKind::Legacy) return;
  if (driver.Acoustic == YesNoFalse) {
    clearResponse(driver);
    return;
  }
  std::optional<jet::Table>& responses =
      table == DriverTable::Tweeters ? state.Old.TweeterResponse : state.Old.WooferResponse;
  if (!responses || !findResponseRow(*responses, id)) {
    driver.Acoustic = YesNoFalse;
    clearResponse(driver);
    return;
  }
  for (int i = 0; i < ResponseCount; ++i)
    driver.Response[static_cast<std::size_t>(i)] = readLevel(*responses, i);
}

void LoadOldCompany(DatabaseState& state, WorkingDriver& driver) {
  std::optional<DriverCompany> company;
  if (state.Old.Companies) company = FindCompanyById(*state.Old.Companies, driver.CompanyID);
  driver.company = company ? std::move(*company) : DriverCompany{};
}

}  // namespace qbm
