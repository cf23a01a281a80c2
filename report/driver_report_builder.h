#pragma once
// A whole driver report as a list click shows it: the driver section and, where the side's database
// has companies, one empty line and the company section.

#include <cstdint>
#include <string_view>

#include "db/code_tables.h"
#include "db/working_driver.h"
#include "report/company_report.h"
#include "report/display_units.h"
#include "report/report_box.h"

namespace qbm {

// Appends AppendDriverDetails(box, driver, table, companyName, units); then, when
// companies is given, ends the last line, adds one empty line and appends AppendCompanyDetails
// (which may rewrite the record's company part). Without companies (a legacy old database) the
// report ends with the unterminated "Acoustic data: " line. The box is not cleared first.
void AppendDriverReport(ReportBox& box, WorkingDriver& driver, DriverTable table,
                        std::string_view companyName, const UnitLabels& units,
                        const CompanyLookup* companies);

}  // namespace qbm
