#pragma once
// The scan of an OLD database just opened: it lists the drivers the user may copy into the new
// database, either all usable rows or only those that need merging. For a legacy database "need
// merging" means no new woofer matches by model and maker (legacy_change_rules.h); for a
// previous-format database it means the user entered the driver ("User Entry" true).

#include <stdexcept>
#include <string_view>

#include "common/user_interface.h"
#include "db/database_state.h"
#include "db/list_entry.h"
#include "olddb/company_names.h"

namespace qbm {

// The choice of the FromOpt option pair.
enum class OldListMode { Changed, All };

inline constexpr std::string_view OpeningOldCaption = "Opening old driver database...";
inline constexpr std::string_view FindingOldCompaniesCaption =
    "Finding companies in the old database...";
inline constexpr std::string_view FindingChangedCaption =
    "Finding changed drivers (this may take several minutes)...";
inline constexpr std::string_view FindingAllOldCaption = "Finding all drivers in the old database...";

// The new database's woofers could not be read for the comparison of a legacy changed scan (the
// error is the new file's, not the old one's).
class NewDatabaseReadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// REQUIRES: the old side is open (OldDbOpen). Shows the progress window with OpeningOldCaption,
// counts the rows of the old woofers (and tweeters) as the progress total, empties the old name
// tables, and for a previous-format database rebuilds them from its companies. Then lists:
//  - legacy, Changed: rows with Model, Manufacturer and Index > 0 that LegacyDriverNeedsMerge,
//    as "[" + Manufacturer + "]  " + model without wiring suffix + "  (ob)"; the progress moves on
//    every row. The new woofers are indexed once (NewWooferLookup); when the new database is not
//    open there are none, so only the listed exceptions count as present.
//  - legacy, All: rows with Model, Manufacturer and Index > 0, with the model as stored; the
//    progress moves with every entry.
//  - previous format: woofers ("(ob)") then tweeters ("(sb)") with a Model, 0 < Company ID <= 900
//    and ID > 0 (Changed: and "User Entry" true), as "[" + OldCompanyShort + "]  " + Model; the
//    progress moves on every row (Changed) or with every entry (All).
// Item data: legacy "Index", previous-format "ID". Rows and pages that cannot be read (of the
// drivers and the companies) are left out and counted in unreadable. The progress window is left shown; the caller hides it. Engine
// errors that stop the walk itself reach the caller; those of the new woofers as
// NewDatabaseReadError.
DriverListing ScanOldDatabase(DatabaseState& state, CompanyNameTables& names, OldListMode mode,
                              UserInterface& ui);

}  // namespace qbm
