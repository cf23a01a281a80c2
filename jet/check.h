#pragma once
// The integrity checker: reads a whole database and reports everything that is not as it must be.
// An empty list means the file is sound.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace jet {

class Database;

struct Problem {
  std::string where;  // "table woofers, index Model, page 123", "page 45", ...
  std::string what;   // what is wrong
};

std::vector<Problem> check(Database& db);
// Pages that nothing uses and the free-page map does not list, that are not empty (check() does
// not report those of them that files written by Access have too, such as long-value pages).
std::vector<std::uint32_t> unusedPages(Database& db);
// Opens the file read-only, shared with other readers but never with a writer, and checks it. A
// file that cannot be opened gives one problem saying why.
std::vector<Problem> check(const std::filesystem::path& path);

}  // namespace jet
