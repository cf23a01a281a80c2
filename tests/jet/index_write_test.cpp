// Indexes kept exact through the public Table interface, on copies of the real files: long random
// sequences of inserts, edits and deletes on every indexed table, each batch ending with a clean
// integrity check, every index walked in key order and every row found by seeking each of its
// keys, again after the file is closed and reopened; trees driven to several levels in both
// formats; refused rows change nothing; cursors standing on an index see writes of other cursors.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "jet/check.h"
#include "jet/database.h"
#include "jet/table/database_core.h"
#include "jet/error.h"
#include "jet/page/usage_map.h"
#include "tests/jet/memory_index_store.h"
#include "tests/jet/random_table_writes.h"
#include "tests/support/test_support.h"

namespace jet {
namespace {

namespace fs = std::filesystem;

std::string problemsOf(Database& db) {
  std::string text;
  for (const Problem& p : check(db)) text += p.where + ": " + p.what + "\n";
  return text;
}

std::vector<std::uint8_t> fileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Indexed user tables whose keys the engine can write (every text sort order it knows).
std::vector<std::string> indexedTables(Database& db) {
  std::vector<std::string> out;
  detail::DatabaseCore& core = jet::detail::coreOf(db);
  for (const std::string& name : db.tableNames()) {
    const StoredTableDefinition& def = *core.definition(*core.findTable(name));
    if (def.realIndexes.empty()) continue;
    bool supported = true;
    for (const StoredColumn& c : def.columns)
      if (c.isText() && c.sortOrder != 0 && c.sortOrder != kGeneralSortOrder) supported = false;
    if (supported) out.push_back(name);
  }
  return out;
}

// The most levels any index tree of the table has.
std::size_t deepestTree(Database& db, const std::string& table) {
  detail::DatabaseCore& core = jet::detail::coreOf(db);
  const StoredTableDefinition& def = *core.definition(*core.findTable(table));
  test::ReadOnlyIndexStore store(core.file());
  std::size_t levels = 0;
  for (const RealIndex& index : def.realIndexes)
    levels = std::max(levels, test::walkTree(store, index.firstPage, def.firstPage).levels);
  return levels;
}

// Each index's page map lists exactly the pages of its tree: pages taken by splits are added,
// pages given back are taken out.
void expectIndexPageMapsExact(Database& db, const std::string& table) {
  detail::DatabaseCore& core = jet::detail::coreOf(db);
  const StoredTableDefinition& def = *core.definition(*core.findTable(table));
  test::ReadOnlyIndexStore store(core.file());
  for (const RealIndex& index : def.realIndexes) {
    if (index.usageMap == 0) continue;
    std::set<std::uint32_t> tree = test::walkTree(store, index.firstPage, def.firstPage).pageNumbers;
    std::vector<std::uint32_t> mapped = readUsageMap(core.file(), index.usageMap).pages;
    EXPECT_EQ(std::set<std::uint32_t>(mapped.begin(), mapped.end()), tree) << table << " index " << index.number;
  }
}

class SharedFileIndexWrites : public ::testing::TestWithParam<std::string> {};

TEST_P(SharedFileIndexWrites, RandomRowWritesKeepEveryIndexExact) {
  QBM_REQUIRE_SHARED();
  qbm::test::ScratchDir dir;
  fs::path path = qbm::test::copyShared(GetParam(), dir.path());
  std::vector<std::string> tables;
  test::WriteCounts total;
  {
    Database db = Database::open(path);
    tables = indexedTables(db);
    if (tables.empty()) GTEST_SKIP() << "no indexed user tables";
    // Some thousands of writes per file, spread over its tables.
    int perBatch = std::max(60, 1500 / static_cast<int>(tables.size()));
    std::uint32_t seed = 1;
    for (const std::string& name : tables) {
      SCOPED_TRACE("table " + name);
      test::RandomTableWrites writes(db, name, seed++);
      for (int batch = 0; batch < 3; ++batch) {
        db.begin();
        writes.run(perBatch);
        db.commit();
        if (HasFatalFailure()) return;
        ASSERT_EQ(problemsOf(db), "");
        writes.verifyIndexes();
        expectIndexPageMapsExact(db, name);
        if (HasFatalFailure()) return;
      }
      total.inserted += writes.counts().inserted;
      total.refusedDuplicates += writes.counts().refusedDuplicates;
      total.refusedNulls += writes.counts().refusedNulls;
    }
  }
  EXPECT_GT(total.inserted, 500);
  // Reopened: still clean, and the indexes still match the rows.
  Database db = Database::open(path);
  ASSERT_EQ(problemsOf(db), "");
  for (const std::string& name : tables) {
    test::RandomTableWrites reread(db, name, 0);
    reread.verifyIndexes();
  }
  RecordProperty("refusedDuplicates", total.refusedDuplicates);
}

INSTANTIATE_TEST_SUITE_P(Shared, SharedFileIndexWrites, ::testing::ValuesIn(qbm::test::sharedDatabases()),
                         [](const auto& info) { return qbm::test::testNameOf(info.param); });

// Many splits: long text keys drive the trees to several levels; inserts, then a mix, then most
// rows deleted again (pages emptied and given back), with clean checks all along.
struct DeepCase {
  const char* file;
  const char* table;
  int rows;
};

class DeepIndexTrees : public ::testing::TestWithParam<DeepCase> {};

TEST_P(DeepIndexTrees, GrowAndShrinkThroughSeveralLevels) {
  QBM_REQUIRE_SHARED();
  qbm::test::ScratchDir dir;
  fs::path path = qbm::test::copyShared(GetParam().file, dir.path());
  Database db = Database::open(path);
  std::size_t unusedBefore = unusedPages(db).size();
  test::RandomTableWrites writes(db, GetParam().table, 99, /*textLength=*/60, /*longRange=*/1u << 30);
  db.begin();
  writes.run(GetParam().rows, /*insertShare=*/100);
  db.commit();
  ASSERT_EQ(problemsOf(db), "");
  std::size_t levels = deepestTree(db, GetParam().table);
  EXPECT_GE(levels, 3u);
  RecordProperty("levels", static_cast<int>(levels));
  writes.verifyIndexes();
  expectIndexPageMapsExact(db, GetParam().table);

  db.begin();
  writes.run(GetParam().rows / 4, /*insertShare=*/50);
  writes.run(GetParam().rows * 2, /*insertShare=*/2);
  db.commit();
  ASSERT_EQ(problemsOf(db), "");
  writes.verifyIndexes();
  EXPECT_LT(writes.rowCount(), static_cast<std::size_t>(GetParam().rows / 3));
  expectIndexPageMapsExact(db, GetParam().table);
  // Nothing left behind: no page is both unused and unlisted.
  EXPECT_EQ(unusedPages(db).size(), unusedBefore);
}

INSTANTIATE_TEST_SUITE_P(Shared, DeepIndexTrees,
                         ::testing::Values(DeepCase{"interop/testIndexCodesV1997.mdb", "Table1", 6000},
                                           DeepCase{"fixtures/qbaudio.mdb", "companies", 9000}),
                         [](const auto& info) { return std::string(info.param.file).find("1997") != std::string::npos ? "Jet3" : "Jet4"; });

class CreatedTableIndexWrites : public ::testing::TestWithParam<Format> {};

TEST_P(CreatedTableIndexWrites, RandomRowWritesKeepEveryIndexExact) {
  qbm::test::ScratchDir dir;
  fs::path path = dir / "parts.mdb";
  {
    Database db = Database::create(path, GetParam());
    db.createTable(test::everyIndexKind());
    test::RandomTableWrites writes(db, "Parts", 5, /*textLength=*/0, /*longRange=*/2000);
    for (int batch = 0; batch < 4; ++batch) {
      db.begin();
      writes.run(1500, /*insertShare=*/65);
      db.commit();
      ASSERT_EQ(problemsOf(db), "");
      writes.verifyIndexes();
      expectIndexPageMapsExact(db, "Parts");
      if (HasFatalFailure()) return;
    }
    EXPECT_GT(writes.counts().refusedDuplicates, 0);
    EXPECT_GT(writes.counts().refusedNulls, 0);
    EXPECT_GE(deepestTree(db, "Parts"), 2u);
    EXPECT_TRUE(unusedPages(db).empty());
  }
  Database db = Database::open(path);
  ASSERT_EQ(problemsOf(db), "");
  test::RandomTableWrites(db, "Parts", 0).verifyIndexes();
}

TEST_P(CreatedTableIndexWrites, ManyRowsBuildDeepTreesThatEmptyAgain) {
  qbm::test::ScratchDir dir;
  fs::path path = dir / "parts.mdb";
  Database db = Database::create(path, GetParam());
  db.createTable(test::everyIndexKind());
  test::RandomTableWrites writes(db, "Parts", 6, /*textLength=*/40, /*longRange=*/1u << 30);
  db.begin();
  writes.run(GetParam() == Format::Jet3 ? 8000 : 16000, /*insertShare=*/100);
  db.commit();
  ASSERT_EQ(problemsOf(db), "");
  std::size_t levels = deepestTree(db, "Parts");
  EXPECT_GE(levels, 3u);
  RecordProperty("levels", static_cast<int>(levels));
  writes.verifyIndexes();
  db.begin();
  writes.removeRows(writes.rowCount());
  db.commit();
  EXPECT_EQ(writes.rowCount(), 0u);
  ASSERT_EQ(problemsOf(db), "");
  writes.verifyIndexes();
  expectIndexPageMapsExact(db, "Parts");
  EXPECT_TRUE(unusedPages(db).empty());
}

INSTANTIATE_TEST_SUITE_P(Formats, CreatedTableIndexWrites, ::testing::Values(Format::Jet3, Format::Jet4),
                         [](const auto& info) { return info.param == Format::Jet3 ? "Jet3" : "Jet4"; });

TEST(IndexWrites, ARefusedRowChangesNoIndexAndNoByte) {
  QBM_REQUIRE_SHARED();
  qbm::test::ScratchDir dir;
  fs::path path = qbm::test::copyShared("interop/testIndexCodesV1997.mdb", dir.path());
  std::vector<std::uint8_t> before = fileBytes(path);
  {
    Database db = Database::open(path);
    Table t = db.table("Table1");
    t.moveFirst();
    Value firstName = t.get("name");
    t.moveNext();
    t.edit();
    t.set("data", Value("a value no other row has"));
    t.set("name", firstName);  // the unique key of the first row
    try {
      t.update();
      FAIL() << "a repeated unique key was accepted";
    } catch (const Error& e) {
      EXPECT_EQ(e.code(), ErrorCode::DuplicateKey);
      std::string message = e.what();
      EXPECT_NE(message.find("Table1"), std::string::npos) << message;
      EXPECT_NE(message.find("index"), std::string::npos) << message;
      EXPECT_NE(message.find(firstName.as<std::string>()), std::string::npos) << message;
    }
    t.cancelUpdate();
    // A key column may not be Null in a required index either.
    t.edit();
    t.set("name", Value());
    EXPECT_THROW(t.update(), Error);
    t.cancelUpdate();
    t.setIndex("DataIndex");
    EXPECT_FALSE(t.seek(Value("a value no other row has")));
  }
  EXPECT_EQ(fileBytes(path), before);
}

std::string textOf(const Value& v) { return v.isNull() ? std::string() : v.as<std::string>(); }

TEST(IndexWrites, CursorsStandingOnAnIndexSeeOtherCursorsWrites) {
  QBM_REQUIRE_SHARED();
  qbm::test::ScratchDir dir;
  fs::path path = qbm::test::copyShared("fixtures/qbaudio.mdb", dir.path());
  Database db = Database::open(path);
  Table reader = db.table("companies");
  Table writer = db.table("companies");
  reader.setIndex("Company");
  reader.moveFirst();
  for (int i = 0; i < 5 || reader.get("Company").isNull(); ++i) reader.moveNext();
  std::string here = textOf(reader.get("Company"));

  // Many rows sorting right after the reader's row (enough to split its leaf), and the row after
  // the reader's removed.
  db.begin();
  for (int i = 0; i < 300; ++i) {
    writer.addNew();
    writer.set("Company", Value(here + " " + std::string(1, static_cast<char>('a' + i % 26)) + std::to_string(1000 + i)));
    writer.update();
  }
  db.commit();

  // The reader goes on in key order through the index as it is now.
  std::vector<std::string> seen{here};
  for (reader.moveNext(); !reader.eof(); reader.moveNext()) seen.push_back(textOf(reader.get("Company")));
  test::RandomTableWrites model(db, "companies", 0);
  model.verifyIndexes();
  Table walk = db.table("companies");
  walk.setIndex("Company");
  std::vector<std::string> all;
  for (walk.moveFirst(); !walk.eof(); walk.moveNext()) all.push_back(textOf(walk.get("Company")));
  auto start = std::find(all.begin(), all.end(), here);
  ASSERT_NE(start, all.end());
  EXPECT_EQ(seen, std::vector<std::string>(start, start + static_cast<std::ptrdiff_t>(seen.size())));
  EXPECT_EQ(seen.size(), static_cast<std::size_t>(all.end() - start));

  // Backwards too, after the row the reader stands on is deleted by the other cursor.
  reader.moveLast();
  reader.movePrevious();
  Bookmark gone = reader.bookmark();
  std::string beforeGone = all[all.size() - 3];
  writer.setBookmark(gone);
  writer.remove();
  reader.movePrevious();
  EXPECT_EQ(textOf(reader.get("Company")), beforeGone);
}

}  // namespace
}  // namespace jet
