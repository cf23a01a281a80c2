// Transactions of the page file: rollback restores the file byte for byte, commit makes changes
// durable, a journal left by a crash is rolled back by the next open (or read through by a
// read-only open), a journal that was never made durable is discarded, statements undo alone.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include <sys/wait.h>
#include <unistd.h>

#include "jet/check.h"
#include "jet/database.h"
#include "jet/database_impl.h"
#include "jet/journal.h"
#include "jet/page_allocator.h"
#include "jet/platform_file.h"
#include "jet/usage_map_editor.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes readBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

jet::PageFile& pagesOf(jet::Database& db) { return db.impl().core().file(); }

// A recognisable page: every byte is the fill value, after a data-page type byte.
Bytes filledPage(const jet::PageFile& file, std::uint8_t fill) {
  Bytes page(file.pageSize(), fill);
  page[0] = jet::format::page_type::kData;
  return page;
}

// Changes pages all over the file: a few existing ones rewritten, new ones taken for a table.
void scribble(jet::Database& db, int newPages) {
  jet::PageFile& file = pagesOf(db);
  jet::detail::DatabaseCore& core = db.impl().core();
  auto def = core.definition(core.catalog().front());
  for (std::uint32_t page = 3; page < 6; ++page) {
    Bytes bytes = file.copyPage(page);
    bytes[100] ^= 0xFF;
    file.writePage(page, bytes);
  }
  for (int i = 0; i < newPages; ++i) core.allocator().allocateDataPage(*def);
}

class TransactionTest : public testing::Test {
 protected:
  void SetUp() override {
    if (qbm::test::sharedDir().empty()) GTEST_SKIP() << "shared test data not found";
    path_ = qbm::test::copyShared("interop/testV2000.mdb", dir_.path());
    original_ = readBytes(path_);
  }
  qbm::test::ScratchDir dir_;
  fs::path path_;
  Bytes original_;
};

TEST_F(TransactionTest, RollbackRestoresTheFileByteForByte) {
  {
    jet::Database db = jet::Database::open(path_);
    pagesOf(db).setSpillLimit(16);  // so that changed pages reach the file before the rollback
    db.begin();
    scribble(db, 60);
    EXPECT_GT(pagesOf(db).pageCount(), original_.size() / 4096);
    EXPECT_TRUE(fs::exists(jet::journalPathFor(path_))) << "spilled pages need their originals journaled";
    db.rollback();
    EXPECT_EQ(original_.size() / 4096, pagesOf(db).pageCount());
    EXPECT_FALSE(fs::exists(jet::journalPathFor(path_)));
  }
  EXPECT_EQ(original_, readBytes(path_));
}

TEST_F(TransactionTest, CommitKeepsChangesAndDropsTheJournal) {
  std::uint32_t pagesAfter = 0;
  {
    jet::Database db = jet::Database::open(path_);
    pagesOf(db).setSpillLimit(16);
    db.begin();
    scribble(db, 40);
    pagesAfter = pagesOf(db).pageCount();
    db.commit();
    EXPECT_FALSE(fs::exists(jet::journalPathFor(path_)));
  }
  Bytes now = readBytes(path_);
  EXPECT_NE(original_, now);
  EXPECT_EQ(std::uint64_t{pagesAfter} * 4096, now.size());
  jet::Database db = jet::Database::open(path_);
  EXPECT_EQ(original_[3 * 4096 + 100] ^ 0xFF, pagesOf(db).page(3)->bytes()[100]);
}

TEST_F(TransactionTest, ClosingWithAnOpenTransactionRollsBack) {
  {
    jet::Database db = jet::Database::open(path_);
    pagesOf(db).setSpillLimit(16);
    db.begin();
    scribble(db, 30);
  }
  EXPECT_EQ(original_, readBytes(path_));
}

TEST_F(TransactionTest, JournalLeftByACrashIsRolledBackOnOpen) {
  pid_t child = fork();
  if (child == 0) {
    jet::Database db = jet::Database::open(path_);
    pagesOf(db).setSpillLimit(16);
    db.begin();
    scribble(db, 50);
    _exit(0);  // no commit, no clean-up: as if the program died here
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_TRUE(fs::exists(jet::journalPathFor(path_)));
  ASSERT_NE(original_, readBytes(path_)) << "the crash left changed pages in the file";

  // A read-only open sees the file as before, and changes nothing.
  {
    jet::Database db = jet::Database::open(path_, {.exclusive = true, .readOnly = true});
    EXPECT_EQ(original_.size() / 4096, pagesOf(db).pageCount());
    EXPECT_EQ(original_[3 * 4096 + 100], pagesOf(db).page(3)->bytes()[100]);
    EXPECT_TRUE(jet::check(db).empty());
  }
  EXPECT_TRUE(fs::exists(jet::journalPathFor(path_)));

  { jet::Database db = jet::Database::open(path_); }
  EXPECT_EQ(original_, readBytes(path_));
  EXPECT_FALSE(fs::exists(jet::journalPathFor(path_)));
}

TEST_F(TransactionTest, JournalWithoutAValidHeaderIsDiscarded) {
  {
    std::ofstream junk(jet::journalPathFor(path_), std::ios::binary);
    junk << std::string(700, 'x');
  }
  { jet::Database db = jet::Database::open(path_); }
  EXPECT_EQ(original_, readBytes(path_));
  EXPECT_FALSE(fs::exists(jet::journalPathFor(path_)));
}

TEST_F(TransactionTest, StatementRollbackUndoesOnlyTheStatement) {
  jet::Database db = jet::Database::open(path_);
  jet::PageFile& file = pagesOf(db);
  db.begin();
  file.writePage(3, filledPage(file, 0x11));
  std::uint32_t before = file.pageCount();
  file.beginStatement();
  file.writePage(3, filledPage(file, 0x22));
  file.writePage(4, filledPage(file, 0x33));
  file.appendPage(filledPage(file, 0x44));
  file.rollbackStatement();
  EXPECT_EQ(0x11, file.page(3)->bytes()[10]);
  EXPECT_EQ(original_[4 * 4096 + 10], file.page(4)->bytes()[10]);
  EXPECT_EQ(before, file.pageCount());
  db.rollback();
}

TEST_F(TransactionTest, WritesNeedATransactionAndAWritableFile) {
  {
    jet::Database db = jet::Database::open(path_);
    EXPECT_THROW(pagesOf(db).writePage(3, filledPage(pagesOf(db), 1)), jet::Error);
    EXPECT_THROW(db.commit(), jet::Error);
  }
  jet::Database db = jet::Database::open(path_, {.exclusive = true, .readOnly = true});
  try {
    db.begin();
    FAIL() << "begin on a read-only database";
  } catch (const jet::Error& e) {
    EXPECT_EQ(jet::ErrorCode::ReadOnly, e.code());
  }
}

// The free-page map and the owners' maps stay exact as pages are taken and given back.
TEST_F(TransactionTest, AllocatorKeepsMapsExact) {
  jet::Database db = jet::Database::open(path_);
  jet::detail::DatabaseCore& core = db.impl().core();
  jet::PageFile& file = pagesOf(db);
  auto def = core.definition(*core.findTable("Table1"));
  db.begin();
  std::uint32_t count = file.pageCount();
  std::uint32_t a = core.allocator().allocateDataPage(*def);
  EXPECT_EQ(count, a) << "no page is free inside testV2000, so the page is added at the end";
  jet::UsageMapEditor owned(file, def->ownedPagesMap), freeSpace(file, def->freePagesMap),
      freePages(file, jet::format::usage_map::kGlobalFreePagesPointer);
  EXPECT_TRUE(owned.contains(a));
  EXPECT_TRUE(freeSpace.contains(a));
  EXPECT_FALSE(freePages.contains(a)) << "the map listed the pages past the end as free";
  core.allocator().release(a, {def->ownedPagesMap, def->freePagesMap});
  EXPECT_FALSE(owned.contains(a));
  EXPECT_TRUE(freePages.contains(a));
  std::uint32_t b = core.allocator().allocateDataPage(*def);
  EXPECT_EQ(a, b) << "a page given back is taken again first";
  db.commit();
  EXPECT_TRUE(jet::check(db).empty());
}

// A table that outgrows its inline map gets a reference map; the global map too.
TEST_F(TransactionTest, MapsGrowIntoReferenceMaps) {
  jet::Database db = jet::Database::open(path_);
  jet::detail::DatabaseCore& core = db.impl().core();
  jet::PageFile& file = pagesOf(db);
  auto def = core.definition(*core.findTable("Table1"));
  db.begin();
  std::vector<std::uint32_t> taken;
  for (int i = 0; i < 700; ++i) taken.push_back(core.allocator().allocateDataPage(*def));
  jet::UsageMapEditor owned(file, def->ownedPagesMap);
  for (std::uint32_t page : taken) ASSERT_TRUE(owned.contains(page)) << page;
  for (std::size_t i = 0; i < taken.size(); i += 2) core.allocator().release(taken[i], {def->ownedPagesMap, def->freePagesMap});
  jet::UsageMapEditor freePages(file, jet::format::usage_map::kGlobalFreePagesPointer);
  for (std::size_t i = 0; i < taken.size(); ++i) {
    EXPECT_EQ(i % 2 == 1, owned.contains(taken[i])) << taken[i];
    EXPECT_EQ(i % 2 == 0, freePages.contains(taken[i])) << taken[i];
  }
  db.commit();
  EXPECT_TRUE(jet::check(db).empty());
}

}  // namespace
