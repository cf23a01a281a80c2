#pragma once
// The check of the NEW database that a merge makes before its first write. A merge writes into the
// five tables of the driver database, their indexes and long values, and takes pages for them; in a
// damaged file it would build on what is broken and make it worse (a page taken by two tables). So
// those structures are checked first (jet::check of the five tables and of the catalog's system
// tables, through which every table is found: their rows, indexes, usage maps and the ownership of
// every page), and a damaged file is refused before anything is written.
//
// A page in use that the map of free pages lists as free or leaves out is not a reason to refuse:
// the merge repairs that map next (jet::repairFreePageMap), before it takes any page.

#include <exception>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "jet/check.h"
#include "jet/database.h"

namespace qbm {

class NewDatabaseDamaged : public std::runtime_error {
 public:
  explicit NewDatabaseDamaged(std::vector<jet::Problem> problems);
  // What is wrong, in the order the check found it; never empty.
  const std::vector<jet::Problem>& problems() const { return problems_; }

 private:
  std::vector<jet::Problem> problems_;
};

// Throws NewDatabaseDamaged naming what is wrong with the five tables, the catalog and the pages of
// the file, apart from what the repair of the map of free pages mends. Reads only.
void CheckNewDatabaseBeforeWrite(jet::Database& db);

// The same check on a thread of its own, through a read view of the database (Database::readView),
// while the caller reads the database too (the merge makes its plan meanwhile). Nothing may write
// the database until wait() has returned. The check's failure comes first: wait() rethrows it,
// and the caller drops what its own reading gave or threw, as if the check had run before it.
class NewDatabaseCheckAlongside {
 public:
  // Starts the check. Engine errors of making the view reach the caller.
  explicit NewDatabaseCheckAlongside(jet::Database& db);
  // Waits for the check (its result is then dropped) and closes the view.
  ~NewDatabaseCheckAlongside();
  NewDatabaseCheckAlongside(const NewDatabaseCheckAlongside&) = delete;
  NewDatabaseCheckAlongside& operator=(const NewDatabaseCheckAlongside&) = delete;

  // Waits for the check and closes the view; rethrows what the check threw (NewDatabaseDamaged, or
  // an engine error of reading the file).
  void wait();

 private:
  jet::Database view_;
  std::exception_ptr failure_;
  std::thread thread_;  // last: started once everything above exists
};

// "<where>: <what>", one problem per line, at most maxLines lines and then a line saying how many
// more there are.
std::string DamageLines(const std::vector<jet::Problem>& problems, std::size_t maxLines);

}  // namespace qbm
