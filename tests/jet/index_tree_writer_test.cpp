// Index tree writer: long random sequences of inserts and removes keep the tree in Access's shape
// with exactly the expected entries and every page byte for byte as encoded whole (both formats,
// short and long keys, up to several levels);
// pages read again into new buffers are taken for the same pages, pages changed behind the
// writer's back are read afresh;
// keys in ascending or descending order fill pages; each change writes only a few pages; emptied
// trees shrink back to their root; trees built by others (with and without tails) are extended
// soundly; damage stops a change before anything is written.

#include "jet/index/index_tree_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <set>

#include "jet/error.h"
#include "jet/index/index_page_split.h"
#include "jet/index/index_reader.h"
#include "tests/jet/index_tree_builder.h"
#include "tests/jet/memory_index_store.h"

namespace jet {
namespace {

using test::MemoryIndexFile;
using test::MemoryIndexStore;
using test::walkTree;

constexpr std::uint32_t kTable = MemoryIndexFile::kTablePage;

struct TreeEntry {
  Bytes key;
  RowLocation row;
  friend bool operator<(const TreeEntry& a, const TreeEntry& b) { return compareEntries(a.key, a.row, b.key, b.row) < 0; }
};

Bytes longKey(std::int32_t v) { return test::longEntry(v, 1, 0).key; }

// A key of the given length whose bytes share long runs with other keys (as text keys do).
Bytes textLikeKey(std::mt19937& rng, std::size_t length) {
  static const char alphabet[] = "AAAABBCDEFGHMNOPQRSTXYZ";
  Bytes key{0x7F};
  for (std::size_t i = 0; i < length; ++i)
    key.push_back(static_cast<std::uint8_t>(alphabet[rng() % (sizeof alphabet - 1)]));
  key.push_back(0x00);
  return key;
}

class Tree {
 public:
  explicit Tree(Format v) : file(v), store(file) {
    IndexPage root;
    root.leaf = true;
    root.tablePage = kTable;
    rootPage = file.add(root);
    writer = std::make_unique<IndexTreeWriter>(store, rootPage, kTable);
  }

  // Inserts and checks that insert() tells whether the key is new to the tree.
  void insert(const TreeEntry& e) {
    auto same = expected.lower_bound({e.key, RowLocation{0, 0}});
    bool known = same != expected.end() && same->key == e.key;
    EXPECT_EQ(writer->insert(e.key, e.row), !known);
    expected.insert(e);
  }
  void remove(const TreeEntry& e) {
    ASSERT_TRUE(writer->remove(e.key, e.row));
    expected.erase(e);
  }

  // The tree's shape is Access's, its entries are exactly the expected ones, and every page holds
  // the bytes of its entries encoded whole (pages that took an entry in place included).
  test::TreeShape verify() {
    test::TreeShape shape = walkTree(store, rootPage, kTable);
    EXPECT_TRUE(shape.faults.empty()) << shape.faults.front();
    for (std::uint32_t number : shape.pageNumbers) {
      PageRef page = store.page(number);
      ByteSpan raw = page->bytes();
      std::vector<std::uint8_t> whole = encodeIndexPage(decodeIndexPage(raw, number, file.layout()), file.layout());
      EXPECT_TRUE(std::equal(raw.begin(), raw.end(), whole.begin(), whole.end())) << "page " << number;
    }
    expectEntries(shape);
    return shape;
  }
  // The tree's leaf entries are exactly the expected ones, in order.
  void expectEntries(const test::TreeShape& shape) const {
    EXPECT_EQ(shape.entries.size(), expected.size());
    auto it = expected.begin();
    for (std::size_t i = 0; i < shape.entries.size() && it != expected.end(); ++i, ++it) {
      EXPECT_EQ(shape.entries[i].key, it->key) << i;
      EXPECT_EQ(shape.entries[i].row, it->row) << i;
    }
  }

  MemoryIndexFile file;
  MemoryIndexStore store;
  std::uint32_t rootPage = 0;
  std::unique_ptr<IndexTreeWriter> writer;
  std::set<TreeEntry> expected;
};

class IndexTreeWriterFormats : public ::testing::TestWithParam<Format> {};

TEST_P(IndexTreeWriterFormats, RandomInsertsAndRemovesKeepTheTreeExact) {
  std::mt19937 rng(7);
  for (std::size_t keyLength : {0u, 12u, 180u}) {
    Tree tree(GetParam());
    std::vector<TreeEntry> present;
    std::size_t maxLevels = 0;
    for (int batch = 0; batch < 12; ++batch) {
      // Mostly inserts at first, then mostly removes, so the tree grows and shrinks again.
      int insertShare = batch < 8 ? 75 : 20;
      for (int step = 0; step < 400; ++step) {
        if (present.empty() || static_cast<int>(rng() % 100) < insertShare) {
          TreeEntry e;
          e.key = keyLength == 0 ? longKey(static_cast<std::int32_t>(rng() % 5000) - 2500)
                                 : textLikeKey(rng, 1 + rng() % keyLength);
          e.row = {1 + static_cast<std::uint32_t>(rng() % 0xFFFF), static_cast<std::uint16_t>(rng() % 256)};
          if (tree.expected.count(e)) continue;
          tree.insert(e);
          present.push_back(e);
        } else {
          std::size_t i = rng() % present.size();
          tree.remove(present[i]);
          present[i] = present.back();
          present.pop_back();
        }
      }
      test::TreeShape shape = tree.verify();
      maxLevels = std::max(maxLevels, shape.levels);
      if (HasFailure()) return;
    }
    if (keyLength == 180) {
      EXPECT_GE(maxLevels, 3u) << "long keys should build a deep tree";
    }
  }
}

// Pages read again into new buffers (a page cache that dropped its copies) are the same pages:
// the writer writes exactly what it writes when the buffers are kept. A page whose bytes changed
// behind the writer's back is read afresh, not taken for the page it decoded before.
TEST_P(IndexTreeWriterFormats, PagesReadAgainIntoNewBuffersAreTheSamePages) {
  std::mt19937 rng(11);
  Tree kept(GetParam()), fresh(GetParam());
  fresh.store.freshBuffers = true;
  for (int step = 0; step < 3000; ++step) {
    TreeEntry e;
    e.key = textLikeKey(rng, 1 + rng() % 20);
    e.row = {1 + static_cast<std::uint32_t>(rng() % 0xFFFF), static_cast<std::uint16_t>(rng() % 256)};
    if (kept.expected.count(e)) continue;
    kept.insert(e);
    fresh.insert(e);
    if (step % 4 == 3) {
      TreeEntry gone = *std::next(kept.expected.begin(), static_cast<std::ptrdiff_t>(rng() % kept.expected.size()));
      kept.remove(gone);
      fresh.remove(gone);
    }
  }
  test::TreeShape shape = fresh.verify();
  ASSERT_GE(shape.levels, 2u);
  EXPECT_EQ(kept.file.pages(), fresh.file.pages());
  EXPECT_EQ(kept.store.writes, fresh.store.writes);

  // The leaf with the first entry loses it behind the writer's back; putting it back must work.
  const format::Layout& layout = fresh.file.layout();
  TreeEntry first = *fresh.expected.begin();
  for (std::uint32_t number : shape.pageNumbers) {
    IndexPage page = decodeIndexPage(fresh.file.pages()[number], number, layout);
    if (!page.leaf || page.entries.size() < 2 || page.entries.front().key != first.key ||
        page.entries.front().row != first.row)
      continue;
    page.entries.erase(page.entries.begin());
    page.prefixLength = accessPrefixLength(page.entries, true, layout, /*sorted=*/true);
    fresh.file.putRaw(number, encodeIndexPage(page, layout));
    fresh.expected.erase(first);
    fresh.insert(first);
    fresh.verify();
    return;
  }
  FAIL() << "no leaf starts with the first entry";
}

TEST_P(IndexTreeWriterFormats, ManyLevelsWithLongKeysAndTheReaderAgrees) {
  Tree tree(GetParam());
  std::mt19937 rng(11);
  for (int i = 0; i < 3000; ++i) tree.insert({textLikeKey(rng, 150 + rng() % 100), {static_cast<std::uint32_t>(5 + i), 0}});
  test::TreeShape shape = tree.verify();
  EXPECT_GE(shape.levels, 4u);

  // The engine's reader walks and seeks the written tree.
  std::unique_ptr<PageFile> pages = tree.file.open();
  IndexReader reader(*pages, tree.rootPage, kTable);
  std::size_t n = 0;
  for (bool ok = reader.first(); ok; ok = reader.next()) ++n;
  EXPECT_EQ(n, tree.expected.size());
  for (const TreeEntry& e : tree.expected) {
    ASSERT_TRUE(reader.seek(e.key, e.row));
    EXPECT_EQ(reader.entry().row, e.row);
  }
}

TEST_P(IndexTreeWriterFormats, AscendingAndDescendingKeysFillPages) {
  for (bool ascending : {true, false}) {
    Tree tree(GetParam());
    const int n = 20000;
    for (int i = 0; i < n; ++i) {
      std::int32_t v = ascending ? i : n - i;
      tree.insert({longKey(v), {100, static_cast<std::uint16_t>(i % 200)}});
    }
    test::TreeShape shape = tree.verify();
    // Leaves hold at least as many entries as an uncompressed page would (compression adds more):
    // the tree is no more than a few pages above the fewest leaves it could have.
    std::size_t perPage = (tree.file.layout().pageSize - tree.file.layout().indexEntriesOffset) / 9;
    std::size_t fewestLeaves = (n + perPage - 1) / perPage;
    EXPECT_LE(shape.pages, fewestLeaves + fewestLeaves / 50 + 4) << (ascending ? "ascending" : "descending");
  }
}

TEST_P(IndexTreeWriterFormats, EachChangeWritesOnlyPagesOnItsPath) {
  Tree tree(GetParam());
  std::mt19937 rng(3);
  std::size_t worst = 0;
  for (int i = 0; i < 20000; ++i) {
    std::size_t before = tree.store.writes;
    tree.insert({longKey(static_cast<std::int32_t>(rng())), {static_cast<std::uint32_t>(1 + i / 200), static_cast<std::uint16_t>(i % 200)}});
    worst = std::max(worst, tree.store.writes - before);
  }
  test::TreeShape shape = tree.verify();
  ASSERT_GE(shape.levels, 2u);
  // A split writes the page, its new sibling, a neighbour and two cut links, on each level at most.
  EXPECT_LE(worst, 5 * shape.levels + 2);
}

TEST_P(IndexTreeWriterFormats, RemovingEverythingLeavesAnEmptyRootLeaf) {
  Tree tree(GetParam());
  std::mt19937 rng(5);
  std::vector<TreeEntry> all;
  for (int i = 0; i < 6000; ++i) {
    TreeEntry e{textLikeKey(rng, 40), {static_cast<std::uint32_t>(10 + i), 1}};
    tree.insert(e);
    all.push_back(e);
  }
  ASSERT_GE(tree.verify().levels, 3u);
  std::shuffle(all.begin(), all.end(), rng);
  for (std::size_t i = 0; i < all.size(); ++i) {
    tree.remove(all[i]);
    if (i % 1000 == 0) tree.verify();
  }
  test::TreeShape shape = tree.verify();
  EXPECT_EQ(shape.pages, 1u);
  EXPECT_EQ(tree.store.page(tree.rootPage)->type(), format::page_type::kIndexLeaf);
  // Every page but the root went back.
  EXPECT_EQ(tree.store.released.size() + 1, tree.file.pages().size() - 3);

  // And the tree grows again from there.
  for (int i = 0; i < 3000; ++i) tree.insert({longKey(i), {7, static_cast<std::uint16_t>(i % 256)}});
  EXPECT_GE(tree.verify().levels, 2u);
}

TEST_P(IndexTreeWriterFormats, TreesBuiltWithAndWithoutTailsAreExtendedSoundly) {
  for (bool useTail : {true, false}) {
    Tree tree(GetParam());
    std::vector<IndexEntry> sorted;
    for (int i = 0; i < 600; ++i) sorted.push_back(test::longEntry(i * 10, 3, static_cast<std::uint8_t>(i % 256)));
    tree.rootPage = tree.file.buildTree(sorted, 40, 4, useTail);
    tree.writer = std::make_unique<IndexTreeWriter>(tree.store, tree.rootPage, kTable);
    for (const IndexEntry& e : sorted) tree.expected.insert({e.key, e.row});
    std::mt19937 rng(9);
    for (int i = 0; i < 1500; ++i) {
      if (i % 3 == 2) {
        auto it = tree.expected.begin();
        std::advance(it, static_cast<std::ptrdiff_t>(rng() % tree.expected.size()));
        tree.remove(*it);
      } else {
        TreeEntry e{longKey(static_cast<std::int32_t>(rng() % 7000) - 500), {4, static_cast<std::uint16_t>(rng() % 256)}};
        if (!tree.expected.count(e)) tree.insert(e);
      }
    }
    // The hand-built intermediate pages did not link across parents the way Access's do, so only
    // the entries and the tree's own structure are compared here.
    test::TreeShape shape = walkTree(tree.store, tree.rootPage, kTable);
    tree.expectEntries(shape);
    for (const std::string& f : shape.faults)
      EXPECT_NE(f.find("links"), std::string::npos) << f;
  }
}

// A tree built by another writer, whose intermediate pages keep their last child as a tail (the
// last key below it is not known until a change reaches it): keys arriving under the first child
// of the rightmost page (200-byte keys: few fit on a page) split the pages above it, the root
// included, before the tail is reached; then keys arrive at the end. The entries stay exact, and
// the pages the writer wrote have Access's shape (those left as built keep their own prefixes).
TEST_P(IndexTreeWriterFormats, TailTreesGrowALevelBeforeTheirTailsAreReached) {
  Tree tree(GetParam());
  const auto key = [](int v) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%07d", v);
    Bytes k{0x7F};
    k.insert(k.end(), digits, digits + 7);
    k.resize(200, 'x');
    return k;
  };
  std::vector<IndexEntry> sorted;
  for (int i = 0; i < 48; ++i) sorted.push_back({key(i * 10000), {4, static_cast<std::uint16_t>(i)}, 0});
  tree.rootPage = tree.file.buildTree(sorted, 2, 6, /*useTail=*/true);  // 24 leaves, 4 pages above them
  const std::vector<std::vector<std::uint8_t>> built = tree.file.pages();
  tree.writer = std::make_unique<IndexTreeWriter>(tree.store, tree.rootPage, kTable);
  for (const IndexEntry& e : sorted) tree.expected.insert({e.key, e.row});
  for (int v = 360001; v < 363000; ++v) tree.insert({key(v), {5, static_cast<std::uint16_t>(v % 256)}});
  EXPECT_GE(walkTree(tree.store, tree.rootPage, kTable).levels, 4u);  // the root split too
  for (int v = 600000; v < 600400; ++v) tree.insert({key(v), {6, static_cast<std::uint16_t>(v % 256)}});
  test::TreeShape shape = walkTree(tree.store, tree.rootPage, kTable);
  tree.expectEntries(shape);
  for (const std::string& f : shape.faults) {
    if (f.find("links") != std::string::npos) continue;  // built pages link as built
    const std::uint32_t page = static_cast<std::uint32_t>(std::stoul(f.substr(f.find("page ") + 5)));
    EXPECT_TRUE(f.find("prefix") != std::string::npos && page < built.size() &&
                std::ranges::equal(tree.store.page(page)->bytes(), built[page]))
        << f;
  }
}

TEST_P(IndexTreeWriterFormats, RefusedChangesWriteNothing) {
  Tree tree(GetParam());
  for (int i = 0; i < 2000; ++i) tree.insert({longKey(i), {9, static_cast<std::uint16_t>(i % 250)}});
  std::size_t writes = tree.store.writes;
  std::vector<std::vector<std::uint8_t>> before = tree.file.pages();

  EXPECT_THROW(tree.writer->insert(longKey(5), {9, 5}), Error);  // the same key and row again
  EXPECT_FALSE(tree.writer->remove(longKey(5), {9, 6}));          // a row the key does not have
  EXPECT_FALSE(tree.writer->remove(longKey(99999), {9, 6}));
  Bytes tooLong(maxIndexKeyLength(tree.file.layout()) + 1, 0x7F);
  EXPECT_THROW(tree.writer->insert(tooLong, {9, 1}), Error);
  EXPECT_EQ(tree.store.writes, writes);
  EXPECT_EQ(tree.file.pages(), before);
  tree.verify();
}

TEST_P(IndexTreeWriterFormats, BrokenNeighbourLinksStopTheChangeBeforeAnyWrite) {
  Tree tree(GetParam());
  for (int i = 0; i < 3000; ++i) tree.insert({longKey(i), {9, static_cast<std::uint16_t>(i % 250)}});
  test::TreeShape shape = tree.verify();
  ASSERT_GE(shape.levels, 2u);
  // Break the back link of the second leaf: a split of the first leaf must not patch it blindly.
  IndexPage root = decodeIndexPage(tree.store.page(tree.rootPage)->bytes(), tree.rootPage, tree.file.layout());
  std::uint32_t first = root.entries.front().child;
  IndexPage firstLeaf = decodeIndexPage(tree.store.page(first)->bytes(), first, tree.file.layout());
  IndexPage second = decodeIndexPage(tree.store.page(firstLeaf.next)->bytes(), firstLeaf.next, tree.file.layout());
  second.previous = 12345;
  second.prefixLength = accessPrefixLength(second.entries, true, tree.file.layout());
  tree.store.write(firstLeaf.next, encodeIndexPage(second, tree.file.layout()));

  std::size_t writes = tree.store.writes;
  bool refused = false;
  // Fill the first leaf in its middle until it splits.
  for (int i = 0; i < 400 && !refused; ++i) {
    try {
      tree.writer->insert(longKey(1), {10 + static_cast<std::uint32_t>(i), 0});
      ++writes;  // a change that fits writes just the leaf
    } catch (const Error& e) {
      EXPECT_EQ(e.code(), ErrorCode::Damaged);
      refused = true;
    }
  }
  EXPECT_TRUE(refused);
  EXPECT_EQ(tree.store.writes, writes);
}

INSTANTIATE_TEST_SUITE_P(Jet, IndexTreeWriterFormats, ::testing::Values(Format::Jet3, Format::Jet4),
                         [](const auto& info) { return info.param == Format::Jet3 ? "Jet3" : "Jet4"; });

TEST(IndexPageSplit, CutsWhereThePiecesFit) {
  const format::Layout& layout = format::kJet4;
  // One item more than a page holds.
  std::vector<IndexEntry> items;
  while (itemsFitOnePage(items, true, layout)) {
    int i = static_cast<int>(items.size());
    items.push_back(test::longEntry(i * 1000, 2, static_cast<std::uint8_t>(i % 256)));
  }
  const std::size_t n = items.size();
  auto fitsAll = [&](const std::vector<std::size_t>& cuts) {
    std::size_t from = 0;
    for (std::size_t p = 0; p <= cuts.size(); ++p) {
      std::size_t to = p < cuts.size() ? cuts[p] : items.size();
      if (to <= from || !itemsFitOnePage(std::span(items).subspan(from, to - from), true, layout)) return false;
      from = to;
    }
    return true;
  };
  // At the end: the old items stay together, the newest goes alone.
  EXPECT_EQ(chooseSplit(items, true, n - 1, n - 1, true, layout), std::vector<std::size_t>{n - 1});
  // At the start: the newest goes alone to the first piece.
  EXPECT_EQ(chooseSplit(items, true, 0, 0, true, layout), std::vector<std::size_t>{1});
  // In the middle: two pieces of about the same size.
  std::vector<std::size_t> middle = chooseSplit(items, true, n / 3, n / 3, true, layout);
  ASSERT_EQ(middle.size(), 1u);
  EXPECT_NEAR(static_cast<double>(middle[0]), n / 2.0, 2.0);
  EXPECT_TRUE(fitsAll(middle));
  // One short of either end is the middle too.
  for (std::size_t at : {std::size_t{1}, n - 2})
    EXPECT_NEAR(static_cast<double>(chooseSplit(items, true, at, at, true, layout).at(0)), n / 2.0, 2.0) << at;
  // An intermediate page whose last entry is not known keeps two children in its last piece.
  std::vector<IndexEntry> children;
  while (itemsFitOnePage(children, false, layout)) children.push_back(items.at(children.size()));
  EXPECT_EQ(chooseSplit(children, false, children.size() - 1, children.size() - 1, false, layout),
            std::vector<std::size_t>{children.size() - 2});
  // Far too many items for two pages: more pieces, each fitting.
  for (int i = static_cast<int>(n); i < 2500; ++i)
    items.push_back(test::longEntry(i * 1000, 2, static_cast<std::uint8_t>(i % 256)));
  std::vector<std::size_t> many = chooseSplit(items, true, 5, 5, true, layout);
  EXPECT_GE(many.size(), 2u);
  EXPECT_TRUE(fitsAll(many));
}

}  // namespace
}  // namespace jet
