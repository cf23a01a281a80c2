// dump and check: tools for the database files themselves.

#include <iostream>

#include "cli/verbs.h"

namespace qbm::cli {

int dump(const Args&) {
  std::cerr << "qbmerge-cli dump: not built yet\n";
  return 1;
}

int check(const Args&) {
  std::cerr << "qbmerge-cli check: not built yet\n";
  return 1;
}

}  // namespace qbm::cli
