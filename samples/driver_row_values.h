#pragma once
// A driver, company or response as the field values of a row of the driver database, the way
// real files hold them: empty texts, zero links and distributors and an empty date as Null,
// parameters as doubles (0 = not given), yes/no fields as true or false.

#include <cstdint>
#include <span>

#include "db/code_tables.h"
#include "db/working_driver.h"
#include "samples/row_values.h"

namespace qbm::samples {

// Every field of a "woofers" or "tweeters" row from the record, except "ID" (numbered by the table)
// and "User Entry" (the caller's to set). "Model" is the record's Model; "Company ID" its CompanyID
// as it is; "Date" the day its text names under the current user locale ("dd-mmm-yyyy").
// PartnerID becomes "Tweeter ID" in a woofers row and "Woofer ID" in a tweeters row.
RowValues driverRowOf(const WorkingDriver& driver, DriverTable table);

// Every field of a "companies" row from the company part, except "ID" and "User Entry".
RowValues companyRowOf(const DriverCompany& company);

// A "woofer-response" or "tweeter-response" row: "Driver ID", "User Entry" and the levels
// "A 5" … in the order of ResponseFrequencies. REQUIRES: levels.size() == ResponseCount.
RowValues responseRowOf(std::int32_t driverId, std::span<const float> levels, bool userEntry);

}  // namespace qbm::samples
