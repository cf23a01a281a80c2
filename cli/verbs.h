#pragma once
// The verbs of qbmerge-cli. Each takes the arguments after the verb and returns the exit status:
// 0 success, 1 failure (message on stderr), 2 usage error.

#include <string>
#include <vector>

namespace qbm::cli {

using Args = std::vector<std::string>;

// list NEW.mdb [OLD.mdb] [--all]: the new list, or the old list (changed drivers, or all).
int list(const Args& args);
// show NEW.mdb --new <id>(ob|sb) | show NEW.mdb OLD.mdb --old <id>(ob|sb), [--english].
int show(const Args& args);
// merge NEW.mdb OLD.mdb [--all] [--omit <id>(ob|sb)]... [--overwrite yes|no] [--dry-run]: the old
// list, the omitted drivers struck, the merge, its summary, then the new list.
int merge(const Args& args);
int dump(const Args& args);
int check(const Args& args);
// samples DIR [--drivers N] [--seed S] [--format jet3|jet4]: writes the three sample databases into DIR.
int samples(const Args& args);

// Prints the usage text to stderr and returns 2.
int usage();

}  // namespace qbm::cli
