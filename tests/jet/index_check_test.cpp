// Index checks over hand-built trees: a sound index against its rows reports nothing; each kind of
// damage (a row without its entry, an entry without its row, a wrong key, a repeated key in a
// unique index, broken sibling links, an intermediate entry that does not match its child, a page
// of another table, a cycle) is reported, naming the index, and never thrown.

#include "jet/check/index_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "jet/index/index_key.h"
#include "tests/jet/index_tree_builder.h"

namespace jet {
namespace {

using test::MemoryIndexFile;

StoredTableDefinition numbersTable(std::uint32_t root, std::uint8_t flags) {
  StoredTableDefinition t;
  t.name = "numbers";
  t.version = Format::Jet4;
  t.firstPage = MemoryIndexFile::kTablePage;
  StoredColumn n{};
  n.name = "N";
  n.type = ColumnType::Long;
  t.columns = {n};
  RealIndex real;
  real.columns = {{0, false}};
  real.firstPage = root;
  real.flags = flags;
  t.realIndexes = {real};
  LogicalIndex logical;
  logical.name = "ByN";
  t.logicalIndexes = {logical};
  return t;
}

std::vector<CheckedRow> rowsOf(int count) {
  std::vector<CheckedRow> rows;
  for (int i = 0; i < count; ++i)
    rows.push_back({RowLocation{static_cast<std::uint32_t>(50 + i / 10), static_cast<std::uint8_t>(i % 10)},
                    {Value(std::int32_t{i * 3})}});
  return rows;
}

class IndexCheckTest : public ::testing::Test {
 protected:
  // Builds the index of the given rows (their real keys) with entries changed by edit.
  std::vector<Problem> check(const std::vector<CheckedRow>& rows,
                             const std::function<void(std::vector<IndexEntry>&)>& edit = {},
                             std::uint8_t flags = 0,
                             const std::function<void(MemoryIndexFile&, std::uint32_t)>& damage = {}) {
    MemoryIndexFile file(Format::Jet4);
    StoredTableDefinition probe = numbersTable(0, flags);
    IndexKeyEncoder keys(probe, probe.realIndexes[0], file.open()->header());
    std::vector<IndexEntry> entries;
    for (const CheckedRow& r : rows) entries.push_back({keys.rowKey(r.values), r.id, 0});
    if (edit) edit(entries);
    std::sort(entries.begin(), entries.end(), [](const IndexEntry& a, const IndexEntry& b) {
      return compareEntries(a.key, a.row, b.key, b.row) < 0;
    });
    std::uint32_t root = file.buildTree(entries, 4, 3, false);
    linkSiblings(file, root);
    if (damage) damage(file, root);
    auto pages = file.open();
    std::vector<Problem> problems;
    checkIndexes(*pages, numbersTable(root, flags), rows, problems);
    return problems;
  }

  // The builder leaves sibling links out; sound trees have them.
  static void linkSiblings(MemoryIndexFile& file, std::uint32_t root) {
    auto pages = file.open();
    std::vector<std::vector<std::uint32_t>> levels;
    std::function<void(std::uint32_t, std::size_t)> visit = [&](std::uint32_t n, std::size_t d) {
      if (levels.size() <= d) levels.resize(d + 1);
      levels[d].push_back(n);
      IndexPage p = decodeIndexPage(pages->page(n)->bytes(), n, file.layout());
      for (std::uint32_t c : p.children()) visit(c, d + 1);
    };
    visit(root, 0);
    for (const auto& level : levels) {
      for (std::size_t i = 0; i < level.size(); ++i) {
        IndexPage p = decodeIndexPage(pages->page(level[i])->bytes(), level[i], file.layout());
        p.previous = i > 0 ? level[i - 1] : 0;
        p.next = i + 1 < level.size() ? level[i + 1] : 0;
        file.put(level[i], p);
      }
    }
  }

  static bool mentions(const std::vector<Problem>& problems, const std::string& text) {
    return std::any_of(problems.begin(), problems.end(), [&](const Problem& p) {
      return p.what.find(text) != std::string::npos && p.where.find("index ByN") != std::string::npos;
    });
  }
};

TEST_F(IndexCheckTest, ASoundIndexHasNoProblems) {
  EXPECT_TRUE(check(rowsOf(0)).empty());
  EXPECT_TRUE(check(rowsOf(1)).empty());
  auto problems = check(rowsOf(100));
  for (const auto& p : problems) ADD_FAILURE() << p.where << ": " << p.what;
}

TEST_F(IndexCheckTest, ReportsRowsAndEntriesThatDoNotMatch) {
  auto rows = rowsOf(40);
  EXPECT_TRUE(mentions(check(rows, [](auto& e) { e.erase(e.begin() + 7); }), "0 entries instead of 1"));
  EXPECT_TRUE(mentions(check(rows, [](auto& e) { e.push_back(e[3]); e.back().row.row = 200; }),
                       "not a row of the table"));
  EXPECT_TRUE(mentions(check(rows, [](auto& e) { e.push_back(e[3]); e.back().key.back() ^= 1; }),
                       "2 entries instead of 1"));
  EXPECT_TRUE(mentions(check(rows, [](auto& e) { e[5].key.back() ^= 1; }), "does not hold the row's key"));
  // Twenty problems of an index are each reported; more are counted in one line.
  for (int missing : {20, 21}) {
    auto problems = check(rows, [&](auto& e) { e.erase(e.begin(), e.begin() + missing); });
    EXPECT_EQ(problems.size(), missing == 20 ? 20u : 21u);
    EXPECT_EQ(mentions(problems, "1 more problems of this index"), missing == 21);
  }
}

// Access links intermediate pages only to neighbours under the same parent: links cut at a parent
// boundary (on both sides) are sound; cut on one side only, they are not.
TEST_F(IndexCheckTest, IntermediatePagesMayLinkOnlyUnderTheirParent) {
  auto cutAtParents = [](bool bothSides) {
    return [bothSides](MemoryIndexFile& file, std::uint32_t root) {
      auto pages = file.open();
      struct At {
        std::uint32_t page, parent;
        bool leaf;
      };
      std::vector<std::vector<At>> levels;
      std::function<void(std::uint32_t, std::uint32_t, std::size_t)> visit = [&](std::uint32_t n, std::uint32_t parent,
                                                                                 std::size_t d) {
        IndexPage p = decodeIndexPage(pages->page(n)->bytes(), n, file.layout());
        if (levels.size() <= d) levels.resize(d + 1);
        levels[d].push_back({n, parent, p.leaf});
        for (std::uint32_t c : p.children()) visit(c, n, d + 1);
      };
      visit(root, 0, 0);
      int cuts = 0;
      for (const auto& level : levels) {
        for (std::size_t i = 0; i + 1 < level.size(); ++i) {
          if (level[i].leaf || level[i].parent == level[i + 1].parent) continue;
          IndexPage left = decodeIndexPage(file.open()->page(level[i].page)->bytes(), level[i].page, file.layout());
          left.next = 0;
          file.put(level[i].page, left);
          if (bothSides) {
            IndexPage right = decodeIndexPage(file.open()->page(level[i + 1].page)->bytes(), level[i + 1].page, file.layout());
            right.previous = 0;
            file.put(level[i + 1].page, right);
          }
          ++cuts;
        }
      }
      ASSERT_GT(cuts, 0) << "the tree has no intermediate pages under different parents";
    };
  };
  auto rows = rowsOf(200);
  auto problems = check(rows, {}, 0, cutAtParents(true));
  for (const auto& p : problems) ADD_FAILURE() << p.where << ": " << p.what;
  EXPECT_TRUE(mentions(check(rows, {}, 0, cutAtParents(false)), "neighbouring pages"));
}

TEST_F(IndexCheckTest, ReportsUniqueAndRequiredViolationsButAllowsRepeatedNulls) {
  auto rows = rowsOf(10);
  rows[4].values[0] = Value(std::int32_t{0});  // the key of row 0 again
  EXPECT_TRUE(mentions(check(rows, {}, format::index_flag::kUnique), "unique index"));
  EXPECT_TRUE(check(rows, {}, 0).empty());

  rows = rowsOf(10);
  rows[2].values[0] = Value();
  rows[6].values[0] = Value();
  EXPECT_TRUE(check(rows, {}, format::index_flag::kUnique).empty());
  EXPECT_TRUE(mentions(check(rows, {}, format::index_flag::kRequired), "may not hold one"));
  // Ignore-Nulls indexes hold no entries for them, and must not.
  EXPECT_TRUE(check(rows, [](auto& e) { std::erase_if(e, [](const IndexEntry& x) { return x.key[0] == 0; }); },
                    format::index_flag::kIgnoreNulls).empty());
  EXPECT_TRUE(mentions(check(rows, {}, format::index_flag::kIgnoreNulls), "1 entries instead of 0"));
}

TEST_F(IndexCheckTest, RowsThatCannotBeReadKeepTheirEntriesButNotTheirKeys) {
  auto rows = rowsOf(20);
  auto unreadable = rows;
  unreadable[5].values.clear();
  unreadable[5].readable = false;
  // The entries are built from the real rows; the checker only knows row 5 exists.
  std::vector<Problem> problems;
  {
    MemoryIndexFile file(Format::Jet4);
    StoredTableDefinition probe = numbersTable(0, 0);
    IndexKeyEncoder keys(probe, probe.realIndexes[0], file.open()->header());
    std::vector<IndexEntry> entries;
    for (const CheckedRow& r : rows) entries.push_back({keys.rowKey(r.values), r.id, 0});
    std::uint32_t root = file.buildTree(entries, 100, 3, false);
    auto pages = file.open();
    checkIndexes(*pages, numbersTable(root, format::index_flag::kUnique), unreadable, problems);
    EXPECT_TRUE(problems.empty());
    entries.insert(entries.begin() + 6, entries[5]);
    entries[6].key.push_back(1);
    MemoryIndexFile twice(Format::Jet4);
    root = twice.buildTree(entries, 100, 3, false);
    pages = twice.open();
    checkIndexes(*pages, numbersTable(root, 0), unreadable, problems);
  }
  EXPECT_TRUE(mentions(problems, "has 2 entries"));
}

TEST_F(IndexCheckTest, ReportsDamagedTreesWithoutThrowing) {
  auto rows = rowsOf(60);
  auto rewriteRoot = [](const std::function<void(IndexPage&)>& change) {
    return [change](MemoryIndexFile& file, std::uint32_t root) {
      auto pages = file.open();
      IndexPage p = decodeIndexPage(pages->page(root)->bytes(), root, file.layout());
      change(p);
      file.put(root, p);
    };
  };
  EXPECT_TRUE(mentions(check(rows, {}, 0, rewriteRoot([](IndexPage& p) { p.entries[0].key.back() ^= 1; })),
                       "does not match the last entry below it"));
  EXPECT_TRUE(mentions(check(rows, {}, 0, rewriteRoot([](IndexPage& p) { p.tablePage = 9; })),
                       "belongs to the table"));
  EXPECT_TRUE(mentions(check(rows, {}, 0, rewriteRoot([](IndexPage& p) { p.next = 3; })),
                       "neighbouring pages"));
  EXPECT_TRUE(mentions(check(rows, {}, 0, rewriteRoot([&](IndexPage& p) { p.entries[1].child = p.entries[0].child; })),
                       "reached twice"));
  auto cycle = [](MemoryIndexFile& file, std::uint32_t root) {
    auto pages = file.open();
    IndexPage p = decodeIndexPage(pages->page(root)->bytes(), root, file.layout());
    p.entries[0].child = root;
    file.put(root, p);
  };
  EXPECT_FALSE(check(rows, {}, 0, cycle).empty());
  auto garbage = [](MemoryIndexFile& file, std::uint32_t root) {
    file.putRaw(root, std::vector<std::uint8_t>(file.layout().pageSize, 0x04));
  };
  EXPECT_FALSE(check(rows, {}, 0, garbage).empty());
}

}  // namespace
}  // namespace jet
