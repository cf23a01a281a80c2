#pragma once
// The walk of a merge over the listed old drivers: for each entry, in list order, find the old
// row, load it, match its company and its model against the new database, ask the overwrite
// question the first time a driver would replace an existing row, add the company when it is
// missing, and write the driver. The command around it (the busy pointer, the transaction, emptying
// the old list, rescanning the new database) is the session's MMerge_Click.

#include <cstdint>
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

struct MergeContext {
  DatabaseState& db;
  CompanyNameTables& names;
  WorkingDriver& driver;
  OldDriverSelection& selection;
  UserInterface& ui;
  NewDriverMatcher& matcher;
  OldDriverRows& oldRows;  // where LoadOldDriver finds the old rows
  const UserLocale& locale;
};

// REQUIRES: the new side is open, in a transaction, and has passed CheckNewDatabaseBeforeWrite
// (new_database_check.h); the progress window is shown.
// First, before anything else is written, the new database's map of free pages is rebuilt when it
// does not cover every page or lists a page in use as free (summary.freePageMap); then,
// for every entry in order (marker "(ob)" the woofers, "(sb)" the tweeters):
//  1. selection is set to the entry, and LoadOldDriver loads its old row; an entry whose row is
//     not found, or that cannot be read, is skipped (a row that cannot be read is also recorded as
//     a read problem);
//  2. the caption "Copying " + CurrentModel + "...";
//  3. the company and the model: of the new companies the old name names (those whose name it
//     begins; for an empty name those that exist without a name), the highest that has a row
//     whose normalised model, without its section suffix or whole (NewModelKeys), equals
//     NormalizeModel(CurrentModel), with the first such row; when none has one, the highest
//     company and no row;
//  4. a matched row, the first time in the merge, asks the overwrite question, unless it is a
//     woofer row this merge added itself;
//  5. unless the driver matched and the answer was No: the driver is skipped when the new
//     database cannot store one of its texts, or of its company's when that is to be added
//     (unstorable_text.h: each such field recorded, nothing written); else CopyCompany when no
//     company matched (the driver is skipped when the company cannot be added), then
//     WriteDriver, every save through one NewDatabaseWriter, which keeps the matcher current;
//  6. the progress bar moves to (i + 1) / count.
// A nameless company is so added only while the new database has none. Engine errors of
// the new database other than step failures (write_step.h), and the question's own exception,
// reach the caller, which rolls the merge back.
MergeSummary MergeDrivers(const std::vector<ListEntry>& entries, MergeContext& context);

}  // namespace qbm
