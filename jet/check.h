#pragma once
// The integrity checker: reads a whole database and reports everything that is not as it must be.
// An empty list means the file is sound.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace jet {

class Database;

enum class ProblemKind {
  Damage,
  // A page in use that the map of free pages lists as free or does not cover, and nothing worse
  // about it: repairFreePageMap() (free_page_map_repair.h) mends it.
  FreePageMap,
};

struct Problem {
  std::string where;  // "table woofers, index Model, page 123", "page 45", ...
  std::string what;   // what is wrong
  ProblemKind kind = ProblemKind::Damage;
};

// Told before each table of the catalog is checked: its name, the tables checked before it and
// their number; once more, with the name empty, before the checks of the whole file.
using CheckProgress = std::function<void(const std::string& table, std::size_t done, std::size_t total)>;

std::vector<Problem> check(Database& db, const CheckProgress& progress = {});
// The checks a writer needs before it changes the named tables, cheaper than check() on a file
// with other large tables: the definitions, page maps, rows, row counts, indexes, long values and
// autonumber counters of the named tables and of the system catalog's tables (MSysObjects and the
// others, which every writer relies on), and the ownership of every page of the file (a page used
// by two things, or in use and listed free or outside the map of free pages). Other user tables'
// rows and indexes are not checked, nor pages that no table's map lists. Throws
// Error(MissingTable).
std::vector<Problem> check(Database& db, const std::vector<std::string>& tables);
// Pages that nothing uses and the free-page map does not list, that are not empty (check() does
// not report those of them that files written by Access have too, such as long-value pages).
std::vector<std::uint32_t> unusedPages(Database& db);
// Opens the file read-only, shared with other readers but never with a writer, and checks it. A
// file that cannot be opened gives one problem saying why.
std::vector<Problem> check(const std::filesystem::path& path);

}  // namespace jet
