#pragma once
// The merge's one question: whether old drivers may write over drivers the new database already
// holds. Asked at most once per merge, the first time a listed driver matches an existing row;
// the answer holds for the rest of that merge.

#include <functional>
#include <string>
#include <vector>

#include "common/user_interface.h"

namespace qbm {

// The three lines, joined by "\r\n", in one box with Yes and No and the question icon.
std::string OverwriteQuestionText();

// A driver of the merge that would write over a driver the new database holds: its old list entry
// and the new list entry of the driver it replaces.
struct OverwrittenDriver {
  std::string oldEntry;
  std::string newEntry;
  friend bool operator==(const OverwrittenDriver&, const OverwrittenDriver&) = default;
};

// The question's details: a heading with the count, then one line per driver, in merge order:
// old entry, " replaces ", new entry; lines joined by "\r\n".
std::string OverwriteDetailsText(const std::vector<OverwrittenDriver>& drivers);

class OverwriteQuestion {
 public:
  // Asks through ui unless asked already; hides the progress window while the question is shown
  // and shows it again with progressCaption afterwards. details gives the drivers that would
  // write over new ones, worked out only when the user interface shows them. An answer the user
  // interface cannot give is its exception, which reaches the caller.
  void ask(UserInterface& ui, const std::string& progressCaption,
           const std::function<std::vector<OverwrittenDriver>()>& details);

  bool asked() const { return asked_; }
  // No was answered: matched drivers are kept out for the rest of the merge.
  bool refused() const { return refused_; }

 private:
  bool asked_ = false;
  bool refused_ = false;
};

}  // namespace qbm
