#pragma once
// Converting one row of the legacy "woofer data" table into the current format of the working
// record: units changed, the voice-coil wiring taken from the model name, and every member the
// legacy table lacks set to a fixed default.

#include "db/working_driver.h"
#include "jet/table.h"

namespace qbm {

// REQUIRES: the record's Model and CurrentModel hold the row's "Model" (text rule).
// Writes every driver member except Company ID and Ferrofluid, and the whole company part (the
// name from "Manufacturer", Type 1, every other text empty, no links):
//  - CurrentModel loses its wiring suffixes (SplitWiringSuffix); Dual is "Dual VC", or -1 when a
//    suffix was found;
//  - litres, mm/N, grams, cm, cm², mm and mH become m³, m/N, kg, m, m², m and H;
//  - the wiring-dependent values go to the plain, "p" or "s" member by the wiring, the other two
//    members of each triple being 0; "SPL" is the 1 W sensitivity when "SPL 283 Ref" is 0, the
//    2.83 V one otherwise (Null included);
//  - Response[0..93] from "A 5" … "A 2000", the rest 0, whatever "Acoustic" says.
// Engine errors and NumericOverflow reach the caller.
void ConvertLegacyRow(const jet::Table& row, WorkingDriver& driver);

}  // namespace qbm
