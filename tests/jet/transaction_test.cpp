// Transactions of the page file: rollback restores the file byte for byte, commit makes changes
// durable, a journal left by a crash is rolled back by the next open (or read through by a
// read-only open), a journal that does not belong to the file is never applied, statements undo
// alone. A journal belongs to the file, not to a name: it lives beside the real file, is as private
// as the file, is never applied when someone else may have made it, and is kept (the file not
// opened) when it cannot tell whether the file is half-written; a commit into a file that another
// was renamed over is undone.

#include <gtest/gtest.h>

#include <fstream>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "jet/check.h"
#include "jet/database.h"
#include "jet/table/database_core.h"
#include "jet/file/journal.h"
#include "jet/page/page_allocator.h"
#include "jet/file/platform_file.h"
#include "jet/page/usage_map_editor.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using qbm::test::fileBytes;
using qbm::test::writeFileBytes;

jet::PageFile& pagesOf(jet::Database& db) { return jet::detail::coreOf(db).file(); }

// A recognisable page: every byte is the fill value, after a data-page type byte.
Bytes filledPage(const jet::PageFile& file, std::uint8_t fill) {
  Bytes page(file.pageSize(), fill);
  page[0] = jet::format::page_type::kData;
  return page;
}

// Changes pages all over the file: a few existing ones rewritten, new ones taken for a table.
void scribble(jet::Database& db, int newPages) {
  jet::PageFile& file = pagesOf(db);
  jet::detail::DatabaseCore& core = jet::detail::coreOf(db);
  auto def = core.definition(core.catalog().front());
  for (std::uint32_t page = 3; page < 6; ++page) {
    Bytes bytes = file.copyPage(page);
    bytes[100] ^= 0xFF;
    file.writePage(page, bytes);
  }
  for (int i = 0; i < newPages; ++i) core.allocator().allocateDataPage(*def);
}

jet::JournalFinding::Kind openAndFind(const fs::path& path, jet::OpenOptions options) {
  jet::Database db = jet::Database::open(path, options);
  return db.journalFinding().kind;
}

class TransactionTest : public testing::Test {
 protected:
  void SetUp() override {
    if (qbm::test::sharedDir().empty()) GTEST_SKIP() << "shared test data not found";
    path_ = qbm::test::copyShared("interop/testV2000.mdb", dir_.path());
    original_ = fileBytes(path_);
  }
  fs::path journal() const { return jet::journalPathFor(path_); }
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
  EXPECT_EQ(original_, fileBytes(path_));
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
  Bytes now = fileBytes(path_);
  EXPECT_NE(original_, now);
  EXPECT_EQ(std::uint64_t{pagesAfter} * 4096, now.size());
  jet::Database db = jet::Database::open(path_);
  EXPECT_EQ(original_[3 * 4096 + 100] ^ 0xFF, pagesOf(db).page(3)->bytes()[100]);
}

// Appended pages wait in memory up to an eighth of the spill limit (8 of 64 here); one more and they
// alone are written, past the file's end, with no copy in the journal (it holds its header only),
// while a changed page of the file keeps waiting. A rollback cuts them off again.
TEST_F(TransactionTest, AppendedPagesAreWrittenEarlyWithoutJournalCopies) {
  const std::uint64_t pages = original_.size() / 4096;
  {
    jet::Database db = jet::Database::open(path_);
    jet::PageFile& file = pagesOf(db);
    file.setSpillLimit(64);
    db.begin();
    Bytes changed = file.copyPage(3);
    changed[100] ^= 0xFF;
    file.writePage(3, changed);
    for (int i = 0; i < 8; ++i) file.appendPage(filledPage(file, static_cast<std::uint8_t>(i + 1)));
    EXPECT_EQ(original_.size(), fs::file_size(path_)) << "eight appended pages may wait";
    EXPECT_FALSE(fs::exists(journal()));
    file.appendPage(filledPage(file, 9));
    EXPECT_EQ((pages + 9) * 4096, fs::file_size(path_)) << "the ninth sends them all to the file";
    ASSERT_TRUE(fs::exists(journal()));
    EXPECT_EQ(512u, fs::file_size(journal())) << "a header, no page copies";
    const Bytes now = fileBytes(path_);
    EXPECT_EQ(Bytes(original_.begin() + 3 * 4096, original_.begin() + 4 * 4096),
              Bytes(now.begin() + 3 * 4096, now.begin() + 4 * 4096))
        << "the changed page of the file waits";
    EXPECT_EQ(9, now[(pages + 8) * 4096 + 1]);
    EXPECT_EQ(changed, Bytes(file.page(3)->bytes().begin(), file.page(3)->bytes().end()));
    EXPECT_EQ(5, file.page(static_cast<std::uint32_t>(pages + 4))->bytes()[1]);
    db.rollback();
    EXPECT_FALSE(fs::exists(journal()));
  }
  EXPECT_EQ(original_, fileBytes(path_));
}

// The database file's storage (the first file a database wraps) refuses its writes once `failing`.
class RefusingStorage final : public jet::Storage {
 public:
  RefusingStorage(std::unique_ptr<jet::Storage> file, const bool& failing) : file_(std::move(file)), failing_(failing) {}
  std::uint64_t size() const override { return file_->size(); }
  void readAt(std::uint64_t offset, std::span<std::uint8_t> out) const override { file_->readAt(offset, out); }
  bool writable() const override { return file_->writable(); }
  void writeAt(std::uint64_t offset, std::span<const std::uint8_t> data) override {
    if (failing_) throw jet::Error(jet::ErrorCode::Io, "no room left on the device");
    file_->writeAt(offset, data);
  }
  void truncate(std::uint64_t size) override { file_->truncate(size); }
  void sync() override { file_->sync(); }

 private:
  std::unique_ptr<jet::Storage> file_;
  const bool& failing_;
};

// Pages sent to the file early stay in memory until all of them are written: when a write fails,
// every page still reads as changed, and the rollback gives the file back.
TEST_F(TransactionTest, AFailedEarlyWriteKeepsEveryChangedPage) {
  bool failing = false;
  bool wrapped = false;
  jet::StorageWrapper wrap = [&](std::unique_ptr<jet::Storage> file) -> std::unique_ptr<jet::Storage> {
    if (wrapped) return file;  // journals are written as usual
    wrapped = true;
    return std::make_unique<RefusingStorage>(std::move(file), failing);
  };
  const std::uint64_t pages = original_.size() / 4096;
  {
    jet::Database db = jet::Database::open(path_, {}, wrap);
    jet::PageFile& file = pagesOf(db);
    file.setSpillLimit(16);  // two appended pages may wait
    db.begin();
    file.appendPage(filledPage(file, 1));
    file.appendPage(filledPage(file, 2));
    failing = true;
    EXPECT_THROW(file.appendPage(filledPage(file, 3)), jet::Error);
    for (std::uint8_t fill = 1; fill <= 3; ++fill)
      EXPECT_EQ(fill, file.page(static_cast<std::uint32_t>(pages + fill - 1))->bytes()[1]);
    failing = false;
    db.rollback();
  }
  EXPECT_EQ(original_, fileBytes(path_));
}

TEST_F(TransactionTest, ClosingWithAnOpenTransactionRollsBack) {
  {
    jet::Database db = jet::Database::open(path_);
    pagesOf(db).setSpillLimit(16);
    db.begin();
    scribble(db, 30);
  }
  EXPECT_EQ(original_, fileBytes(path_));
}

TEST_F(TransactionTest, JournalLeftByACrashIsRolledBackOnOpen) {
  qbm::test::leaveInterruptedChange(path_);
  const Bytes crashed = fileBytes(path_);
  const Bytes journalBytes = fileBytes(journal());
  ASSERT_NE(original_, crashed) << "the crash left changed pages in the file";

  // A read-only open sees the file as before, and changes neither the file nor the journal.
  {
    jet::Database db = jet::Database::open(path_, {.exclusive = true, .readOnly = true});
    EXPECT_EQ(jet::JournalFinding::Kind::Pending, db.journalFinding().kind);
    EXPECT_EQ(journal(), db.journalFinding().journal);
    EXPECT_EQ(original_.size() / 4096, pagesOf(db).pageCount());
    jet::ByteSpan page3 = pagesOf(db).page(3)->bytes();
    EXPECT_TRUE(std::equal(page3.begin(), page3.end(), original_.begin() + 3 * 4096));
    EXPECT_TRUE(jet::check(db).empty());
  }
  EXPECT_EQ(crashed, fileBytes(path_));
  EXPECT_EQ(journalBytes, fileBytes(journal()));

  EXPECT_EQ(jet::JournalFinding::Kind::RolledBack, openAndFind(path_, {}));
  EXPECT_EQ(original_, fileBytes(path_));
  EXPECT_FALSE(fs::exists(journal()));
  EXPECT_EQ(jet::JournalFinding::Kind::None, openAndFind(path_, {}));
}

TEST_F(TransactionTest, EmptyJournalHoldsNothingAndIsDeleted) {
  std::ofstream(journal(), std::ios::binary).close();
  EXPECT_EQ(jet::JournalFinding::Kind::None, openAndFind(path_, {.exclusive = false, .readOnly = true}));
  EXPECT_TRUE(fs::exists(journal())) << "a read-only open deletes nothing";
  EXPECT_EQ(jet::JournalFinding::Kind::None, openAndFind(path_, {}));
  EXPECT_EQ(original_, fileBytes(path_));
  EXPECT_FALSE(fs::exists(journal()));
}

// A journal is applied only to the file, in the state, it was written for. Any other is never
// applied: a read-only open ignores it and touches nothing; a write open moves it aside and uses
// the database as it is.
struct ForeignJournal {
  const char* name;
  // Leaves a database at db (the crashed copy, with its journal, to begin with) and the journal
  // beside it in the state to try.
  void (*arrange)(const fs::path& db, const Bytes& original);
};

void fromAnotherDatabase(const fs::path& db, const Bytes&) {
  qbm::test::copyFileOver(qbm::test::sharedDir() / "fixtures/qbaudio.mdb", db);
}
void backupRestoredOverTheCrash(const fs::path& db, const Bytes& original) {
  // The backup is the file before a change committed after it; the crash came later.
  writeFileBytes(db, original);
  fs::remove(jet::journalPathFor(db));
  {
    jet::Database open = jet::Database::open(db);
    open.begin();
    scribble(open, 5);
    open.commit();
  }
  qbm::test::leaveInterruptedChange(db);
  writeFileBytes(db, original);
}
void changedAfterTheCrash(const fs::path& db, const Bytes& original) {
  Bytes bytes = fileBytes(db);
  bytes[original.size() - 100] ^= 0x5A;  // in the last page, which the crashed change did not touch
  writeFileBytes(db, bytes);
}
void cutShorterThanItWas(const fs::path& db, const Bytes& original) {
  fs::resize_file(db, original.size() - 4096);
}
void randomBytes(const fs::path& db, const Bytes&) {
  Bytes junk(5000);
  for (std::size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<std::uint8_t>(i * 2654435761u >> 13);
  writeFileBytes(jet::journalPathFor(db), junk);
}
void tornHeader(const fs::path& db, const Bytes&) {
  Bytes journal = fileBytes(jet::journalPathFor(db));
  std::fill(journal.begin(), journal.begin() + 512, 0);
  writeFileBytes(jet::journalPathFor(db), journal);
}
class ForeignJournalTest : public TransactionTest, public testing::WithParamInterface<ForeignJournal> {};

TEST_P(ForeignJournalTest, IsNeverAppliedButSetAside) {
  qbm::test::leaveInterruptedChange(path_);
  GetParam().arrange(path_, original_);
  const Bytes before = fileBytes(path_);
  const Bytes journalBefore = fileBytes(journal());

  {
    jet::Database db = jet::Database::open(path_, {.exclusive = false, .readOnly = true});
    EXPECT_EQ(jet::JournalFinding::Kind::Ignored, db.journalFinding().kind);
    EXPECT_FALSE(db.journalFinding().reason.empty());
  }
  EXPECT_EQ(before, fileBytes(path_));
  ASSERT_TRUE(fs::exists(journal())) << "a read-only open renames nothing";

  jet::Database db = jet::Database::open(path_);
  EXPECT_EQ(before, fileBytes(path_)) << "the database is left as it is";
  EXPECT_FALSE(fs::exists(journal()));
  const fs::path aside = fs::path(journal().string() + ".unused");
  ASSERT_TRUE(fs::exists(aside)) << "the journal is kept under a new name";
  EXPECT_EQ(journalBefore, fileBytes(aside));
  EXPECT_EQ(jet::JournalFinding::Kind::SetAside, db.journalFinding().kind);
  EXPECT_EQ(aside, db.journalFinding().setAsidePath);
}

INSTANTIATE_TEST_SUITE_P(Journals, ForeignJournalTest,
                         testing::Values(ForeignJournal{"FromAnotherDatabase", fromAnotherDatabase},
                                         ForeignJournal{"BackupRestoredOverTheCrash", backupRestoredOverTheCrash},
                                         ForeignJournal{"ChangedAfterTheCrash", changedAfterTheCrash},
                                         ForeignJournal{"CutShorterThanItWas", cutShorterThanItWas},
                                         ForeignJournal{"RandomBytes", randomBytes},
                                         ForeignJournal{"TornHeader", tornHeader}),
                         [](const testing::TestParamInfo<ForeignJournal>& info) { return info.param.name; });

TEST_F(TransactionTest, SetAsideNamesNeverReplaceAnEarlierOne) {
  for (const char* next : {".unused", ".unused-2", ".unused-3"}) {
    writeFileBytes(journal(), Bytes(700, 'x'));
    EXPECT_EQ(jet::JournalFinding::Kind::SetAside, openAndFind(path_, {}));
    EXPECT_TRUE(fs::exists(journal().string() + next)) << next;
  }
  EXPECT_EQ(original_, fileBytes(path_));
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
  {
    jet::Database db = jet::Database::open(path_, {.exclusive = true, .readOnly = true});
    try {
      db.begin();
      FAIL() << "begin on a read-only database";
    } catch (const jet::Error& e) {
      EXPECT_EQ(jet::ErrorCode::ReadOnly, e.code());
    }
  }
  // A journal there while the file is open (one a failed rollback kept) is not replaced by a new
  // transaction's.
  jet::Database db = jet::Database::open(path_);
  writeFileBytes(journal(), Bytes(700, 'x'));
  try {
    db.begin();
    FAIL() << "begin beside a kept journal";
  } catch (const jet::Error& e) {
    EXPECT_EQ(jet::ErrorCode::InvalidState, e.code());
  }
  EXPECT_EQ(Bytes(700, 'x'), fileBytes(journal()));
}

// The free-page map and the owners' maps stay exact as pages are taken and given back.
TEST_F(TransactionTest, AllocatorKeepsMapsExact) {
  jet::Database db = jet::Database::open(path_);
  jet::detail::DatabaseCore& core = jet::detail::coreOf(db);
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
  jet::detail::DatabaseCore& core = jet::detail::coreOf(db);
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

// ---- A journal belongs to the file -----------------------------------------------------------------

// Both opens, read-only and to write, fail naming the journal and why; the file and the journal
// stay as they are and nothing is set aside.
void expectKept(const fs::path& db, const fs::path& journal, const std::string& why) {
  const Bytes before = fileBytes(db);
  const bool folder = fs::is_directory(journal);
  const Bytes journalBefore = folder ? Bytes{} : fileBytes(journal);
  for (const bool readOnly : {true, false}) {
    SCOPED_TRACE(readOnly ? "read-only open" : "open to write");
    try {
      jet::Database opened = jet::Database::open(db, {.exclusive = true, .readOnly = readOnly});
      ADD_FAILURE() << "opened, finding " << static_cast<int>(opened.journalFinding().kind);
    } catch (const jet::Error& e) {
      EXPECT_EQ(jet::ErrorCode::JournalKept, e.code()) << e.what();
      EXPECT_NE(std::string(e.what()).find(journal.string()), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(why), std::string::npos) << e.what();
    }
    EXPECT_EQ(before, fileBytes(db));
    EXPECT_TRUE(folder ? fs::is_directory(journal) : journalBefore == fileBytes(journal));
    EXPECT_FALSE(fs::exists(journal.string() + ".unused"));
  }
}

// However the file is named when it is changed, its journal is beside the real file, where every
// name finds it: one left through a symbolic link (to the file, or to its folder) is seen and
// rolled back under the real name, and the other way round.
TEST_F(TransactionTest, TheJournalLivesBesideTheRealFileWhateverNameIsUsed) {
  const fs::path link = dir_ / "link.mdb", folderLink = dir_ / "folder-link";
  try {
    fs::create_symlink(path_, link);
    fs::create_directory_symlink(dir_.path(), folderLink);
  } catch (const fs::filesystem_error& e) {
    GTEST_SKIP() << "no symbolic links here: " << e.what();
  }
  for (const fs::path& name : {link, folderLink / path_.filename()}) {
    SCOPED_TRACE(name);
    writeFileBytes(path_, original_);
    qbm::test::leaveInterruptedChange(name);
    EXPECT_TRUE(fs::exists(journal()));
    EXPECT_FALSE(fs::exists(jet::journalPathFor(link)));
    EXPECT_EQ(jet::JournalFinding::Kind::Pending, openAndFind(path_, {.exclusive = true, .readOnly = true}));
    EXPECT_EQ(jet::JournalFinding::Kind::RolledBack, openAndFind(path_, {}));
    EXPECT_EQ(original_, fileBytes(path_));
  }
  qbm::test::leaveInterruptedChange(path_);
  EXPECT_EQ(jet::JournalFinding::Kind::RolledBack, openAndFind(link, {}));
  EXPECT_EQ(original_, fileBytes(path_));
  EXPECT_FALSE(fs::exists(journal()));
}

// A file with a second name (a hard link) is read, never written: a journal left under one name
// would be missed under the other.
TEST_F(TransactionTest, AFileWithHardLinksIsOnlyRead) {
  const fs::path second = dir_ / "second.mdb";
  fs::create_hard_link(path_, second);
  for (const fs::path& name : {path_, second}) {
    try {
      jet::Database db = jet::Database::open(name);
      ADD_FAILURE() << "opened to write";
    } catch (const jet::Error& e) {
      EXPECT_EQ(jet::ErrorCode::Io, e.code());
      EXPECT_NE(std::string(e.what()).find("has 2 names (hard links)"), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find("Make a copy of it and use the copy"), std::string::npos) << e.what();
    }
    EXPECT_EQ(jet::JournalFinding::Kind::None, openAndFind(name, {.exclusive = true, .readOnly = true}));
  }
  fs::remove(second);
  EXPECT_EQ(jet::JournalFinding::Kind::None, openAndFind(path_, {}));
  EXPECT_EQ(original_, fileBytes(path_));
}

// A journal that cannot tell whether the file is half-written (its saved pages cut off or garbled,
// or a folder in its place) is neither applied nor set aside, by any open: the file is not opened.
TEST_F(TransactionTest, AJournalThatCannotTellIsKeptAndTheFileIsNotOpened) {
  const struct {
    const char* name;
    void (*arrange)(const fs::path& journal);
    const char* why;
  } cases[] = {
      {"cut inside its records", [](const fs::path& j) { fs::resize_file(j, fs::file_size(j) - 3000); },
       "it is damaged: the pages it saved are cut off or garbled from number "},
      {"a record garbled",
       [](const fs::path& j) {
         Bytes bytes = fileBytes(j);
         bytes[512 + 4 + 100] ^= 0x40;  // inside the first saved page
         writeFileBytes(j, bytes);
       },
       "it is damaged: the pages it saved are cut off or garbled from number "},
      {"a folder",
       [](const fs::path& j) {
         fs::remove(j);
         fs::create_directory(j);
       },
       "it cannot be read"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    writeFileBytes(path_, original_);
    fs::remove_all(journal());
    qbm::test::leaveInterruptedChange(path_);
    c.arrange(journal());
    expectKept(path_, journal(), c.why);
  }
}

#ifndef _WIN32
// In a folder where others may make files, a journal of someone else's making is never applied
// nor moved, even one that fits the file: it must belong to the database's owner, and nobody may
// write it who may not write the database.
TEST_F(TransactionTest, AJournalSomeoneElseMayHaveMadeIsNeverApplied) {
  qbm::test::leaveInterruptedChange(path_);  // a genuine one, which would fit
  fs::permissions(path_, fs::perms::owner_read | fs::perms::owner_write);
  fs::permissions(journal(), static_cast<fs::perms>(0666));
  expectKept(path_, journal(), "anyone may write it, but not the database");
  fs::permissions(journal(), static_cast<fs::perms>(0620));
  expectKept(path_, journal(), "may write it, but not the database");
  if (geteuid() == 0) {  // only the superuser can give the journal to another user
    fs::permissions(journal(), static_cast<fs::perms>(0600));
    ASSERT_EQ(0, chown(journal().c_str(), 4321, 4321));
    expectKept(path_, journal(), "it belongs to another user (user ID 4321)");
    ASSERT_EQ(0, chown(journal().c_str(), 0, 0));
  } else {
    std::cout << "[ note     ] not the superuser: a journal of another owner is not tried\n";
  }
  fs::permissions(journal(), static_cast<fs::perms>(0600));
  EXPECT_EQ(jet::JournalFinding::Kind::RolledBack, openAndFind(path_, {})) << "the owner's own journal applies";
  EXPECT_EQ(original_, fileBytes(path_));
}

// The journal holds the database's pages, so it gets the database's permissions (whatever the
// umask) and, where the program may set it, its owner; so does a journal set aside.
TEST_F(TransactionTest, AJournalIsAsPrivateAsItsDatabase) {
  const mode_t umaskBefore = umask(022);
  const bool superuser = geteuid() == 0;
  fs::permissions(path_, fs::perms::owner_read | fs::perms::owner_write);
  if (superuser) {
    ASSERT_EQ(0, chown(path_.c_str(), 4321, 4322));
  }
  struct stat info {};
  {
    jet::Database db = jet::Database::open(path_);
    pagesOf(db).setSpillLimit(16);
    db.begin();
    scribble(db, 40);
    ASSERT_EQ(0, stat(journal().c_str(), &info));
    EXPECT_EQ(0600u, info.st_mode & 0777);
    if (superuser) {
      EXPECT_EQ(4321u, info.st_uid);
      EXPECT_EQ(4322u, info.st_gid);
    }
    db.rollback();
  }
  writeFileBytes(journal(), Bytes(700, 'x'));  // made 0644 by the umask: not the database's
  if (superuser) {
    ASSERT_EQ(0, chown(journal().c_str(), 4321, 4322));
  }
  {
    jet::Database db = jet::Database::open(path_);
    ASSERT_EQ(jet::JournalFinding::Kind::SetAside, db.journalFinding().kind);
    ASSERT_EQ(0, stat(db.journalFinding().setAsidePath.c_str(), &info));
    EXPECT_EQ(0600u, info.st_mode & 0777);
  }
  umask(umaskBefore);
}
#endif

// Another file renamed over the database's name while a transaction runs: the commit is undone in
// the file it was writing (now under another name), and the file now at the name is untouched.
TEST_F(TransactionTest, ACommitIntoAFileReplacedUnderItsNameIsUndone) {
  const fs::path moved = dir_ / "moved.mdb", other = dir_ / "other.mdb";
  Bytes otherBytes = original_;
  otherBytes[otherBytes.size() - 10] ^= 0x77;
  writeFileBytes(other, otherBytes);
  jet::Database db = jet::Database::open(path_);
  pagesOf(db).setSpillLimit(16);
  db.begin();
  scribble(db, 40);
  fs::rename(path_, moved);
  fs::rename(other, path_);
  try {
    db.commit();
    ADD_FAILURE() << "committed into a file no name leads to";
  } catch (const jet::Error& e) {
    EXPECT_EQ(jet::ErrorCode::Replaced, e.code()) << e.what();
    EXPECT_NE(std::string(e.what()).find("was replaced by another file"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("nothing was written into the file now at that name"), std::string::npos);
  }
  db.close();
  EXPECT_EQ(original_, fileBytes(moved)) << "the change was undone";
  EXPECT_EQ(otherBytes, fileBytes(path_)) << "the file now at the name was not touched";
  EXPECT_FALSE(fs::exists(journal()));
}

}  // namespace
