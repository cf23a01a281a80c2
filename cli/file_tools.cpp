// dump and check: tools for the database files themselves.

#include <iostream>

#include "cli/verbs.h"
#include "jet/check.h"
#include "jet/database.h"
#include "jet/dump.h"
#include "jet/error.h"
#include "session/failure_messages.h"

namespace qbm::cli {

namespace {

jet::Database openForReading(const std::string& path) {
  return jet::Database::open(path, {.exclusive = false, .readOnly = true});
}

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
  jet::Database db = openForReading(file);
  std::ios::sync_with_stdio(false);
  jet::DumpGaps gaps;
  if (json) {
    gaps = jet::dumpJson(db, tables, std::cout);
  } else {
    if (tables.empty()) tables = db.tableNames();
    for (std::size_t i = 0; i < tables.size(); ++i) {
      if (i) std::cout << "\n";  // an empty line between tables
      gaps += jet::dumpCsv(db, tables[i], std::cout);
    }
  }
  std::cout.flush();
  if (gaps.any()) {
    const ReadProblems unread{.rows = static_cast<long>(gaps.rows), .pages = static_cast<long>(gaps.pages)};
    std::cerr << "qbmerge-cli: " << file << ": the file is damaged: " << UnreadablePartsText(unread)
              << " could not be read and " << (unread.total() == 1 ? "is" : "are")
              << " left out of the dump. \"qbmerge-cli check " << file << "\" lists what is wrong.\n";
    return 1;
  }
  return std::cout ? 0 : 1;
}

int check(const Args& args) {
  if (args.size() != 1 || args[0].starts_with("--")) return usage();
  std::vector<jet::Problem> problems = jet::check(std::filesystem::path(args[0]));
  for (const jet::Problem& p : problems) std::cout << p.where << ": " << p.what << "\n";
  if (problems.empty()) {
    std::cout << args[0] << ": no problems found\n";
    return 0;
  }
  std::cout << problems.size() << (problems.size() == 1 ? " problem" : " problems") << " found in " << args[0] << "\n";
  return 1;
}

}  // namespace qbm::cli
