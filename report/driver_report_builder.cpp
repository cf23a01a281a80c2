#include "report/driver_report_builder.h"

#include <string>

#include "report/driver_report.h"
#include "report/report_style.h"

namespace qbm {

void AppendDriverReport(ReportBox& box, WorkingDriver& driver, DriverTable table,
                        std::string_view companyName, const UnitLabels& units,
                        const CompanyLookup* companies) {
  AppendDriverDetails(box, driver, table, companyName, units);
  if (companies == nullptr) return;
  box.append(std::string(ReportLineEnd) + std::string(ReportLineEnd));
  AppendCompanyDetails(box, driver, *companies);
}

}  // namespace qbm
