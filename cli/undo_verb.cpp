// undo: put the new database back exactly as it was before the last merge into it, and say which
// merge that was.

#include <iostream>

#include "cli/terminal.h"
#include "cli/verbs.h"
#include "jet/database.h"
#include "jet/error.h"
#include "jet/path_text.h"
#include "merge/merge_record.h"
#include "cli/cli_session.h"

namespace qbm::cli {
namespace {

std::string countsLine(const char* what, const MergeCounts& c) {
  return std::string(what) + ": " + std::to_string(c.added) + " added, " + std::to_string(c.replaced) +
         " replaced, " + std::to_string(c.skipped) + " skipped.\n";
}

std::string countsJson(const MergeCounts& c) {
  return "{\"added\": " + std::to_string(c.added) + ", \"replaced\": " + std::to_string(c.replaced) +
         ", \"skipped\": " + std::to_string(c.skipped) + "}";
}

// {"undone": {"when", "woofers": {...}, "tweeters": {...}, "companiesAdded"}}; "when" holds only
// digits, '-', ':' and a space as the merge wrote it, and anything else is dropped.
std::string undoneJson(const MergeRecord& r) {
  std::string when;
  for (const char c : r.when)
    if ((c >= '0' && c <= '9') || c == '-' || c == ':' || c == ' ') when += c;
  return "{\"undone\": {\"when\": \"" + when + "\", \"woofers\": " + countsJson(r.woofers) +
         ", \"tweeters\": " + countsJson(r.tweeters) + ", \"companiesAdded\": " + std::to_string(r.companiesAdded) +
         "}}";
}

}  // namespace

int undo(const Args& args) {
  std::string path;
  bool json = false;
  for (const std::string& arg : args) {
    if (arg == "--json")
      json = true;
    else if (arg.starts_with("--") || !path.empty())
      return usage();
    else
      path = arg;
  }
  if (path.empty()) return usage();
  const std::string file = TerminalLine(path);
  if (const std::optional<std::string> reason = NotAFileReason(path)) {
    std::cerr << "qbmerge-cli: " << file << ": " << *reason << ".\n";
    return 1;
  }
  MergeRecord merge;
  try {
    jet::Database db = jet::Database::open(jet::pathFromUtf8(path));
    if (db.journalFinding().kind == jet::JournalFinding::Kind::RolledBack)
      std::cerr << "qbmerge-cli: " << file << ": an interrupted change was undone first\n";
    merge = DecodeMergeRecord(db.undoKeptTransaction());
  } catch (const jet::Error& e) {
    if (e.code() == jet::ErrorCode::NothingToUndo)
      std::cerr << "qbmerge-cli: " << file << ": there is no merge to undo: " << TerminalLine(e.what())
                << ". Nothing was changed.\n";
    else if (e.code() == jet::ErrorCode::UndoRefused)
      std::cerr << "qbmerge-cli: " << file << ": the last merge cannot be undone: " << TerminalLine(e.what())
                << ".\n";
    else
      std::cerr << "qbmerge-cli: " << file << ": the merge was not undone (" << jet::toString(e.code())
                << "): " << TerminalLine(e.what()) << "\n";
    return 1;
  }
  if (json)
    std::cout << undoneJson(merge) << '\n';
  else
    std::cout << "Undone: the merge" << (merge.when.empty() ? "" : " of " + TerminalLine(merge.when)) << " into "
              << file << ":\n"
              << countsLine("Woofers", merge.woofers) << countsLine("Tweeters", merge.tweeters)
              << "Companies: " << merge.companiesAdded << " added.\n"
              << "The file is exactly as it was before that merge.\n";
  return OutputStatus(0, "the merge itself was undone");
}

}  // namespace qbm::cli
