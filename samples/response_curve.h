#pragma once
// A plausible measured frequency response (dB SPL at the 134 response frequencies) for a driver
// whose parameters are in the record: the second-order roll-off below resonance that Fs and Qts
// give, the sensitivity in the pass band, the upper roll-off (with a cone's break-up peak) that
// the piston size gives, and a little measurement ripple; levels to 0.1 dB, never below a floor.

#include <array>

#include "db/schema.h"
#include "db/working_driver.h"
#include "samples/sample_random.h"

namespace qbm::samples {

// REQUIRES: the record's parameters are filled (makeDriverParameters).
std::array<float, ResponseCount> makeResponse(const WorkingDriver& driver, bool tweeterTable, SampleRandom& random);

}  // namespace qbm::samples
