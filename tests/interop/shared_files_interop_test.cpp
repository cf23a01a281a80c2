// The command line's dumps of every shared Access file against independent readers:
//  - `qbmerge-cli dump --json` equals NAME.json (what the Java reader saw);
//  - `qbmerge-cli dump FILE TABLE` (CSV) equals `mdb-export FILE TABLE`, with only the number and
//    date formats normalised and mdbtools' own limits allowed for;
//  - tests/interop/node/read.mjs (the JavaScript reader) sees the same as NAME.json.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <regex>
#include <sstream>

#include "jet/database.h"
#include "tests/interop/csv_compare.h"
#include "tests/interop/table_compare.h"
#include "tests/support/json.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;
using qbm::test::Json;


using qbm::test::quoted;

bool isJet3(const fs::path& file) {
  jet::Database db = jet::Database::open(file, {.exclusive = false, .readOnly = true});
  return db.format() == jet::Format::Jet3;
}

using qbm::test::CsvRow;
using qbm::test::csvRowText;
using qbm::test::parseCsv;
using qbm::test::sameCsvRow;

class SharedFileInterop : public testing::TestWithParam<std::string> {
 protected:
  fs::path file() const { return qbm::test::sharedDir() / GetParam(); }
};

TEST_P(SharedFileInterop, JsonDumpEqualsTheIndependentReading) {
  QBM_REQUIRE_SHARED();
  std::string out;
  ASSERT_EQ(0, qbm::test::runCommand(qbm::test::cliCommand() + " dump " + quoted(file().string()) + " --json", &out));
  Json expected = qbm::test::readJsonFile(fs::path(file()).replace_extension(".json"));
  qbm::test::expectSameDatabase(expected, Json::parse(out), {.jet3 = isJet3(file())});
}

// Row order is not compared: mdbtools lists an overflow row where its data lies, not where the row
// is; the physical order is checked against the JSON readings.
TEST_P(SharedFileInterop, CsvDumpEqualsMdbExport) {
  QBM_REQUIRE_SHARED();
  if (!qbm::test::haveProgram("mdb-export")) GTEST_SKIP() << "mdb-export (mdbtools) is not installed";
  jet::Database db = jet::Database::open(file(), {.exclusive = false, .readOnly = true});
  for (const std::string& name : db.tableNames()) {
    SCOPED_TRACE("table " + name);
    std::vector<jet::ColumnDefinition> columns = db.table(name).columns();
    std::string theirs, ours;
    ASSERT_EQ(0, qbm::test::runCommand("mdb-export " + quoted(file().string()) + " " + quoted(name), &theirs));
    ASSERT_EQ(0, qbm::test::runCommand(qbm::test::cliCommand() + " dump " + quoted(file().string()) + " " + quoted(name), &ours));
    std::vector<CsvRow> a = parseCsv(theirs), b = parseCsv(ours);
    ASSERT_FALSE(b.empty());
    EXPECT_EQ(a.front(), b.front()) << "header lines differ";
    ASSERT_EQ(a.size(), b.size()) << "row counts differ";
    std::vector<bool> used(b.size(), false);
    for (std::size_t r = 1; r < a.size(); ++r) {
      bool found = false;
      for (std::size_t k = 1; k < b.size() && !found; ++k)
        if (!used[k] && sameCsvRow(a[r], b[k], columns)) used[k] = found = true;
      EXPECT_TRUE(found) << "mdb-export row " << r << " has no equal in the dump: " << csvRowText(a[r]);
    }
  }
}

TEST_P(SharedFileInterop, JavaScriptReaderSeesTheIndependentReading) {
  QBM_REQUIRE_SHARED();
  if (!qbm::test::haveProgram("node") ||
      !fs::exists(fs::path(QBM_SOURCE_DIR) / "tests/interop/node/node_modules/mdb-reader"))
    GTEST_SKIP() << "node or mdb-reader is not installed (scripts/deps installs them)";
  std::string out;
  ASSERT_EQ(0, qbm::test::runCommand("node " + quoted(qbm::test::nodeReaderScript()) + " " + quoted(file().string()), &out));
  Json expected = qbm::test::readJsonFile(fs::path(file()).replace_extension(".json"));
  // mdb-reader reports no indexes and lists overflow rows where their data lies.
  qbm::test::expectSameDatabase(expected, Json::parse(out),
                                {.rowOrderMatters = false, .compareIndexes = false, .jet3 = isJet3(file())});
}

INSTANTIATE_TEST_SUITE_P(AllSharedDatabases, SharedFileInterop, testing::ValuesIn(qbm::test::sharedDatabases()),
                         [](const auto& info) { return qbm::test::testNameOf(info.param); });

}  // namespace
