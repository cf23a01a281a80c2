// The table-type cursor in physical order: walking both ways, end markers, field reads by name and
// number, Null kept apart from empty values, bookmarks, and use after the database is closed.

#include <gtest/gtest.h>

#include <vector>

#include "jet/database.h"
#include "jet/error.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;

jet::Database openShared(const std::string& relative) {
  return jet::Database::open(qbm::test::sharedDir() / relative, {.exclusive = false, .readOnly = true});
}

template <class F>
jet::ErrorCode errorOf(F&& f) {
  try {
    f();
  } catch (const jet::Error& e) {
    return e.code();
  }
  ADD_FAILURE() << "no jet::Error thrown";
  return jet::ErrorCode::Io;
}

std::vector<std::string> walkForward(jet::Table& t, const std::string& column) {
  std::vector<std::string> seen;
  for (t.moveFirst(); !t.eof(); t.moveNext()) seen.push_back(t.get(column).toString());
  return seen;
}

TEST(TableCursor, WalksEveryRowOnceInBothDirections) {
  QBM_REQUIRE_SHARED();
  jet::Database db = openShared("interop/compIndexTestV2000.mdb");
  jet::Table t = db.table("Table1");
  std::vector<std::string> forward = walkForward(t, "CD_AGENTE");
  EXPECT_EQ(static_cast<std::size_t>(t.rowCount()), forward.size());
  EXPECT_TRUE(t.eof());
  EXPECT_FALSE(t.bof());

  std::vector<std::string> backward;
  for (t.moveLast(); !t.bof(); t.movePrevious()) backward.push_back(t.get("CD_AGENTE").toString());
  EXPECT_TRUE(t.bof());
  std::reverse(backward.begin(), backward.end());
  EXPECT_EQ(forward, backward);
  // The data spans several pages; the walk crosses them without losing or repeating rows.
  EXPECT_EQ(512u, forward.size());
}

TEST(TableCursor, OpensOnTheFirstRowAndStopsAtTheEnds) {
  QBM_REQUIRE_SHARED();
  jet::Database db = openShared("interop/testV2000.mdb");
  jet::Table t = db.table("table1");  // names compare without regard to case
  EXPECT_FALSE(t.eof());
  EXPECT_FALSE(t.bof());
  EXPECT_EQ("abcdefg", t.get("A").toString());
  t.moveLast();
  t.moveNext();
  EXPECT_TRUE(t.eof());
  EXPECT_EQ(jet::ErrorCode::NoCurrentRow, errorOf([&] { t.get("A"); }));
  EXPECT_EQ(jet::ErrorCode::NoCurrentRow, errorOf([&] { t.moveNext(); }));
  EXPECT_EQ(jet::ErrorCode::NoCurrentRow, errorOf([&] { t.bookmark(); }));
  t.movePrevious();  // from past the end back onto the last row
  EXPECT_EQ("a", t.get("A").toString());
  t.moveFirst();
  t.movePrevious();
  EXPECT_TRUE(t.bof());
  EXPECT_EQ(jet::ErrorCode::NoCurrentRow, errorOf([&] { t.movePrevious(); }));
}

TEST(TableCursor, EmptyTableIsAtBothEnds) {
  QBM_REQUIRE_SHARED();
  jet::Database db = openShared("interop/bigIndexTestV2000.mdb");
  jet::Table t = db.table(db.tableNames().front());
  EXPECT_TRUE(t.eof());
  EXPECT_TRUE(t.bof());
  t.moveLast();
  EXPECT_TRUE(t.eof());
  EXPECT_TRUE(t.bof());
  EXPECT_EQ(0, t.rowCount());
}

TEST(TableCursor, FieldsByNameAndNumberWithNullKeptApart) {
  QBM_REQUIRE_SHARED();
  jet::Database db = openShared("interop/overflowTestV2000.mdb");
  jet::Table t = db.table("Table1");
  ASSERT_EQ(9u, t.columns().size());
  EXPECT_EQ(1, t.columnIndex("DATA3"));
  EXPECT_EQ(-1, t.columnIndex("data2"));
  EXPECT_EQ(jet::ErrorCode::MissingColumn, errorOf([&] { t.get("data2"); }));
  EXPECT_EQ(jet::ErrorCode::MissingColumn, errorOf([&] { t.get(9); }));
  EXPECT_EQ(jet::Value("row1col1"), t.get("data1"));
  EXPECT_EQ(t.get(0), t.get("Data1"));
  EXPECT_TRUE(t.get("data3").isNull());
  EXPECT_NE(jet::Value(""), t.get("data3"));

  jet::Database dbt = openShared("interop/testV2000.mdb");
  jet::Table typed = dbt.table("Table1");
  EXPECT_EQ(jet::Value(std::uint8_t{2}), typed.get("C"));
  EXPECT_EQ(jet::Value(std::int16_t{222}), typed.get("D"));
  EXPECT_EQ(jet::Value(std::int32_t{333333333}), typed.get("E"));
  EXPECT_EQ(jet::Value(444.555), typed.get("F"));
  EXPECT_EQ(jet::Value(jet::Currency{35000}), typed.get("H"));
  EXPECT_EQ(jet::Value(true), typed.get("I"));
  typed.moveNext();
  EXPECT_EQ(jet::Value(false), typed.get("I")) << "Yes/No is never Null";
  EXPECT_EQ(jet::Value(std::uint8_t{0}), typed.get("C"));
}

TEST(TableCursor, BookmarksReturnToTheirRowAfterOtherMoves) {
  QBM_REQUIRE_SHARED();
  jet::Database db = openShared("interop/overflowTestV2000.mdb");
  jet::Table t = db.table("Table1");
  std::vector<std::pair<jet::Bookmark, std::vector<jet::Value>>> marks;
  for (t.moveFirst(); !t.eof(); t.moveNext()) {
    std::vector<jet::Value> row;
    for (int c = 0; c < 9; ++c) row.push_back(t.get(c));
    marks.emplace_back(t.bookmark(), row);
  }
  ASSERT_EQ(7u, marks.size());
  for (auto it = marks.rbegin(); it != marks.rend(); ++it) {
    t.moveFirst();
    t.setBookmark(it->first);
    EXPECT_EQ(it->first, t.bookmark());
    for (int c = 0; c < 9; ++c) EXPECT_EQ(it->second[c], t.get(c));
  }
  // Walking on from a bookmark continues in physical order.
  t.setBookmark(marks[2].first);
  t.moveNext();
  EXPECT_EQ(marks[3].first, t.bookmark());
  t.movePrevious();
  t.movePrevious();
  EXPECT_EQ(marks[1].first, t.bookmark());
}

TEST(TableCursor, BookmarkOfADeletedOrForeignRowIsRefused) {
  QBM_REQUIRE_SHARED();
  jet::Database db = openShared("interop/delTestV2000.mdb");
  jet::Table t = db.table("Table");
  jet::Bookmark live = t.bookmark();
  jet::Bookmark missing{live.page, static_cast<std::uint16_t>(live.row + 200)};
  EXPECT_EQ(jet::ErrorCode::NoCurrentRow, errorOf([&] { t.setBookmark(missing); }));
  EXPECT_EQ(jet::ErrorCode::NoCurrentRow, errorOf([&] { t.setBookmark({2, 0}); }));  // a catalog page
  t.setBookmark(live);
  EXPECT_FALSE(t.eof());
}

TEST(TableCursor, IndexSelection) {
  QBM_REQUIRE_SHARED();
  jet::Database db = openShared("interop/testV2000.mdb");
  jet::Table t = db.table("Table1");
  EXPECT_EQ("", t.currentIndex());
  EXPECT_EQ(jet::ErrorCode::MissingIndex, errorOf([&] { t.setIndex("NoSuchIndex"); }));
  EXPECT_EQ(jet::ErrorCode::InvalidState, errorOf([&] { t.seek(jet::Value("a")); }));
  t.setIndex("");
  EXPECT_EQ("", t.currentIndex());
  t.moveFirst();
  EXPECT_EQ("abcdefg", t.get("A").toString());
}

TEST(Database, CatalogAndUseAfterClose) {
  QBM_REQUIRE_SHARED();
  jet::Database db = openShared("interop/testV1997.mdb");
  EXPECT_EQ(jet::Format::Jet3, db.format());
  EXPECT_EQ(2048u, db.pageSize());
  EXPECT_EQ(1252, db.codePage());
  EXPECT_EQ(1033u, db.sortOrder());
  std::vector<std::string> names = db.tableNames();
  EXPECT_EQ((std::vector<std::string>{"Table1", "Table2", "Table3", "Table4"}), names);
  EXPECT_TRUE(db.hasTable("TABLE3"));
  EXPECT_FALSE(db.hasTable("MSysObjects")) << "system tables are not listed";
  EXPECT_EQ(jet::ErrorCode::MissingTable, errorOf([&] { db.table("Table5"); }));

  jet::Table t = db.table("Table3");
  db.close();
  EXPECT_FALSE(db.isOpen());
  EXPECT_EQ(jet::ErrorCode::InvalidState, errorOf([&] { t.moveNext(); }));
  EXPECT_EQ(jet::ErrorCode::InvalidState, errorOf([&] { t.get(0); }));
  EXPECT_EQ(jet::ErrorCode::InvalidState, errorOf([&] { db.tableNames(); }));
  db.close();  // twice is fine
}

TEST(Database, TablesOutliveTheirDatabaseObjectSafely) {
  QBM_REQUIRE_SHARED();
  std::optional<jet::Table> t;
  {
    jet::Database db = openShared("interop/testV2000.mdb");
    t.emplace(db.table("Table1"));
    jet::Database moved = std::move(db);
    EXPECT_EQ("abcdefg", t->get("A").toString()) << "moving the database keeps it open";
  }
  EXPECT_EQ(jet::ErrorCode::InvalidState, errorOf([&] { t->moveFirst(); }));
}

}  // namespace
