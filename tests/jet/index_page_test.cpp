// Index pages: what the encoder writes decodes to the same page (both formats, with and without a
// shared prefix); an entry spliced into an encoded page gives the very bytes of encoding the page
// whole; pages with out-of-place bytes are refused as damaged instead of being read past their end.

#include "jet/index/index_page.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "jet/error.h"
#include "tests/jet/index_tree_builder.h"

namespace jet {
namespace {

using test::longEntry;

std::vector<IndexEntry> sampleEntries(std::size_t n, bool leaf) {
  std::vector<IndexEntry> out;
  for (std::size_t i = 0; i < n; ++i) {
    IndexEntry e = longEntry(static_cast<std::int32_t>(1000 + i), 0x010203, static_cast<std::uint8_t>(i));
    if (!leaf) e.child = 0x0A0B0C00u + static_cast<std::uint32_t>(i);
    out.push_back(e);
  }
  return out;
}

void expectSameEntries(const std::vector<IndexEntry>& a, const std::vector<IndexEntry>& b) {
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t i = 0; i < a.size(); ++i) {
    EXPECT_EQ(a[i].key, b[i].key) << i;
    EXPECT_EQ(a[i].row, b[i].row) << i;
    EXPECT_EQ(a[i].child, b[i].child) << i;
  }
}

class IndexPageFormats : public ::testing::TestWithParam<Format> {};

TEST_P(IndexPageFormats, EncodedPagesDecodeToTheSamePage) {
  const format::Layout& layout = format::layout(GetParam());
  for (bool leaf : {true, false}) {
    for (std::size_t n : {0u, 1u, 2u, 40u}) {
      IndexPage page;
      page.leaf = leaf;
      page.tablePage = 77;
      page.previous = 5;
      page.next = 9;
      page.tail = leaf ? 0 : 12;
      page.entries = sampleEntries(n, leaf);
      page.prefixLength = commonPrefixLength(page.entries, leaf, layout);
      if (n >= 2) {
        EXPECT_GE(page.prefixLength, 3u);  // flag byte and the two high bytes of the key
      }
      std::vector<std::uint8_t> bytes = encodeIndexPage(page, layout);
      IndexPage back = decodeIndexPage(bytes, 31, layout);
      EXPECT_EQ(back.number, 31u);
      EXPECT_EQ(back.leaf, leaf);
      EXPECT_EQ(back.tablePage, 77u);
      EXPECT_EQ(back.previous, 5u);
      EXPECT_EQ(back.next, 9u);
      EXPECT_EQ(back.tail, page.tail);
      EXPECT_EQ(back.prefixLength, page.prefixLength);
      expectSameEntries(back.entries, page.entries);
      // The free-space count is what the entries leave of the page.
      std::size_t used = entryAreaSize(page.entries, leaf, page.prefixLength);
      EXPECT_EQ(bytes::u16(bytes, 2), layout.pageSize - layout.indexEntriesOffset - used);
    }
  }
}

TEST_P(IndexPageFormats, APageFilledToItsLastByteDecodes) {
  const format::Layout& layout = format::layout(GetParam());
  std::size_t area = layout.pageSize - layout.indexEntriesOffset;
  IndexPage page;
  page.tablePage = 3;
  // One entry whose key fills the area exactly.
  IndexEntry e;
  e.key.assign(area - 4, 0x41);
  e.row = {7, 1};
  page.entries = {e};
  IndexPage back = decodeIndexPage(encodeIndexPage(page, layout), 1, layout);
  expectSameEntries(back.entries, page.entries);
  e.key.push_back(0x41);
  page.entries = {e};
  EXPECT_THROW(encodeIndexPage(page, layout), Error);
}

TEST_P(IndexPageFormats, RefusesAPrefixTheEntriesDoNotShare) {
  const format::Layout& layout = format::layout(GetParam());
  IndexPage page;
  page.tablePage = 3;
  page.entries = sampleEntries(30, true);
  page.prefixLength = commonPrefixLength(page.entries, true, layout);
  ASSERT_GE(page.prefixLength, 3u);
  EXPECT_NO_THROW(encodeIndexPage(page, layout));
  // One entry in the middle differs inside the prefix; then the last one is shorter than it.
  page.entries[17].key[1] ^= 0x40;
  EXPECT_THROW(encodeIndexPage(page, layout), Error);
  page.entries = sampleEntries(30, true);
  page.entries.back().key.resize(1);
  EXPECT_THROW(encodeIndexPage(page, layout), Error);
}

void expectDamaged(const std::vector<std::uint8_t>& bytes, const format::Layout& layout) {
  try {
    decodeIndexPage(bytes, 4, layout);
    FAIL() << "a damaged page was decoded";
  } catch (const Error& e) {
    EXPECT_EQ(e.code(), ErrorCode::Damaged) << e.what();
  }
}

TEST_P(IndexPageFormats, RefusesDamagedPages) {
  const format::Layout& layout = format::layout(GetParam());
  IndexPage page;
  page.entries = sampleEntries(3, true);
  page.prefixLength = 2;
  const std::vector<std::uint8_t> good = encodeIndexPage(page, layout);
  ASSERT_NO_THROW(decodeIndexPage(good, 4, layout));

  auto bad = good;
  bad[0] = format::page_type::kData;
  expectDamaged(bad, layout);

  bad = good;  // the last bit of the entry map points past the end of the page
  bad[layout.indexEntriesOffset - 1] |= 0x80;
  expectDamaged(bad, layout);

  bad = good;  // a shared prefix longer than the first entry
  bad[layout.indexPrefixLengthOffset] = 0xF0;
  expectDamaged(bad, layout);

  bad = good;  // an entry of three bytes cannot hold a row pointer
  std::fill(bad.begin() + static_cast<std::ptrdiff_t>(layout.indexEntryMaskOffset),
            bad.begin() + static_cast<std::ptrdiff_t>(layout.indexEntriesOffset), 0);
  bad[layout.indexPrefixLengthOffset] = 0;
  bad[layout.indexEntryMaskOffset] = 0x08;
  expectDamaged(bad, layout);

  expectDamaged(std::vector<std::uint8_t>(good.begin(), good.begin() + 100), layout);
}

// Pages filled one random entry at a time (text-like keys sharing long heads, so pages come to
// share a prefix and the prefix changes as entries arrive at either end; short keys, and long ones
// that move the later entries' ends by more than a word of the entry map): every splice the
// encoder accepts is byte for byte the page encoded whole, and it declines where the bytes would
// differ.
TEST_P(IndexPageFormats, EntriesSplicedIntoAPageGiveTheBytesOfEncodingItWhole) {
  const format::Layout& layout = format::layout(GetParam());
  std::mt19937 rng(5);
  bool longKeys = false;
  auto randomEntry = [&](bool leaf) {
    static const char letters[] = "AAAAMMMMNOPQRSTZ";
    IndexEntry e;
    e.key = {0x7F, 'M', 'O', 'D'};
    for (std::size_t i = 0, n = longKeys ? 60 + rng() % 140 : rng() % 24; i < n; ++i)
      e.key.push_back(static_cast<std::uint8_t>(letters[rng() % (sizeof letters - 1)]));
    e.key.push_back(0x00);
    e.row = {static_cast<std::uint32_t>(rng() % 0x1000000), static_cast<std::uint16_t>(rng() % 256)};
    if (!leaf) e.child = 1 + static_cast<std::uint32_t>(rng() % 0xFFFFFF);
    return e;
  };
  std::size_t spliced = 0, declined = 0;
  for (bool leaf : {true, false}) {
    for (int round = 0; round < 40; ++round) {
      longKeys = round % 2 == 1;
      IndexPage page;
      page.leaf = leaf;
      page.tablePage = 77;
      page.tail = leaf ? 0 : 12;
      std::vector<std::uint8_t> before = encodeIndexPage(page, layout);
      for (;;) {
        IndexEntry e = randomEntry(leaf);
        auto it = std::lower_bound(page.entries.begin(), page.entries.end(), e, [](const IndexEntry& a, const IndexEntry& b) {
          return compareEntries(a.key, a.row, b.key, b.row) < 0;
        });
        if (it != page.entries.end() && it->key == e.key && it->row == e.row) continue;
        std::size_t at = static_cast<std::size_t>(it - page.entries.begin());
        std::vector<IndexEntry> grown = page.entries;
        grown.insert(grown.begin() + static_cast<std::ptrdiff_t>(at), e);
        if (!fitsInOnePage(grown, leaf, layout, /*sorted=*/true)) break;
        page.entries = std::move(grown);
        page.prefixLength = accessPrefixLength(page.entries, leaf, layout, /*sorted=*/true);
        page.next = static_cast<std::uint32_t>(rng() % 50);  // header fields may change too
        std::vector<std::uint8_t> whole = encodeIndexPage(page, layout);
        std::vector<std::uint8_t> fast = encodeIndexPageWithInsert(before, page, at, layout);
        if (fast.empty()) {
          ++declined;
        } else {
          ++spliced;
          ASSERT_EQ(fast, whole) << "entry " << at << " of " << page.entries.size();
        }
        // A page that does not hold exactly one entry less is never spliced into.
        EXPECT_TRUE(encodeIndexPageWithInsert(whole, page, at, layout).empty());
        before = std::move(whole);
      }
    }
  }
  EXPECT_GT(declined, 0u);
  EXPECT_GT(spliced, 10 * declined);
}

INSTANTIATE_TEST_SUITE_P(Jet, IndexPageFormats,
                         ::testing::Values(Format::Jet3, Format::Jet4),
                         [](const auto& info) {
                           return info.param == Format::Jet3 ? "Jet3" : "Jet4";
                         });

TEST(IndexPage, EntriesOrderByKeyThenRow) {
  Bytes a{0x7F, 0x01}, b{0x7F, 0x02}, prefix{0x7F};
  EXPECT_LT(compareEntries(a, {9, 9}, b, {1, 1}), 0);
  EXPECT_LT(compareEntries(a, {1, 2}, a, {1, 3}), 0);
  EXPECT_LT(compareEntries(a, {1, 9}, a, {2, 0}), 0);
  EXPECT_EQ(compareEntries(a, {1, 2}, a, {1, 2}), 0);
  EXPECT_LT(compareEntries(prefix, {5, 5}, a, {0, 0}), 0);
}

}  // namespace
}  // namespace jet
