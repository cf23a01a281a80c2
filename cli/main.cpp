// qbmerge-cli: the program's core without a window, plus tools for the database files themselves.

#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <map>
#include <string>

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
               "  qbmerge-cli samples DIR [--drivers N] [--seed S] [--format jet3|jet4]\n"
               "                                                  writes qbaudio.mdb, xqbaudio.mdb and\n"
               "                                                  spkrbase.mdb (N new drivers, default 2000;\n"
               "                                                  Access 2000 files unless jet3, Access 97;\n"
               "                                                  the same N, S and format give the same files)\n"
               "  qbmerge-cli --version | --help\n"
               "Exit status: 0 done, 1 failed, 2 usage error; a merge stopped by SIGINT, SIGTERM or SIGHUP\n"
               "is rolled back and exits with 128 + the signal's number.\n";
}

}  // namespace

int usage() {
  printUsage(std::cerr);
  return 2;
}

}  // namespace qbm::cli

int main(int argc, char** argv) {
  using namespace qbm::cli;
  qbm::ReopenClosedStandardDescriptors();  // before any file is opened
  qbm::InstallStopSignalHandlers();
  if (argc < 2) return usage();
  if (std::strcmp(argv[1], "--version") == 0) {
    std::cout << "qbmerge-cli " QBM_VERSION "\n";
    return std::cout.flush() ? 0 : 1;
  }
  if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    printUsage(std::cout);
    return std::cout.flush() ? 0 : 1;
  }
  const std::map<std::string, int (*)(const Args&)> verbs = {
      {"list", &list},
      {"show", &show},
      {"merge", &merge},
      {"dump", &dump},
      {"check", &check},
      {"recover", &recover},
      {"samples", &samples},
  };
  auto verb = verbs.find(argv[1]);
  if (verb == verbs.end()) return usage();
  Args args(argv + 2, argv + argc);
  try {
    return verb->second(args);
  } catch (const std::exception& e) {
    std::cerr << "qbmerge-cli: " << TerminalText(e.what()) << "\n";
    return 1;
  }
}
