// Row writes into copies of real Access files (tables without indexes here; indexed tables are
// covered where index maintenance is): rows added, edited to grow and shrink, deleted; memos of
// every storage form; values checked before anything is written; every test ends with a clean
// integrity check.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "jet/check.h"
#include "jet/database.h"
#include "jet/table/database_core.h"
#include "jet/error.h"
#include "jet/text/text_codec.h"
#include "tests/jet/value_printer.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;
using jet::Value;

// Pages nothing uses (and not listed free) that the writes added to those the file had.
std::vector<std::uint32_t> pagesLeftUnused(const fs::path& path, const std::vector<std::uint32_t>& before) {
  jet::Database db = jet::Database::open(path, {.exclusive = true, .readOnly = true});
  std::vector<std::uint32_t> now = jet::unusedPages(db), added;
  std::set_difference(now.begin(), now.end(), before.begin(), before.end(), std::back_inserter(added));
  return added;
}

std::vector<std::uint32_t> unusedNow(const fs::path& path) {
  jet::Database db = jet::Database::open(path, {.exclusive = true, .readOnly = true});
  return jet::unusedPages(db);
}

std::vector<std::uint8_t> readBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Every row of the table in physical order, each as its values.
std::vector<std::vector<Value>> rowsOf(jet::Table& t) {
  std::vector<std::vector<Value>> rows;
  for (t.moveFirst(); !t.eof(); t.moveNext()) {
    std::vector<Value> row;
    for (std::size_t c = 0; c < t.columns().size(); ++c) row.push_back(t.get(static_cast<int>(c)));
    rows.push_back(std::move(row));
  }
  return rows;
}

std::string memoOfLength(std::size_t n, char seed) {
  std::string s;
  for (std::size_t i = 0; i < n; ++i) s.push_back(static_cast<char>('a' + (seed + i * 7) % 26));
  return s;
}

class RowWriteTest : public testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (qbm::test::sharedDir().empty()) GTEST_SKIP() << "shared test data not found";
  }
  fs::path copy(const std::string& name) { return qbm::test::copyShared(name, dir_.path()); }
  qbm::test::ScratchDir dir_;
};

// Text columns of every length up to the column's size, in both formats.
TEST_P(RowWriteTest, AddedTextRowsReadBackAndCheckClean) {
  fs::path path = copy(GetParam());
  std::vector<std::vector<Value>> expected;
  {
    jet::Database db = jet::Database::open(path);
    jet::Table t = db.table("Table1");
    expected = rowsOf(t);
    std::int64_t before = t.rowCount();
    db.begin();  // one transaction for most rows; the last ones each commit on their own
    for (int i = 0; i < 400; ++i) {
      if (i == 380) db.commit();
      t.addNew();
      std::vector<Value> row(t.columns().size(), Value(jet::Null{}));
      for (std::size_t c = 0; c < t.columns().size(); ++c) {
        if ((i + c) % 5 == 0) continue;  // some Nulls
        std::string text = "r" + std::to_string(i) + " é " + memoOfLength((i * 13 + c) % 40, static_cast<char>(c));
        t.set(t.columns()[c].name, Value(text));
        row[c] = Value(text);
      }
      t.update();
      for (std::size_t c = 0; c < t.columns().size(); ++c)
        EXPECT_EQ(row[c], t.get(static_cast<int>(c))) << "after update the cursor stands on the saved row";
      expected.push_back(row);
    }
    EXPECT_EQ(before + 400, t.rowCount());
  }
  EXPECT_EQ("", qbm::test::problemsOf(path));
  jet::Database db = jet::Database::open(path);
  jet::Table t = db.table("Table1");
  auto actual = rowsOf(t);
  auto byText = [](const std::vector<Value>& a, const std::vector<Value>& b) {
    for (std::size_t i = 0; i < a.size(); ++i)
      if (a[i].toString() != b[i].toString()) return a[i].toString() < b[i].toString();
    return false;
  };
  std::sort(expected.begin(), expected.end(), byText);
  std::sort(actual.begin(), actual.end(), byText);
  EXPECT_EQ(expected, actual);
}

INSTANTIATE_TEST_SUITE_P(BothFormats, RowWriteTest,
                         testing::Values("interop/overflowTestV2000.mdb", "interop/overflowTestV1997.mdb"),
                         [](const auto& info) { return qbm::test::testNameOf(info.param); });

// Memos inline, in one LVAL row and in chains of LVAL pages; edited to other sizes; deleted.
TEST(RowWrite, MemosOfAllSizesAreStoredReplacedAndFreed) {
  QBM_REQUIRE_SHARED();
  qbm::test::ScratchDir dir;
  fs::path path = qbm::test::copyShared("interop/fixedNumericTestV2000.mdb", dir.path());
  const auto unusedBefore = unusedNow(path);
  const std::vector<std::size_t> sizes = {0, 1, 30, 64, 65, 1000, 1024, 1025, 4000, 4100, 9000, 30000};
  {
    jet::Database db = jet::Database::open(path);
    jet::Table t = db.table("test");
    for (std::size_t i = 0; i < sizes.size(); ++i) {
      t.addNew();
      t.set("col1", Value(memoOfLength(sizes[i], static_cast<char>(i))));
      t.set("col2", Value(std::int32_t(i)));
      t.update();
    }
  }
  EXPECT_EQ("", qbm::test::problemsOf(path));
  {
    jet::Database db = jet::Database::open(path);
    jet::Table t = db.table("test");
    t.moveFirst();  // the row Access wrote
    for (std::size_t i = 0; i < sizes.size(); ++i) {
      t.moveNext();
      ASSERT_FALSE(t.eof());
      EXPECT_EQ(memoOfLength(sizes[i], static_cast<char>(i)), t.get("col1").as<std::string>()) << sizes[i];
      t.edit();
      t.set("col1", Value(memoOfLength(sizes[sizes.size() - 1 - i], 'x')));
      t.update();
    }
  }
  EXPECT_EQ("", qbm::test::problemsOf(path));
  {
    jet::Database db = jet::Database::open(path);
    jet::Table t = db.table("test");
    t.moveFirst();
    for (std::size_t i = 0; i < sizes.size(); ++i) {
      t.moveNext();
      EXPECT_EQ(memoOfLength(sizes[sizes.size() - 1 - i], 'x'), t.get("col1").as<std::string>());
      t.remove();
    }
    EXPECT_EQ(1, t.rowCount());
  }
  EXPECT_EQ("", qbm::test::problemsOf(path));
  // Every LVAL page was given back: the same memos again take no new pages.
  std::uint64_t emptied = fs::file_size(path);
  {
    jet::Database db = jet::Database::open(path);
    jet::Table t = db.table("test");
    for (std::size_t i = 0; i < sizes.size(); ++i) {
      t.addNew();
      t.set("col1", Value(memoOfLength(sizes[i], static_cast<char>(i))));
      t.update();
    }
  }
  EXPECT_EQ(emptied, fs::file_size(path));
  EXPECT_EQ("", qbm::test::problemsOf(path));
  EXPECT_EQ(std::vector<std::uint32_t>{}, pagesLeftUnused(path, unusedBefore));
}

// A row that grows past its page moves behind an overflow pointer; its bookmark stays valid.
TEST(RowWrite, RowsGrowAndShrinkInPlaceOrThroughOverflow) {
  QBM_REQUIRE_SHARED();
  qbm::test::ScratchDir dir;
  fs::path path = qbm::test::copyShared("interop/testPromotionV2000.mdb", dir.path());
  const auto unusedBefore = unusedNow(path);
  jet::Database db = jet::Database::open(path);
  jet::Table t = db.table("jobDB1");
  std::vector<jet::Bookmark> marks;
  for (int i = 0; i < 60; ++i) {
    t.addNew();
    t.set("ID", Value(std::int32_t(i)));
    t.set("JobName", Value("j" + std::to_string(i)));
    t.update();
    marks.push_back(t.bookmark());
  }
  // Grow every row to near the largest text: the page cannot hold them all, rows move.
  for (int i = 0; i < 60; ++i) {
    t.setBookmark(marks[i]);
    t.edit();
    t.set("JobName", Value(memoOfLength(250, static_cast<char>(i))));
    t.set("Department", Value(memoOfLength(200, static_cast<char>(i + 1))));
    t.update();
    EXPECT_EQ(marks[i], t.bookmark()) << "the row keeps its identity";
  }
  for (int i = 0; i < 60; ++i) {
    t.setBookmark(marks[i]);
    EXPECT_EQ(memoOfLength(250, static_cast<char>(i)), t.get("JobName").as<std::string>());
    EXPECT_EQ(i, t.get("ID").as<std::int32_t>());
  }
  // Shrink them again.
  for (int i = 0; i < 60; i += 2) {
    t.setBookmark(marks[i]);
    t.edit();
    t.set("Department", Value(jet::Null{}));
    t.set("JobName", Value("short"));
    t.update();
  }
  int n = 0;
  for (t.moveFirst(); !t.eof(); t.moveNext()) ++n;
  EXPECT_EQ(60, n) << "moved rows are visited once";
  db.close();
  EXPECT_EQ("", qbm::test::problemsOf(path));
  EXPECT_EQ(std::vector<std::uint32_t>{}, pagesLeftUnused(path, unusedBefore));
}

TEST(RowWrite, BadValuesAreRejectedAndNothingIsWritten) {
  QBM_REQUIRE_SHARED();
  qbm::test::ScratchDir dir;
  fs::path path = qbm::test::copyShared("interop/testPromotionV2000.mdb", dir.path());
  auto before = readBytes(path);
  {
    jet::Database db = jet::Database::open(path);
    jet::Table t = db.table("jobDB1");
    t.addNew();
    auto rejected = [&](const char* column, const Value& v, const std::string& mentions) {
      try {
        t.set(column, v);
        ADD_FAILURE() << column << " took " << v.toString();
      } catch (const jet::Error& e) {
        EXPECT_EQ(jet::ErrorCode::ValueRejected, e.code());
        std::string m = e.what();
        EXPECT_NE(std::string::npos, m.find("jobDB1")) << m;
        EXPECT_NE(std::string::npos, m.find(column)) << m;
        EXPECT_NE(std::string::npos, m.find(mentions)) << m;
      }
    };
    rejected("ID", Value("12x"), "12x");
    rejected("ID", Value(3e10), "30000000000");
    rejected("JobName", Value(std::string(256, 'a')), "aaaa");
    rejected("PhaseNumber", Value("one"), "one");
    t.set("ID", Value(std::int16_t(7)));      // an Integer into a Long
    t.set("PhaseNumber", Value("2.5"));        // text that is a number
    EXPECT_EQ(Value(2.5), t.get("PhaseNumber"));
    t.set("MainNumber", Value(2.5));           // rounds half to even, as Access does
    EXPECT_EQ(Value(std::int32_t(2)), t.get("MainNumber"));
    t.cancelUpdate();
  }
  EXPECT_EQ(before, readBytes(path));
}

TEST(RowWrite, TransactionRollbackUndoesRowWrites) {
  QBM_REQUIRE_SHARED();
  qbm::test::ScratchDir dir;
  fs::path path = qbm::test::copyShared("interop/fixedNumericTestV2000.mdb", dir.path());
  auto before = readBytes(path);
  {
    jet::Database db = jet::Database::open(path);
    db.begin();
    jet::Table t = db.table("test");
    for (int i = 0; i < 200; ++i) {
      t.addNew();
      t.set("col1", Value(memoOfLength(static_cast<std::size_t>(i) * 50, 'q')));
      t.update();
    }
    t.moveFirst();
    t.remove();
    EXPECT_EQ(200, t.rowCount());
    db.rollback();
    EXPECT_EQ(1, t.rowCount()) << "the table's count is read again";
    int n = 0;
    for (t.moveFirst(); !t.eof(); t.moveNext()) ++n;
    EXPECT_EQ(1, n);
  }
  EXPECT_EQ(before, readBytes(path));
}

// Two cursors of one database: each sees what the other wrote.
TEST(RowWrite, CursorsSeeRowsWrittenThroughOtherCursors) {
  QBM_REQUIRE_SHARED();
  qbm::test::ScratchDir dir;
  fs::path path = qbm::test::copyShared("interop/delTestV2000.mdb", dir.path());
  jet::Database db = jet::Database::open(path);
  jet::Table reader = db.table("Table");
  jet::Table writer = db.table("Table");
  reader.moveFirst();
  jet::Bookmark first = reader.bookmark();
  for (int i = 0; i < 50; ++i) {
    writer.addNew();
    writer.set("a", Value("w" + std::to_string(i)));
    writer.update();
  }
  int n = 1;
  for (reader.moveNext(); !reader.eof(); reader.moveNext()) ++n;
  EXPECT_EQ(52, n);
  // Deleting the row a cursor stands on: the cursor moves on to its neighbour.
  reader.setBookmark(first);
  writer.setBookmark(first);
  writer.remove();
  EXPECT_THROW(reader.get("a"), jet::Error);
  reader.moveNext();
  EXPECT_FALSE(reader.eof());
  EXPECT_THROW(reader.setBookmark(first), jet::Error) << "a deleted row's bookmark is invalid";
  EXPECT_EQ(51, reader.rowCount());
  db.close();
  EXPECT_EQ("", qbm::test::problemsOf(path));
}

}  // namespace

namespace {

// The table's counter numbers new rows; the counter is written back, and numbers are not reused
// after the last row goes.
TEST(RowWrite, AutonumbersComeFromTheTablesCounter) {
  QBM_REQUIRE_SHARED();
  qbm::test::ScratchDir dir;
  fs::path path = qbm::test::copyShared("fixtures/qbaudio.mdb", dir.path());
  {
    jet::Database db = jet::Database::open(path);
    jet::Table t = db.table("companies");
    t.addNew();
    EXPECT_TRUE(t.get("ID").isNull()) << "numbered at update";
    t.set("Company", Value("Added"));
    t.update();
    EXPECT_EQ(Value(std::int32_t(32)), t.get("ID"));
    t.edit();
    EXPECT_THROW(t.set("ID", Value(std::int32_t(5))), jet::Error) << "an existing row keeps its number";
    t.cancelUpdate();
    t.remove();
  }
  {
    jet::Database db = jet::Database::open(path);
    jet::Table t = db.table("companies");
    t.addNew();
    t.set("Company", Value("Added again"));
    t.update();
    EXPECT_EQ(Value(std::int32_t(33)), t.get("ID"));
    t.setIndex("ID");
    EXPECT_FALSE(t.seek(Value(std::int32_t(32))));
    EXPECT_TRUE(t.seek(Value(std::int32_t(33))));
    EXPECT_EQ(Value("Added again"), t.get("Company"));
  }
  EXPECT_EQ("", qbm::test::problemsOf(path));
}

// Rows deleted leave room that later rows take: the file does not grow.
TEST(RowWrite, RoomOfDeletedRowsIsReused) {
  QBM_REQUIRE_SHARED();
  qbm::test::ScratchDir dir;
  fs::path path = qbm::test::copyShared("fixtures/qbaudio.mdb", dir.path());
  jet::Database db = jet::Database::open(path);
  jet::Table t = db.table("woofer-response");
  db.begin();
  for (int i = 0; i < 300; ++i) {
    t.addNew();
    t.set("Driver ID", Value(std::int32_t(10000 + i)));
    t.set("A 100", Value(1.5f));
    t.update();
  }
  db.commit();
  std::uint32_t pages = jet::detail::coreOf(db).file().pageCount();
  db.begin();
  t.setIndex("Driver ID");
  for (int i = 0; i < 300; ++i) {
    ASSERT_TRUE(t.seek(Value(std::int32_t(10000 + i))));
    t.remove();
  }
  for (int i = 0; i < 300; ++i) {
    t.addNew();
    t.set("Driver ID", Value(std::int32_t(20000 + i)));
    t.update();
  }
  db.commit();
  EXPECT_EQ(pages, jet::detail::coreOf(db).file().pageCount());
  db.close();
  EXPECT_EQ("", qbm::test::problemsOf(path));
}

// A fixed-length text column (Access's own file) takes text up to its size exactly, padded with
// spaces to the size; one character more is refused. The column is indexed, so the padded keys
// must also keep the index sound.
TEST(RowWrite, FixedLengthTextIsPaddedToItsSizeAndNoLonger) {
  QBM_REQUIRE_SHARED();
  qbm::test::ScratchDir dir;
  fs::path path = qbm::test::copyShared("interop/fixedTextTestV2000.mdb", dir.path());
  {
    jet::Database db = jet::Database::open(path);
    jet::Table t = db.table("users");
    auto fixed = std::find_if(t.columns().begin(), t.columns().end(), [](const auto& c) { return c.fixedLength; });
    ASSERT_NE(fixed, t.columns().end()) << "the file has a fixed-length text column";
    const std::size_t size = static_cast<std::size_t>(fixed->size);
    ASSERT_GE(size, 1u);
    const std::string full(size, 'F');
    const std::string shorter = std::string(size - 1, 'S');
    t.moveFirst();
    std::vector<Value> model;  // Access's first row, for the columns that must be filled
    for (std::size_t c = 0; c < t.columns().size(); ++c) model.push_back(t.get(static_cast<int>(c)));
    db.begin();
    std::int32_t id = 900000;
    for (const std::string& text : {full, shorter, std::string()}) {
      t.addNew();
      for (std::size_t c = 0; c < model.size(); ++c) t.set(static_cast<int>(c), model[c]);
      t.set("i_user_id", Value(id++));
      t.set(fixed->name, Value(text));
      t.update();
    }
    t.addNew();
    t.set("i_user_id", Value(id));
    EXPECT_THROW(t.set(fixed->name, Value(full + "X")); t.update(), jet::Error);
    t.cancelUpdate();
    db.commit();
    t.setIndex("Users2CID_0");
    std::int32_t at = 900000;
    for (const std::string& text : {full, shorter, std::string()}) {
      ASSERT_TRUE(t.seek(Value(at++)));
      EXPECT_EQ(Value(text + std::string(size - text.size(), ' ')), t.get(fixed->name)) << text.size() << " characters";
    }
    EXPECT_FALSE(t.seek(Value(id)));
  }
  EXPECT_EQ("", qbm::test::problemsOf(path));
}

}  // namespace

namespace {

// A cursor walking an index while another cursor adds and deletes rows: it goes on from where it
// stands, in key order, seeing the new rows that come after it.
TEST(RowWrite, IndexWalksGoOnThroughWritesOfOtherCursors) {
  QBM_REQUIRE_SHARED();
  qbm::test::ScratchDir dir;
  fs::path path = qbm::test::copyShared("fixtures/qbaudio.mdb", dir.path());
  jet::Database db = jet::Database::open(path);
  jet::Table walker = db.table("companies");
  jet::Table writer = db.table("companies");
  db.begin();
  for (const char* name : {"Kappa", "Lambda", "Mu"}) {
    writer.addNew();
    writer.set("Company", Value(name));
    writer.update();
  }
  walker.setIndex("Company");
  ASSERT_TRUE(walker.seek(Value("lambda")));
  // Behind the walker, before it and after it; then the row it stands on goes.
  for (const char* name : {"Kappa Two", "Lambda Two", "Aardvark", "Zulu"}) {
    writer.addNew();
    writer.set("Company", Value(name));
    writer.update();
  }
  writer.setIndex("Company");
  ASSERT_TRUE(writer.seek(Value("Lambda")));
  writer.remove();
  std::vector<std::string> seen;
  for (walker.moveNext(); !walker.eof(); walker.moveNext()) seen.push_back(walker.get("Company").as<std::string>());
  ASSERT_GE(seen.size(), 3u);
  EXPECT_EQ("Lambda Two", seen.front());
  EXPECT_NE(seen.end(), std::find(seen.begin(), seen.end(), "Mu"));
  EXPECT_EQ("Zulu", seen.back());
  for (const char* behind : {"Aardvark", "Kappa", "Kappa Two", "Lambda"})
    EXPECT_EQ(seen.end(), std::find(seen.begin(), seen.end(), behind)) << behind;
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end(), [](const std::string& a, const std::string& b) {
    return jet::foldedName(a) < jet::foldedName(b);
  }));
  db.commit();
  db.close();
  EXPECT_EQ("", qbm::test::problemsOf(path));
}

}  // namespace
