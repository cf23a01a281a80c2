#include "olddb/legacy_conversion.h"

#include <array>

#include "db/field_read.h"
#include "db/legacy_table.h"
#include "db/schema.h"
#include "olddb/model_names.h"

namespace qbm {
namespace {

namespace lf = legacy::fields;

// The three members of a wiring-dependent value: plain (single coil), parallel, series.
struct WiringTriple {
  double WorkingDriver::*single;
  double WorkingDriver::*parallel;
  double WorkingDriver::*series;
};

double WorkingDriver::*target(const WiringTriple& t, std::int16_t dualMode) {
  if (dualMode == ParallelWiring) return t.parallel;
  if (dualMode == SeriesWiring) return t.series;
  return t.single;
}

// Writes value into the triple's member for the wiring and 0 into the other two.
void setWired(WorkingDriver& d, const WiringTriple& t, std::int16_t dualMode, double value) {
  d.*t.single = 0;
  d.*t.parallel = 0;
  d.*t.series = 0;
  d.*target(t, dualMode) = value;
}

double number(const jet::Table& row, std::string_view field) {
  return readNumber(fieldValue(row, field));
}

std::string text(const jet::Table& row, std::string_view field) {
  return readText(fieldValue(row, field));
}

void setDescriptionDefaults(WorkingDriver& d) {
  d.Available = 0;
  d.Date.clear();
  d.Comment.clear();
  d.Type = 0;
  d.PartnerID = 0;
  d.MidID = 0;
  d.Shape = 0;
  d.PistonType = 1;
  for (std::string* desc : {&d.PistonDesc, &d.SuspDesc, &d.DustCapDesc, &d.FrameDesc, &d.VCDesc,
                            &d.TermDesc, &d.MagDesc})
    desc->clear();
  d.Underhung = YesNoFalse;
  d.SquareMag = YesNoFalse;
  d.Shield = YesNoFalse;
}

void convertPlainParameters(const jet::Table& row, WorkingDriver& d) {
  d.Fs = number(row, lf::Fs);
  d.Qms = number(row, lf::Qms);
  d.Vas = number(row, lf::Vas) / 1000;
  d.Cms = number(row, lf::Cms) / 1000;
  d.Mms = number(row, lf::Mms) / 1000;
  d.Rms = number(row, lf::Rms);
  d.Xmech = 0;
  d.PDia = number(row, lf::Dia) / 100;
  d.Sd = number(row, lf::Sd) / 10000;
  d.PVd = 0;
  d.Dimen.fill(0);
  d.Dimen[0] = number(row, lf::MDia) / 100;
  d.MVd = number(row, lf::Vs) / 1000;
  d.Dist.fill(0);
  for (std::string& part : d.PartNo) part.clear();
}

void convertWiredParameters(const jet::Table& row, std::int16_t mode, WorkingDriver& d) {
  setWired(d, {&WorkingDriver::Xlin, &WorkingDriver::Xlinp, &WorkingDriver::Xlins}, mode,
           number(row, lf::Xmax) / 1000);
  setWired(d, {&WorkingDriver::Qes, &WorkingDriver::Qesp, &WorkingDriver::Qess}, mode,
           number(row, lf::Qes));
  setWired(d, {&WorkingDriver::Re, &WorkingDriver::Rep, &WorkingDriver::Res}, mode,
           number(row, lf::Re));
  setWired(d, {&WorkingDriver::Le, &WorkingDriver::Lep, &WorkingDriver::Les}, mode,
           number(row, lf::Le) / 1000);
  setWired(d, {&WorkingDriver::Z, &WorkingDriver::Zp, &WorkingDriver::Zs}, mode,
           number(row, lf::Z));
  setWired(d, {&WorkingDriver::BL, &WorkingDriver::BLp, &WorkingDriver::BLs}, mode,
           number(row, lf::BL));
  setWired(d, {&WorkingDriver::Pe, &WorkingDriver::Pep, &WorkingDriver::Pes}, mode,
           number(row, lf::Pe));
  setWired(d, {&WorkingDriver::Qts, &WorkingDriver::Qtsp, &WorkingDriver::Qtss}, mode,
           number(row, lf::Qts));
  setWired(d, {&WorkingDriver::Eff, &WorkingDriver::Effp, &WorkingDriver::Effs}, mode,
           number(row, lf::No));

  const jet::Value reference = fieldValue(row, lf::SPL283Ref);
  const bool atOneWatt = !reference.isNull() && readYesNo(reference) == YesNoFalse;
  const double spl = number(row, lf::SPL);
  setWired(d, {&WorkingDriver::SPL1, &WorkingDriver::SPL1p, &WorkingDriver::SPL1s}, mode,
           atOneWatt ? spl : 0);
  setWired(d, {&WorkingDriver::SPL2, &WorkingDriver::SPL2p, &WorkingDriver::SPL2s}, mode,
           atOneWatt ? 0 : spl);
}

void convertResponse(const jet::Table& row, WorkingDriver& d) {
  for (int i = 0; i < ResponseCount; ++i)
    d.Response[static_cast<std::size_t>(i)] =
        i < legacy::ResponseCount ? readResponseLevel(fieldValue(row, ResponseField(i))) : 0.0f;
}

void setLegacyCompany(std::string name, DriverCompany& company) {
  company = DriverCompany{};
  company.Company = std::move(name);
  company.Type = 1;
}

}  // namespace

void ConvertLegacyRow(const jet::Table& row, WorkingDriver& d) {
  std::string maker = text(row, lf::Manufacturer);
  setDescriptionDefaults(d);
  d.SerialNo = text(row, lf::SerialNo);
  d.Dual = readYesNo(fieldValue(row, lf::DualVC));

  const ModelWiring wiring = SplitWiringSuffix(d.CurrentModel);
  d.CurrentModel = wiring.model;
  if (wiring.suffixRemoved) d.Dual = YesNoTrue;

  convertPlainParameters(row, d);
  convertWiredParameters(row, wiring.DualMode, d);
  d.Acoustic = readYesNo(fieldValue(row, lf::Acoustic));
  convertResponse(row, d);
  d.Notes = text(row, lf::Notes);
  setLegacyCompany(std::move(maker), d.company);
}

}  // namespace qbm
