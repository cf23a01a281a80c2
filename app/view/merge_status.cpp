#include "app/view/merge_status.h"

#include "merge/merge_record.h"
#include "merge/merge_summary.h"

namespace qbm {

bool EndsMergeStatus(WindowCommand command) {
  switch (command) {
    case WindowCommand::OpenNew:
    case WindowCommand::OpenOld:
    case WindowCommand::Omit:
    case WindowCommand::Merge: return true;
    case WindowCommand::Undo:  // a No keeps it; what an undo did replaces it (undone)
    case WindowCommand::ChooseOld:
    case WindowCommand::ChooseNew:
    case WindowCommand::Units: return false;
  }
  return true;
}

std::string MergeStatusText(const MergeOutcome& outcome) {
  switch (outcome.status) {
    case MergeOutcome::Status::Merged: {
      std::string text = "Merged: " + MergeSummaryText(outcome.summary);
      for (char& c : text)
        if (c == '\n') c = ' ';
      return text;
    }
    case MergeOutcome::Status::Failed: return "The merge stopped; nothing was written.";
    case MergeOutcome::Status::Refused: return "The merge was refused; nothing was written.";
    case MergeOutcome::Status::NothingListed:
    case MergeOutcome::Status::NewDatabaseClosed: return {};
  }
  return {};
}

std::string UndoStatusText(const UndoOutcome& outcome, std::string_view today) {
  switch (outcome.status) {
    case UndoOutcome::Status::Undone: return "Undone: " + MergeRecordText(outcome.merge, today) + ".";
    case UndoOutcome::Status::Refused: return "The undo was refused; nothing was changed.";
    case UndoOutcome::Status::Failed: return "The undo stopped; it is finished when the file is next opened.";
    case UndoOutcome::Status::NothingKept:
    case UndoOutcome::Status::Declined: return {};
  }
  return {};
}

}  // namespace qbm
