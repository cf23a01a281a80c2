#pragma once
// Writing the working driver into the NEW database: a new row or, in place, the row the merge
// decided to replace, linked to the other sections of its unit, marked as a user entry, with its
// "Acoustic" flag decided by the response values themselves, and its row in the response table
// added, edited or deleted to match.

#include <cstdint>
#include <optional>
#include <string>

#include "common/user_locale.h"
#include "db/code_tables.h"
#include "db/database_state.h"
#include "db/working_driver.h"
#include "merge/merge_state.h"
#include "merge/new_driver_matcher.h"
#include "merge/write_problems.h"

namespace qbm {

// How the merge names a driver in what it reports: "[company]  model  (ob)" as the lists show it,
// with the driver's full company name.
std::string MergeDriverLabel(const WorkingDriver& driver, DriverTable table);

// REQUIRES: the new side is open; the driver's company exists in the new database and is
// merge.MergeCompanyId; for a replacement (MergeIsNew 0) the branch's row (MergeWooferRow or
// MergeTweeterRow) names the row to replace.
// isTweeter 0 writes a woofer ("woofers", "woofer-response"), -1 a tweeter ("tweeters",
// "tweeter-response"); any other value writes nothing.
//  1. Section links of a unit (Type > 0) found by model (section_links.h, through
//     lookups.sectionRowId) and written as the
//     partner field ("Tweeter ID" / "Woofer ID") and "Mid ID": Type 0 both Null; 1, 2 the partner
//     (Null when none) and Mid Null; 3 both (Null when none); any other type neither.
//  2. A new row, or the replaced row edited in place (it keeps its ID). Every field of the table
//     from the record: "User Entry" true, "Model" CurrentModel, "Company ID" MergeCompanyId,
//     "Date" the day the record's text names (Null for ""). A dual-coil woofer (Dual true) that
//     replaces a row writes its 33 wiring-dependent values only where they are above 0, so that
//     the rows of one legacy dual-coil driver fill the parallel and the series values of one row.
//  3. "Acoustic" (and the record's Acoustic) true exactly when a response value is not 0.
//  4. A new row's ID and bookmark are those of the row just saved (the branch's row is set to
//     them); a new woofer's ID is added to AddedWoofers.
//  5. Response: with Acoustic, the row of that "Driver ID" is edited, or added when there is none;
//     without it, when the record had Acoustic as loaded, that row is deleted.
// A step that fails as one value or row can (write_step.h) is recorded in problems and skipped;
// the other steps still run. A new row that cannot be saved has no ID: its response step is
// skipped, so that no other driver's response is touched. Failures of the file itself reach the
// caller. The row saved and the response rows added or deleted are told to lookups. Returns the
// bookmark of the row saved; nothing when no row was saved.
std::optional<jet::Bookmark> WriteDriver(std::int16_t isTweeter, WorkingDriver& driver,
                                         MergeState& merge, DatabaseState& db,
                                         NewDriverMatcher& lookups, WriteProblems& problems,
                                         const UserLocale& locale);

}  // namespace qbm
