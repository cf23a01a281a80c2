#pragma once
// Loading one driver of the NEW database into the working record, for the report of a ToList click.

#include <cstdint>

#include "db/code_tables.h"
#include "db/database_state.h"
#include "db/working_driver.h"

namespace qbm {

// Selects the index "ID" of the table (New.Woofers or New.Tweeters), seeks id with
// "=" and, when a row is found, reads it into the record (ReadDriverRow: every field of its table
// but ID and User Entry; a tweeter gets the woofer-only members 0). Returns whether a row was found;
// a closed new side finds nothing. The response and the company part are
// not touched. Engine errors reach the caller.
bool LoadNewDriver(DriverTable table, std::int32_t id, DatabaseState& state,
                   WorkingDriver& driver);

// The acoustic response of the new driver of that table and ID, by the rules of LoadResponse
// (db/driver_response.h) on NewWooferResponse or NewTweeterResponse: all 0 unless the record's
// Acoustic is set and the response row is there (otherwise Acoustic becomes 0).
void LoadNewResponse(DriverTable table, std::int32_t id, DatabaseState& state,
                     WorkingDriver& driver);

}  // namespace qbm
