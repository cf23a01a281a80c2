#include "db/driver_response.h"

#include "db/field_read.h"
#include "db/schema.h"
#include "db/table_walk.h"

namespace qbm {
namespace {

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

void LoadResponse(std::optional<jet::Table>& responses, std::int32_t driverId, WorkingDriver& driver) {
  if (driver.Acoustic != YesNoFalse && responses && findResponseRow(*responses, driverId)) {
    for (int i = 0; i < ResponseCount; ++i)
      driver.Response[static_cast<std::size_t>(i)] = readLevel(*responses, i);
    return;
  }
  driver.Acoustic = YesNoFalse;
  driver.Response.fill(0.0f);
}

}  // namespace qbm
