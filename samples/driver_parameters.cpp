#include "samples/driver_parameters.h"

#include <array>
#include <cmath>
#include <numbers>

namespace qbm::samples {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kAirDensity = 1.184;      // kg/m³ at 25 °C
constexpr double kSoundSpeed = 346.1;      // m/s
constexpr double kInch = 0.0254;
constexpr double kEfficiencyFactor = 4 * kPi * kPi / (kSoundSpeed * kSoundSpeed * kSoundSpeed);

double round4(double v) { return roundSignificant(v, 4); }
double round3(double v) { return roundSignificant(v, 3); }

// The small-signal model of one section: what a data sheet is computed from.
struct Motor {
  double fs, mms, sd, qms, qes, re, le, z;
};

double cmsOf(const Motor& m) { return 1 / std::pow(2 * kPi * m.fs, 2) / m.mms; }
double vasOf(const Motor& m) { return kAirDensity * kSoundSpeed * kSoundSpeed * m.sd * m.sd * cmsOf(m); }
double blOf(const Motor& m) { return std::sqrt(2 * kPi * m.fs * m.mms * m.re / m.qes); }
double qtsOf(double qes, double qms) { return qes * qms / (qes + qms); }
// Reference efficiency as a fraction.
double efficiencyOf(const Motor& m, double qes) { return kEfficiencyFactor * std::pow(m.fs, 3) * vasOf(m) / qes; }
double splOf(double efficiency) { return 112.2 + 10 * std::log10(efficiency); }
// Sensitivity at 2.83 V from the one at 1 W: 2.83 V is 1 W into 8 ohms.
double spl2Of(double spl1, double impedance) { return spl1 + 10 * std::log10(8 / impedance); }

void writeMotor(WorkingDriver& d, const Motor& m) {
  d.Fs = round3(m.fs);
  d.Qms = round3(m.qms);
  d.Mms = round4(m.mms);
  d.Cms = round4(cmsOf(m));
  d.Vas = round4(vasOf(m));
  d.Rms = round4(2 * kPi * m.fs * m.mms / m.qms);
  d.Sd = round4(m.sd);
  d.PDia = round4(2 * std::sqrt(m.sd / kPi));
  d.Qes = round3(m.qes);
  d.Qts = round3(qtsOf(m.qes, m.qms));
  d.Re = round3(m.re);
  d.Le = round3(m.le);
  d.Z = m.z;
  d.BL = round3(blOf(m));
  const double eff = efficiencyOf(m, m.qes);
  d.Eff = round3(eff * 100);
  d.SPL1 = std::round(splOf(eff) * 10) / 10;
  d.SPL2 = std::round(spl2Of(splOf(eff), m.z) * 10) / 10;
}

// The parallel and series wirings of a dual-coil woofer whose single-coil values are in `single`:
// in parallel the coils give half the resistance with the same force factor, in series twice the
// resistance and twice the force factor; either way both coils drive, so Qes halves.
void writeDualWirings(WorkingDriver& d, const Motor& single, double pe, double xlin) {
  Motor both = single;
  both.qes = single.qes / 2;
  const double eff = efficiencyOf(both, both.qes);
  const double spl1 = std::round(splOf(eff) * 10) / 10;
  const double bl = blOf(single);
  d.Qesp = d.Qess = round3(both.qes);
  d.Qtsp = d.Qtss = round3(qtsOf(both.qes, single.qms));
  d.Rep = round3(single.re / 2);
  d.Res = round3(single.re * 2);
  d.Lep = round3(single.le);
  d.Les = round3(single.le * 4);
  d.Zp = single.z / 2;
  d.Zs = single.z * 2;
  d.BLp = round3(bl);
  d.BLs = round3(bl * 2);
  d.Pep = d.Pes = pe;
  d.Effp = d.Effs = round3(eff * 100);
  d.SPL1p = d.SPL1s = spl1;
  d.SPL2p = std::round(spl2Of(spl1, d.Zp) * 10) / 10;
  d.SPL2s = std::round(spl2Of(spl1, d.Zs) * 10) / 10;
  d.Xlinp = d.Xlins = xlin;
}

// Outline of a round frame of the given overall diameter: A1 overall, B1 cut-out, C1 bolt circle,
// D depth, E magnet diameter, F magnet depth; M-Vd the volume the driver takes behind the baffle.
void writeOutline(WorkingDriver& d, double overall, double depthRatio, SampleRandom& r) {
  d.Dimen = {};
  d.Dimen[0] = round3(overall);
  d.Dimen[2] = round3(overall * r.uniform(0.86, 0.92));
  d.Dimen[4] = round3(overall * r.uniform(0.93, 0.96));
  d.Dimen[6] = round3(overall * depthRatio);
  d.Dimen[7] = round3(overall * r.uniform(0.45, 0.7));
  d.Dimen[8] = round3(overall * depthRatio * r.uniform(0.3, 0.45));
  d.MVd = round3(kPi / 4 * std::pow(d.Dimen[2], 2) * d.Dimen[6] * r.uniform(0.45, 0.6));
}

double coilResistance(double impedance, SampleRandom& r) { return impedance * r.uniform(0.78, 0.9); }

void makeCone(WorkingDriver& d, const DriverSize& size, SampleRandom& r) {
  const double inches = size.nominalInches;
  Motor m;
  m.sd = kPi * std::pow(inches * kInch * 0.8 / 2, 2) * r.uniform(0.92, 1.08);
  m.mms = 0.00012 * std::pow(inches, 2.55) * r.logUniform(0.6, 1.8);
  m.fs = 300 / inches * r.logUniform(0.75, 1.6);
  m.qms = r.logUniform(2, 12);
  m.qes = size.dualCoil ? 2 * r.logUniform(0.25, 0.6) : r.logUniform(0.25, 0.9);
  m.z = size.impedance;
  m.re = coilResistance(m.z, r);
  m.le = r.logUniform(0.1, 1.5) * std::sqrt(inches / 6.5) / 1000;
  writeMotor(d, m);

  const double xlin = round3(0.00035 * inches * r.logUniform(0.6, 2.5));
  const double pe = std::round(4 * std::pow(inches, 1.6) * r.logUniform(0.6, 3) / 5) * 5;
  d.Xlin = xlin;
  d.Xmech = round3(xlin * r.uniform(1.5, 2.5));
  d.PVd = round3(m.sd * xlin);
  d.Pe = pe;
  d.Dual = size.dualCoil ? YesNoTrue : YesNoFalse;
  if (size.dualCoil) writeDualWirings(d, m, pe, xlin);

  const bool oval = size.radiator == Radiator::Woofer && r.chance(0.04);
  writeOutline(d, inches * kInch * r.uniform(1.0, 1.08), r.uniform(0.35, 0.55), r);
  if (oval) d.Dimen[1] = round3(d.Dimen[0] * 0.66);
  if (size.radiator == Radiator::Woofer) {
    static constexpr std::array<std::int16_t, 4> shapes = {2, 4, 6, 7};  // square, tabs ...
    d.Shape = oval ? 1 : r.chance(0.9) ? 0 : r.pick(std::span<const std::int16_t>(shapes));
    d.PistonType = r.chance(0.85) ? 1 : static_cast<std::int16_t>(r.between(2, 4));
  } else {
    d.Shape = r.chance(0.85) ? 0 : 4;  // round, or round with mounting tabs
    d.PistonType = 2;                  // "Cone" in the tweeters table
  }
}

void makeHighFrequency(WorkingDriver& d, const DriverSize& size, SampleRandom& r) {
  const double domeInches = size.nominalInches;
  Motor m;
  m.sd = kPi * std::pow(domeInches * kInch * 1.1 / 2, 2);
  m.mms = 0.0003 * std::pow(domeInches, 2) * r.logUniform(0.6, 1.6);
  m.fs = r.logUniform(500, 1800);
  m.qms = r.logUniform(0.8, 3.5);
  m.qes = r.logUniform(0.6, 3);
  m.z = size.impedance;
  m.re = coilResistance(m.z, r);
  m.le = r.logUniform(0.02, 0.12) / 1000;
  writeMotor(d, m);
  d.Xlin = round3(r.uniform(0.0002, 0.0006));
  d.Xmech = round3(d.Xlin * r.uniform(1.5, 2.5));
  d.PVd = round3(m.sd * d.Xlin);
  d.Pe = std::round(r.uniform(40, 160) / 5) * 5;
  writeOutline(d, domeInches * kInch * r.uniform(2.6, 4.2), r.uniform(0.25, 0.45), r);
  static constexpr std::array<std::int16_t, 6> shapes = {0, 0, 0, 1, 4, 6};
  d.Shape = r.pick(std::span<const std::int16_t>(shapes));

  switch (size.radiator) {
    case Radiator::CompressionDriver:
      // Horn-loaded: the data sheet quotes the sensitivity on the horn.
      d.PistonType = static_cast<std::int16_t>(r.chance(0.5) ? 13 : r.between(15, 18));
      d.Fs = round3(r.logUniform(400, 1000));
      d.SPL1 = std::round(r.uniform(104, 111) * 10) / 10;
      d.SPL2 = std::round(spl2Of(d.SPL1, m.z) * 10) / 10;
      d.Shape = 7;
      break;
    case Radiator::Ribbon:
      d.PistonType = 10;
      d.Shape = 7;
      break;
    default:
      d.PistonType = static_cast<std::int16_t>(r.chance(0.7) ? 6 : r.between(7, 9));
      break;
  }
}

// Piezo tweeters are rated by sensitivity and power only.
void makePiezo(WorkingDriver& d, SampleRandom& r) {
  d.Fs = d.Qms = d.Vas = d.Cms = d.Mms = d.Rms = d.Xlin = d.Xmech = d.PDia = d.Sd = d.PVd = 0;
  d.Qes = d.Re = d.Le = d.BL = d.Qts = d.Eff = 0;
  d.Z = 0;
  d.Pe = std::round(r.uniform(25, 100) / 5) * 5;
  d.SPL1 = 0;
  d.SPL2 = std::round(r.uniform(92, 100) * 10) / 10;
  d.PistonType = static_cast<std::int16_t>(r.between(11, 12));
  d.Shape = static_cast<std::int16_t>(r.chance(0.5) ? 6 : 7);
  writeOutline(d, r.uniform(0.07, 0.1), 0.8, r);
}

}  // namespace

double roundSignificant(double value, int digits) {
  if (value == 0 || !std::isfinite(value)) return value;
  const int exponent = static_cast<int>(std::floor(std::log10(std::fabs(value))));
  const double scale = std::pow(10.0, digits - 1 - exponent);
  return std::round(value * scale) / scale;
}

void makeDriverParameters(WorkingDriver& d, const DriverSize& size, SampleRandom& r) {
  switch (size.radiator) {
    case Radiator::Woofer:
    case Radiator::Midrange:
      makeCone(d, size, r);
      break;
    case Radiator::DomeTweeter:
    case Radiator::CompressionDriver:
    case Radiator::Ribbon:
      makeHighFrequency(d, size, r);
      break;
    case Radiator::Piezo:
      makePiezo(d, r);
      break;
  }
}

}  // namespace qbm::samples
