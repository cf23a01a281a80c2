#pragma once
// Whether a driver of a legacy old database needs merging, i.e. whether no woofer of the new
// database matches it by model and maker. Parameter values are never compared.

#include <string>
#include <string_view>

#include "olddb/new_woofer_lookup.h"

namespace qbm {

// The maker as the rules compare it: the "Manufacturer" upper-cased, with "XTASY AUDIO" read as
// "XTASY".
std::string LegacyMakerKey(std::string_view manufacturer);

// The fixed list of legacy drivers that count as present in the new database although no new
// model equals theirs: any DAYTON model; an INFINITY model longer than 4 characters beginning with
// BETA in any case; and these models, compared exactly: CADENCE "6-403-8", "CW10-502-4u DVC",
// "CW12-502-4u DVC"; ETI SOUND SYSTEMS "8-30"; MCCAULEY "6326"; MOREL "MDM85"; PEERLESS "CSC 145H",
// "CSX 176H", "TP165R (831599)"; THRUSTER "10", "8", "12", "15".
bool IsModelException(std::string_view makerKey, std::string_view currentModel);

// The key of the fuzzy match: NormalizeModel(currentModel), then for BOSTWICK the leading "BOS" or
// "BOX" dropped when more follows, for CERWIN VEGA a leading "S" replaced by "STEALTH".
std::string FuzzyModelKey(std::string_view currentModel, std::string_view makerKey);

// The decision for one legacy row with a model and a maker, given its model without the wiring
// suffix (SplitWiringSuffix): true when it is to be listed.
//  1. Direct match found: not listed when the row is valid (0 < Company ID <= 900, ID > 0) and the
//     maker is DAYTON or passes the company test for that company; otherwise go on to 3.
//  2. No direct match: not listed when IsModelException holds; otherwise go on to 3.
//  3. Not listed when the fuzzy match finds a row; listed otherwise.
bool LegacyDriverNeedsMerge(std::string_view currentModel, std::string_view manufacturer,
                            const NewWooferLookup& newWoofers);

}  // namespace qbm
