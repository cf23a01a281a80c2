#pragma once
// Reading one driver's acoustic response from a response table ("woofer-response" or
// "tweeter-response") into the working record: what LoadOldResponse does for the old database and
// LoadNewResponse for the new one.

#include <cstdint>
#include <optional>

#include "db/working_driver.h"
#include "jet/table.h"

namespace qbm {

// All levels 0 when the record's Acoustic is 0; otherwise the levels of the first row whose
// "Driver ID" is driverId (by the index "Driver ID", or a walk when the table has none). No such
// row, or no table: Acoustic 0 and all levels 0. Engine errors never reach the caller: a level
// that cannot be read is 0, and a table that cannot be searched counts as having no row.
void LoadResponse(std::optional<jet::Table>& responses, std::int32_t driverId, WorkingDriver& driver);

}  // namespace qbm
