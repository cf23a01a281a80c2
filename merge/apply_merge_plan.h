#pragma once
// The merge's second step: writing a plan (merge_plan.h) into the new database, entry by entry in
// list order, inside the transaction its caller holds. Every decision is the plan's; this step
// only carries it out — copies the companies, adds and replaces the rows, links the sections of a
// unit and writes the responses — and asks nothing of the person. It owns what it needs while it
// runs (its own copy of the new company names and the look-ups kept up to date as it writes), so
// nothing of the caller's state changes, whether the transaction is then committed or rolled back.
//
// Invariant (asserted on every written entry): the company and the row each entry writes to are
// those the new database, as the entries before it have left it, gives the driver by the merge's
// matching rules; when they are not (the file changed since the plan was made), the step stops
// with MergePlanOutOfStep before writing the entry, and its caller rolls the merge back.

#include <cstddef>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "common/user_interface.h"
#include "common/user_locale.h"
#include "db/company_names.h"
#include "db/database_state.h"
#include "merge/merge_plan.h"
#include "merge/merge_summary.h"
#include "merge/new_driver_matcher.h"
#include "olddb/old_driver_rows.h"

namespace qbm {

// The new database no longer gives an entry the company or the row its plan names.
class MergePlanOutOfStep : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// How the write step makes its look-ups of the new database, given the company names it keeps
// (tests hold a merge to the literal rules this way); none: the indexed ones.
using LookupsFactory =
    std::function<std::unique_ptr<NewDriverMatcher>(DatabaseState&, const CompanyNameTables&)>;

// REQUIRES: the new side is open, in a transaction, and has passed CheckNewDatabaseBeforeWrite
// (new_database_check.h); the plan was made from these databases, and newFull / newShort are the
// company names it was made with; the progress window is shown.
// Writes the plan and tells what it did: per entry, its driver loaded again (a record of its
// own), its company copied when the plan says so (or when the entry that was to copy it could not,
// as it then finds none), and its row added or written over in place (a row an earlier entry was
// to add but could not save is added instead). Steps that fail as one value or row can are
// recorded (write_step.h); the entries the plan skips are counted with their read and text
// problems. The progress window shows each driver's caption and moves once per entry. The new
// database's map of free pages is repaired first when it needs it (summary.freePageMap). Engine
// errors other than step failures, and MergePlanOutOfStep, reach the caller, which rolls back.
MergeSummary ApplyMergePlan(const MergePlan& plan, DatabaseState& db, OldDriverRows& oldRows,
                            const CompanyNameTable& newFull, const CompanyNameTable& newShort,
                            const UserLocale& locale, UserInterface& progress,
                            const LookupsFactory& lookups = {});

}  // namespace qbm
