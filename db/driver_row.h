#pragma once
// Reading one row of a current-format "woofers" or "tweeters" table into the working record, by the
// field-reading rules. Shared by the previous-format old load and the new-side load of a report,
// which read the same fields in the same way.

#include "db/code_tables.h"
#include "db/working_driver.h"
#include "jet/table.h"

namespace qbm {

// Fills the driver members of the record from the cursor's current row: Model (and CurrentModel,
// equal to it), Company ID, Date and every field the table uses (driver_fields.h), the partner link
// being "Tweeter ID" for woofers and "Woofer ID" for tweeters, then Dimen, Dist and PartNo. A
// tweeter row then sets the woofer-only Underhung, Dual and all parallel and series members to 0;
// Dust Cap Desc and Frame Desc keep their values, and a woofer row leaves Ferrofluid alone. The
// response and the company part are not touched. A field the table lacks reads as Null. Throws
// NumericOverflow for a code outside -32768..32767; engine errors reach the caller.
void ReadDriverRow(const jet::Table& row, DriverTable table, WorkingDriver& driver);

// Sets Underhung, Dual and the 22 parallel and series members to 0, as a tweeter has none.
void ClearWooferOnlyMembers(WorkingDriver& driver);

}  // namespace qbm
