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
#include "db/company_names.h"

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

// REQUIRES: the old side is open (Old.DbOpen).
// The old drivers to list, in the order found, and the old company name tables rebuilt (emptied
// for a legacy database). Listed are the rows with a model, a maker and a key above 0 (legacy:
// "Manufacturer" and "Index"; previous format: a Company ID in 1..900 and "ID"), in Changed mode
// only those that need merging: a legacy driver that no new woofer matches by model and maker
// (legacy_change_rules.h; no new database open means no new woofers), a previous-format driver
// the user entered. Entries are ListEntryText of the maker (legacy) or OldCompanyShort, and the
// model (legacy Changed: without its wiring suffix), with the row's key as item data.
// Rows and pages that cannot be read are left out and counted in unreadable. The progress window
// is shown, with the captions above, and left shown for the caller to hide. Engine errors that
// stop the walk itself reach the caller; those of the new woofers as NewDatabaseReadError.
DriverListing ScanOldDatabase(DatabaseState& state, CompanyNameTables& names, OldListMode mode,
                              UserInterface& ui);

}  // namespace qbm
