#include "report/driver_report.h"

#include <array>
#include <functional>
#include <string>

#include "common/format_value.h"
#include "db/code_tables.h"
#include "report/report_style.h"

namespace qbm {
namespace {

using ValueText = std::function<std::string(double)>;

bool isSet(std::int16_t yesNo) { return yesNo != 0; }

void appendLine(ReportBox& box, std::string_view caption, std::string_view text) {
  std::string line(caption);
  line += text;
  line += ReportLineEnd;
  box.append(line);
}

// The quantity under its label: converted, formatted, then one blank and the label.
ValueText inUnits(const std::string& label) {
  return [label](double value) { return FormatValue(ConvertForLabel(value, label)) + " " + label; };
}

ValueText withSuffix(std::string_view suffix) {
  return [suffix](double value) { return FormatValue(value) + std::string(suffix); };
}

std::string ohmsText(double value) { return FormatValue(value) + (value > 1 ? " ohms" : " ohm"); }

std::string millihenriesText(double value) { return FormatValue(value * 1000) + " mH"; }

// "<caption> = <text>" when the value is given (greater than 0).
void appendParameter(ReportBox& box, std::string_view caption, double value, const ValueText& text) {
  if (value > 0) appendLine(box, std::string(caption) + " = ", text(value));
}

// A quantity that depends on the voice-coil wiring: the plain value, then the parallel and the
// series values, these two only for a dual-voice-coil driver; each line only when its value is given.
void appendWiredGroup(ReportBox& box, std::string_view caption, const std::array<double, 3>& values,
                      bool dual, const ValueText& text) {
  static constexpr std::array<std::string_view, 3> wiring = {"", " (parallel)", " (series)"};
  for (size_t i = 0; i < values.size(); ++i) {
    if (i > 0 && !dual) break;
    appendParameter(box, std::string(caption) + std::string(wiring[i]), values[i], text);
  }
}

void appendHeading(ReportBox& box, const WorkingDriver& d, std::string_view companyName) {
  box.setFontName(ReportFontName);
  box.setFontSize(ReportFontSize);
  box.setBold(true);
  appendLine(box, "Model: ", d.Model);
  appendLine(box, "Company: ", companyName);
  box.setBold(false);
}

void appendDescription(ReportBox& box, const WorkingDriver& d, DriverTable kind) {
  const bool woofer = kind == DriverTable::Woofers;
  appendLine(box, "Available = ", AvailableText(d.Available));
  appendLine(box, "Last update: ", d.Date.empty() ? std::string("-----") : d.Date);
  appendLine(box, "Type: ", TypeText(d.Type));
  appendLineIfGiven(box, "Serial No: ", d.SerialNo);
  appendLineIfGiven(box, "Comment: ", d.Comment);
  appendLine(box, "Shape: ", ShapeText(d.Shape, kind));
  appendLine(box, "Piston Type: ", PistonTypeText(d.PistonType, kind));
  appendLineIfGiven(box, "Piston: ", d.PistonDesc);
  appendLineIfGiven(box, "Suspension: ", d.SuspDesc);
  if (woofer) {
    appendLineIfGiven(box, "Dust cap: ", d.DustCapDesc);
    appendLineIfGiven(box, "Frame: ", d.FrameDesc);
  }
  appendLineIfGiven(box, "Voice Coil: ", d.VCDesc);
  appendLineIfGiven(box, "Terminals: ", d.TermDesc);
  appendLineIfGiven(box, "Magnet: ", d.MagDesc);
  if (!woofer && isSet(d.Ferrofluid)) appendLine(box, "Ferrofluid included", "");
  if (woofer && isSet(d.Underhung)) appendLine(box, "Underhung voice coil", "");
  if (woofer && isSet(d.Dual)) appendLine(box, "Dual voice coil", "");
  if (isSet(d.Shield)) appendLine(box, "Magnetic shielding provided", "");
}

// Only woofers have two voice coils: a tweeter reported from a record that still holds an earlier
// woofer's Dual flag shows no wiring variants.
void appendParameters(ReportBox& box, const WorkingDriver& d, DriverTable kind,
                      const UnitLabels& units) {
  const bool dual = kind == DriverTable::Woofers && isSet(d.Dual);
  appendParameter(box, "Fs", d.Fs, withSuffix(" Hz"));
  appendParameter(box, "Qms", d.Qms, withSuffix(""));
  appendParameter(box, "Vas", d.Vas, inUnits(units.Vas));
  appendParameter(box, "Cms", d.Cms, inUnits(units.Cms));
  appendParameter(box, "Mms", d.Mms, inUnits(units.Mms));
  appendParameter(box, "Rms", d.Rms, inUnits(units.Rms));
  appendWiredGroup(box, "Xmax", {d.Xlin, d.Xlinp, d.Xlins}, dual, inUnits(units.Xmax));
  appendParameter(box, "Xmech", d.Xmech, inUnits(units.Xmech));
  appendParameter(box, "P-Dia", d.PDia, inUnits(units.PDia));
  appendParameter(box, "Sd", d.Sd, inUnits(units.Sd));
  appendParameter(box, "P-Vd", d.PVd, inUnits(units.PVd));
  appendWiredGroup(box, "Qes", {d.Qes, d.Qesp, d.Qess}, dual, withSuffix(""));
  appendWiredGroup(box, "Re", {d.Re, d.Rep, d.Res}, dual, ohmsText);
  appendWiredGroup(box, "Le", {d.Le, d.Lep, d.Les}, dual, millihenriesText);
  appendWiredGroup(box, "Z", {d.Z, d.Zp, d.Zs}, dual, ohmsText);
  appendWiredGroup(box, "BL", {d.BL, d.BLp, d.BLs}, dual, inUnits(units.BL));
  appendWiredGroup(box, "Pe", {d.Pe, d.Pep, d.Pes}, dual, withSuffix(" watts"));
  appendWiredGroup(box, "Qts", {d.Qts, d.Qtsp, d.Qtss}, dual, withSuffix(""));
  appendWiredGroup(box, "no", {d.Eff, d.Effp, d.Effs}, dual, withSuffix(" %"));
  appendWiredGroup(box, "1-W SPL", {d.SPL1, d.SPL1p, d.SPL1s}, dual, withSuffix(" dB"));
  appendWiredGroup(box, "2.83-V SPL", {d.SPL2, d.SPL2p, d.SPL2s}, dual, withSuffix(" dB"));
}

}  // namespace

void AppendDriverDetails(ReportBox& box, const WorkingDriver& driver,
                         DriverTable kind, std::string_view companyName,
                         const UnitLabels& units) {
  appendHeading(box, driver, companyName);
  appendDescription(box, driver, kind);
  appendParameters(box, driver, kind, units);
  box.append(isSet(driver.Acoustic) ? "Acoustic data: Present" : "Acoustic data: Not present");
}

std::string_view ReportCompanyName(const WorkingDriver& driver,
                                   const CompanyNameTable* fullNames) {
  if (fullNames == nullptr) return driver.company.Company;
  return (*fullNames)[driver.CompanyID];
}

}  // namespace qbm
