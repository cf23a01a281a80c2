#include "samples/response_curve.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace qbm::samples {

namespace {

constexpr double kFloor = 35;  // dB: below this a measurement shows only noise

// Magnitude in dB of a second-order high-pass at fc with quality q.
double highPassDb(double f, double fc, double q) {
  const double x = f / fc;
  const double mag = x * x / std::sqrt(std::pow(1 - x * x, 2) + std::pow(x / q, 2));
  return 20 * std::log10(mag);
}

// Second-order low-pass at fc with quality q (q above 0.7 gives the break-up peak).
double lowPassDb(double f, double fc, double q) {
  const double x = f / fc;
  const double mag = 1 / std::sqrt(std::pow(1 - x * x, 2) + std::pow(x / q, 2));
  return 20 * std::log10(mag);
}

}  // namespace

std::array<float, ResponseCount> makeResponse(const WorkingDriver& d, bool tweeterTable, SampleRandom& r) {
  const double level = d.SPL2 > 0 ? d.SPL2 : d.SPL1 > 0 ? d.SPL1 : 88;
  const double fs = d.Fs > 0 ? d.Fs : (tweeterTable ? 3000 : 50);
  const double q = d.Qts > 0 ? std::clamp(d.Qts, 0.3, 1.5) : 0.8;
  const double diameter = d.PDia > 0 ? d.PDia : 0.1;
  const double top = tweeterTable && d.PDia < 0.05 ? r.uniform(18000, 30000)
                                                    : 1.4 * 346.1 / (std::numbers::pi * diameter);
  const double breakup = tweeterTable ? r.uniform(0.7, 1.2) : r.uniform(1.2, 3);
  const double ripplePhase = r.uniform(0, 6.28), rippleDepth = r.uniform(0.3, 1.2);
  std::array<float, ResponseCount> levels{};
  for (int i = 0; i < ResponseCount; ++i) {
    const double f = ResponseFrequencies[static_cast<std::size_t>(i)];
    double db = level + highPassDb(f, fs, q) + lowPassDb(f, top, breakup);
    db += rippleDepth * std::sin(std::log(f) * 3.1 + ripplePhase);
    db = std::max(db, kFloor + r.uniform(0, 3));
    levels[static_cast<std::size_t>(i)] = static_cast<float>(std::round(db * 10) / 10);
  }
  return levels;
}

}  // namespace qbm::samples
