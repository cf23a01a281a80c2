#pragma once
// What the program needs from a person: the file chooser, messages, the yes/no question, the
// progress window and the busy pointer. The desktop program, the command line and the tests each
// implement it; everything below the user interface talks to the person only through it.

#include <functional>
#include <optional>
#include <string>

namespace qbm {

enum class MessageIcon { Critical, Question, Exclamation, Information };

// Settings of the open-file dialog for one side.
struct FileDialogSettings {
  std::string title;
  std::string filter;       // "Description|pattern|Description|pattern..."
  std::string initialName;  // initial file name
  int flags = 6144;         // file must exist (4096) + path must exist (2048)
};

class UserInterface {
 public:
  virtual ~UserInterface() = default;

  // The chosen path, or nothing when the person cancelled.
  virtual std::optional<std::string> chooseFile(const FileDialogSettings& settings) = 0;
  // A message box with an OK button and the application title "QB Merge".
  virtual void showMessage(const std::string& text, MessageIcon icon) = 0;
  // A message box with Yes and No buttons, the question icon and the application title.
  virtual bool askYesNo(const std::string& text) = 0;
  // askYesNo with details that a window may offer behind a "Show Details..." button. details()
  // works them out (it may read the databases again); it is called at most once, while the
  // question is up, and only by an interface that shows them. By default the question alone.
  virtual bool askYesNoWithDetails(const std::string& text,
                                   const std::function<std::string()>& details) {
    (void)details;
    return askYesNo(text);
  }

  // The progress window. showProgress shows it with the caption (a window not yet shown starts
  // with an empty bar; one already shown only changes its caption); updateProgress sets the bar to
  // done/total, never shrinking it while the window stays shown; hideProgress unloads it.
  virtual void showProgress(const std::string& caption) = 0;
  // The caption of one step of many that follow each other quickly (one per driver of a merge):
  // shown as showProgress shows it, but a window may paint such captions less often than they
  // come, as long as the last one ends up on screen.
  virtual void showProgressStep(const std::string& caption) { showProgress(caption); }
  virtual void updateProgress(long done, long total) = 0;
  virtual void hideProgress() = 0;

  // Hourglass pointer on / default pointer.
  virtual void setBusy(bool busy) = 0;
};

}  // namespace qbm
