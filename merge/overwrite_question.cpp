#include "merge/overwrite_question.h"

namespace qbm {

std::string OverwriteQuestionText() {
  return "One or more drivers are about to be merged which will replace existing\r\n"
         "drivers in the new database. Do you want to allow drivers in the old\r\n"
         "database to write over drivers in the new database?";
}

void OverwriteQuestion::ask(UserInterface& ui, const std::string& progressCaption) {
  if (asked_) return;
  ui.hideProgress();
  const bool yes = ui.askYesNo(OverwriteQuestionText());
  refused_ = !yes;
  asked_ = true;
  ui.showProgress(progressCaption);
}

}  // namespace qbm
