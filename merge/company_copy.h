#pragma once
// Adding the working driver's company to the NEW database when the merge found none there for it.

#include <cstdint>
#include <optional>
#include <string>

#include "db/database_state.h"
#include "db/working_driver.h"
#include "merge/merge_state.h"
#include "merge/write_problems.h"
#include "olddb/company_names.h"

namespace qbm {

// REQUIRES: the new side is open.
// Appends a row to NewCompanies from the record's company part: "User Entry" true, "Company",
// "Type", the text fields through "Notes", and "CompanyLink1" … "CompanyLink7" (Null for a link of
// 0). The ID the database gives it is read from the row just saved (never chosen here, and never
// confused with an older company of the same name); it becomes merge.MergeCompanyId and the
// record's Company ID, and, when it lies in 1..900, both new name tables take the name unchanged.
// Returns that ID; nothing when the row could not be saved (recorded in problems for label), in
// which case MergeCompanyId and the tables are left as they were. A field that refuses its value
// keeps its default (recorded). Failures of the file itself reach the caller.
std::optional<std::int32_t> CopyCompany(WorkingDriver& driver, MergeState& merge,
                                        DatabaseState& db, CompanyNameTables& names,
                                        WriteProblems& problems, const std::string& label);

}  // namespace qbm
