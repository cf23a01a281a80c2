#pragma once
// Writing the working driver into the NEW database, with its response row.

#include <cstdint>
#include <optional>
#include <string>

#include "common/user_locale.h"
#include "db/code_tables.h"
#include "db/working_driver.h"
#include "merge/merge_state.h"
#include "merge/new_database_writer.h"

namespace qbm {

// How the merge names a driver in what it reports: "[company]  model  (ob)" as the lists show it,
// with the driver's full company name.
std::string MergeDriverLabel(const WorkingDriver& driver, DriverTable table);

// REQUIRES: the new side is open; the driver's company exists in the new database and is
// merge.MergeCompanyId; for a replacement (MergeIsNew false) the table's row (MergeWooferRow or
// MergeTweeterRow) names the row to replace.
// Writes the record into the table ("woofers" or "tweeters") as a new row or, in place, over the
// row to replace (which keeps its ID), marked as a user entry with "Model" CurrentModel and
// "Company ID" MergeCompanyId, linked to the other sections of its unit (section_links.h), and
// with "Acoustic" (and the record's Acoustic) true exactly when a response level is not 0. A
// dual-coil woofer (Dual true) that replaces a row writes its wiring-dependent values only where
// they are above 0, so that the rows of one legacy dual-coil driver fill one row. A new row's ID
// and bookmark become the table's row, and a new woofer's ID joins AddedWoofers. The response row
// is then written to match: edited or added with Acoustic; deleted when the record had Acoustic as
// loaded and now has none.
// Every save goes through writer. A step that fails as one value or row can (write_step.h) is
// recorded and skipped; a new row that cannot be saved has no ID, so its response step is skipped
// and no other driver's response is touched. Failures of the file itself reach the caller.
// Returns the bookmark of the row saved; nothing when no row was saved.
std::optional<jet::Bookmark> WriteDriver(DriverTable table, WorkingDriver& driver, MergeState& merge,
                                         NewDatabaseWriter& writer, const UserLocale& locale);

}  // namespace qbm
