#pragma once
// What "Merge >" can be asked to do besides the window's plain click, and what it did.

#include <string>
#include <string_view>
#include <vector>

#include "jet/check.h"
#include "merge/merge_plan.h"
#include "merge/merge_record.h"
#include "merge/merge_summary.h"

namespace qbm {

struct MergeOptions {
  // Everything is done inside the transaction, which is then rolled back: the new file is left as
  // it was, and the summary tells what the merge would have done.
  bool dryRun = false;
  // Tell the person, in a message, about what could not be written (the command line prints the
  // summary instead).
  bool reportProblems = true;
};

struct MergeOutcome {
  enum class Status {
    NothingListed,      // FromList was empty: nothing happened
    NewDatabaseClosed,  // no new database is open: nothing happened but a message
    Merged,             // committed (or rolled back, for a dry run)
    Failed,             // stopped and rolled back: the new file is as it was
    Refused,            // the new file failed the check before the first write: nothing was written
  };
  Status status = Status::NothingListed;
  MergeSummary summary;
  // The plan that was written (Merged); what it expected is planned.expected().
  MergePlan planned;
  std::string failure;  // what stopped a failed merge
};

// The progress caption while the merge is planned (both databases read, nothing written).
inline constexpr std::string_view PlanningMergeCaption = "Finding where each old driver goes in the new database...";
// What "Undo Merge" did.
struct UndoOutcome {
  enum class Status {
    NothingKept,  // no merge to undo: nothing happened
    Declined,     // the person answered No
    Undone,       // the new file is as it was before the merge
    Refused,      // the merge cannot be undone (the file changed since): nothing was changed
    Failed,       // the file could not be written; the undo is completed by the next open
  };
  Status status = Status::NothingKept;
  MergeRecord merge;   // the merge undone, or asked about
  std::string reason;  // Refused, Failed: why
};

// "Undo the merge of 14:02: 68 added, 134 replaced, 2 companies?" and what undo does.
std::string UndoMergeQuestion(std::string_view newFileName, const MergeRecord& merge, std::string_view today);
// The message of an undo that was refused or failed.
std::string UndoRefusedMessage(std::string_view newFileName, std::string_view reason);

inline constexpr std::string_view NewDatabaseClosedMessage =
    "There is no new driver database open to merge into. Open the new database, then the old "
    "one, and merge again. Nothing was copied.";

// The message of a merge stopped by an error: nothing was written and the old list is kept.
std::string MergeFailedMessage(std::string_view newFileName, std::string_view detail);

// The message of a merge refused because the new database is damaged: the first problems, and
// that nothing was written.
std::string NewDatabaseDamagedMessage(std::string_view newFileName,
                                      const std::vector<jet::Problem>& problems);

// The message after a merge that could not read everything of the old database: how much, which
// drivers, and that the rest was merged.
std::string ReadProblemsMessage(std::string_view oldFileName, const MergeSummary& summary);

// The message after a merge that could not write everything: what was not written, and that the
// rest was merged.
std::string WriteProblemsMessage(std::string_view newFileName, const MergeSummary& summary);

}  // namespace qbm
