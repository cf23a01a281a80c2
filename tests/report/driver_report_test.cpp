// The driver section line by line. Expected texts are written out from the report's rules, not
// produced by the code under test.

#include "report/driver_report.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "common/user_locale.h"
#include "report/driver_report_builder.h"
#include "tests/report/report_lines.h"

namespace qbm {
namespace {

using test::Lines;
using test::linesOf;

// A dual-voice-coil woofer with every description and most parameters given.
WorkingDriver dualWoofer() {
  WorkingDriver d;
  d.Model = "NF-165 DVC";
  d.CompanyID = 12;
  d.Available = 1;
  d.Date = "05-Mar-2001";
  d.Type = 1;
  d.SerialNo = "SN-1";
  d.Shape = 1;
  d.PistonType = 3;
  d.PistonDesc = "Paper cone";
  d.SuspDesc = "Rubber surround";
  d.DustCapDesc = "Felt";
  d.FrameDesc = "Cast aluminium";
  d.TermDesc = "Gold-plated";
  d.MagDesc = "Ferrite";
  d.Ferrofluid = YesNoTrue;  // a woofer never reports it
  d.Underhung = YesNoTrue;
  d.Dual = YesNoTrue;
  d.Shield = YesNoTrue;
  d.Fs = 28.5;
  d.Qms = 3.21;
  d.Vas = 0.05;
  d.Cms = 0.00085;
  d.Mms = 0.012;
  d.Rms = 1.2;
  d.Xlin = 0.006;
  d.Xlinp = 0.0045;
  d.Xlins = 0.009;
  d.Xmech = 0.012;
  d.PDia = 0.165;
  d.Sd = 0.0214;
  d.PVd = 0.000128;
  d.Qes = 0.45;
  d.Qesp = 0.9;
  d.Qess = 0.225;
  d.Re = 1;
  d.Rep = 3.2;
  d.Res = 12.8;
  d.Le = 0.00045;
  d.Lep = 0.0009;
  d.Les = 0.0018;
  d.Z = 4;
  d.Zp = 2;
  d.Zs = 8;
  d.BL = 7.5;
  d.BLp = 3.75;
  d.BLs = 15;
  d.Pe = 100;
  d.Pes = 200;  // no parallel rating: that line is left out
  d.Qts = 0.39;
  d.Eff = 0.52;
  d.SPL1 = 88.4;
  d.SPL2 = 91.4;
  d.SPL2p = 94.4;
  d.SPL2s = 88.4;
  d.Acoustic = YesNoTrue;
  d.Notes = "never shown";
  d.MVd = 0.0005;
  d.Dimen[0] = 0.2;
  return d;
}

class DriverReport : public ::testing::Test {
 protected:
  ScopedUserLocale locale_{UserLocale::classic()};

  static std::string report(const WorkingDriver& d, DriverTable table, std::string_view company,
                            const UnitLabels& units) {
    ReportBox box;
    AppendDriverDetails(box, d, table, company, units);
    return box.plainText();
  }
};

TEST_F(DriverReport, DualWooferInMetricUnits) {
  const Lines expected = {
      "Model: NF-165 DVC",
      "Company: Northfield Acoustics",
      "Available = Yes",
      "Last update: 05-Mar-2001",
      "Type: Two-way coaxial driver",
      "Serial No: SN-1",
      "Shape: Oval",
      "Piston Type: Concave",
      "Piston: Paper cone",
      "Suspension: Rubber surround",
      "Dust cap: Felt",
      "Frame: Cast aluminium",
      "Terminals: Gold-plated",
      "Magnet: Ferrite",
      "Underhung voice coil",
      "Dual voice coil",
      "Magnetic shielding provided",
      "Fs =  28.5 Hz",
      "Qms =  3.21",
      "Vas =  50 liters",
      "Cms =  0.85 mm/N",
      "Mms =  12 g",
      "Rms =  1.2 kg/s",
      "Xmax =  6 mm",
      "Xmax (parallel) =  4.5 mm",
      "Xmax (series) =  9 mm",
      "Xmech =  12 mm",
      "P-Dia =  165 mm",
      "Sd =  214 sq.cm",
      "P-Vd =  0.128 liters",
      "Qes =  0.45",
      "Qes (parallel) =  0.9",
      "Qes (series) =  0.225",
      "Re =  1 ohm",
      "Re (parallel) =  3.2 ohms",
      "Re (series) =  12.8 ohms",
      "Le =  0.45 mH",
      "Le (parallel) =  0.9 mH",
      "Le (series) =  1.8 mH",
      "Z =  4 ohms",
      "Z (parallel) =  2 ohms",
      "Z (series) =  8 ohms",
      "BL =  7.5 Tm",
      "BL (parallel) =  3.75 Tm",
      "BL (series) =  15 Tm",
      "Pe =  100 watts",
      "Pe (series) =  200 watts",
      "Qts =  0.39",
      "no =  0.52 %",
      "1-W SPL =  88.4 dB",
      "2.83-V SPL =  91.4 dB",
      "2.83-V SPL (parallel) =  94.4 dB",
      "2.83-V SPL (series) =  88.4 dB",
      "Acoustic data: Present",
  };
  const std::string text = report(dualWoofer(), DriverTable::Woofers, "Northfield Acoustics", MetricUnitLabels());
  EXPECT_EQ(linesOf(text), expected);
  EXPECT_FALSE(text.ends_with("\r\n")) << "the caller ends the acoustic-data line";
}

TEST_F(DriverReport, DualWooferInEnglishUnitsChangesOnlyTheSwitchableLines) {
  const Lines english = linesOf(report(dualWoofer(), DriverTable::Woofers, "N", EnglishUnitLabels()));
  const Lines metric = linesOf(report(dualWoofer(), DriverTable::Woofers, "N", MetricUnitLabels()));
  ASSERT_EQ(english.size(), metric.size());
  const std::vector<std::pair<std::string, std::string>> changed = {
      {"Vas =  50 liters", "Vas =  1.766 cu.ft"},
      {"Cms =  0.85 mm/N", "Cms =  0.149 in/lb"},
      {"Mms =  12 g", "Mms =  0.423 oz"},
      {"Rms =  1.2 kg/s", "Rms =  2.646 lb/s"},
      {"Xmax =  6 mm", "Xmax =  0.236 in"},
      {"Xmax (parallel) =  4.5 mm", "Xmax (parallel) =  0.177 in"},
      {"Xmax (series) =  9 mm", "Xmax (series) =  0.354 in"},
      {"Xmech =  12 mm", "Xmech =  0.472 in"},
      {"P-Dia =  165 mm", "P-Dia =  6.496 in"},
      {"Sd =  214 sq.cm", "Sd =  33.17 sq.in"},
      {"P-Vd =  0.128 liters", "P-Vd =  0.00452 cu.ft"},
      {"BL =  7.5 Tm", "BL =  7.5 N/A"},
      {"BL (parallel) =  3.75 Tm", "BL (parallel) =  3.75 N/A"},
      {"BL (series) =  15 Tm", "BL (series) =  15 N/A"},
  };
  size_t differing = 0;
  for (size_t i = 0; i < metric.size(); ++i) {
    if (metric[i] == english[i]) continue;
    ++differing;
    bool listed = false;
    for (const auto& [m, e] : changed)
      if (metric[i] == m) {
        listed = true;
        EXPECT_EQ(english[i], e);
      }
    EXPECT_TRUE(listed) << "unexpected change of line " << metric[i] << " to " << english[i];
  }
  EXPECT_EQ(differing, changed.size());
}

TEST_F(DriverReport, OnlyModelAndCompanyLinesAreBoldInTheReportFont) {
  ReportBox box;
  box.setFontName("Courier");
  box.setFontSize(14);
  AppendDriverDetails(box, dualWoofer(), DriverTable::Woofers, "Northfield Acoustics", MetricUnitLabels());
  ASSERT_EQ(box.runs().size(), 2u);
  EXPECT_EQ(box.runs()[0].text, "Model: NF-165 DVC\r\nCompany: Northfield Acoustics\r\n");
  EXPECT_TRUE(box.runs()[0].bold);
  EXPECT_FALSE(box.runs()[1].bold);
  for (const ReportRun& run : box.runs()) {
    EXPECT_EQ(run.fontName, "MS Sans Serif");
    EXPECT_EQ(run.fontSize, 8);
  }
}

TEST_F(DriverReport, SingleCoilWooferHidesWiringVariantsEvenWhenTheyHoldValues) {
  WorkingDriver d = dualWoofer();
  d.Dual = YesNoFalse;
  const std::string text = report(d, DriverTable::Woofers, "", MetricUnitLabels());
  EXPECT_EQ(text.find("(parallel)"), std::string::npos);
  EXPECT_EQ(text.find("(series)"), std::string::npos);
  EXPECT_EQ(text.find("Dual voice coil"), std::string::npos);
  EXPECT_NE(text.find("\r\nXmax =  6 mm\r\nXmech =  12 mm\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\nPe =  100 watts\r\nQts =  0.39\r\n"), std::string::npos);
}

TEST_F(DriverReport, TweeterUsesTweeterCodesAndShowsNoWooferOnlyLines) {
  WorkingDriver d = dualWoofer();  // a tweeter loaded over a woofer keeps some woofer members
  d.Model = "T-25";
  d.Shape = 1;
  d.PistonType = 6;
  d.Ferrofluid = YesNoTrue;
  const Lines lines = linesOf(report(d, DriverTable::Tweeters, "Northfield Acoustics", MetricUnitLabels()));
  const Lines head(lines.begin(), lines.begin() + 16);
  const Lines expectedHead = {
      "Model: T-25",
      "Company: Northfield Acoustics",
      "Available = Yes",
      "Last update: 05-Mar-2001",
      "Type: Two-way coaxial driver",
      "Serial No: SN-1",
      "Shape: Round w/ square sides",
      "Piston Type: Convex dome",
      "Piston: Paper cone",
      "Suspension: Rubber surround",
      "Terminals: Gold-plated",
      "Magnet: Ferrite",
      "Ferrofluid included",
      "Magnetic shielding provided",
      "Fs =  28.5 Hz",
      "Qms =  3.21",
  };
  EXPECT_EQ(head, expectedHead);
  for (const std::string& line : lines) {
    EXPECT_EQ(line.find("(parallel)"), std::string::npos) << line;
    EXPECT_EQ(line.find("(series)"), std::string::npos) << line;
  }
}

TEST_F(DriverReport, CodesWithoutTextLeaveTheirLinesEmpty) {
  WorkingDriver d;
  d.Available = 5;
  d.Type = 4;
  d.Shape = 8;
  d.PistonType = 0;
  EXPECT_EQ(linesOf(report(d, DriverTable::Woofers, "", MetricUnitLabels())),
            (Lines{"Model: ", "Company: ", "Available = ", "Last update: -----", "Type: ", "Shape: ",
                   "Piston Type: ", "Acoustic data: Not present"}));
  d.PistonType = 5;  // beyond the woofer table, within the tweeter table
  d.Shape = -1;
  const Lines woofer = linesOf(report(d, DriverTable::Woofers, "", MetricUnitLabels()));
  const Lines tweeter = linesOf(report(d, DriverTable::Tweeters, "", MetricUnitLabels()));
  EXPECT_EQ(woofer[6], "Piston Type: ");
  EXPECT_EQ(tweeter[6], "Piston Type: Convex cone");
  EXPECT_EQ(woofer[5], "Shape: ");
}

TEST_F(DriverReport, ResistanceUnitIsSingularUpToOneOhm) {
  WorkingDriver d;
  d.Re = 1;
  d.Z = 1.5;
  std::string text = report(d, DriverTable::Woofers, "", MetricUnitLabels());
  EXPECT_NE(text.find("\r\nRe =  1 ohm\r\nZ =  1.5 ohms\r\n"), std::string::npos) << text;
  d.Re = 1.0004;  // shown as 1, but more than one ohm
  d.Z = 0.8;
  text = report(d, DriverTable::Woofers, "", MetricUnitLabels());
  EXPECT_NE(text.find("\r\nRe =  1 ohms\r\nZ =  0.8 ohm\r\n"), std::string::npos) << text;
}

TEST_F(DriverReport, ValuesOfZeroOrLessAreNotGiven) {
  WorkingDriver d;
  d.Fs = -20;
  d.Vas = 0;
  d.Le = -0.001;
  d.Dual = YesNoTrue;
  d.Xlinp = -0.002;
  const Lines lines = linesOf(report(d, DriverTable::Woofers, "", MetricUnitLabels()));
  EXPECT_EQ(lines.size(), 9u);  // heading, codes, dual line, acoustic line only
  EXPECT_EQ(lines[7], "Dual voice coil");
}

TEST_F(DriverReport, CommaLocaleWritesCommaDecimals) {
  UserLocale comma = UserLocale::classic();
  comma.decimalSeparator = ",";
  comma.groupSeparator = ".";
  ScopedUserLocale scoped(comma);
  WorkingDriver d;
  d.Le = 0.00045;
  d.Vas = 0.05;
  const std::string text = report(d, DriverTable::Woofers, "", MetricUnitLabels());
  EXPECT_NE(text.find("\r\nVas =  50 liters\r\nLe =  0,45 mH\r\n"), std::string::npos) << text;
}

TEST_F(DriverReport, CompanyNameComesFromTheSideTableOrTheLegacyText) {
  CompanyNameTable full;
  full.set(12, "Northfield Acoustics");
  full.set(900, "Last Company");
  WorkingDriver d;
  d.company.Company = "Legacy Maker";
  d.CompanyID = 12;
  EXPECT_EQ(ReportCompanyName(d, &full), "Northfield Acoustics");
  EXPECT_EQ(ReportCompanyName(d, nullptr), "Legacy Maker");
  d.CompanyID = 900;
  EXPECT_EQ(ReportCompanyName(d, &full), "Last Company");
  for (std::int32_t outside : {0, -1, 901, 2147483647, -2147483647 - 1}) {
    d.CompanyID = outside;
    EXPECT_EQ(ReportCompanyName(d, &full), "") << outside;
    const Lines lines = linesOf(report(d, DriverTable::Woofers, ReportCompanyName(d, &full), MetricUnitLabels()));
    EXPECT_EQ(lines[1], "Company: ");
  }
}

// A legacy driver after its conversion: wiring values in the parallel members only, the maker as
// text, and a Company ID left over from an earlier driver.
TEST_F(DriverReport, LegacyDriverReportEndsWithTheUnterminatedAcousticLine) {
  WorkingDriver d;
  d.CompanyID = 33;
  d.company.Company = "Old Maker Co";
  d.Model = "LX-12 - PARALLEL";
  d.CurrentModel = "LX-12";
  d.PistonType = 1;
  d.Dual = YesNoTrue;
  d.Fs = 25;
  d.Vas = 0.08;
  d.Sd = 0.05;
  d.Xlinp = 0.008;
  d.Qesp = 0.42;
  d.Rep = 3.1;
  d.Lep = 0.0012;
  d.BLp = 9.85;
  d.SPL1p = 90.5;
  d.Acoustic = YesNoTrue;

  ReportBox box;
  box.append("stale text");
  box.clear();
  AppendDriverReport(box, d, DriverTable::Woofers, ReportCompanyName(d, nullptr), MetricUnitLabels(),
                     nullptr);
  const std::string expected =
      "Model: LX-12 - PARALLEL\r\n"
      "Company: Old Maker Co\r\n"
      "Available = Unknown\r\n"
      "Last update: -----\r\n"
      "Type: Standard one-way driver\r\n"
      "Shape: Round\r\n"
      "Piston Type: Cone\r\n"
      "Dual voice coil\r\n"
      "Fs =  25 Hz\r\n"
      "Vas =  80 liters\r\n"
      "Xmax (parallel) =  8 mm\r\n"
      "Sd =  500 sq.cm\r\n"
      "Qes (parallel) =  0.42\r\n"
      "Re (parallel) =  3.1 ohms\r\n"
      "Le (parallel) =  1.2 mH\r\n"
      "BL (parallel) =  9.85 Tm\r\n"
      "1-W SPL (parallel) =  90.5 dB\r\n"
      "Acoustic data: Present";
  EXPECT_EQ(box.plainText(), expected);
  EXPECT_EQ(d.company.Company, "Old Maker Co") << "no company section rewrites the company part";
}

}  // namespace
}  // namespace qbm
