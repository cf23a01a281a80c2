#pragma once
// A driver's row in "woofer-response" or "tweeter-response" of the NEW database, found through the
// merge's look-ups (the first row of that "Driver ID" in the index's order) and written by bookmark.

#include <array>
#include <cstdint>
#include <string>

#include "db/code_tables.h"
#include "db/schema.h"
#include "jet/table.h"
#include "merge/new_driver_matcher.h"
#include "merge/write_problems.h"

namespace qbm {

// Edits the driver's response row, or adds one when there is none, and sets "User Entry" true,
// "Driver ID" and the 134 levels "A 5" … "A 20000" as singles; an added row is told to lookups.
// responses is the response table of `table`. Steps that fail as one value or row can are recorded
// for the driver (label) and skipped.
void WriteResponseRow(jet::Table& responses, DriverTable table, std::int32_t driverId,
                      const std::array<float, ResponseCount>& levels, NewDriverMatcher& lookups,
                      WriteProblems& problems, const std::string& label);

// Deletes the driver's response row, when there is one, and tells lookups.
void DeleteResponseRow(jet::Table& responses, DriverTable table, std::int32_t driverId,
                       NewDriverMatcher& lookups, WriteProblems& problems, const std::string& label);

}  // namespace qbm
