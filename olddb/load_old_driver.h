#pragma once
// Loading one driver of the OLD database into the working record, so that the report can show it
// and the merge can write it: a legacy row converted to the current format, or a previous-format
// woofer or tweeter row copied member by member with its response and its company.

#include <cstdint>

#include "db/database_state.h"
#include "db/old_driver_selection.h"
#include "db/working_driver.h"

namespace qbm {

// REQUIRES: the old database is open; for isTweeter 0 the OldWoofers cursor (legacy "woofer data"
// or previous-format "woofers"), for -1 the OldTweeters cursor, stands on the driver's row, and
// selection.OldDriverId holds that row's key.
// isTweeter 0: Model and CurrentModel from "Model", then the legacy conversion (OldDbKind 1) or the
// previous-format woofer copy (OldDbKind 2) followed by LoadOldResponse and LoadOldCompany.
// isTweeter -1: the previous-format tweeter copy, LoadOldResponse, LoadOldCompany. Any other value
// loads nothing. Which members each load writes: db/working_driver.h and ReadDriverRow. Engine
// errors outside the response load reach the caller.
void LoadOldDriver(std::int16_t isTweeter, const OldDriverSelection& selection,
                   DatabaseState& state, WorkingDriver& driver);

// The acoustic response of a previous-format driver (a legacy database is left alone): all 0 when
// Acoustic is 0; otherwise the row of the woofer- or tweeter-response table whose "Driver ID" is
// OldDriverId (found through the index "Driver ID", or by walking a table that lacks it). No row:
// Acoustic 0 and all levels 0. Engine errors never reach the caller: a level that cannot be read
// is 0, and a table that cannot be searched counts as having no row.
void LoadOldResponse(const OldDriverSelection& selection, DatabaseState& state,
                     WorkingDriver& driver);

// The company part from the old companies row whose ID is the record's Company ID. When there is
// no such row the company part is emptied rather than left with an earlier driver's maker, so that
// neither the report nor the merge attributes this driver to another company. Engine errors reach
// the caller.
void LoadOldCompany(DatabaseState& state, WorkingDriver& driver);

}  // namespace qbm
