#pragma once
// The person's side of the command line: the file dialog answers with the paths given on the
// command line, in order; messages are kept for the verb to print on stderr with the file they are
// about; the progress window and the busy pointer show nothing.

#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "common/user_interface.h"

namespace qbm::cli {

class CliUserInterface : public UserInterface {
 public:
  // Answers of the next file dialogs; an unqueued dialog is cancelled.
  std::deque<std::string> files;
  // Messages shown, in order, not yet printed.
  std::vector<std::pair<std::string, MessageIcon>> messages;

  std::optional<std::string> chooseFile(const FileDialogSettings& settings) override;
  void showMessage(const std::string& text, MessageIcon icon) override;
  // Nobody can answer: No.
  bool askYesNo(const std::string& text) override;
  void showProgress(const std::string&) override {}
  void updateProgress(long, long) override {}
  void hideProgress() override {}
  void setBusy(bool) override {}
};

}  // namespace qbm::cli
