#include "cli/json_output.h"

#include "jet/dump.h"

namespace qbm::cli {
namespace {

using jet::jsonString;

std::string boolean(bool b) { return b ? "true" : "false"; }

// The entry text "[" company "]  " model "  (ob)" taken apart; a text of another shape keeps its
// parts null (it is still given whole as "text").
std::string entryJson(const DriverList::Entry& e) {
  const EntryMarker marker = MarkerOfEntry(e.text);
  std::string out = "{\"id\": " + std::to_string(e.itemData) + ", \"side\": ";
  out += marker == EntryMarker::Woofer ? "\"ob\"" : marker == EntryMarker::Tweeter ? "\"sb\"" : "null";
  const std::size_t close = e.text.find("]  ");
  const std::size_t tail = WooferMarker.size() + 2;  // "  (ob)"
  if (marker != EntryMarker::Other && e.text.starts_with('[') && close != std::string::npos &&
      close + 3 + tail <= e.text.size())
    out += ", \"company\": " + jsonString(e.text.substr(1, close - 1)) +
           ", \"model\": " + jsonString(e.text.substr(close + 3, e.text.size() - tail - close - 3));
  else
    out += ", \"company\": null, \"model\": null";
  return out + ", \"text\": " + jsonString(e.text) + "}";
}

std::string countsJson(const MergeCounts& c) {
  return "{\"added\": " + std::to_string(c.added) + ", \"replaced\": " + std::to_string(c.replaced) +
         ", \"skipped\": " + std::to_string(c.skipped) + "}";
}

std::string problemsJson(const WriteProblems& problems) {
  std::string out = "[";
  for (const WriteProblem& p : problems.all())
    out += std::string(out.size() > 1 ? ",\n  " : "\n  ") + "{\"driver\": " + jsonString(p.driver) +
           ", \"what\": " + jsonString(p.what) + "}";
  return out + (out.size() > 1 ? "\n]" : "]");
}

}  // namespace

std::string ListJson(const DriverList& list) {
  std::string out = "{\"entries\": [";
  for (std::size_t i = 0; i < list.count(); ++i) out += (i ? ",\n  " : "\n  ") + entryJson(list.entry(i));
  return out + (list.empty() ? "" : "\n") + "], \"tooltip\": " + jsonString(list.tooltip) + "}";
}

std::string ReportJson(const ReportBox& box) {
  // A line is bold when every run it lies in (its line end included) is bold.
  std::string out = "{\"lines\": [", line;
  bool bold = true, first = true;
  const auto endLine = [&] {
    out += std::string(first ? "\n  " : ",\n  ") + "{\"text\": " + jsonString(line) + ", \"bold\": " + boolean(bold) + "}";
    first = false;
    line.clear();
    bold = true;
  };
  for (const ReportRun& run : box.runs()) {
    for (std::size_t at = 0; at < run.text.size();) {
      const std::size_t end = run.text.find("\r\n", at);
      line += run.text.substr(at, end == std::string::npos ? std::string::npos : end - at);
      bold = bold && run.bold;
      if (end == std::string::npos) break;
      endLine();
      at = end + 2;
    }
  }
  if (!line.empty()) endLine();  // the last line, when the report does not end in a line end
  return out + (first ? "" : "\n") + "]}";
}

std::string summaryJson(const MergeSummary& s) {
  return "{\"woofers\": " + countsJson(s.woofers) +
         ", \"tweeters\": " + countsJson(s.tweeters) + ", \"companiesAdded\": " + std::to_string(s.companiesAdded) +
         ", \"oldRowsMissing\": " + std::to_string(s.oldRowsMissing) + ", \"freePageMapRebuilt\": " +
         boolean(s.freePageMap.rebuilt) + ", \"oldRowsUnread\": " + std::to_string(s.oldScanUnread.rows) +
         ", \"oldPagesUnread\": " + std::to_string(s.oldScanUnread.pages) +
         ", \"readProblems\": " + std::to_string(s.readProblemCount()) +
         ", \"writeProblems\": " + std::to_string(s.problems.size()) + "}";
}

std::string MergeJson(const MergeSummary& s, bool dryRun) {
  return "{\"dryRun\": " + boolean(dryRun) + ",\n\"summary\": " + summaryJson(s) +
         ",\n\"readProblems\": " + problemsJson(s.readProblems) +
         ",\n\"writeProblems\": " + problemsJson(s.problems) + "}";
}

std::string PlanJson(const MergePlan& plan) {
  const auto number = [](const auto& value) {
    return value ? std::to_string(*value) : std::string("null");
  };
  std::string out = "{\"questionBefore\": " + number(plan.questionAt) + ", \"refused\": " +
                    boolean(plan.refused) + ",\n\"expected\": " + summaryJson(plan.expected()) +
                    ",\n\"entries\": [";
  for (std::size_t i = 0; i < plan.entries.size(); ++i) {
    const PlannedEntry& p = plan.entries[i];
    const char* action = p.action == PlannedAction::Add       ? "add"
                         : p.action == PlannedAction::Replace ? "replace"
                                                              : "skip";
    out += std::string(i ? ",\n  " : "\n  ") + "{\"entry\": " + jsonString(p.entry.text) +
           ", \"action\": \"" + action + "\", \"skipped\": " +
           (p.skip == SkipReason::None ? std::string("null") : jsonString(std::string(SkipReasonName(p.skip)))) +
           ", \"company\": " + (p.company.id > 0 ? std::to_string(p.company.id) : "null") +
           ", \"companyCopiedBy\": " + number(p.company.copiedBy) +
           ", \"copiesCompany\": " + boolean(p.copiesCompany) + ", \"replaces\": " +
           (p.row.existing ? std::to_string(p.row.existing->id) : "null") +
           ", \"replacesRowAddedBy\": " + number(p.row.addedBy) + "}";
  }
  return out + (plan.entries.empty() ? "" : "\n") + "]}";
}

}  // namespace qbm::cli
