#pragma once
// The status line below the window's designed area: what the last merge did, in the words the
// command line prints it (drivers added, replaced and skipped per table, companies added, read and
// write problems), so that the person sees the outcome without a box to close and with both lists
// still in view. It stays until the next action: a command that changes what the lists hold or
// what the databases are (opening either side, omitting, merging again). Looking at the result
// (choosing a driver, the units, the Response window, help) keeps it.

#include <string>
#include <string_view>

#include "app/view/twips.h"
#include "session/merge_command.h"

namespace qbm {

// The commands a person starts in the main window, as far as the status line cares.
enum class WindowCommand { OpenNew, OpenOld, Omit, Merge, Undo, ChooseOld, ChooseNew, Units };

// True for the commands that end the last merge's status: those that change the lists or the files.
bool EndsMergeStatus(WindowCommand command);

// The status of a merge's outcome: "Merged: " and the summary's lines on one line each run together
// (the window wraps them at words); a short sentence for a merge stopped or refused (its message box
// tells why); nothing when the merge did nothing.
std::string MergeStatusText(const MergeOutcome& outcome);
// The status after "Undo Merge": "Undone: the merge of 14:02: …" (today the local date), a sentence
// for an undo refused or left to the next open; nothing when nothing was undone or the person said No.
std::string UndoStatusText(const UndoOutcome& outcome, std::string_view today);

// What the status line shows, kept by each window.
class MergeStatusLine {
 public:
  // Before a command runs: its text goes when the command ends it.
  void before(WindowCommand command) {
    if (EndsMergeStatus(command)) text_.clear();
  }
  // After "Merge >" ran.
  void merged(const MergeOutcome& outcome) { text_ = MergeStatusText(outcome); }
  // After "Undo Merge" ran: a No or nothing to undo keeps what was shown.
  void undone(const UndoOutcome& outcome, std::string_view today) {
    if (std::string text = UndoStatusText(outcome, today); !text.empty()) text_ = std::move(text);
  }
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

namespace status {

// The line's place: below the designed controls (which end at 6210 twips), across the window's
// width, with room for three lines of the window's font; the window's client area grows by it.
inline constexpr TwipRect Place{120, 6255, 8610, 630};
inline constexpr int ClientHeightTwips = 6945;  // the designed 6240, the line and a margin below it

}  // namespace status
}  // namespace qbm
