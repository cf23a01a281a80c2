// list: the new list, or the old list in "Show Changed Drivers" (or, with --all, "Show ALL
// Drivers") mode, as the window would show it.

#include <iostream>

#include "cli/cli_session.h"
#include "cli/verbs.h"

namespace qbm::cli {

int list(const Args& args) {
  std::vector<std::string> files;
  bool all = false;
  for (const std::string& arg : args) {
    if (arg == "--all")
      all = true;
    else if (arg.starts_with("--"))
      return usage();
    else
      files.push_back(arg);
  }
  if (files.empty() || files.size() > 2) return usage();
  if (all && files.size() == 1) {
    std::cerr << "qbmerge-cli: --all lists the OLD database; give it after NEW.mdb\n";
    return usage();
  }

  CliSession cli;
  if (!cli.openNew(files[0])) return 1;
  if (files.size() == 1) {
    printList(cli.state().ToList);
    return std::cout ? 0 : 1;
  }
  if (!cli.openOld(files[1], all)) return 1;
  printList(cli.state().FromList);
  return std::cout ? 0 : 1;
}

}  // namespace qbm::cli
