#include "db/driver_response.h"

#include "db/field_read.h"
#include "db/schema.h"
#include "db/table_walk.h"

namespace qbm {
namespace {

// Positions the response cursor on the first row whose "Driver ID" is id: by the index when the
// table has it, otherwise by walking the table. False when there is none. A row or an index that
// cannot be read is an error (jet::Error), never "no response"; so is a walk that passed over
// pages it could not read, which may have held the row.
bool findResponseRow(jet::Table& responses, std::int32_t id) {
  try {
    SelectIndex(responses, indexes::DriverID);
    return responses.seek(jet::Value{id});
  } catch (const jet::Error& e) {
    if (e.code() != jet::ErrorCode::MissingIndex) throw;
  }
  responses.setIndex("");
  for (responses.moveFirst(); !responses.eof(); responses.moveNext())
    if (readLong(fieldValue(responses, fields::DriverID)) == id) return true;
  if (const std::int64_t unread = responses.unreadablePages(); unread > 0)
    jet::throwDamaged("the response table has " + std::to_string(unread) +
                      (unread == 1 ? " page" : " pages") + " that cannot be read, which may hold the driver's response");
  return false;
}

}  // namespace

void LoadResponse(std::optional<jet::Table>& responses, std::int32_t driverId, WorkingDriver& driver) {
  if (driver.Acoustic != YesNoFalse && responses && findResponseRow(*responses, driverId)) {
    for (int i = 0; i < ResponseCount; ++i)
      driver.Response[static_cast<std::size_t>(i)] = readResponseLevel(fieldValue(*responses, ResponseField(i)));
    return;
  }
  driver.Acoustic = YesNoFalse;
  driver.Response.fill(0.0f);
}

}  // namespace qbm
