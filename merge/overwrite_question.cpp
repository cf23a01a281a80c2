#include "merge/overwrite_question.h"

namespace qbm {

std::string OverwriteQuestionText() {
  return "One or more drivers are about to be merged which will replace existing\r\n"
         "drivers in the new database. Do you want to allow drivers in the old\r\n"
         "database to write over drivers in the new database?";
}

std::string OverwriteDetailsText(const std::vector<OverwrittenDriver>& drivers) {
  const std::size_t n = drivers.size();
  std::string text = std::to_string(n) + (n == 1 ? " driver" : " drivers") +
                     " of this merge would write over drivers in the new database:";
  for (const OverwrittenDriver& d : drivers) text += "\r\n" + d.oldEntry + " replaces " + d.newEntry;
  return text;
}

void OverwriteQuestion::ask(UserInterface& ui, const std::string& progressCaption,
                            const std::function<std::vector<OverwrittenDriver>()>& details) {
  if (asked_) return;
  ui.hideProgress();
  const bool yes = ui.askYesNoWithDetails(OverwriteQuestionText(),
                                          [&details] { return OverwriteDetailsText(details()); });
  refused_ = !yes;
  asked_ = true;
  ui.showProgress(progressCaption);
}

}  // namespace qbm
