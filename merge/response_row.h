#pragma once
// A driver's row in "woofer-response" or "tweeter-response" of the NEW database.

#include <array>
#include <cstdint>
#include <string>

#include "db/code_tables.h"
#include "db/schema.h"
#include "jet/table.h"
#include "merge/new_database_writer.h"

namespace qbm {

// Edits the driver's response row (the first of that "Driver ID" the look-ups know), or adds one
// when there is none, with "User Entry" true, "Driver ID" and the 134 levels "A 5" … "A 20000" as
// singles, saved through writer. Steps that fail as one value or row can are recorded for the
// driver (label) and skipped.
void WriteResponseRow(NewDatabaseWriter& writer, DriverTable table, std::int32_t driverId,
                      const std::array<float, ResponseCount>& levels, const std::string& label);

// Deletes the driver's response row, when there is one, through writer.
void DeleteResponseRow(NewDatabaseWriter& writer, DriverTable table, std::int32_t driverId,
                       const std::string& label);

}  // namespace qbm
