#pragma once
// The words of a sample driver: model names in a maker's own style, the construction descriptions,
// serial numbers, distributors' part numbers, comments and notes. Texts a real row often lacks
// are left empty (written as Null).

#include <cstdint>
#include <string>
#include <string_view>

#include "db/working_driver.h"
#include "samples/driver_parameters.h"
#include "samples/sample_random.h"

namespace qbm::samples {

// How one maker writes model names: a letter prefix, the size digits, a serial, an impedance tail.
struct ModelStyle {
  std::string wooferPrefix, tweeterPrefix, coaxialPrefix;
  std::string separator;      // between the parts: "", "-" or " "
  bool impedanceTail = true;  // "-8", "/4" …
};

// The style of the maker with this name (the same name gives the same style).
ModelStyle modelStyleOf(std::string_view makerName);

// A model name: prefix (by radiator; multiWay picks the coaxial prefix), size, the serial written
// with `serialDigits` digits, and the impedance tail. Different serials give different names of
// the same maker. At most 30 characters.
std::string modelName(const ModelStyle& style, Radiator radiator, bool multiWay, double inches,
                      std::uint32_t serial, int serialDigits, double impedance);

// Piston, suspension, dust cap, frame, voice coil, terminal and magnet descriptions fitting the
// radiator (woofers get all seven; the tweeters table has no dust cap or frame).
void describeConstruction(WorkingDriver& driver, Radiator radiator, SampleRandom& random);

// Serial number, comment and notes (each often empty; now and then a notes text of several pages).
void describeCatalogue(WorkingDriver& driver, SampleRandom& random);

// The text with its ASCII letters upper-cased (lower-cased); other bytes as they are.
std::string asciiUpper(std::string_view text);
std::string asciiLower(std::string_view text);

// A distributor's part number for a model.
std::string partNumber(SampleRandom& random);

}  // namespace qbm::samples
