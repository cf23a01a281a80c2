#pragma once
// The walk of a merge over the listed old drivers: for each entry, in list order, find the old
// row, load it, match its company and its model against the new database, ask the overwrite
// question the first time a driver would replace an existing row, add the company when it is
// missing, and write the driver. The command around it (the busy pointer, the transaction, emptying
// the old list, rescanning the new database) is the session's MMerge_Click.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/user_interface.h"
#include "common/user_locale.h"
#include "db/database_state.h"
#include "db/list_entry.h"
#include "db/old_driver_selection.h"
#include "db/working_driver.h"
#include "merge/merge_summary.h"
#include "merge/new_driver_matcher.h"
#include "olddb/company_names.h"
#include "olddb/old_driver_rows.h"

namespace qbm {

inline constexpr std::string_view CopyingDriversCaption =
    "Copying drivers from the old database to the new database...";
// "Copying " + model + "..."
std::string CopyingDriverCaption(std::string_view currentModel);

// The entry the new list shows for the row of that table and ID; nothing when it shows none (a row
// added by this merge).
using NewListEntry = std::function<std::optional<std::string>(DriverTable, std::int32_t id)>;

struct MergeContext {
  DatabaseState& db;
  CompanyNameTables& names;
  WorkingDriver& driver;
  OldDriverSelection& selection;
  UserInterface& ui;
  NewDriverMatcher& matcher;
  OldDriverRows& oldRows;  // where LoadOldDriver finds the old rows
  const UserLocale& locale;
  NewListEntry newListEntry;  // for the overwrite question's details; none: no details
};

// REQUIRES: the new side is open, in a transaction, and has passed CheckNewDatabaseBeforeWrite
// (new_database_check.h); the progress window is shown.
// Merges the entries in list order ("(ob)" the woofers, "(sb)" the tweeters) and tells what it
// did. A driver whose company matches none of the new database's is added with its company; one
// that matches a row of the new database replaces it, unless the person answers No to the
// overwrite question, which is asked at most once per merge (and not for a woofer row this merge
// added itself). Its details, worked out only when the user interface shows them, are the entries
// from the one asked about to the last that match a row the new list shows (newListEntry), as the
// new database stands when asked; working them out reads the old drivers again and writes
// nothing. An entry whose old row is missing or unreadable, or whose texts the new database
// cannot store, is skipped and counted; the progress bar moves once per entry. The new database's
// map of free pages is repaired first when it needs it (summary.freePageMap). Engine errors of
// the new database other than step failures (write_step.h), and the question's own exception,
// reach the caller, which rolls the merge back.
MergeSummary MergeDrivers(const std::vector<ListEntry>& entries, MergeContext& context);

}  // namespace qbm
