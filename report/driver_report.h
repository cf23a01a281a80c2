#pragma once
// The driver section of a driver report: model, company, codes and descriptions, then every given
// Thiele/Small and rating parameter in the chosen display units, ending with the acoustic-data
// line. Built by the same rules for both sides of the main window.

#include <cstdint>
#include <string_view>

#include "db/code_tables.h"
#include "db/working_driver.h"
#include "db/company_names.h"
#include "report/display_units.h"
#include "report/report_box.h"

namespace qbm {

// Appends the driver section of the record to the box. The driver's table chooses the shape and piston code tables and the woofer-only and tweeter-only lines; companyName
// is written on the "Company: " line even when empty; units give the label and the conversion of
// each switchable quantity. The section starts with the report font, Model and Company lines bold,
// every other line plain; every line ends with "\r\n" except the last, "Acoustic data: ...", which
// the caller ends (or leaves as the end of a report that has no company section). Parallel and
// series lines appear only for a record whose Dual flag is set.
void AppendDriverDetails(ReportBox& box, const WorkingDriver& driver,
                         DriverTable table, std::string_view companyName,
                         const UnitLabels& units);

// The name for the "Company: " line. With the side's full-name table (new side, previous-format
// old side) it is the table's entry at the record's Company ID, "" for an ID that names no company or one
// without a company; without a table (a legacy old database) it is the company text the legacy
// load put into the record.
std::string_view ReportCompanyName(const WorkingDriver& driver,
                                   const CompanyNameTable* fullNames);

}  // namespace qbm
