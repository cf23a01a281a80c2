#pragma once
// The person's side of the command line: there is no file dialog (the files are opened by path,
// Session::ToOpen and FromOpen), so one is cancelled; messages are kept for the verb to print on stderr with the file they are
// about; the yes/no question is answered by an option, or by the person at a terminal; the progress
// window is one updating line on a terminal's stderr (progress_line.h) and the busy pointer shows
// nothing; a progress step is where a pending stop signal (common/stop_signals.h) stops the work.

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "cli/progress_line.h"
#include "common/user_interface.h"

namespace qbm::cli {

// A question nobody can answer: no answer was given on the command line and there is no terminal
// to ask on. The command that asked stops (the merge rolls back).
class UnansweredQuestion : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A signal asked the program to stop (SIGINT, SIGTERM, SIGHUP) while it was deferred: the work
// under way stops at its next step (the merge rolls back).
class StoppedBySignal : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class CliUserInterface : public UserInterface {
 public:
  // Messages shown, in order, not yet printed.
  std::vector<std::pair<std::string, MessageIcon>> messages;

  std::optional<std::string> chooseFile(const FileDialogSettings&) override { return std::nullopt; }
  void showMessage(const std::string& text, MessageIcon icon) override;
  // The answer given on the command line; nothing: ask at the terminal.
  std::optional<bool> answer;
  // What to tell the person who must give the answer when there is no terminal ("give --x yes").
  std::string answerHint = "give the answer on the command line";

  // The given answer; otherwise, when standard input is a terminal, the question on stderr and
  // "y"/"yes" or "n"/"no" read from stdin (asked again on anything else); otherwise (or at the end
  // of input) throws UnansweredQuestion naming answerHint.
  bool askYesNo(const std::string& text) override;
  // Between the steps of long work: throw StoppedBySignal, once, when a stop signal is pending.
  void showProgress(const std::string& caption) override {
    stopWhenSignalled();
    progress.show(caption);
  }
  void updateProgress(long done, long total) override {
    stopWhenSignalled();
    progress.update(done, total);
  }
  void hideProgress() override { progress.clear(); }
  void setBusy(bool) override {}

  ProgressLine progress;

 private:
  void stopWhenSignalled();
  bool stopped_ = false;
};

}  // namespace qbm::cli
