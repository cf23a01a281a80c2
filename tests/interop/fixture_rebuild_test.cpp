// The driver databases rebuilt from scratch by the engine: each table of ../shared/fixtures made
// again with createTable from the definition the engine reads (the widest has 136 columns), in a
// new Jet 4 and a new Jet 3 database, and every row copied. The copies must read exactly as the
// originals: to the independent Java reading (NAME.json) through the engine, to mdb-reader, and to
// mdbtools, whose CSV export and schema of a copy hold the lines of the original's, character for
// character (rows and indexes may come in another order); and the integrity check finds nothing
// wrong.

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <tuple>

#include "jet/check.h"
#include "jet/database.h"
#include "jet/dump.h"
#include "tests/interop/table_compare.h"
#include "tests/support/json.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;
using jet::Format;
using qbm::test::Json;


using qbm::test::quoted;

std::multiset<std::string> sortedLines(const std::string& text) {
  std::multiset<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.insert(line);
  return lines;
}

// The original's tables made again in a new database at `copy`, with all their rows.
void rebuild(const fs::path& original, const fs::path& copy, Format format) {
  jet::Database from = jet::Database::open(original, {.exclusive = false, .readOnly = true});
  jet::Database to = jet::Database::create(copy, format);
  for (const std::string& name : from.tableNames()) {
    jet::Table source = from.table(name);
    to.createTable({name, source.columns(), source.indexes()});
    jet::Table target = to.table(name);
    to.begin();
    for (source.moveFirst(); !source.eof(); source.moveNext()) {
      target.addNew();
      for (std::size_t c = 0; c < source.columns().size(); ++c)
        if (!source.columns()[c].autonumber) target.set(source.columns()[c].name, source.get(static_cast<int>(c)));
      target.update();
    }
    to.commit();
  }
}

class FixtureRebuild : public testing::TestWithParam<std::tuple<std::string, Format>> {
 protected:
  void SetUp() override {
    if (qbm::test::sharedDir().empty()) GTEST_SKIP() << "shared test data not found";
    original_ = qbm::test::sharedDir() / "fixtures" / (std::get<0>(GetParam()) + ".mdb");
    copy_ = dir_ / "copy.mdb";
    rebuild(original_, copy_, std::get<1>(GetParam()));
  }
  fs::path original_, copy_;
  qbm::test::ScratchDir dir_;
};

TEST_P(FixtureRebuild, CopyReadsAsTheOriginalToEveryReader) {
  std::string problems;
  for (const jet::Problem& p : jet::check(copy_)) problems += p.where + ": " + p.what + "\n";
  EXPECT_EQ(problems, "");

  Json expected = qbm::test::readJsonFile(fs::path(original_).replace_extension(".json"));
  {
    jet::Database db = jet::Database::open(copy_, {.exclusive = false, .readOnly = true});
    std::ostringstream dump;
    jet::dumpJson(db, {}, dump);
    // Rows may lie in another order: a row placed in room an earlier page still has.
    qbm::test::expectSameDatabase(expected, Json::parse(dump.str()), {.rowOrderMatters = false});
  }

  if (qbm::test::haveProgram("node") && fs::exists(fs::path(QBM_SOURCE_DIR) / "tests/interop/node/node_modules/mdb-reader")) {
    std::string out;
    ASSERT_EQ(0, qbm::test::runCommand("node " + quoted(qbm::test::nodeReaderScript()) + " " + quoted(copy_.string()), &out));
    qbm::test::expectSameDatabase(expected, Json::parse(out), {.rowOrderMatters = false, .compareIndexes = false});
  }

  if (!qbm::test::haveProgram("mdb-export")) GTEST_SKIP() << "mdbtools is not installed";
  jet::Database db = jet::Database::open(original_, {.exclusive = false, .readOnly = true});
  for (const std::string& table : db.tableNames()) {
    std::string theirs, ours;
    ASSERT_EQ(0, qbm::test::runCommand("mdb-export " + quoted(original_.string()) + " " + quoted(table), &theirs));
    ASSERT_EQ(0, qbm::test::runCommand("mdb-export " + quoted(copy_.string()) + " " + quoted(table), &ours));
    EXPECT_EQ(sortedLines(ours), sortedLines(theirs)) << "table " << table;
  }
  // The schema: the same text, but for the order of each table's indexes (mdbtools lists them as
  // stored; Access stores them by name, the writer of the originals by number).
  std::string theirs, ours;
  ASSERT_EQ(0, qbm::test::runCommand("mdb-schema --indexes " + quoted(original_.string()) + " mysql 2>/dev/null", &theirs));
  ASSERT_EQ(0, qbm::test::runCommand("mdb-schema --indexes " + quoted(copy_.string()) + " mysql 2>/dev/null", &ours));
  EXPECT_EQ(sortedLines(ours), sortedLines(theirs));
  EXPECT_EQ(ours.size(), theirs.size());
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FixtureRebuild,
                         testing::Combine(testing::Values("qbaudio", "xqbaudio", "spkrbase"),
                                          testing::Values(Format::Jet4, Format::Jet3)),
                         [](const auto& info) {
                           return std::get<0>(info.param) + (std::get<1>(info.param) == Format::Jet4 ? "_Jet4" : "_Jet3");
                         });

}  // namespace

namespace {

// A new, empty database looks to mdbtools and mdb-reader like the empty Jet 4 file the Jet engine
// made (interop/emptyJet4.mdb): the same system tables, catalog rows (but for their dates) and
// access rights, and no user tables.
TEST(NewEmptyDatabase, ReadsAsAnEngineMadeOne) {
  if (qbm::test::sharedDir().empty()) GTEST_SKIP() << "shared test data not found";
  if (!qbm::test::haveProgram("mdb-export")) GTEST_SKIP() << "mdbtools is not installed";
  qbm::test::ScratchDir dir;
  const fs::path ours = dir / "empty.mdb";
  const fs::path theirs = qbm::test::sharedDir() / "interop" / "emptyJet4.mdb";
  { jet::Database::create(ours, Format::Jet4); }
  auto run = [](const std::string& command) {
    std::string out;
    EXPECT_EQ(0, qbm::test::runCommand(command, &out)) << command;
    return out;
  };
  EXPECT_EQ(run("mdb-tables -S -1 " + quoted(ours.string())), run("mdb-tables -S -1 " + quoted(theirs.string())));
  EXPECT_EQ(run("mdb-tables -1 " + quoted(ours.string())), "");
  // MSysObjects without its two date columns (fields 5 and 6).
  const std::string withoutDates = " | cut -d, -f1-4,7-";
  EXPECT_EQ(sortedLines(run("mdb-export -b hex " + quoted(ours.string()) + " MSysObjects" + withoutDates)),
            sortedLines(run("mdb-export -b hex " + quoted(theirs.string()) + " MSysObjects" + withoutDates)));
  for (const char* table : {"MSysACEs", "MSysQueries", "MSysRelationships"})
    EXPECT_EQ(run("mdb-export -b hex " + quoted(ours.string()) + " " + table),
              run("mdb-export -b hex " + quoted(theirs.string()) + " " + table)) << table;
  if (qbm::test::haveProgram("node") && fs::exists(fs::path(QBM_SOURCE_DIR) / "tests/interop/node/node_modules/mdb-reader")) {
    Json document = Json::parse(run("node " + quoted(qbm::test::nodeReaderScript()) + " " + quoted(ours.string())));
    EXPECT_EQ(document["tables"].size(), 0u);
  }
}

}  // namespace
