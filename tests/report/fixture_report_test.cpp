// Whole reports of drivers of the shared fixture databases, read through the engine (index "ID",
// seek "="), compared line by line with the text the report rules give for those rows.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "common/user_locale.h"
#include "db/company_row.h"
#include "db/schema.h"
#include "jet/database.h"
#include "db/company_names.h"
#include "report/driver_report.h"
#include "report/driver_report_builder.h"
#include "tests/report/fixture_driver.h"
#include "tests/report/report_lines.h"
#include "tests/support/test_support.h"

namespace qbm {
namespace {

using test::Lines;
using test::linesOf;

// One side's open fixture database: its company names and cursors.
class FixtureSide {
 public:
  FixtureSide(const std::string& file, const std::filesystem::path& dir)
      : db_(jet::Database::open(test::copyShared("fixtures/" + file, dir))),
        companies_(db_.table(tables::Companies)) {
    CompanyNameTable shortNames;
    BuildCompanyNames(companies_, full_, shortNames);
  }

  // The whole report of a driver as a list click shows it on a side with companies.
  std::string report(std::string_view table, std::int32_t id, const UnitLabels& units) {
    const DriverTable kind =
        table == tables::Tweeters ? DriverTable::Tweeters : DriverTable::Woofers;
    jet::Table drivers = db_.table(table);
    drivers.setIndex(indexes::ID);
    EXPECT_TRUE(drivers.seek(jet::Value{id})) << table << " " << id;
    driver = test::readDriverRow(drivers, kind);
    const CompanyLookup lookup = CompaniesTableLookup(companies_);
    ReportBox box;
    AppendDriverReport(box, driver, kind,
                       ReportCompanyName(driver, &full_), units, &lookup);
    return box.plainText();
  }

  jet::Table& companies() { return companies_; }
  WorkingDriver driver;

 private:
  jet::Database db_;
  jet::Table companies_;
  CompanyNameTable full_;
};

class FixtureReport : public ::testing::Test {
 protected:
  void SetUp() override { QBM_REQUIRE_SHARED(); }
  ScopedUserLocale locale_{UserLocale::classic()};
  test::ScratchDir dir_;
};

TEST_F(FixtureReport, NewDualWooferWithTwoDistributorsInMetricUnits) {
  FixtureSide side("qbaudio.mdb", dir_.path());
  const Lines expected = {
      "Model: GX322-8",
      "Company: Celestion International Ltd.",
      "Available = Unknown",
      "Last update: 12-Oct-2053",
      "Type: Standard one-way driver",
      "Serial No: SN6",
      "Shape: Round w/ mounting tabs",
      "Piston Type: Cone",
      "Piston: Paper cone",
      "Suspension: Rubber surround",
      "Dust cap: Felt",
      "Frame: Cast aluminium",
      "Voice Coil: Copper",
      "Magnet: Ferrite",
      "Dual voice coil",
      "Magnetic shielding provided",
      "Fs =  1231 Hz",
      "Qms =  48.69",
      "Vas =  144.1 liters",
      "Cms =  76773 mm/N",
      "Mms =  104.2 g",
      "Rms =  14.76 kg/s",
      "Xmax =  8.3 mm",
      "Xmax (parallel) =  95921 mm",
      "Xmax (series) =  6468 mm",
      "Xmech =  11757 mm",
      "P-Dia =  247.1 mm",
      "Sd =  491841 sq.cm",
      "P-Vd =  85082 liters",
      "Qes =  19.64",
      "Qes (parallel) =  47.55",
      "Qes (series) =  57.23",
      "Re =  28.47 ohms",
      "Re (parallel) =  6.196 ohms",
      "Re (series) =  9.213 ohms",
      "Le =  0.7 mH",
      "Le (parallel) =  83986 mH",
      "Le (series) =  27.3 mH",
      "Z =  74.73 ohms",
      "Z (parallel) =  68.18 ohms",
      "Z (series) =  96.24 ohms",
      "BL =  4.42 Tm",
      "BL (parallel) =  17.79 Tm",
      "BL (series) =  12.91 Tm",
      "Pe =  72.31 watts",
      "Pe (parallel) =  18.03 watts",
      "Pe (series) =  33.35 watts",
      "Qts =  82.27",
      "Qts (parallel) =  19.61",
      "Qts (series) =  26.22",
      "no =  6.586 %",
      "no (parallel) =  34.45 %",
      "no (series) =  75.93 %",
      "1-W SPL =  20.37 dB",
      "1-W SPL (parallel) =  45.04 dB",
      "1-W SPL (series) =  42.72 dB",
      "2.83-V SPL =  51.94 dB",
      "2.83-V SPL (parallel) =  70.1 dB",
      "2.83-V SPL (series) =  2.482 dB",
      "Acoustic data: Present",
      "",
      "Celestion International Ltd.",
      "Sales",
      "106 Main Street",
      "Springfield, OR  97106  USA",
      "Tel: 555-016   555-026",
      "Email: info6@example.com",
      "Web site: www.example6.com",
      "Notes: Company notes 6",
      "",
      "Part No: PN-6-1 from:",
      "Eminence Speaker Corp.",
      "107 Main Street",
      "Springfield  97107  U.S.A.",
      "Email: info7@example.com",
      "",
      "Part No: PN-6-2 from:",
      "JBL Professional Division",
      "108 Main Street",
      "OR  97108",
      "Denmark",
      "Tel: 555-018   555-028",
      "Email: info8@example.com",
      "Web site: www.example8.com",
      "",
  };
  EXPECT_EQ(linesOf(side.report(tables::Woofers, 7, MetricUnitLabels())), expected);
  EXPECT_EQ(side.driver.company.Company, "Celestion International Ltd.");
  EXPECT_EQ(side.driver.company.Type, 2);
  EXPECT_EQ(side.driver.company.Notes, "Company notes 6");
}

TEST_F(FixtureReport, NewDualWooferInEnglishUnits) {
  FixtureSide side("qbaudio.mdb", dir_.path());
  const Lines lines = linesOf(side.report(tables::Woofers, 7, EnglishUnitLabels()));
  const Lines switched(lines.begin() + 18, lines.begin() + 29);
  EXPECT_EQ(switched, (Lines{
                          "Vas =  5.089 cu.ft",
                          "Cms =  13445 in/lb",
                          "Mms =  3.676 oz",
                          "Rms =  32.53 lb/s",
                          "Xmax =  0.327 in",
                          "Xmax (parallel) =  3776 in",
                          "Xmax (series) =  254.6 in",
                          "Xmech =  462.9 in",
                          "P-Dia =  9.728 in",
                          "Sd =  76236 sq.in",
                          "P-Vd =  3005 cu.ft",
                      }));
  const Lines bl(lines.begin() + 41, lines.begin() + 44);
  EXPECT_EQ(bl, (Lines{"BL =  4.42 N/A", "BL (parallel) =  17.79 N/A", "BL (series) =  12.91 N/A"}));
  EXPECT_EQ(lines.size(), linesOf(side.report(tables::Woofers, 7, MetricUnitLabels())).size())
      << "the units change numbers and labels, never which lines are shown";
}

TEST_F(FixtureReport, NewTweeterWhoseMakerIsItsOwnRelatedCompany) {
  FixtureSide side("qbaudio.mdb", dir_.path());
  const Lines expected = {
      "Model: TNE433-8",
      "Company: Acoustic Research Intl",
      "Available = Unknown",
      "Last update: 08-Aug-2054",
      "Type: Standard one-way driver",
      "Shape: Round w/ square sides",
      "Piston Type: Concave dome w/o mounting plate",
      "Piston: Paper cone",
      "Voice Coil: Copper",
      "Magnet: Ferrite",
      "Fs =  365.8 Hz",
      "Qms =  74.54",
      "Vas =  4.34 cu.ft",
      "Cms =  44.46 in/lb",
      "Mms =  1.22 oz",
      "Rms =  97.57 lb/s",
      "Xmax =  7.693 in",
      "Xmech =  48.8 in",
      "P-Dia =  9.193 in",
      "Sd =  3581 sq.in",
      "P-Vd =  1872 cu.ft",
      "Qes =  54.17",
      "Re =  47.48 ohms",
      "Le =  0.5 mH",
      "Z =  71.11 ohms",
      "BL =  59.19 N/A",
      "Pe =  15.84 watts",
      "Qts =  89.36",
      "no =  26.2 %",
      "1-W SPL =  66.61 dB",
      "2.83-V SPL =  23.87 dB",
      "Acoustic data: Present",
      "",
      "Acoustic Research Intl",
      "101 Main Street",
      "Springfield  97101  U.S.A.",
      "Email: info1@example.com",
      "",
      "Acoustic Research Intl",
      "101 Main Street",
      "Springfield  97101  U.S.A.",
      "Email: info1@example.com",
      "",
      "Part No: PN-9-1 from:",
      "Miami Soundworx, Inc.",
      "110 Main Street",
      "Springfield, OR  97110",
      "Tel: 555-0210",
      "Email: info10@example.com",
      "Web site: www.example10.com",
      "",
  };
  EXPECT_EQ(linesOf(side.report(tables::Tweeters, 10, EnglishUnitLabels())), expected);
}

TEST_F(FixtureReport, CompanyIdOutsideTheHandledRangeGivesEmptyNameAndNoSection) {
  FixtureSide side("qbaudio.mdb", dir_.path());
  const Lines expected = {
      "Model: TW285",
      "Company: ",
      "Available = No",
      "Last update: -----",
      "Type: Standard one-way driver",
      "Shape: Round w/ flat top & bottom",
      "Piston Type: ",
      "Piston: Paper cone",
      "Dust cap: Felt",
      "Frame: Cast aluminium",
      "Voice Coil: Copper",
      "Magnet: Ferrite",
      "Fs =  1992 Hz",
      "Qms =  73.65",
      "Vas =  176.7 liters",
      "Cms =  44773 mm/N",
      "Mms =  94.2 g",
      "Rms =  66.89 kg/s",
      "Xmax =  355.5 mm",
      "Xmech =  52110 mm",
      "P-Dia =  299.5 mm",
      "Sd =  740947 sq.cm",
      "P-Vd =  85035 liters",
      "Qes =  53.31",
      "Re =  69.38 ohms",
      "Le =  1.6 mH",
      "Z =  62.9 ohms",
      "BL =  93.1 Tm",
      "Pe =  96.59 watts",
      "Qts =  96.98",
      "no =  9.909 %",
      "1-W SPL =  77.56 dB",
      "2.83-V SPL =  0.706 dB",
      "Acoustic data: Not present",
      "",
      "",
  };
  EXPECT_EQ(linesOf(side.report(tables::Woofers, 6, MetricUnitLabels())), expected);
  EXPECT_EQ(side.driver.CompanyID, 950);
}

TEST_F(FixtureReport, OldWooferWithoutParametersAndAnUnnamedDistributor) {
  FixtureSide side("xqbaudio.mdb", dir_.path());
  const Lines expected = {
      "Model: SD211-8",
      "Company: JBL",
      "Available = Unknown",
      "Last update: 16-Dec-2052",
      "Type: Standard one-way driver",
      "Shape: Rectangular",
      "Piston Type: Concave",
      "Piston: Paper cone",
      "Dust cap: Felt",
      "Frame: Cast aluminium",
      "Voice Coil: Copper",
      "Magnet: Ferrite",
      "Acoustic data: Present",
      "",
      "JBL",
      "Sales",
      "103 Main Street",
      "Springfield  97103  US",
      "Tel: 555-013",
      "Email: info3@example.com",
      "Notes: Company notes 3",
      "",
      "Part No: PN-3-1 from:",
      "Seas Fabrikker A.S.",
      "104 Main Street",
      "OR  97104",
      "Tel: 555-024",
      "Email: info4@example.com",
      "Web site: www.example4.com",
      "",
      "Part No: PN-3-2 from:",
      "Garage Audio Works",
      "105 Main Street",
      "Springfield  97105",
      "Germany",
      "Tel: 555-015",
      "Email: info5@example.com",
      "",
      "Part No: PN-3-3 from:",
      "Sales",
      "106 Main Street",
      "Springfield, OR  97106  USA",
      "Tel: 555-016   555-026",
      "Email: info6@example.com",
      "Web site: www.example6.com",
      "",
  };
  EXPECT_EQ(linesOf(side.report(tables::Woofers, 4, MetricUnitLabels())), expected);
}

TEST_F(FixtureReport, CompanyLookupReadsNullsAsEmptyAndMissingIdsAsNothing) {
  FixtureSide side("xqbaudio.mdb", dir_.path());
  const std::optional<DriverCompany> unnamed = FindCompanyById(side.companies(), 7);
  ASSERT_TRUE(unnamed.has_value());
  EXPECT_EQ(unnamed->Company, "");
  EXPECT_EQ(unnamed->Type, 2);
  EXPECT_EQ(unnamed->Fax, "");
  EXPECT_EQ(unnamed->Notes, "Company notes 6");
  EXPECT_EQ(unnamed->CompanyLink, (std::array<std::int32_t, 7>{}));

  const std::optional<DriverCompany> linked = FindCompanyById(side.companies(), 6);
  ASSERT_TRUE(linked.has_value());
  EXPECT_EQ(linked->Company, "Garage Audio Works");
  EXPECT_EQ(linked->CompanyLink, (std::array<std::int32_t, 7>{6, 0, 0, 0, 0, 0, 0}));

  for (std::int32_t missing : {0, -1, 8, 950})
    EXPECT_FALSE(FindCompanyById(side.companies(), missing).has_value()) << missing;
}

}  // namespace
}  // namespace qbm
