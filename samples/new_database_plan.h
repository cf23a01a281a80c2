#pragma once
// What a sample new database holds, decided before anything is written: its companies and its
// drivers ("units": a single woofer or tweeter, or a two- or three-way unit stored as one row per
// section), each with the row IDs it will get. The full record of any row is made again on demand
// from the seed (sampleRow), so the previous-format and legacy samples can start from any new
// driver without the whole database being held in memory.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "db/working_driver.h"
#include "jet/value.h"
#include "samples/driver_parameters.h"
#include "samples/sample_companies.h"

namespace qbm::samples {

enum class UnitKind : std::uint8_t { Woofer, Tweeter, TwoWay, ThreeWay };
// The row of a unit: the whole single driver, or the low (" - LF", woofers), mid (" - MF",
// tweeters) or high (" - HF", tweeters) section of a multi-way unit.
enum class Section : std::uint8_t { Whole, Low, Mid, High };

struct SampleUnit {
  UnitKind kind = UnitKind::Woofer;
  Radiator radiator = Radiator::Woofer;  // of a single driver; a multi-way unit's low section
  double inches = 6.5;
  double impedance = 8;
  bool dualCoil = false;
  std::int16_t type = 0;  // "Type" of its rows: 0 single, 1 coaxial, 2 coincident, 3 three-way
  std::int32_t companyId = 0;
  std::string model;          // without section suffix
  bool sharedModel = false;   // another maker sells the same model name (a rebadged driver)
  std::int32_t wooferId = 0;  // "ID" of its woofers row (Whole woofer or Low), 0 = none
  std::int32_t midId = 0;     // of its Mid row in tweeters
  std::int32_t tweeterId = 0; // of its tweeters row (Whole tweeter or High)
};

struct NewDatabasePlan {
  std::uint64_t seed = 0;
  int serialDigits = 4;  // digits of the serial part of model names
  std::vector<SampleCompany> companies;  // companies[i].id == i + 1
  std::vector<SampleUnit> units;         // in the order written
  std::int32_t wooferRows = 0, tweeterRows = 0;
  std::vector<std::int32_t> distributors;  // IDs of the companies that sell drivers
};

// One row as it is to be written.
struct SampleRow {
  WorkingDriver driver;  // Model with its section suffix; Response and Acoustic filled
  std::optional<jet::DateTime> date;
  bool userEntry = false;
  bool sparse = false;  // an old entry: parameters not given are Null rather than 0
  bool responseLost = false;  // "Acoustic" is true but no response row is written (damaged data)
};

// REQUIRES: drivers >= 0. The plan holds exactly `drivers` rows (woofers + tweeters); companies as
// makeSampleCompanies makes them.
NewDatabasePlan planNewDatabase(std::uint64_t seed, int drivers, int companies = 0);

// The rows of a unit, in the order written (woofers row first, then mid, then high).
std::vector<Section> sectionsOf(const SampleUnit& unit);
// " - LF", " - MF", " - HF", or "" for Whole.
std::string_view sectionSuffix(Section section);
bool isTweeterRow(Section section, const SampleUnit& unit);

// The full record of one row of unit `unitIndex`. Always the same for the same plan and arguments.
SampleRow sampleRow(const NewDatabasePlan& plan, std::size_t unitIndex, Section section);
// The same for a unit outside the plan, numbered `index` (its rows' random sequences): Company ID,
// links and distributors as the unit and the plan give them.
SampleRow sampleRow(const NewDatabasePlan& plan, const SampleUnit& unit, std::uint64_t index, Section section);

// A single woofer or tweeter, or a two-way unit, of the maker named `makerName`, numbered `index`
// (indexes from plan.units.size() on give model names no planned unit has). Company ID and row IDs
// are left 0.
SampleUnit extraUnit(const NewDatabasePlan& plan, std::uint64_t index, std::string_view makerName);

// A model name of the maker that no unit of the plan has and that does not begin any of them
// once normalised (its prefix is one no maker style uses): for drivers only the old databases hold.
std::string unplannedModelName(std::uint64_t seed, std::uint64_t item);

// The serial written into model names for unit number `index` (distinct for distinct indexes
// below 10^serialDigits).
std::uint32_t modelSerial(const NewDatabasePlan& plan, std::uint64_t index);

}  // namespace qbm::samples
