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

// Where a driver is written: its company, and the row it writes over (nothing: a new row).
struct DriverPlacement {
  std::int32_t companyId = 0;
  std::optional<MergeRow> replaces;
};

// REQUIRES: the new side is open; the company where.companyId exists in the new database; a row
// to replace is named by its ID and bookmark.
// Writes the record into the table ("woofers" or "tweeters") as a new row or, in place, over the
// row to replace (which keeps its ID), marked as a user entry with "Model" CurrentModel and
// "Company ID" where.companyId, linked to the other sections of its unit (section_links.h), and
// with "Acoustic" (and the record's Acoustic) true exactly when a response level is not 0. A
// dual-coil woofer (Dual true) that replaces a row writes its wiring-dependent values only where
// they are above 0, so that the rows of one legacy dual-coil driver fill one row. The response
// row is then written to match: edited or added with Acoustic; deleted when the record had
// Acoustic as loaded and now has none.
// Every save goes through writer. A step that fails as one value or row can (write_step.h) is
// recorded and skipped; a new row that cannot be saved has no ID, so its response step is skipped
// and no other driver's response is touched. Failures of the file itself reach the caller.
// Returns the row saved (a new row's ID and bookmark, or the row replaced); nothing when no row
// was saved.
std::optional<MergeRow> WriteDriver(DriverTable table, WorkingDriver& driver,
                                    const DriverPlacement& where, NewDatabaseWriter& writer,
                                    const UserLocale& locale);

}  // namespace qbm
