// The company section line by line, built from an in-memory companies lookup. Expected texts are
// written out from the section's rules.

#include "report/company_report.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "report/driver_report_builder.h"
#include "tests/report/report_lines.h"

namespace qbm {
namespace {

using test::Lines;
using test::linesOf;

DriverCompany company(std::string name) {
  DriverCompany c;
  c.Company = std::move(name);
  return c;
}

class CompanySection : public ::testing::Test {
 protected:
  std::map<std::int32_t, DriverCompany> rows_;
  std::vector<std::int32_t> asked_;
  CompanyLookup lookup_ = [this](std::int32_t id) -> std::optional<DriverCompany> {
    asked_.push_back(id);
    const auto it = rows_.find(id);
    if (it == rows_.end()) return std::nullopt;
    return it->second;
  };

  std::string section(WorkingDriver& d) {
    ReportBox box;
    AppendCompanyDetails(box, d, lookup_);
    return box.plainText();
  }

  // The address block of a company alone.
  static Lines address(const DriverCompany& c) {
    ReportBox box;
    AppendAddressBlock(box, c);
    return linesOf(box.plainText());
  }
};

TEST_F(CompanySection, MakerRelatedCompaniesAndDistributors) {
  DriverCompany maker = company("Northfield Acoustics");
  maker.Type = 3;
  maker.Department = "Sales";
  maker.Address1 = "12 Harbour Road";
  maker.Address2 = "Unit 4";
  maker.City = "Springfield";
  maker.Region = "OR";
  maker.Code = "97477";
  maker.Country = "USA";
  maker.Tel1 = "541-555-0100";
  maker.Tel2 = "541-555-0101";
  maker.Fax = "541-555-0102";
  maker.Email = "info@example.com";
  maker.Web = "www.example.com";
  maker.Notes = "Founded 1970";
  maker.CompanyLink = {0, 40, -3, 41, 99, 0, 0};  // 99 has no row
  rows_[12] = maker;

  DriverCompany sister = company("Northfield Europe");
  sister.City = "Lyon";
  sister.Code = "69001";
  sister.Country = "France";
  sister.Tel2 = "+33 4 00 00 00 00";
  sister.Notes = "not shown for a related company";
  sister.Web = "www.example.fr";
  rows_[40] = sister;
  DriverCompany unnamed;  // a related company without a name still shows its address
  unnamed.Country = "Japan";
  rows_[41] = unnamed;

  DriverCompany shop = company("Speaker Shop");
  shop.Address1 = "1 Main St";
  shop.Region = "Ontario";
  shop.Country = "Canada";
  shop.Email = "shop@example.com";
  shop.Notes = "not shown for a distributor";
  rows_[70] = shop;
  rows_[71] = DriverCompany{};  // a distributor without a name or address

  WorkingDriver d;
  d.Model = "NF-165";
  d.CompanyID = 12;
  d.Dist = {70, 0, 55, 71, 0, 0, 0};  // 55 has no row
  d.PartNo = {"290-100", "unused", "lost", "", "", "", ""};

  const Lines expected = {
      "Northfield Acoustics",
      "Sales",
      "12 Harbour Road",
      "Unit 4",
      "Springfield, OR  97477  USA",
      "Tel: 541-555-0100   541-555-0101",
      "Fax: 541-555-0102",
      "Email: info@example.com",
      "Web site: www.example.com",
      "Notes: Founded 1970",
      "",
      "Northfield Europe",
      "Lyon  69001",
      "France",
      "Tel: +33 4 00 00 00 00",
      "Web site: www.example.fr",
      "",
      "Japan",
      "",
      "Part No: 290-100 from:",
      "Speaker Shop",
      "1 Main St",
      "Ontario",
      "Canada",
      "Email: shop@example.com",
      "",
      "Part No:  from:",
      "",
  };
  EXPECT_EQ(linesOf(section(d)), expected);
  EXPECT_EQ(asked_, (std::vector<std::int32_t>{12, 40, 41, 99, 70, 55, 71}))
      << "links and distributors of 0 or less are not looked up";

  // The maker's row now is the record's company part, Type included.
  EXPECT_EQ(d.company.Company, "Northfield Acoustics");
  EXPECT_EQ(d.company.Type, 3);
  EXPECT_EQ(d.company.Notes, "Founded 1970");
  EXPECT_EQ(d.company.CompanyLink, maker.CompanyLink);
}

TEST_F(CompanySection, BoldHeadingsOnlyInTheReportFont) {
  rows_[1] = company("Maker");
  rows_[1].City = "Town";
  rows_[1].CompanyLink[0] = 2;
  rows_[2] = company("Sister");
  rows_[3] = company("Dealer");
  WorkingDriver d;
  d.Model = "M";
  d.CompanyID = 1;
  d.Dist[0] = 3;
  d.PartNo[0] = "P1";
  ReportBox box;
  box.setFontName("Courier");
  box.setFontSize(12);
  AppendCompanyDetails(box, d, lookup_);
  const std::vector<ReportRun> expected = {
      {"Maker\r\n", "MS Sans Serif", 8, true},
      {"Town\r\n\r\n", "MS Sans Serif", 8, false},
      {"Sister\r\n", "MS Sans Serif", 8, true},
      {"\r\n", "MS Sans Serif", 8, false},
      {"Part No: P1 from:\r\nDealer\r\n", "MS Sans Serif", 8, true},
  };
  EXPECT_EQ(box.runs(), expected);
}

TEST_F(CompanySection, MissingMakerAppendsNothingAndKeepsTheCompanyPart) {
  rows_[5] = company("Someone Else");
  WorkingDriver d;
  d.CompanyID = 6;
  d.Model = "X";
  d.Dist[0] = 5;
  d.company.Company = "Earlier Maker";
  ReportBox box;
  box.append("driver section\r\n\r\n");
  AppendCompanyDetails(box, d, lookup_);
  EXPECT_EQ(box.plainText(), "driver section\r\n\r\n");
  EXPECT_EQ(d.company.Company, "Earlier Maker");
  EXPECT_EQ(asked_, std::vector<std::int32_t>{6}) << "no distributor without a maker";
}

TEST_F(CompanySection, EmptyMakerNameStillGivesItsBoldLine) {
  rows_[8] = DriverCompany{};
  rows_[8].Tel1 = "555";
  WorkingDriver d;
  d.CompanyID = 8;
  d.company.Company = "Earlier Maker";
  ReportBox box;
  AppendCompanyDetails(box, d, lookup_);
  EXPECT_EQ(box.plainText(), "\r\nTel: 555\r\n");
  ASSERT_FALSE(box.runs().empty());
  EXPECT_EQ(box.runs()[0], (ReportRun{"\r\n", "MS Sans Serif", 8, true}));
  EXPECT_EQ(d.company.Company, "");
}

TEST_F(CompanySection, DriverWithoutModelShowsNoDistributors) {
  rows_[1] = company("Maker");
  rows_[1].CompanyLink[6] = 2;
  rows_[2] = company("Sister");
  rows_[3] = company("Dealer");
  WorkingDriver d;
  d.CompanyID = 1;
  d.Dist = {3, 3, 3, 3, 3, 3, 3};
  d.PartNo[0] = "P1";
  EXPECT_EQ(linesOf(section(d)), (Lines{"Maker", "", "Sister", ""}));
}

TEST_F(CompanySection, PlaceLineAndCountry) {
  DriverCompany c;
  c.City = "Austin";
  c.Region = "TX";
  c.Code = "78701";
  for (const char* us : {"U.S.A.", "USA", "U.S.", "US"}) {
    c.Country = us;
    EXPECT_EQ(address(c), (Lines{"Austin, TX  78701  " + std::string(us), ""})) << us;
  }
  for (const char* other : {"United States", "usa", "USA ", "Germany"}) {
    c.Country = other;
    EXPECT_EQ(address(c), (Lines{"Austin, TX  78701", other, ""})) << other;
  }
  c.Country = "";
  EXPECT_EQ(address(c), (Lines{"Austin, TX  78701", ""}));

  DriverCompany parts;
  parts.Region = "TX";
  parts.Code = "78701";
  EXPECT_EQ(address(parts), (Lines{"TX  78701", ""}));
  parts.Region = "";
  parts.Country = "US";
  EXPECT_EQ(address(parts), (Lines{"78701  US", ""}));
  parts.Code = "";
  EXPECT_EQ(address(parts), (Lines{"US", ""})) << "a country alone stands on its own line";
  parts.City = "Paris";
  parts.Country = "";
  EXPECT_EQ(address(parts), (Lines{"Paris", ""}));
  EXPECT_EQ(address(DriverCompany{}), (Lines{""})) << "an empty company gives no lines";
}

TEST_F(CompanySection, StreetLinesAndTelephones) {
  DriverCompany c;
  c.Address2 = "PO Box 7";
  c.Tel2 = "555-0002";
  EXPECT_EQ(address(c), (Lines{"PO Box 7", "Tel: 555-0002", ""}));
  c.Tel1 = "555-0001";
  EXPECT_EQ(address(c), (Lines{"PO Box 7", "Tel: 555-0001   555-0002", ""}));
  c.Tel2 = "";
  c.Department = "R&D";
  EXPECT_EQ(address(c), (Lines{"R&D", "PO Box 7", "Tel: 555-0001", ""}));
}

TEST_F(CompanySection, WholeReportJoinsTheSectionsWithOneEmptyLine) {
  rows_[4] = company("Maker");
  WorkingDriver d;
  d.Model = "M1";
  d.CompanyID = 4;
  ReportBox box;
  const UnitLabels units = MetricUnitLabels();
  AppendDriverReport(box, d, DriverTable::Woofers, "Maker", units, &lookup_);
  EXPECT_EQ(linesOf(box.plainText()),
            (Lines{"Model: M1", "Company: Maker", "Available = Unknown", "Last update: -----",
                   "Type: Standard one-way driver", "Shape: Round", "Piston Type: ",
                   "Acoustic data: Not present", "", "Maker", ""}));

  // The maker missing: the report ends with the empty line after the driver section.
  d.CompanyID = 5;
  box.clear();
  AppendDriverReport(box, d, DriverTable::Woofers, "", units, &lookup_);
  EXPECT_TRUE(box.plainText().ends_with("Acoustic data: Not present\r\n\r\n"));

  // No companies table (a legacy old database): the acoustic-data line is the unterminated end.
  box.clear();
  AppendDriverReport(box, d, DriverTable::Woofers, "Legacy Maker", units, nullptr);
  EXPECT_TRUE(box.plainText().ends_with("\r\nAcoustic data: Not present"));
}

}  // namespace
}  // namespace qbm
