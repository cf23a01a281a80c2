#pragma once
// Plausible Thiele/Small parameters and outline data of one driver, in the units the driver
// database stores (SI: m, m², m³, kg, m/N, H, ohms, kg/s, T·m, W, percent, dB), consistent with
// each other the way a data sheet is: Cms from Fs and Mms, Vas from Sd and Cms, BL from Qes,
// Qts from Qes and Qms, efficiency and sensitivity from Fs, Vas and Qes. Values are rounded to
// the digits a data sheet gives.

#include "db/working_driver.h"
#include "samples/sample_random.h"

namespace qbm::samples {

// What kind of radiator a section is; the midrange of a three-way unit is a small cone.
enum class Radiator { Woofer, Midrange, DomeTweeter, CompressionDriver, Ribbon, Piezo };

struct DriverSize {
  Radiator radiator = Radiator::Woofer;
  double nominalInches = 6.5;  // frame size (woofers, midranges) or dome size (tweeters)
  double impedance = 8;        // nominal ohms (of one coil, for a dual-coil woofer)
  bool dualCoil = false;       // woofers only: fills the parallel (p) and series (s) members too
};

// Fills the parameters, dimensions, codes (Shape, Piston Type) and the Dual flag of the record;
// everything else is left as it was. Piezo tweeters have no Thiele/Small parameters (all 0).
void makeDriverParameters(WorkingDriver& driver, const DriverSize& size, SampleRandom& random);

// Rounds to `digits` significant digits (0 stays 0).
double roundSignificant(double value, int digits);

}  // namespace qbm::samples
