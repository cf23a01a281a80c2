#pragma once
// The verbs of qbmerge-cli. Each takes the arguments after the verb and returns the exit status:
// 0 success, 1 failure (message on stderr), 2 usage error; a merge stopped by a signal before it
// was saved 128 + its number. Whether what a verb wrote to standard output got there is judged
// after it returns (OutputStatus, cli/terminal.h), unless the verb did so itself.

#include <string>
#include <vector>

namespace qbm::cli {

using Args = std::vector<std::string>;

// list NEW.mdb [OLD.mdb] [--all] [--json]: the new list, or the old list (changed drivers, or all).
int list(const Args& args);
// show NEW.mdb --new <id>(ob|sb) | show NEW.mdb OLD.mdb --old <id>(ob|sb), [--english] [--json].
int show(const Args& args);
// merge NEW.mdb OLD.mdb [--all] [--omit <id>(ob|sb)]... [--overwrite yes|no] [--dry-run] [--list]
// [--json]:
// the omitted drivers struck, the merge, its summary and problems; with --list the old list before
// and the new list after; --json prints them as one JSON document (cli/json_output.h).
int merge(const Args& args);
// dump FILE.mdb [TABLE...] [--json]: tables as CSV or JSON; a journal beside the file is told in
// one line on stderr.
int dump(const Args& args);
// check FILE.mdb: the integrity report; exit 1 when anything is wrong, a pending journal included.
int check(const Args& args);
// recover FILE.mdb: undoes an interrupted change (or sets aside a journal that does not belong to
// the file), says which, then checks the file as check does.
int recover(const Args& args);
// undo NEW.mdb [--json]: puts the new database back exactly as it was before the last merge into
// it, and says what that merge had done; exit 1, nothing changed, when there is none or the file
// was changed after it.
int undo(const Args& args);
// samples DIR [--drivers N] [--seed S] [--format jet3|jet4]: writes the three sample databases into DIR.
int samples(const Args& args);

// Prints the usage text to stderr and returns 2.
int usage();

// The exit status of a command stopped by the signal: 128 + its number, as shells report it.
inline int SignalExitStatus(int signal) { return 128 + signal; }

}  // namespace qbm::cli
