// list: the new list, or the old list in "Show Changed Drivers" (or, with --all, "Show ALL
// Drivers") mode, as the window would show it; as lines, or with --json as one JSON document.

#include <iostream>

#include "cli/cli_session.h"
#include "cli/json_output.h"
#include "cli/verbs.h"

namespace qbm::cli {

int list(const Args& args) {
  std::vector<std::string> files;
  bool all = false, json = false;
  for (const std::string& arg : args) {
    if (arg == "--all")
      all = true;
    else if (arg == "--json")
      json = true;
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
  if (!cli.openNew(files[0], false)) return 1;
  if (files.size() == 2 && !cli.openOld(files[1], all)) return 1;
  const DriverList& list = files.size() == 1 ? cli.state().ToList : cli.state().FromList;
  if (json)
    std::cout << ListJson(list) << '\n';
  else
    printList(list);
  return 0;  // whether the output got there is told by the caller (OutputStatus)
}

}  // namespace qbm::cli
