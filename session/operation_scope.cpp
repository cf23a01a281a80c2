#include "session/operation_scope.h"

namespace qbm {

OperationScope::~OperationScope() {
  try {
    hideProgress();
    if (busy_) setBusy(false);
  } catch (const std::exception&) {
    // A user interface that fails while tidying up must not end the program; what it was tidying
    // (a progress window, the busy pointer) is gone with the operation anyway.
  }
}

std::optional<std::string> OperationScope::chooseFile(const FileDialogSettings& settings) {
  return ui_.chooseFile(settings);
}

void OperationScope::showMessage(const std::string& text, MessageIcon icon) {
  ui_.showMessage(text, icon);
}

bool OperationScope::askYesNo(const std::string& text) { return ui_.askYesNo(text); }

bool OperationScope::askYesNoWithDetails(const std::string& text,
                                         const std::function<std::string()>& details) {
  return ui_.askYesNoWithDetails(text, details);
}

void OperationScope::showProgress(const std::string& caption) {
  progressShown_ = true;
  ui_.showProgress(caption);
}

void OperationScope::showProgressStep(const std::string& caption) {
  progressShown_ = true;
  ui_.showProgressStep(caption);
}

void OperationScope::updateProgress(long done, long total) { ui_.updateProgress(done, total); }

void OperationScope::hideProgress() {
  if (!progressShown_) return;
  progressShown_ = false;
  ui_.hideProgress();
}

void OperationScope::setBusy(bool busy) {
  busy_ = busy;
  ui_.setBusy(busy);
}

}  // namespace qbm
