// "Undo Merge": put the new database back as it was before the last merge into it.

#include "jet/path_text.h"
#include "session/operation_scope.h"
#include "session/session.h"

namespace qbm {

std::string UndoMergeQuestion(std::string_view newFileName, const MergeRecord& merge, std::string_view today) {
  return "Undo " + MergeRecordText(merge, today) + "?\r\n\r\n" + std::string(newFileName) +
         " is put back exactly as it was before that merge.";
}

std::string UndoRefusedMessage(std::string_view newFileName, std::string_view reason) {
  return "Sorry, the last merge into " + std::string(newFileName) + " cannot be undone (" + std::string(reason) +
         "). Nothing was changed.";
}

void Session::UpdateUndoButton() {
  state_.KeptMerge.reset();
  state_.visible.MUndo = false;
  DatabaseSide& side = state_.databases.New;
  if (!side.DbOpen || !side.Db) return;
  try {
    const std::optional<jet::UndoInspection> kept = side.Db->keptUndo();
    if (!kept || !kept->exists || kept->refusal) return;
    state_.KeptMerge = DecodeMergeRecord(kept->note);
    state_.visible.MUndo = true;
  } catch (const jet::Error&) {
    // Unreadable: nothing offered.
  }
}

UndoOutcome Session::MUndo_Click() {
  UndoOutcome outcome;
  DatabaseSide& side = state_.databases.New;
  if (!state_.visible.MUndo || !state_.KeptMerge || !side.DbOpen || !side.Db) return outcome;
  outcome.merge = *state_.KeptMerge;
  const std::string name = side.Name.caption;
  if (!ui_.askYesNo(UndoMergeQuestion(name, outcome.merge, LocalDateToday()))) {
    outcome.status = UndoOutcome::Status::Declined;
    notify();
    return outcome;
  }
  const std::string path = jet::utf8Of(side.Db->path());
  {
    OperationScope scope(ui_);
    scope.setBusy(true);
    try {
      side.Db->undoKeptTransaction();
      outcome.status = UndoOutcome::Status::Undone;
    } catch (const jet::Error& e) {
      const bool refused = e.code() == jet::ErrorCode::UndoRefused || e.code() == jet::ErrorCode::NothingToUndo;
      outcome.status = refused ? UndoOutcome::Status::Refused : UndoOutcome::Status::Failed;
      outcome.reason = e.what();
      scope.showMessage(UndoRefusedMessage(name, e.what()), MessageIcon::Exclamation);
    }
    scope.setBusy(false);
  }
  if (outcome.status == UndoOutcome::Status::Refused) {
    UpdateUndoButton();
    notify();
    return outcome;
  }
  // The handle was closed by the undo (or by its failure): the file is opened and listed again,
  // and the old list compared with it again.
  ToOpen(path);
  if (state_.databases.Old.DbOpen) {
    oldRows_.reset();
    scanOldSide();
  }
  return outcome;
}

}  // namespace qbm
