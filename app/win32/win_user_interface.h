#pragma once
// The session's UserInterface for the Windows window: the common open-file dialog, message boxes
// titled "QB Merge", the overwrite question with its details behind "Show Details...", the progress
// window and the busy pointer. Long work runs on the window's thread, so while it runs the windows
// are kept painted; the person's keys and clicks meanwhile are dropped (F1 released plain still
// asks for help).

#include <windows.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "app/view/keyboard_rules.h"
#include "app/view/paint_pacer.h"
#include "app/win32/progress_window.h"
#include "app/view/dialog_text.h"
#include "common/user_interface.h"

namespace qbm::win32 {

class WinUserInterface : public UserInterface {
 public:
  // owner: the main window, owner of the dialogs and of the progress window. helpAsked: F1 pressed
  // while long work runs.
  WinUserInterface(HWND owner, int colorBits, std::function<void()> helpAsked);
  ~WinUserInterface() override;
  WinUserInterface(const WinUserInterface&) = delete;
  WinUserInterface& operator=(const WinUserInterface&) = delete;

  // The next file dialog is answered with this path (UTF-8) without being shown (files named on the
  // command line; tests). Answers queue up in order.
  void queueChosenFile(std::string path);
  // The next question is answered so without being shown (a merge for the documentation's picture).
  void queueAnswer(bool yes) { queuedAnswers_.push_back(yes); }

  std::optional<std::string> chooseFile(const FileDialogSettings& settings) override;
  void showMessage(const std::string& text, MessageIcon icon) override;
  bool askYesNo(const std::string& text) override;
  // A task dialog with Yes and No whose expandable part, "Show Details...", shows details() when it
  // is first opened; the plain question where task dialogs are missing.
  bool askYesNoWithDetails(const std::string& text, const std::function<std::string()>& details) override;
  void showProgress(const std::string& caption) override;
  void showProgressStep(const std::string& caption) override;
  void updateProgress(long done, long total) override;
  void hideProgress() override;
  void setBusy(bool busy) override;

  bool busy() const { return busy_; }
  ProgressWindow& progressWindow() { return *progress_; }

 private:
  // Lets the windows paint what changed (not more often than PaintPacer allows unless `now`),
  // dropping the person's input.
  void keepPainted(bool now);

  HWND owner_;
  std::unique_ptr<ProgressWindow> progress_;
  std::function<void()> helpAsked_;
  std::deque<std::string> queuedFiles_;
  std::deque<bool> queuedAnswers_;
  DialogFolders folders_;  // where each side's next dialog starts (this run only)
  bool busy_ = false;
  PaintPacer pacer_;
  PlainF1Key f1_;
};

// The text of a message as a message box shows it: line breaks of every kind as "\r\n".
std::wstring MessageBoxText(const std::string& text);

}  // namespace qbm::win32
