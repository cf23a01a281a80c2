#pragma once
// The company section of a driver report: the maker's address block, a block for each related
// company of the maker, and, for a driver with a model name, a block for each distributor that
// sells it, headed by the distributor's part number. Companies are found through a lookup by ID,
// so the section can be built from a companies table or from any other source.

#include <cstdint>
#include <functional>
#include <optional>

#include "db/working_driver.h"
#include "jet/table.h"
#include "report/report_box.h"

namespace qbm {

// The company row with that ID, or nothing when there is none.
using CompanyLookup = std::function<std::optional<DriverCompany>(std::int32_t id)>;

// A lookup on a side's companies cursor (index "ID", seek "=", fields by the reading rules). The
// cursor must outlive the lookup; its position changes with every call. Engine errors reach the
// caller of the lookup.
CompanyLookup CompaniesTableLookup(jet::Table& companies);

// Appends the company section for the record's Company ID. When the maker is not found nothing is
// appended and the record is unchanged. Otherwise the maker's row replaces the record's company
// part, and the section is written: the maker's name in bold (even when empty), its address block,
// "Fax: ", "Email: ", "Web site: " and "Notes: " lines when given; then, each after one empty line,
// the related companies (CompanyLink n > 0 and found) without notes; then, when the record has a
// Model, the distributors (Dist n > 0 and found), each headed in bold "Part No: " + PartNo n +
// " from:". Every line ends with "\r\n". An error of the lookup reaches the caller, and the box
// keeps what was appended before it.
void AppendCompanyDetails(ReportBox& box, WorkingDriver& driver, const CompanyLookup& companies);

// The address block of one company: Department, Address1, Address2 lines when given; the place
// line (City, ", " Region, "  " Code) with a U.S. country ("U.S.A.", "USA", "U.S.", "US") joined
// to it after two blanks, any other country on its own line; then "Tel: " Tel1 "   " Tel2 (or
// "Tel: " Tel2 alone) when either is given.
void AppendAddressBlock(ReportBox& box, const DriverCompany& company);

}  // namespace qbm
