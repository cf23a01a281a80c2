#pragma once
// Loading one driver of the OLD database into the working record, so that the report can show it
// and the merge can write it: a legacy row converted to the current format, or a previous-format
// woofer or tweeter row copied member by member with its response and its company.

#include <cstdint>

#include "db/code_tables.h"
#include "db/database_state.h"
#include "db/working_driver.h"
#include "olddb/old_driver_rows.h"

namespace qbm {

// Loads the driver whose row in the old table ("woofers", or legacy "woofer data"; "tweeters") has
// that key (legacy "Index", otherwise "ID"), found through rows. False, with the record untouched,
// when there is no such row. A legacy row is converted to the current format; a previous-format
// row is copied member by member, followed by LoadOldResponse and its company as LoadOldCompany
// reads it (remembered by rows per ID). Which members each load writes: db/working_driver.h and
// ReadDriverRow. Engine errors reach the caller, those of the response load included: a driver
// whose response cannot be read is not loaded.
bool LoadOldDriver(DriverTable table, std::int32_t id, OldDriverRows& rows, DatabaseState& state,
                   WorkingDriver& driver);

// The acoustic response of the previous-format driver of that table and ID (a legacy database is
// left alone): all 0 when Acoustic is 0; otherwise the levels of the row of the table's response
// table whose "Driver ID" is id. No row: Acoustic 0 and all levels 0. A response that cannot be
// read is an error that reaches the caller (LoadResponse), never levels made up.
void LoadOldResponse(DriverTable table, std::int32_t id, DatabaseState& state,
                     WorkingDriver& driver);

// The company part from the old companies row whose ID is the record's Company ID. When there is
// no such row the company part is emptied rather than left with an earlier driver's maker, so that
// neither the report nor the merge attributes this driver to another company. Engine errors reach
// the caller.
void LoadOldCompany(DatabaseState& state, WorkingDriver& driver);

}  // namespace qbm
