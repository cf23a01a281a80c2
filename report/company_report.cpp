#include "report/company_report.h"

#include <string>

#include "db/company_row.h"
#include "report/report_style.h"

namespace qbm {
namespace {

bool isUnitedStates(const std::string& country) {
  return country == "U.S.A." || country == "USA" || country == "U.S." || country == "US";
}

void appendLine(ReportBox& box, std::string_view text) {
  std::string line(text);
  line += ReportLineEnd;
  box.append(line);
}

// City, ", " Region, "  " Code, each part only when given; "" when none is.
std::string placeText(const DriverCompany& c) {
  std::string place = c.City;
  if (!c.Region.empty()) {
    if (!place.empty()) place += ", ";
    place += c.Region;
  }
  if (!c.Code.empty()) {
    if (!place.empty()) place += "  ";
    place += c.Code;
  }
  return place;
}

void appendPlaceAndCountry(ReportBox& box, const DriverCompany& c) {
  const std::string place = placeText(c);
  if (c.Country.empty()) {
    if (!place.empty()) appendLine(box, place);
  } else if (place.empty()) {
    appendLine(box, c.Country);
  } else if (isUnitedStates(c.Country)) {
    appendLine(box, place + "  " + c.Country);
  } else {
    appendLine(box, place);
    appendLine(box, c.Country);
  }
}

void appendTelephones(ReportBox& box, const DriverCompany& c) {
  if (c.Tel1.empty() && c.Tel2.empty()) return;
  std::string line = "Tel: ";
  if (!c.Tel1.empty()) {
    line += c.Tel1;
    if (!c.Tel2.empty()) line += "   " + c.Tel2;
  } else {
    line += c.Tel2;
  }
  appendLine(box, line);
}

void appendContacts(ReportBox& box, const DriverCompany& c) {
  appendLineIfGiven(box, "Fax: ", c.Fax);
  appendLineIfGiven(box, "Email: ", c.Email);
  appendLineIfGiven(box, "Web site: ", c.Web);
}

void appendMakerBlock(ReportBox& box, const DriverCompany& maker) {
  box.setFontName(ReportFontName);
  box.setFontSize(ReportFontSize);
  box.setBold(true);
  appendLine(box, maker.Company);
  box.setBold(false);
  AppendAddressBlock(box, maker);
  appendContacts(box, maker);
  appendLineIfGiven(box, "Notes: ", maker.Notes);
}

// One related company or distributor after an empty line: the bold heading lines (the name only
// when given), then the address block and contacts, never the notes.
void appendOtherBlock(ReportBox& box, const std::string& heading, const DriverCompany& c) {
  appendLine(box, "");
  box.setBold(true);
  if (!heading.empty()) appendLine(box, heading);
  if (!c.Company.empty()) appendLine(box, c.Company);
  box.setBold(false);
  AppendAddressBlock(box, c);
  appendContacts(box, c);
}

}  // namespace

CompanyLookup CompaniesTableLookup(jet::Table& companies) {
  return [&companies](std::int32_t id) { return FindCompanyById(companies, id); };
}

void AppendAddressBlock(ReportBox& box, const DriverCompany& company) {
  appendLineIfGiven(box, "", company.Department);
  appendLineIfGiven(box, "", company.Address1);
  appendLineIfGiven(box, "", company.Address2);
  appendPlaceAndCountry(box, company);
  appendTelephones(box, company);
}

void AppendCompanyDetails(ReportBox& box, WorkingDriver& driver, const CompanyLookup& companies) {
  std::optional<DriverCompany> maker = companies(driver.CompanyID);
  if (!maker) return;
  driver.company = std::move(*maker);
  appendMakerBlock(box, driver.company);

  for (std::int32_t link : driver.company.CompanyLink) {
    if (link <= 0) continue;
    if (const std::optional<DriverCompany> related = companies(link))
      appendOtherBlock(box, "", *related);
  }

  if (driver.Model.empty()) return;
  for (size_t n = 0; n < driver.Dist.size(); ++n) {
    if (driver.Dist[n] <= 0) continue;
    if (const std::optional<DriverCompany> distributor = companies(driver.Dist[n]))
      appendOtherBlock(box, "Part No: " + driver.PartNo[n] + " from:", *distributor);
  }
}

}  // namespace qbm
