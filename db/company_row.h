#pragma once
// Reading one row of a companies table into the company part of the working record, and finding a
// company by its ID. Shared by the old-driver load and the company section of a report, which read
// the same fields by the same rules.

#include <cstdint>
#include <optional>

#include "db/working_driver.h"
#include "jet/table.h"

namespace qbm {

// The current row of a companies cursor: "Company" and the text fields through "Notes" by the text
// rule (Null gives ""), "Type" by the code rule, "CompanyLink1" … "CompanyLink7" by the link rule
// (Null gives 0). A field the table lacks reads as Null. Throws NumericOverflow for a Type outside
// -32768..32767; other engine errors reach the caller.
DriverCompany ReadCompanyRow(const jet::Table& companies);

// Selects the index "ID" of the companies cursor, seeks id with "=" and reads the row found;
// nothing when no row has that ID. The cursor is left on the row found (or without a current row).
// Engine errors (e.g. a table without the index "ID") reach the caller.
std::optional<DriverCompany> FindCompanyById(jet::Table& companies, std::int32_t id);

}  // namespace qbm
