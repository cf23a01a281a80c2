// qbmerge-cli: the program's core without a window, plus tools for the database files themselves.

#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX  // libstdc++ defines it on MinGW
#define NOMINMAX
#endif
#include <windows.h>
#endif

#include "cli/terminal.h"
#include "cli/verbs.h"
#include "common/standard_descriptors.h"
#include "common/stop_signals.h"

namespace qbm::cli {

namespace {

void printUsage(std::ostream& out) {
  out << "usage:\n"
               "  qbmerge-cli list NEW.mdb [OLD.mdb] [--all] [--json]\n"
               "  qbmerge-cli show NEW.mdb --new <id>(ob|sb) [--english] [--json]\n"
               "  qbmerge-cli show NEW.mdb OLD.mdb --old <id>(ob|sb) [--english] [--json]\n"
               "  qbmerge-cli merge NEW.mdb OLD.mdb [--all] [--omit <id>(ob|sb)]... [--overwrite yes|no]\n"
               "                    [--dry-run] [--list] [--json] prints what the merge did and every\n"
               "                                                  problem; --list also the old list before\n"
               "                                                  and the new list after\n"
               "  --json: list, show and merge print one JSON document instead (shapes in the README)\n"
               "  qbmerge-cli dump FILE.mdb [TABLE...] [--json]   tables as CSV (an empty line between\n"
               "                                                  tables) or as one JSON document\n"
               "  qbmerge-cli check FILE.mdb                       integrity report; exit 1 on problems or\n"
               "                                                  an interrupted change pending\n"
               "  qbmerge-cli recover FILE.mdb                     undoes an interrupted change (a journal\n"
               "                                                  left beside the file), then checks it\n"
               "  qbmerge-cli undo NEW.mdb [--json]                puts NEW.mdb back exactly as it was before\n"
               "                                                  the last merge into it and says what that\n"
               "                                                  merge did; refused, nothing changed, when\n"
               "                                                  the file was changed after it\n"
               "  qbmerge-cli samples DIR [--drivers N] [--seed S] [--companies C] [--format jet3|jet4]\n"
               "                                                  writes qbaudio.mdb, xqbaudio.mdb and\n"
               "                                                  spkrbase.mdb (N new drivers, default 2000;\n"
               "                                                  C companies, IDs past 900 from 901 on;\n"
               "                                                  Access 2000 files unless jet3, Access 97;\n"
               "                                                  the same N, S and format give the same files)\n"
               "  qbmerge-cli --version | --help\n"
               "Exit status:\n"
               "  0        done (a merge: saved, also when a stop signal came after it was saved)\n"
               "  1        failed, with a message on stderr; also when the output could not be written\n"
               "           (a full disk, a closed pipe), which the message says, and whether the merge\n"
               "           itself was saved; check: problems found or an interrupted change pending;\n"
               "           undo: no merge to undo, or the file was changed after it\n"
               "  2        usage error\n"
               "  128 + n  a merge stopped by signal n (SIGINT 130, SIGTERM 143, SIGHUP 129) before it\n"
               "           was saved: rolled back, nothing written\n";
}

}  // namespace

int usage() {
  printUsage(std::cerr);
  return 2;
}

namespace {

#ifdef _WIN32
// A console shows the program's UTF-8 as UTF-8 while it runs; its own code page and modes are given
// back at the end.
class Utf8Console {
 public:
  Utf8Console() : saved_(GetConsoleOutputCP()) {
    if (saved_ != 0) SetConsoleOutputCP(CP_UTF8);
    // The progress line's escape sequences are read as such, not shown.
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    if (GetConsoleMode(err, &errMode_)) SetConsoleMode(err, errMode_ | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
  }
  ~Utf8Console() {
    if (saved_ != 0) SetConsoleOutputCP(saved_);
    if (errMode_ != 0) SetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), errMode_);
  }
  Utf8Console(const Utf8Console&) = delete;
  Utf8Console& operator=(const Utf8Console&) = delete;

 private:
  UINT saved_;  // 0: no console
  DWORD errMode_ = 0;
};

std::string utf8Of(const wchar_t* text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? static_cast<std::size_t>(n) : 1, '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
  out.pop_back();  // the terminating NUL
  return out;
}
#endif

}  // namespace

int run(int argc, char** argv);

}  // namespace qbm::cli

#ifdef _WIN32
// The arguments as UTF-16, as Windows keeps them (main's would be in the ANSI code page, which
// cannot hold most names), carried on as UTF-8 like every text of the program.
int wmain(int argc, wchar_t** wideArgv) {
  const qbm::cli::Utf8Console console;
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) arguments.push_back(qbm::cli::utf8Of(wideArgv[i]));
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  return qbm::cli::run(argc, argv.data());
}
#else
int main(int argc, char** argv) { return qbm::cli::run(argc, argv); }
#endif

int qbm::cli::run(int argc, char** argv) {
  using namespace qbm::cli;
  qbm::ReopenClosedStandardDescriptors();  // before any file is opened
  qbm::InstallStopSignalHandlers();
#ifdef SIGPIPE
  // A reader that went away (qbmerge-cli merge --list | head -1) is a failed write, told and
  // counted as such, not a death that would hide whether the merge was saved.
  std::signal(SIGPIPE, SIG_IGN);
#endif
  if (argc < 2) return usage();
  if (std::strcmp(argv[1], "--version") == 0) {
    std::cout << "qbmerge-cli " QBM_VERSION "\n";
    return OutputStatus(0);
  }
  if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    printUsage(std::cout);
    return OutputStatus(0);
  }
  const std::map<std::string, int (*)(const Args&)> verbs = {
      {"list", &list},
      {"show", &show},
      {"merge", &merge},
      {"dump", &dump},
      {"check", &check},
      {"recover", &recover},
      {"undo", &undo},
      {"samples", &samples},
  };
  auto verb = verbs.find(argv[1]);
  if (verb == verbs.end()) return usage();
  Args args(argv + 2, argv + argc);
  int status = 1;
  try {
    status = verb->second(args);
  } catch (const std::exception& e) {
    // Whatever a verb did not deal with itself is told, never passed over.
    std::cerr << "qbmerge-cli: " << TerminalText(e.what()) << "\n";
  }
  return OutputStatus(status);
}
