#pragma once
// The person's side of one command: a UserInterface that passes everything on to the real one and
// remembers whether the progress window is shown and the busy pointer set, so that a command that
// ends early, or by an error, never leaves either behind.

#include "common/user_interface.h"

namespace qbm {

class OperationScope : public UserInterface {
 public:
  explicit OperationScope(UserInterface& ui) : ui_(ui) {}
  // Hides the progress window when it is still shown, then restores the default pointer when it
  // is still busy.
  ~OperationScope() override;
  OperationScope(const OperationScope&) = delete;
  OperationScope& operator=(const OperationScope&) = delete;

  std::optional<std::string> chooseFile(const FileDialogSettings& settings) override;
  void showMessage(const std::string& text, MessageIcon icon) override;
  bool askYesNo(const std::string& text) override;
  bool askYesNoWithDetails(const std::string& text,
                           const std::function<std::string()>& details) override;
  void showProgress(const std::string& caption) override;
  void showProgressStep(const std::string& caption) override;
  void updateProgress(long done, long total) override;
  // Hides the progress window if it is shown (unloading a window that is not loaded does nothing).
  void hideProgress() override;
  void setBusy(bool busy) override;

  bool progressShown() const { return progressShown_; }

 private:
  UserInterface& ui_;
  bool progressShown_ = false;
  bool busy_ = false;
};

}  // namespace qbm
