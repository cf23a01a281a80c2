// dump, check and recover: tools for the database files themselves.

#include <algorithm>
#include <cstring>
#include <iostream>
#include <optional>
#include <streambuf>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "cli/cli_session.h"
#include "cli/progress_line.h"
#include "cli/terminal.h"
#include "cli/verbs.h"
#include "jet/check.h"
#include "jet/database.h"
#include "jet/dump.h"
#include "jet/error.h"
#include "jet/path_text.h"
#include "session/failure_messages.h"

namespace qbm::cli {

namespace {

jet::Database openForReading(const std::string& path) {
  return jet::Database::open(jet::pathFromUtf8(path), {.exclusive = false, .readOnly = true});
}

// Says on stderr, in one line, that a journal beside the file is not applied: pending (it will be
// rolled back) or not belonging to the file. Returns whether there was one.
bool warnOfJournal(const std::string& file, const jet::JournalFinding& finding) {
  using Kind = jet::JournalFinding::Kind;
  const std::string journal = TerminalLine(jet::utf8Of(finding.journal));
  if (finding.kind == Kind::Pending) {
    std::cerr << "qbmerge-cli: warning: " << TerminalLine(file) << " has an interrupted change pending (" << journal
              << "): the file on disk is half-written and is shown as it was before that change. Restore it with "
                 "\"qbmerge-cli recover "
              << TerminalLine(file) << "\".\n";
    return true;
  }
  if (finding.kind == Kind::Ignored) {
    std::cerr << "qbmerge-cli: warning: " << journal << " is not applied to " << TerminalLine(file) << ", as "
              << TerminalLine(finding.reason) << "; the file is shown as it is. \"qbmerge-cli recover "
              << TerminalLine(file) << "\" moves the journal aside.\n";
    return true;
  }
  return false;
}

// Refuses, with the reason, a path that is no regular file (a folder, a named pipe that would
// block the read, a device).
bool refuseNonFile(const std::string& path) {
  const std::optional<std::string> reason = NotAFileReason(path);
  if (!reason) return false;
  std::cerr << "qbmerge-cli: " << TerminalLine(path) << ": " << *reason << ".\n";
  return true;
}

// The integrity report of an open database; 0 when it is sound, 1 otherwise.
int report(jet::Database& db, const std::string& path) {
  std::vector<jet::Problem> problems;
  {
    ProgressLine progress;
    problems = jet::check(db, [&](const std::string& table, std::size_t done, std::size_t total) {
      progress.show(table.empty() ? "Checking the pages of " + path : "Checking table " + table);
      progress.update(static_cast<long>(done), static_cast<long>(total));
    });
  }
  for (const jet::Problem& p : problems) std::cout << TerminalLine(p.where) << ": " << TerminalLine(p.what) << "\n";
  if (problems.empty()) {
    std::cout << TerminalLine(path) << ": no problems found\n";
    return 0;
  }
  std::cout << problems.size() << (problems.size() == 1 ? " problem" : " problems") << " found in "
            << TerminalLine(path) << "\n";
  return 1;
}

// Why the file cannot be opened, with what to do about a journal kept beside it.
std::string cannotOpenText(const std::string& path, const jet::Error& e) {
  std::string text = path + ": cannot be opened (" + jet::toString(e.code()) + "): " + e.what();
  if (e.code() == jet::ErrorCode::JournalKept) text += ". " + KeptJournalAdvice(path) + ".";
  return TerminalLine(text);
}

int cannotOpen(const std::string& path, const jet::Error& e) {
  std::cout << cannotOpenText(path, e) << "\n";
  return 1;
}

// Passes what is written on to another stream buffer and shows the lines written so far as the
// count of a progress line.
class LineCountingBuffer : public std::streambuf {
 public:
  LineCountingBuffer(std::streambuf& to, ProgressLine& progress) : to_(to), progress_(progress) {}
  // The lines of the next part count from 0 of total.
  void startPart(long total) {
    lines_ = 0;
    total_ = total;
  }

 protected:
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    for (const char* at = s; (at = static_cast<const char*>(std::memchr(at, '\n', static_cast<std::size_t>(s + n - at))));
         ++at)
      ++lines_;
    progress_.update(total_ > 0 ? std::min(lines_, total_) : lines_, total_);
    return to_.sputn(s, n);
  }
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char ch = traits_type::to_char_type(c);
    return xsputn(&ch, 1) == 1 ? c : traits_type::eof();
  }
  int sync() override { return to_.pubsync(); }

 private:
  std::streambuf& to_;
  ProgressLine& progress_;
  long lines_ = 0, total_ = 0;
};

}  // namespace

int dump(const Args& args) {
  std::string file;
  std::vector<std::string> tables;
  bool json = false;
  for (const std::string& arg : args) {
    if (arg == "--json")
      json = true;
    else if (arg.starts_with("--"))
      return usage();
    else if (file.empty())
      file = arg;
    else
      tables.push_back(arg);
  }
  if (file.empty()) return usage();
  if (refuseNonFile(file)) return 1;
  std::optional<jet::Database> opened;
  try {
    opened.emplace(openForReading(file));
  } catch (const jet::Error& e) {
    if (e.code() != jet::ErrorCode::JournalKept) throw;  // told by the caller, as every failure
    std::cerr << "qbmerge-cli: " << cannotOpenText(file, e) << "\n";  // stdout is for the tables
    return 1;
  }
  jet::Database& db = *opened;
  warnOfJournal(file, db.journalFinding());
#ifdef _WIN32
  // The tables' bytes as stored: in text mode a memo's CR LF would come out as CR CR LF.
  std::cout.flush();
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  std::ios::sync_with_stdio(false);
  jet::DumpGaps gaps;
  {
    // On a terminal the text is shown safe (TerminalOutput); a file or a pipe gets the exact bytes.
    std::streambuf* target = std::cout.rdbuf();
    std::optional<TerminalOutputBuffer> shown;
    if (stdoutIsTerminal()) target = &shown.emplace(*target);
    std::ostream plainOut(target);
    // On a terminal's stderr, the lines written so far: of the whole document, or of each table's
    // rows (and its header line).
    ProgressLine progress;
    LineCountingBuffer counting(*target, progress);
    std::ostream countingOut(&counting);
    std::ostream& out = progress.enabled() ? countingOut : plainOut;
    if (json) {
      progress.show("Dumping " + file);
      gaps = jet::dumpJson(db, tables, out);
    } else {
      if (tables.empty()) tables = db.tableNames();
      for (std::size_t i = 0; i < tables.size(); ++i) {
        if (i) out << "\n";  // an empty line between tables
        progress.show("Dumping table " + tables[i]);
        if (progress.enabled()) counting.startPart(db.table(tables[i]).rowCount() + 1);
        gaps += jet::dumpCsv(db, tables[i], out);
        progress.clear();  // the next table's caption is shown at once
      }
    }
    out.flush();
    if (!out) std::cout.setstate(std::ios::badbit);  // a failed write through the buffers above
  }
  if (gaps.any()) {
    const ReadProblems unread{.rows = static_cast<long>(gaps.rows), .pages = static_cast<long>(gaps.pages)};
    std::cerr << "qbmerge-cli: " << TerminalLine(file) << ": the file is damaged: " << UnreadablePartsText(unread)
              << " could not be read and " << (unread.total() == 1 ? "is" : "are")
              << " left out of the dump. \"qbmerge-cli check " << TerminalLine(file) << "\" lists what is wrong.\n";
    return 1;
  }
  return 0;  // whether the output got there is told by the caller (OutputStatus)
}

int check(const Args& args) {
  if (args.size() != 1 || args[0].starts_with("--")) return usage();
  const std::string& path = args[0];
  if (refuseNonFile(path)) return 1;
  try {
    jet::Database db = openForReading(path);
    const bool journal = warnOfJournal(path, db.journalFinding());
    const int status = report(db, path);
    return journal ? 1 : status;
  } catch (const jet::Error& e) {
    return cannotOpen(path, e);
  }
}

int recover(const Args& args) {
  if (args.size() != 1 || args[0].starts_with("--")) return usage();
  const std::string& path = args[0];
  if (refuseNonFile(path)) return 1;
  try {
    jet::Database db = jet::Database::open(path, {.exclusive = true, .readOnly = false});
    const jet::JournalFinding& finding = db.journalFinding();
    using Kind = jet::JournalFinding::Kind;
    const std::string file = TerminalLine(path);
    if (finding.kind == Kind::RolledBack)
      std::cout << file << ": an interrupted change was undone; the file is as it was before that change\n";
    else if (finding.kind == Kind::SetAside)
      std::cout << TerminalLine(jet::utf8Of(finding.journal)) << " was not applied, as " << TerminalLine(finding.reason)
                << "; it was moved to " << TerminalLine(jet::utf8Of(finding.setAsidePath)) << "\n";
    else
      std::cout << file << ": no interrupted change to undo\n";
    return report(db, path);
  } catch (const jet::Error& e) {
    return cannotOpen(path, e);
  }
}

}  // namespace qbm::cli
