#pragma once
// The merge's one question: whether old drivers may write over drivers the new database already
// holds. Asked at most once per merge, the first time a listed driver matches an existing row;
// the answer holds for the rest of that merge.

#include <string>

#include "common/user_interface.h"

namespace qbm {

// The three lines, joined by "\r\n", in one box with Yes and No and the question icon.
std::string OverwriteQuestionText();

class OverwriteQuestion {
 public:
  // Asks through ui unless asked already; hides the progress window while the question is shown
  // and shows it again with progressCaption afterwards. An answer the user interface cannot give
  // is its exception, which reaches the caller.
  void ask(UserInterface& ui, const std::string& progressCaption);

  bool asked() const { return asked_; }
  // No was answered: matched drivers are kept out for the rest of the merge.
  bool refused() const { return refused_; }

 private:
  bool asked_ = false;
  bool refused_ = false;
};

}  // namespace qbm
