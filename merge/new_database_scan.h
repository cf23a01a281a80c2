#pragma once
// The scan of the NEW database: its company names and the list of every driver in it. Run after
// the new database is opened and again after a merge, to show what the file now holds.

#include <string_view>

#include "common/user_interface.h"
#include "db/database_state.h"
#include "db/list_entry.h"
#include "db/company_names.h"

namespace qbm {

inline constexpr std::string_view OpeningNewCaption = "Opening new driver database...";
inline constexpr std::string_view FindingNewCompaniesCaption =
    "Finding companies in the new database...";
inline constexpr std::string_view FindingAllNewCaption = "Finding all drivers in the new database...";

// REQUIRES: the new side is open (New.DbOpen). Shows the progress window with OpeningNewCaption and
// counts the rows of "woofers" and "tweeters" as the progress total; with
// FindingNewCompaniesCaption rebuilds NewCompanyFull and NewCompanyShort from "companies"; with
// FindingAllNewCaption lists the woofers ("(ob)") and then the tweeters ("(sb)") that have a Model,
// an ID > 0 and a Company ID in 1..900, as "[" + NewCompanyShort + "]  " + Model + marker with the
// ID as item data, moving the progress bar with every entry. Rows are read in each cursor's current
// order. Rows and pages that cannot be read (of the drivers and the companies) are left out and
// counted in unreadable. The progress
// window is left shown; the caller hides it. Errors of the walk itself reach the caller.
DriverListing ScanNewDatabase(DatabaseState& state, CompanyNameTables& names, UserInterface& ui);

}  // namespace qbm
