#pragma once
// Progress of long work on one line of standard error, when it is a terminal: the caption the
// desktop program's progress window shows (or the tool's own), then the count, repainted in place
// at most 20 times a second and cleared when the work ends. When standard error is not a terminal
// nothing at all is written.

#include <chrono>
#include <string>

namespace qbm::cli {

class ProgressLine {
 public:
  // Shown when standard error is a terminal.
  ProgressLine();
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;
  ~ProgressLine() { clear(); }

  // The caption: painted at once, the count starting from nothing, when no line is shown; else
  // as the count is, with the count kept.
  void show(const std::string& caption);
  // The count: done of total (total <= 0: done alone). Painted when the last paint is at least
  // 50 ms old, so that no more than 20 paints a second slow the work down.
  void update(long done, long total);
  // Removes the line (the cursor is left at its start); nothing when none is shown.
  void clear();
  // Whether anything is shown: standard error is a terminal.
  bool enabled() const { return enabled_; }

 private:
  void paint();

  bool enabled_;
  bool shown_ = false;
  std::string caption_;
  long done_ = 0, total_ = 0;
  std::chrono::steady_clock::time_point painted_{};
};

}  // namespace qbm::cli
