#pragma once
// The merge's first step: reading both databases, and writing nothing, decide what the merge will
// do with each listed entry, in list order — skip it, add its driver, or replace a row; which
// company the driver goes to, and whether that company is copied first — with the effects of
// earlier entries on later ones: a company one entry copies is found by the next driver of its
// name, and a row one entry adds is the row a later entry of the same model replaces (the second
// wiring of a legacy dual-coil driver). Whether the overwrite question must be asked, before which
// entry, and what it would tell (the drivers that would write over drivers the new list shows)
// are part of the plan. apply_merge_plan.h writes it.
//
// Invariants of a plan (asserted when it is made):
//  1. An entry that copies a company, or is named by a later one as the copier of its company, is
//     an Add or a Replace; so is an entry named as the one that adds a row a later one replaces.
//  2. A reference to another entry (company.copiedBy, row.addedBy) names an earlier entry, or
//     the entry itself for its own company copy.
//  3. questionAt, when set, is the first entry that replaces a row the merge did not add as a
//     woofer; no entry before it replaces any other row.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/user_locale.h"
#include "db/code_tables.h"
#include "db/company_names.h"
#include "db/database_state.h"
#include "db/list_entry.h"
#include "merge/merge_state.h"
#include "merge/merge_summary.h"
#include "merge/overwrite_question.h"
#include "olddb/old_driver_rows.h"

namespace qbm {

inline constexpr std::string_view CopyingDriversCaption =
    "Copying drivers from the old database to the new database...";
// "Copying " + model + "...": the progress caption of one driver.
std::string CopyingDriverCaption(std::string_view currentModel);

// The entry the new list shows for the row of that table and ID; nothing when it shows none.
using NewListEntry = std::function<std::optional<std::string>(DriverTable, std::int32_t id)>;

enum class PlannedAction { Skip, Add, Replace };

enum class SkipReason {
  None,
  NotADriver,     // the entry names no woofer or tweeter
  OldRowMissing,  // its old row is gone
  NotRead,        // its old row could not be read (a read problem)
  Refused,        // it would replace a row, and No was answered
  Unstorable,     // the new database cannot store one of its texts (write problems)
};

// The company a written driver goes to: one the new database holds, or the one an entry of this
// merge copies (that entry itself when copies is set).
struct PlannedCompany {
  std::int32_t id = 0;                  // an existing company; 0 when copied
  std::optional<std::size_t> copiedBy;  // the entry whose copy it is
};

// The row a Replace writes over: one the new database holds, or one an earlier entry adds.
struct PlannedRow {
  std::optional<MergeRow> existing;
  std::optional<std::size_t> addedBy;
};

struct PlannedEntry {
  ListEntry entry;
  DriverTable table = DriverTable::Woofers;
  PlannedAction action = PlannedAction::Skip;
  SkipReason skip = SkipReason::None;
  // The progress caption of its driver, for an entry skipped as Refused or Unstorable; empty
  // otherwise (an entry that is written shows the caption of the driver it loads again).
  std::string caption;
  PlannedCompany company;
  bool copiesCompany = false;  // its company is added first
  PlannedRow row;              // for a Replace (and for a refused one)
  // What could not be read (NotRead) or stored (Unstorable), as the summary lists it.
  WriteProblems problems;
};

struct MergePlan {
  std::vector<PlannedEntry> entries;
  // The entry before which the overwrite question is asked; nothing when no entry needs it.
  std::optional<std::size_t> questionAt;
  // Planned as if No were answered at questionAt (the entries from it on that would replace a
  // row are skipped, and every later decision follows from that).
  bool refused = false;
  // The question's details: the entries from questionAt on that would write over a row the new
  // list shows, each with that row's entry (worked out only when a NewListEntry was given).
  std::vector<OverwrittenDriver> overwritten;

  // What applying the plan does when every write succeeds: the counts, and what could not be
  // read or stored, as the merge's summary gives them.
  MergeSummary expected() const;
};

// "not a driver", "old row missing", "not read", "refused", "text not storable"; "" for None.
std::string_view SkipReasonName(SkipReason reason);

// One line per entry ("\r\n" after each), numbered from 1 in list order: what the plan does with it ("add", "replace
// ID 12", "replace the row entry 3 adds", "skip (refused)"), the entry, and its company ("copies
// its company", "company copied by entry 2"); then where the question comes, if it does.
std::string MergePlanText(const MergePlan& plan);

// REQUIRES: both sides open; no transaction need be open (nothing is written). newFull and
// newShort are the new database's company names (copied: the plan keeps its own).
// Loads every listed driver once (into a record of its own) and matches it against the new
// database as the merge would find it after the entries before it. answer: how the question is
// answered when it comes (nothing: as Yes, to find out whether and where it comes). progress is
// called after each entry with (done, total). Engine errors of the new database reach the caller;
// an old driver that cannot be read is a skipped entry with a read problem.
MergePlan PlanMerge(std::vector<ListEntry> entries, DatabaseState& db, OldDriverRows& oldRows,
                    const CompanyNameTable& newFull, const CompanyNameTable& newShort,
                    const UserLocale& locale, std::optional<bool> answer,
                    const NewListEntry& shownNewEntry,
                    const std::function<void(long done, long total)>& progress = {});

}  // namespace qbm
