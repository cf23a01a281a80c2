// The page layer: the header's masked settings, page bounds, the cache, and databases whose pages
// are RC4-encoded with a database key.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "jet/database.h"
#include "jet/file/database_header.h"
#include "jet/dump.h"
#include "jet/error.h"
#include "jet/file/page_file.h"
#include "jet/file/rc4.h"
#include "tests/support/test_support.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes sharedFileBytes(const std::string& relative) {
  std::ifstream in(qbm::test::sharedDir() / relative, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

std::string jsonOf(Bytes bytes) {
  jet::Database db = jet::Database::openMemory(std::move(bytes));
  std::ostringstream out;
  jet::dumpJson(db, {}, out);
  return out.str();
}

TEST(DatabaseHeader, VersionPageSizeAndMaskedSettings) {
  QBM_REQUIRE_SHARED();
  jet::DatabaseHeader jet3 = jet::readDatabaseHeader(sharedFileBytes("interop/testV1997.mdb"));
  EXPECT_EQ(jet::Format::Jet3, jet3.version);
  EXPECT_EQ(2048u, jet3.pageSize);
  EXPECT_EQ(1252, jet3.codePage);
  EXPECT_EQ(1033, jet3.sortOrder);
  EXPECT_EQ(0u, jet3.databaseKey);
  jet::DatabaseHeader jet4 = jet::readDatabaseHeader(sharedFileBytes("fixtures/qbaudio.mdb"));
  EXPECT_EQ(jet::Format::Jet4, jet4.version);
  EXPECT_EQ(4096u, jet4.pageSize);
  EXPECT_EQ(1033, jet4.sortOrder);
}

TEST(DatabaseHeader, Jet3CodePageThatCannotBeConvertedIsUnsupported) {
  QBM_REQUIRE_SHARED();
  Bytes page0 = sharedFileBytes("interop/testV1997.mdb");
  page0.resize(2048);
  jet::unmaskHeader(page0, jet::format::kJet3);
  page0[jet::format::header::kCodePageOffset] = 0xA4;  // 932 (Japanese, two bytes per character)
  page0[jet::format::header::kCodePageOffset + 1] = 0x03;
  jet::unmaskHeader(page0, jet::format::kJet3);  // the mask is its own inverse
  try {
    jet::readDatabaseHeader(page0);
    FAIL() << "expected Error(Unsupported)";
  } catch (const jet::Error& e) {
    EXPECT_EQ(jet::ErrorCode::Unsupported, e.code());
    EXPECT_NE(std::string::npos, std::string(e.what()).find("932"));
  }
}

TEST(PageFile, PagesAreBoundedByTheFileAndServedThroughASmallCache) {
  QBM_REQUIRE_SHARED();
  Bytes bytes = sharedFileBytes("interop/testV2000.mdb");
  jet::PageFile file(std::make_unique<jet::MemoryStorage>(bytes), 8);
  ASSERT_EQ(bytes.size() / 4096, file.pageCount());
  for (int round = 0; round < 2; ++round) {
    for (std::uint32_t n = 0; n < file.pageCount(); n += 7) {
      jet::PageRef page = file.page(n);
      ASSERT_EQ(n, page->number());
      ASSERT_TRUE(std::equal(page->bytes().begin(), page->bytes().end(), bytes.begin() + std::size_t{n} * 4096));
    }
  }
  jet::PageRef kept = file.page(5);
  for (std::uint32_t n = 10; n < 40; ++n) file.page(n);  // evicts page 5 from the cache
  EXPECT_EQ(bytes[5 * 4096 + 1], kept->bytes()[1]) << "a page handed out stays valid";
  EXPECT_THROW(file.page(file.pageCount()), jet::Error);
  EXPECT_THROW(file.page(2, jet::format::page_type::kData, "a row"), jet::Error);
}

// Counts the reads that reach the file: those the cache did not serve.
class CountingStorage final : public jet::Storage {
 public:
  CountingStorage(Bytes bytes, std::size_t& reads) : file_(std::move(bytes)), reads_(reads) {}
  std::uint64_t size() const override { return file_.size(); }
  void readAt(std::uint64_t offset, std::span<std::uint8_t> out) const override {
    ++reads_;
    file_.readAt(offset, out);
  }

 private:
  jet::MemoryStorage file_;
  std::size_t& reads_;
};

// The cache holds exactly its capacity of pages and evicts the least recently used one: a page
// read again stays, the one read least recently goes.
TEST(PageFile, TheCacheEvictsTheLeastRecentlyUsedPage) {
  QBM_REQUIRE_SHARED();
  std::size_t reads = 0;
  jet::PageFile file(std::make_unique<CountingStorage>(sharedFileBytes("interop/testV2000.mdb"), reads), 8);
  ASSERT_GE(file.pageCount(), 20u);
  for (std::uint32_t n = 10; n < 18; ++n) file.page(n);
  const std::size_t filled = reads;
  for (std::uint32_t n = 10; n < 18; ++n) file.page(n);
  EXPECT_EQ(filled, reads) << "eight pages fit in a cache of eight";
  file.page(10);  // the most recently used now; 11 the least
  file.page(18);
  EXPECT_EQ(filled + 1, reads);
  file.page(10);
  EXPECT_EQ(filled + 1, reads) << "the page read again stayed";
  EXPECT_EQ(18u, file.page(18)->number());
  EXPECT_EQ(filled + 1, reads);
  EXPECT_EQ(11u, file.page(11)->number());
  EXPECT_EQ(filled + 2, reads) << "the least recently used page was evicted";
}

// A database with a database key stores every page but the header RC4-encoded with the key XORed
// with the page number; it reads exactly like the plain file.
TEST(PageFile, PagesEncodedWithTheDatabaseKeyReadLikePlainOnes) {
  QBM_REQUIRE_SHARED();
  for (const char* name : {"interop/test2V2000.mdb", "interop/testV1997.mdb"}) {
    SCOPED_TRACE(name);
    Bytes plain = sharedFileBytes(name);
    std::size_t pageSize = plain[0x14] == 0 ? 2048 : 4096;
    const std::uint8_t key[4] = {0x5A, 0x13, 0xC7, 0x08};
    Bytes encoded = plain;
    Bytes page0(encoded.begin(), encoded.begin() + pageSize);
    const auto& layout = plain[0x14] == 0 ? jet::format::kJet3 : jet::format::kJet4;
    jet::unmaskHeader(page0, layout);
    std::copy(key, key + 4, page0.begin() + jet::format::header::kDatabaseKeyOffset);
    jet::unmaskHeader(page0, layout);
    std::copy(page0.begin(), page0.end(), encoded.begin());
    for (std::size_t n = 1; n < encoded.size() / pageSize; ++n) {
      std::uint8_t pageKey[4];
      for (int i = 0; i < 4; ++i) pageKey[i] = static_cast<std::uint8_t>(key[i] ^ (n >> (8 * i)));
      jet::applyRc4(pageKey, std::span<std::uint8_t>(encoded.data() + n * pageSize, pageSize));
    }
    EXPECT_EQ(jsonOf(plain), jsonOf(encoded));
  }
}

}  // namespace
