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
// row, or no table: Acoustic 0 and all levels 0. A response that cannot be read is never made up
// nor taken for a missing one: the engine's error (a row, an index or pages of the table that
// cannot be read) reaches the caller, and the record's levels are then not to be used.
void LoadResponse(std::optional<jet::Table>& responses, std::int32_t driverId, WorkingDriver& driver);

}  // namespace qbm
