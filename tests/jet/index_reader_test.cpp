// The index reader over trees built by hand: every shape (one leaf, several levels, tail pages, empty
// leaves) walks in key order both ways and seeks to the first entry at or after a key; damaged trees
// (cycles, pages of another table, pointers past the file, entries out of order) end with
// Error(Damaged) instead of a hang or a crash.

#include "jet/index/index_reader.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "jet/error.h"
#include "tests/jet/index_tree_builder.h"

namespace jet {
namespace {

using test::longEntry;
using test::MemoryIndexFile;

// Entries for the keys 0, 2, 4, ... (even numbers), with three rows each for every tenth key.
std::vector<IndexEntry> evenEntries(int count) {
  std::vector<IndexEntry> out;
  for (int i = 0; i < count; ++i) {
    int copies = i % 10 == 0 ? 3 : 1;
    for (int c = 0; c < copies; ++c)
      out.push_back(longEntry(2 * i, static_cast<std::uint32_t>(100 + i), static_cast<std::uint8_t>(c)));
  }
  return out;
}

std::vector<RowLocation> walk(IndexReader& r, bool forward) {
  std::vector<RowLocation> rows;
  for (bool ok = forward ? r.first() : r.last(); ok; ok = forward ? r.next() : r.previous())
    rows.push_back(r.entry().row);
  return rows;
}

struct Shape {
  Format version;
  std::size_t leafSize;
  std::size_t fanOut;
  bool tail;
};

class IndexTreeShapes : public ::testing::TestWithParam<Shape> {};

TEST_P(IndexTreeShapes, WalksInKeyOrderBothWays) {
  const Shape s = GetParam();
  for (int count : {0, 1, 7, 300}) {
    MemoryIndexFile file(s.version);
    std::vector<IndexEntry> entries = evenEntries(count);
    std::uint32_t root = file.buildTree(entries, s.leafSize, s.fanOut, s.tail);
    auto pages = file.open();
    IndexReader reader(*pages, root, MemoryIndexFile::kTablePage);

    std::vector<RowLocation> expected;
    for (const auto& e : entries) expected.push_back(e.row);
    EXPECT_EQ(walk(reader, true), expected) << count;
    std::reverse(expected.begin(), expected.end());
    EXPECT_EQ(walk(reader, false), expected) << count;
    EXPECT_FALSE(reader.valid());
    EXPECT_FALSE(reader.next());
  }
}

TEST_P(IndexTreeShapes, SeeksTheFirstEntryAtOrAfterAKey) {
  const Shape s = GetParam();
  MemoryIndexFile file(s.version);
  std::vector<IndexEntry> entries = evenEntries(300);
  std::uint32_t root = file.buildTree(entries, s.leafSize, s.fanOut, s.tail);
  auto pages = file.open();
  IndexReader reader(*pages, root, MemoryIndexFile::kTablePage);

  for (int key = -1; key <= 600; ++key) {
    Bytes k = longEntry(key, 0, 0).key;
    auto expected = std::lower_bound(entries.begin(), entries.end(), k,
                                     [](const IndexEntry& e, const Bytes& kk) { return e.key < kk; });
    bool found = reader.seek(k);
    ASSERT_EQ(found, expected != entries.end()) << key;
    if (!found) continue;
    EXPECT_EQ(reader.entry().row, expected->row) << key;
    EXPECT_EQ(reader.entry().key == k, key % 2 == 0) << key;
  }
  // Moving on from a seek continues in order; seeking an exact entry finds that entry.
  ASSERT_TRUE(reader.seek(longEntry(20, 0, 0).key));
  EXPECT_EQ(reader.entry().row, (RowLocation{110, 0}));
  ASSERT_TRUE(reader.next());
  EXPECT_EQ(reader.entry().row, (RowLocation{110, 1}));
  ASSERT_TRUE(reader.seek(longEntry(20, 0, 0).key, RowLocation{110, 2}));
  EXPECT_EQ(reader.entry().row, (RowLocation{110, 2}));
  ASSERT_TRUE(reader.previous());
  EXPECT_EQ(reader.entry().row, (RowLocation{110, 1}));
  // A key made of the flag byte alone is a prefix of every key: it finds the first entry.
  ASSERT_TRUE(reader.seek(Bytes{0x7F}));
  EXPECT_EQ(reader.entry().row, entries.front().row);
}

INSTANTIATE_TEST_SUITE_P(Jet, IndexTreeShapes,
                         ::testing::Values(Shape{Format::Jet4, 1000, 2, false},
                                           Shape{Format::Jet4, 7, 3, false},
                                           Shape{Format::Jet4, 5, 4, true},
                                           Shape{Format::Jet3, 9, 2, true},
                                           Shape{Format::Jet3, 1, 2, false}));

void expectDamaged(IndexReader& reader) {
  try {
    for (bool ok = reader.first(); ok; ok = reader.next()) {
    }
    FAIL() << "a damaged index was walked to its end";
  } catch (const Error& e) {
    EXPECT_EQ(e.code(), ErrorCode::Damaged) << e.what();
  }
}

TEST(IndexReaderDamage, ACycleEndsTheWalk) {
  MemoryIndexFile file(Format::Jet4);
  std::uint32_t root = file.buildTree(evenEntries(50), 5, 3, false);
  // Point the root's first child back at the root.
  auto pages = file.open();
  IndexPage rootPage = decodeIndexPage(pages->page(root)->bytes(), root, file.layout());
  rootPage.entries.front().child = root;
  file.put(root, rootPage);
  auto damaged = file.open();
  IndexReader reader(*damaged, root, MemoryIndexFile::kTablePage);
  expectDamaged(reader);
  EXPECT_THROW(reader.seek(Bytes{0x7F}), Error);
}

TEST(IndexReaderDamage, AChildSharedTwiceIsCaughtByTheOrderCheck) {
  MemoryIndexFile file(Format::Jet4);
  std::uint32_t root = file.buildTree(evenEntries(50), 5, 100, false);
  auto pages = file.open();
  IndexPage rootPage = decodeIndexPage(pages->page(root)->bytes(), root, file.layout());
  for (auto& e : rootPage.entries) e.child = rootPage.entries.front().child;
  file.put(root, rootPage);
  auto damaged = file.open();
  IndexReader reader(*damaged, root, MemoryIndexFile::kTablePage);
  expectDamaged(reader);
}

TEST(IndexReaderDamage, PagesOfAnotherTableOrPastTheFileAreRefused) {
  MemoryIndexFile file(Format::Jet3);
  std::uint32_t root = file.buildTree(evenEntries(50), 5, 3, false);
  auto pages = file.open();
  IndexReader otherTable(*pages, root, MemoryIndexFile::kTablePage + 1);
  expectDamaged(otherTable);

  IndexPage rootPage = decodeIndexPage(pages->page(root)->bytes(), root, file.layout());
  rootPage.entries.back().child = 999999;
  file.put(root, rootPage);
  auto damaged = file.open();
  IndexReader pastEnd(*damaged, root, MemoryIndexFile::kTablePage);
  try {
    pastEnd.last();
    FAIL() << "a pointer past the end of the file was followed";
  } catch (const Error& e) {
    EXPECT_EQ(e.code(), ErrorCode::Damaged);
  }

  IndexReader notAnIndex(*pages, MemoryIndexFile::kTablePage, 0);  // a TDEF page as root
  EXPECT_THROW(notAnIndex.first(), Error);
}

TEST(IndexReaderDamage, EntriesOutOfOrderAreRefused) {
  // Descending keys, and one entry (same key, same row) twice.
  for (std::int32_t second : {3, 5}) {
    MemoryIndexFile file(Format::Jet4);
    IndexPage leaf;
    leaf.tablePage = MemoryIndexFile::kTablePage;
    leaf.entries = {longEntry(5, 10, 0), longEntry(second, 10, second == 5 ? 0 : 1)};
    std::uint32_t root = file.add(leaf);
    auto pages = file.open();
    IndexReader reader(*pages, root, MemoryIndexFile::kTablePage);
    expectDamaged(reader);
    // Backwards too.
    try {
      for (bool ok = reader.last(); ok; ok = reader.previous()) {
      }
      ADD_FAILURE() << second;
    } catch (const Error& e) {
      EXPECT_EQ(e.code(), ErrorCode::Damaged);
    }
  }
}

TEST(IndexReaderDamage, EmptyLeavesInsideTheTreeAreSkipped) {
  MemoryIndexFile file(Format::Jet4);
  IndexPage empty;
  empty.tablePage = MemoryIndexFile::kTablePage;
  std::uint32_t e1 = file.add(empty);
  IndexPage full = empty;
  full.entries = {longEntry(1, 10, 0), longEntry(2, 10, 1)};
  std::uint32_t f = file.add(full);
  std::uint32_t e2 = file.add(empty);
  IndexPage node;
  node.leaf = false;
  node.tablePage = MemoryIndexFile::kTablePage;
  IndexEntry a = longEntry(0, 0, 0), b = full.entries.back();
  a.child = e1;
  b.child = f;
  node.entries = {a, b};
  node.tail = e2;
  std::uint32_t root = file.add(node);
  auto pages = file.open();
  IndexReader reader(*pages, root, MemoryIndexFile::kTablePage);
  EXPECT_EQ(walk(reader, true), (std::vector<RowLocation>{{10, 0}, {10, 1}}));
  EXPECT_EQ(walk(reader, false), (std::vector<RowLocation>{{10, 1}, {10, 0}}));
  EXPECT_FALSE(reader.seek(longEntry(3, 0, 0).key));
}

}  // namespace
}  // namespace jet
