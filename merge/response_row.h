#pragma once
// A driver's row in "woofer-response" or "tweeter-response" of the NEW database, found by its
// "Driver ID" through the index of that name.

#include <array>
#include <cstdint>
#include <string>

#include "db/schema.h"
#include "jet/table.h"
#include "merge/write_problems.h"

namespace qbm {

// Edits the row whose "Driver ID" is driverId, or adds one when there is none, and sets "User
// Entry" true, "Driver ID" and the 134 levels "A 5" … "A 20000" as singles. Steps that fail as one
// value or row can are recorded for the driver (label) and skipped.
void WriteResponseRow(jet::Table& responses, std::int32_t driverId,
                      const std::array<float, ResponseCount>& levels, WriteProblems& problems,
                      const std::string& label);

// Deletes the row whose "Driver ID" is driverId, when there is one.
void DeleteResponseRow(jet::Table& responses, std::int32_t driverId, WriteProblems& problems,
                       const std::string& label);

}  // namespace qbm
