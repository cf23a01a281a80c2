#pragma once
// Adding the working driver's company to the NEW database when the merge found none there for it.

#include <cstdint>
#include <optional>
#include <string>

#include "db/working_driver.h"
#include "merge/new_database_writer.h"

namespace qbm {

// REQUIRES: the new side is open.
// Adds the record's company part to NewCompanies as a user entry (a link of 0 stored as Null) and
// saves it through writer. Its new ID becomes the record's Company ID. Returns that ID; nothing
// when the row could not be saved (recorded for label). A field that refuses its value keeps its
// default (recorded). Failures of the file itself reach the caller.
std::optional<std::int32_t> CopyCompany(WorkingDriver& driver, NewDatabaseWriter& writer,
                                        const std::string& label);

}  // namespace qbm
