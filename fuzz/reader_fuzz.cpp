// libFuzzer target for the file reader: opens the input as a database held in memory, reads every
// table, walks every row both ways, decodes every value, writes the JSON dump to nowhere and runs
// the integrity check. A jet::Error is the expected answer to a bad file; anything else (another
// exception, a crash, a sanitizer report, a hang) is a finding.
//
// Run with scripts/fuzz [seconds].

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <streambuf>
#include <vector>

#include "jet/check.h"
#include "jet/database.h"
#include "jet/dump.h"
#include "jet/error.h"

namespace {

class NullBuffer : public std::streambuf {
 protected:
  int overflow(int c) override { return c; }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

void readEverything(jet::Database& db) {
  for (const std::string& name : db.tableNames()) {
    jet::Table table = db.table(name);
    for (table.moveFirst(); !table.eof(); table.moveNext())
      for (std::size_t c = 0; c < table.columns().size(); ++c) table.get(static_cast<int>(c)).toString();
    for (table.moveLast(); !table.bof(); table.movePrevious()) table.bookmark();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    jet::Database db = jet::Database::openMemory(std::vector<std::uint8_t>(data, data + size));
    try {
      readEverything(db);
    } catch (const jet::Error&) {
    }
    try {
      NullBuffer nothing;
      std::ostream out(&nothing);
      jet::dumpJson(db, {}, out);
    } catch (const jet::Error&) {
    }
    jet::check(db);
  } catch (const jet::Error&) {
  }
  return 0;
}
