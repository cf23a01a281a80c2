// The index order of a table over a hand-built two-column index (Text, Long descending): "=" seeks
// on one or both key columns find the first matching entry, text without regard to case; absent
// keys and values the column cannot hold find nothing; an ignore-Nulls index leaves out rows whose
// key columns are all Null; positionAt returns to a row's own entry.

#include "jet/index/index_cursor.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "jet/error.h"
#include "tests/jet/index_tree_builder.h"

namespace jet {
namespace {

using test::MemoryIndexFile;

struct Row {
  Value name;
  Value number;
  RowLocation id;
};

StoredTableDefinition twoColumnTable(std::uint32_t root, Format version) {
  StoredTableDefinition t;
  t.name = "people";
  t.version = version;
  t.firstPage = MemoryIndexFile::kTablePage;
  StoredColumn id{};
  id.name = "ID";
  id.type = ColumnType::Long;
  id.number = 0;
  StoredColumn name{};
  name.name = "Name";
  name.type = ColumnType::Text;
  name.number = 1;
  name.sortOrder = 1033;
  StoredColumn number{};
  number.name = "Number";
  number.type = ColumnType::Long;
  number.number = 3;  // a deleted column left a gap
  t.columns = {id, name, number};
  RealIndex real;
  real.columns = {{1, false}, {3, true}};
  real.firstPage = root;
  t.realIndexes = {real};
  LogicalIndex logical;
  logical.name = "NameNumber";
  t.logicalIndexes = {logical};
  return t;
}

class IndexCursorTest : public ::testing::TestWithParam<Format> {
 protected:
  void build(const std::vector<Row>& rows) {
    // Keys through a throwaway encoder (the root page does not matter for keys).
    StoredTableDefinition probe = twoColumnTable(0, GetParam());
    IndexKeyEncoder keys(probe, probe.realIndexes[0], MemoryIndexFile(GetParam()).open()->header());
    std::vector<IndexEntry> entries;
    for (const Row& r : rows) {
      IndexEntry e;
      e.key = keys.rowKey({Value(std::int32_t{0}), r.name, r.number});
      e.row = r.id;
      entries.push_back(e);
    }
    std::sort(entries.begin(), entries.end(), [](const IndexEntry& a, const IndexEntry& b) {
      return compareEntries(a.key, a.row, b.key, b.row) < 0;
    });
    std::uint32_t root = file_.buildTree(entries, 3, 3, true);
    pages_ = file_.open();
    table_ = twoColumnTable(root, GetParam());
  }

  MemoryIndexFile file_{GetParam()};
  std::unique_ptr<PageFile> pages_;
  StoredTableDefinition table_;
};

const std::vector<Row> kRows = {
    {"smith", std::int32_t{1}, {10, 0}}, {"Smith", std::int32_t{7}, {10, 1}},
    {"SMITHERS", std::int32_t{2}, {10, 2}}, {"jones", std::int32_t{5}, {11, 0}},
    {"Jones", std::int32_t{5}, {11, 1}}, {Value(), std::int32_t{3}, {11, 2}},
    {"Zed", Value(), {12, 0}}, {"abc", std::int32_t{9}, {12, 1}}, {"Ábc", std::int32_t{9}, {12, 2}},
};

TEST_P(IndexCursorTest, SeeksTheFirstMatchInIndexOrder) {
  build(kRows);
  IndexCursor cursor(*pages_, table_, table_.logicalIndexes[0]);

  // The Number column is descending: among the Smiths, 7 comes first.
  EXPECT_EQ(cursor.seek({Value("SMITH")}), (RowLocation{10, 1}));
  EXPECT_EQ(cursor.next(), (RowLocation{10, 0}));
  EXPECT_EQ(cursor.next(), (RowLocation{10, 2}));  // "Smithers" follows, but does not match "Smith"
  EXPECT_EQ(cursor.seek({Value("smith"), Value(std::int32_t{1})}), (RowLocation{10, 0}));
  EXPECT_EQ(cursor.seek({Value("Smith"), Value(std::int16_t{7})}), (RowLocation{10, 1}));
  // Equal keys order by row.
  EXPECT_EQ(cursor.seek({Value("JONES"), Value(std::int32_t{5})}), (RowLocation{11, 0}));
  EXPECT_EQ(cursor.next(), (RowLocation{11, 1}));
  // Accents count; case does not.
  EXPECT_EQ(cursor.seek({Value("ABC")}), (RowLocation{12, 1}));
  EXPECT_EQ(cursor.seek({Value("ábc")}), (RowLocation{12, 2}));
  // Null is a key like any other.
  EXPECT_EQ(cursor.seek({Value()}), (RowLocation{11, 2}));
  EXPECT_EQ(cursor.seek({Value("zed"), Value()}), (RowLocation{12, 0}));
}

TEST_P(IndexCursorTest, AbsentKeysFindNothing) {
  build(kRows);
  IndexCursor cursor(*pages_, table_, table_.logicalIndexes[0]);
  EXPECT_FALSE(cursor.seek({Value("Smit")}));
  EXPECT_FALSE(cursor.current());
  EXPECT_FALSE(cursor.next());
  EXPECT_FALSE(cursor.seek({Value("Smith"), Value(std::int32_t{2})}));
  EXPECT_FALSE(cursor.seek({Value("zzz")}));  // after the last entry
  EXPECT_FALSE(cursor.seek({Value("a")}));    // before the first text
  // A value its column cannot hold matches no row.
  EXPECT_FALSE(cursor.seek({Value("Smith"), Value(1.5)}));
  EXPECT_FALSE(cursor.seek({Value(std::int32_t{1})}));
  EXPECT_THROW(cursor.seek({Value("a"), Value(std::int32_t{1}), Value(std::int32_t{1})}), Error);
}

TEST_P(IndexCursorTest, WalksAndReturnsToARowsEntry) {
  build(kRows);
  IndexCursor cursor(*pages_, table_, table_.logicalIndexes[0]);
  std::vector<RowLocation> order;
  for (auto r = cursor.first(); r; r = cursor.next()) order.push_back(*r);
  ASSERT_EQ(order.size(), kRows.size());
  EXPECT_EQ(order.front(), (RowLocation{11, 2}));  // Null first
  EXPECT_EQ(order.back(), (RowLocation{12, 0}));   // Zed last

  const Row& r = kRows[3];
  Bytes key = cursor.keys().rowKey({Value(std::int32_t{0}), r.name, r.number});
  ASSERT_TRUE(cursor.positionAt(key, r.id));
  EXPECT_EQ(cursor.next(), (RowLocation{11, 1}));
  EXPECT_FALSE(cursor.positionAt(key, RowLocation{99, 0}));
}

TEST_P(IndexCursorTest, IgnoreNullsLeavesOutAllNullRowsOnly) {
  StoredTableDefinition t = twoColumnTable(0, GetParam());
  t.realIndexes[0].flags = format::index_flag::kIgnoreNulls;
  IndexKeyEncoder keys(t, t.realIndexes[0], file_.open()->header());
  EXPECT_FALSE(keys.hasEntry({Value(std::int32_t{1}), Value(), Value()}));
  EXPECT_TRUE(keys.hasEntry({Value(), Value("x"), Value()}));
  EXPECT_TRUE(keys.hasEntry({Value(), Value(), Value(std::int32_t{0})}));
  StoredTableDefinition plain = twoColumnTable(0, GetParam());
  IndexKeyEncoder all(plain, plain.realIndexes[0], file_.open()->header());
  EXPECT_TRUE(all.hasEntry({Value(std::int32_t{1}), Value(), Value()}));
}

TEST_P(IndexCursorTest, RefusesIndexesThatDoNotFitTheTable) {
  StoredTableDefinition t = twoColumnTable(0, GetParam());
  t.realIndexes[0].columns[1].columnNumber = 2;  // the deleted column
  EXPECT_THROW(IndexKeyEncoder(t, t.realIndexes[0], file_.open()->header()), Error);
  t = twoColumnTable(0, GetParam());
  t.logicalIndexes[0].realIndex = 4;
  auto pages = file_.open();
  EXPECT_THROW(IndexCursor(*pages, t, t.logicalIndexes[0]), Error);
}

INSTANTIATE_TEST_SUITE_P(Jet, IndexCursorTest,
                         ::testing::Values(Format::Jet3, Format::Jet4),
                         [](const auto& info) {
                           return info.param == Format::Jet3 ? "Jet3" : "Jet4";
                         });

}  // namespace
}  // namespace jet
