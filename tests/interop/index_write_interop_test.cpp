// Files (copies of the shared ones, and databases the engine makes) whose indexed tables went through long random sequences of inserts, edits and deletes
// (trees split, emptied pages given back) read back in the independent readers with the right
// rows: mdb-export (mdbtools) prints every table as the engine's CSV dump does, and the JavaScript
// reader (mdb-reader) sees what the engine's JSON dump holds.

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "jet/check.h"
#include "jet/database.h"
#include "jet/dump.h"
#include "tests/interop/csv_compare.h"
#include "tests/interop/table_compare.h"
#include "tests/jet/random_table_writes.h"
#include "tests/support/json.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;
using qbm::test::Json;


using qbm::test::quoted;

// Writes a few thousand random rows into every indexed table of a copy of the shared file, or of
// a database the engine makes ("new Jet3" / "new Jet4") with a table of every index kind.
fs::path writtenCopy(const std::string& source, const fs::path& dir) {
  fs::path path;
  if (source.rfind("new ", 0) == 0) {
    path = dir / "parts.mdb";
    jet::Database::create(path, source == "new Jet3" ? jet::Format::Jet3 : jet::Format::Jet4)
        .createTable(jet::test::everyIndexKind());
  } else {
    path = qbm::test::copyShared(source, dir);
  }
  jet::Database db = jet::Database::open(path);
  std::uint32_t seed = 7;
  for (const std::string& name : db.tableNames()) {
    if (db.table(name).indexes().empty()) continue;
    jet::test::RandomTableWrites writes(db, name, seed++, /*textLength=*/30, /*longRange=*/1u << 20);
    db.begin();
    writes.run(1200, /*insertShare=*/70);
    db.commit();
  }
  std::string problems;
  for (const jet::Problem& p : jet::check(db)) problems += p.where + ": " + p.what + "\n";
  EXPECT_EQ(problems, "");
  return path;
}

class IndexedTableWritesInterop : public ::testing::TestWithParam<std::string> {};

TEST_P(IndexedTableWritesInterop, MdbExportPrintsTheRowsTheEngineHolds) {
  if (GetParam().rfind("new ", 0) != 0) QBM_REQUIRE_SHARED();
  if (!qbm::test::haveProgram("mdb-export")) GTEST_SKIP() << "mdb-export (mdbtools) is not installed";
  qbm::test::ScratchDir dir;
  fs::path path = writtenCopy(GetParam(), dir.path());
  jet::Database db = jet::Database::open(path, {.exclusive = false, .readOnly = true});
  for (const std::string& name : db.tableNames()) {
    SCOPED_TRACE("table " + name);
    std::vector<jet::ColumnDefinition> columns = db.table(name).columns();
    std::string theirs;
    ASSERT_EQ(0, qbm::test::runCommand("mdb-export " + quoted(path.string()) + " " + quoted(name), &theirs));
    std::ostringstream ours;
    jet::dumpCsv(db, name, ours);
    std::vector<qbm::test::CsvRow> a = qbm::test::parseCsv(theirs), b = qbm::test::parseCsv(ours.str());
    ASSERT_FALSE(b.empty());
    EXPECT_EQ(a.front(), b.front()) << "header lines differ";
    ASSERT_EQ(a.size(), b.size()) << "row counts differ";
    std::vector<bool> used(b.size(), false);
    for (std::size_t r = 1; r < a.size(); ++r) {
      bool found = false;
      for (std::size_t k = 1; k < b.size() && !found; ++k)
        if (!used[k] && qbm::test::sameCsvRow(a[r], b[k], columns)) used[k] = found = true;
      ASSERT_TRUE(found) << "mdb-export row " << r << " has no equal in the dump: " << qbm::test::csvRowText(a[r]);
    }
  }
}

TEST_P(IndexedTableWritesInterop, JavaScriptReaderSeesTheRowsTheEngineHolds) {
  if (GetParam().rfind("new ", 0) != 0) QBM_REQUIRE_SHARED();
  if (!qbm::test::haveProgram("node") ||
      !fs::exists(fs::path(QBM_SOURCE_DIR) / "tests/interop/node/node_modules/mdb-reader"))
    GTEST_SKIP() << "node or mdb-reader is not installed (scripts/deps installs them)";
  qbm::test::ScratchDir dir;
  fs::path path = writtenCopy(GetParam(), dir.path());
  std::string theirs;
  int rc = qbm::test::runCommand("node " + quoted(qbm::test::nodeReaderScript()) + " " + quoted(path.string()) + " 2>&1", &theirs);
  ASSERT_EQ(0, rc) << theirs.substr(0, 500);
  jet::Database db = jet::Database::open(path, {.exclusive = false, .readOnly = true});
  std::ostringstream ours;
  jet::dumpJson(db, {}, ours);
  // mdb-reader reports no indexes and lists overflow rows where their data lies; in Jet 3 text it
  // shows the bytes Windows-1252 leaves undefined as U+FFFD.
  qbm::test::expectSameDatabase(Json::parse(theirs), Json::parse(ours.str()),
                                {.rowOrderMatters = false,
                                 .compareIndexes = false,
                                 .jet3 = db.format() == jet::Format::Jet3});
}

INSTANTIATE_TEST_SUITE_P(IndexWrites, IndexedTableWritesInterop,
                         ::testing::Values("fixtures/qbaudio.mdb", "interop/testIndexCodesV1997.mdb",
                                           "interop/testIndexPropertiesV2000.mdb", "interop/indexTestV2000.mdb",
                                           "interop/compIndexTestV1997.mdb", "new Jet3", "new Jet4"),
                         [](const auto& info) {
                           return info.param.rfind("new ", 0) == 0 ? "new_" + info.param.substr(4)
                                                                   : qbm::test::testNameOf(info.param);
                         });

}  // namespace
