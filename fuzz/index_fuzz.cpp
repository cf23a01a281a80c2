// libFuzzer target for index walks and seeks: opens the input as a database held in memory and,
// for every index of every table, walks the table in index order both ways, seeks the key of the
// first row it met (whole key and leading column), returns to a bookmark after a seek, and seeks a
// key no row has. A jet::Error is the expected answer to a bad file; anything else (another
// exception, a crash, a sanitizer report, a hang) is a finding. (The index checks are fuzzed
// through check() by reader_fuzz.)
//
// Run like reader_fuzz, seeded with the same files:
//   build-fuzz/fuzz/index_fuzz -max_total_time=60 -max_len=262144 ../shared/interop ../shared/fixtures

#include <cstddef>
#include <cstdint>
#include <vector>

#include "jet/database.h"
#include "jet/error.h"

namespace {

void exerciseIndex(jet::Table& table, const jet::IndexDefinition& index) {
  table.setIndex(index.name);
  std::vector<jet::Value> key;
  std::size_t steps = 0;
  for (table.moveFirst(); !table.eof(); table.moveNext()) {
    if (key.empty())
      for (const jet::IndexColumn& c : index.columns) key.push_back(table.get(c.name));
    ++steps;
  }
  for (table.moveLast(); !table.bof(); table.movePrevious()) --steps;
  if (key.empty()) return;
  if (table.seek(key)) {
    jet::Bookmark mark = table.bookmark();
    table.seek(key.front());
    table.setBookmark(mark);
    table.moveNext();
  }
  table.seek(jet::Value("\x01 no row has this key"));
  (void)steps;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    jet::Database db = jet::Database::openMemory(std::vector<std::uint8_t>(data, data + size));
    for (const std::string& name : db.tableNames()) {
      try {
        jet::Table table = db.table(name);
        for (const jet::IndexDefinition& index : table.indexes()) {
          try {
            exerciseIndex(table, index);
          } catch (const jet::Error&) {
          }
        }
      } catch (const jet::Error&) {
      }
    }
  } catch (const jet::Error&) {
  }
  return 0;
}
