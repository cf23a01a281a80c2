#include "app/view/merge_status.h"

#include "merge/merge_summary.h"

namespace qbm {

bool EndsMergeStatus(WindowCommand command) {
  switch (command) {
    case WindowCommand::OpenNew:
    case WindowCommand::OpenOld:
    case WindowCommand::Omit:
    case WindowCommand::Merge: return true;
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

}  // namespace qbm
