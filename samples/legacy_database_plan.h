#pragma once
// What a sample legacy database (spkrbase.mdb, table "woofer data") holds: older records of the
// new database's woofers, in the older units, under the names the legacy matching rules compare
// in every way they allow, plus drivers the new database lacks and rows no listing shows. Each
// row says which rule it is there for and whether "Show Changed Drivers" is meant to list it.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "samples/new_database_plan.h"
#include "samples/row_values.h"

namespace qbm::samples {

enum class LegacyCase : std::uint8_t {
  Direct,      // model as in the new database (letter case aside, a section suffix included),
               // maker a beginning of its name (or empty for the maker without a name)
  Wiring,      // a dual-coil woofer: one row per wiring (" - PARALLEL", " (SER)" …), or "Dual VC" alone
  Fuzzy,       // the model spelt with other "-", " ", "=", "/" or case, shorter than the new
               // one, or the base name of a multi-way unit's " - LF" row
  Bostwick,    // BOSTWICK models written with "BOX" or "BOS" in front
  CerwinVega,  // CERWIN VEGA Stealth models written with "S"
  Xtasy,       // maker "XTASY AUDIO" for a company named XTASY …
  Exception,   // an entry of the exception table (DAYTON, INFINITY BETA…, CADENCE, ETI SOUND
               // SYSTEMS, MCCAULEY, MOREL, PEERLESS, THRUSTER)
  NearMiss,    // almost an exception-table entry
  OtherMaker,  // a new model under a maker that does not make it
  NewDriver,   // a model the new database does not have
  Unusable,    // "Index" <= 0, Null "Model" or Null "Manufacturer"
};

struct LegacyRowPlan {
  LegacyCase rule = LegacyCase::Direct;
  std::optional<std::string> model;         // "Model"; nothing = Null
  std::optional<std::string> manufacturer;  // "Manufacturer"; nothing = Null
  std::optional<std::int32_t> index;        // an "Index" of its own (0, negative); else numbered
  std::int64_t newUnit = -1;                // the new unit whose values it has; -1: values of its own
  Section section = Section::Whole;         // the row of that unit (Whole, or Low of a multi-way unit)
  std::int16_t wiring = 1;                  // 1 single, 2 parallel, 3 series
  bool dualCoil = false;                    // "Dual VC"
  bool listedAsChanged = false;             // meant to be listed by "Show Changed Drivers"
  bool listedAtAll = true;                  // listed by "Show ALL Drivers"
};

// Rows in the order written: about one per five new drivers, and the same rows for the exception
// table, the special makers, a section row, empty makers and the unusable rows at every size.
std::vector<LegacyRowPlan> planLegacyDatabase(const NewDatabasePlan& plan);

// The fields of the row numbered `number` in the plan (number only varies the older measurement).
RowValues legacyRowValues(const NewDatabasePlan& plan, const LegacyRowPlan& row, std::size_t number);

}  // namespace qbm::samples
