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

void LoadOldDriver(std::int16_t isTweeter, const OldDriverSelection& selection,
                   DatabaseState& state, WorkingDriver& driver) {
  if (isTweeter == YesNoFalse) {
    const jet::Table& woofers = *state.OldWoofers;
    driver.Model = readText(fieldValue(woofers, fields::Model));
    driver.CurrentModel = driver.Model;
    if (state.OldDbKind == LegacyDbKind) {
      ConvertLegacyRow(woofers, driver);
    } else if (state.OldDbKind == PreviousFormatDbKind) {
      ReadDriverRow(woofers, DriverTable::Woofers, driver);
      LoadOldResponse(selection, state, driver);
      LoadOldCompany(state, driver);
    }
  } else if (isTweeter == YesNoTrue) {
    ReadDriverRow(*state.OldTweeters, DriverTable::Tweeters, driver);
    LoadOldResponse(selection, state, driver);
    LoadOldCompany(state, driver);
  }
}

void LoadOldResponse(const OldDriverSelection& selection, DatabaseState& state,
                     WorkingDriver& driver) {
  if (state.OldDbKind == LegacyDbKind) return;
  if (driver.Acoustic == YesNoFalse) {
    clearResponse(driver);
    return;
  }
  std::optional<jet::Table>* responses = nullptr;
  if (selection.OldDriverIsTweeter == YesNoFalse) responses = &state.OldWooferResponse;
  if (selection.OldDriverIsTweeter == YesNoTrue) responses = &state.OldTweeterResponse;
  if (responses == nullptr) return;
  if (!*responses || !findResponseRow(**responses, selection.OldDriverId)) {
    driver.Acoustic = YesNoFalse;
    clearResponse(driver);
    return;
  }
  for (int i = 0; i < ResponseCount; ++i)
    driver.Response[static_cast<std::size_t>(i)] = readLevel(**responses, i);
}

void LoadOldCompany(DatabaseState& state, WorkingDriver& driver) {
  std::optional<DriverCompany> company;
  if (state.OldCompanies) company = FindCompanyById(*state.OldCompanies, driver.CompanyID);
  driver.company = company ? std::move(*company) : DriverCompany{};
}

}  // namespace qbm
