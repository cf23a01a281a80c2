#pragma once
// The session's UserInterface for the desktop: the open-file dialog, message boxes titled
// "QB Merge", the progress window and the busy pointer. Long work runs on the user-interface
// thread, so while the progress window is shown the windows are kept painted (paint and window
// events only; no input from the person is handled until the operation ends).

#include <QString>
#include <deque>

#include "app/view/dialog_text.h"
#include "app/view/paint_pacer.h"
#include "common/user_interface.h"

class QWidget;

namespace qbm {

class ProgressWindow;

class QtUserInterface : public UserInterface {
 public:
  // owner: the main window, parent of the dialogs and of the progress window.
  QtUserInterface(QWidget* owner, int colorBits);
  ~QtUserInterface() override;
  QtUserInterface(const QtUserInterface&) = delete;
  QtUserInterface& operator=(const QtUserInterface&) = delete;

  // The next file dialog is answered with this path without being shown (files named on the
  // command line; tests). Answers queue up in order.
  void queueChosenFile(QString path);
  // The next question is answered so without being shown (a merge for the documentation's picture).
  void queueAnswer(bool yes) { queuedAnswers_.push_back(yes); }

  std::optional<std::string> chooseFile(const FileDialogSettings& settings) override;
  void showMessage(const std::string& text, MessageIcon icon) override;
  bool askYesNo(const std::string& text) override;
  // The question with a "Show Details..." button; details() runs when the person first opens them.
  bool askYesNoWithDetails(const std::string& text,
                           const std::function<std::string()>& details) override;
  // Both throw, once, when a stop signal is pending (common/stop_signals.h): long work stops
  // there. Messages shown after it go to stderr instead of a box nobody may be there to close.
  void showProgress(const std::string& caption) override;
  void showProgressStep(const std::string& caption) override;
  void updateProgress(long done, long total) override;
  void hideProgress() override;
  void setBusy(bool busy) override;

  bool busy() const { return busy_; }
  ProgressWindow& progressWindow() { return *progress_; }

 private:
  // Lets the window system paint what changed; at most every few milliseconds unless `now`.
  void keepPainted(bool now);
  void stopWhenSignalled();

  QWidget* owner_;
  ProgressWindow* progress_;  // owned by owner_
  std::deque<QString> queuedFiles_;
  std::deque<bool> queuedAnswers_;
  DialogFolders folders_;  // where each side's next dialog starts (this run only)
  bool busy_ = false;
  PaintPacer pacer_;
  bool stopped_ = false;
};

// The text of a message as a message box shows it: "\r\n" and lone "\r" become line breaks.
QString MessageBoxText(const std::string& text);

}  // namespace qbm
