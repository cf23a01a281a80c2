#include "merge/merge_summary.h"

namespace qbm {
namespace {

std::string countsLine(const char* what, const MergeCounts& c) {
  return std::string(what) + ": " + std::to_string(c.added) + " added, " +
         std::to_string(c.replaced) + " replaced, " + std::to_string(c.skipped) + " skipped.";
}

}  // namespace

std::string MergeSummaryText(const MergeSummary& s) {
  std::string text = countsLine("Woofers", s.woofers) + "\n" + countsLine("Tweeters", s.tweeters) +
                     "\nCompanies: " + std::to_string(s.companiesAdded) + " added.";
  if (s.oldRowsMissing > 0)
    text += "\nNot found in the old database: " + std::to_string(s.oldRowsMissing) + ".";
  if (s.freePageMap.rebuilt)
    text += "\nMap of free pages: rebuilt from the pages in use (" +
            std::to_string(s.freePageMap.pagesInUseTakenAsFree) +
            " pages in use were listed as free or lay outside it).";
  text += "\nRead problems: " + std::to_string(s.readProblemCount()) + ".";
  text += "\nWrite problems: " + std::to_string(s.problems.size()) + ".";
  return text;
}

}  // namespace qbm
