#include "merge/write_problems.h"

namespace qbm {

std::string WriteProblemLines(const WriteProblems& problems, std::size_t maxLines) {
  std::string text;
  std::size_t shown = 0;
  for (const WriteProblem& p : problems.all()) {
    if (shown == maxLines) break;
    if (!text.empty()) text += "\r\n";
    text += p.driver + ": " + p.what;
    ++shown;
  }
  if (problems.size() > shown) {
    if (!text.empty()) text += "\r\n";
    text += "... and " + std::to_string(problems.size() - shown) + " more.";
  }
  return text;
}

}  // namespace qbm
