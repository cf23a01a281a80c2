// The undo record of a transaction (Database::keepUndoRecord, file/journal.h): undo gives back the
// file byte for byte, refuses (changing nothing) when anything changed the file after the commit or
// the record is not to be trusted, keeps one generation, and is crash-safe on both sides: a kill
// during the undoable commit or during the undo leaves the file before or after, never between.

#include <gtest/gtest.h>

#include <fstream>

#include "jet/database.h"
#include "jet/file/journal.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using jet::Value;

// Rows added (the file grows: pages appended) and existing rows changed, in one transaction that
// keeps its undo record with the note.
void undoableChange(const fs::path& path, int rows, const std::string& note, bool keep = true) {
  jet::Database db = jet::Database::open(path);
  jet::Transaction transaction(db);
  if (keep) db.keepUndoRecord(note);
  jet::Table woofers = db.table("woofers");
  for (int i = 0; i < rows; ++i) {
    woofers.addNew();
    woofers.set("Model", Value(note + " " + std::to_string(i)));
    woofers.set("Company ID", Value(std::int32_t(i % 30 + 1)));
    woofers.set("Notes", Value(std::string(static_cast<std::size_t>(500 + i * 37), 'n')));
    woofers.update();
  }
  woofers.setIndex("ID");
  if (woofers.seek(Value(std::int32_t(2)))) {
    woofers.edit();
    woofers.set("Comment", Value(note));
    woofers.update();
  }
  transaction.commit();
}

std::string undo(const fs::path& path) {
  jet::Database db = jet::Database::open(path);
  return db.undoKeptTransaction();
}

jet::ErrorCode undoError(const fs::path& path) {
  try {
    undo(path);
  } catch (const jet::Error& e) {
    return e.code();
  }
  ADD_FAILURE() << "undo was not refused";
  return jet::ErrorCode::Io;
}

class UndoRecord : public ::testing::Test {
 protected:
  void SetUp() override {
    QBM_REQUIRE_SHARED();
    path_ = qbm::test::copyShared("fixtures/qbaudio.mdb", dir_.path());
    original_ = qbm::test::fileBytes(path_);
  }
  fs::path undoPath() const { return jet::undoPathFor(path_); }
  qbm::test::ScratchDir dir_;
  fs::path path_;
  Bytes original_;
};

TEST_F(UndoRecord, UndoGivesBackTheOriginalBytesAndDeletesTheRecord) {
  undoableChange(path_, 60, "merge one");
  ASSERT_GT(fs::file_size(path_), original_.size()) << "the change should append pages";
  ASSERT_TRUE(fs::exists(undoPath()));
  ASSERT_FALSE(fs::exists(jet::journalPathFor(path_)));
  // The record holds the originals of the changed pages, not the appended ones.
  EXPECT_LT(fs::file_size(undoPath()), fs::file_size(path_) - original_.size());
  {
    jet::Database db = jet::Database::open(path_);
    const std::optional<jet::UndoInspection> kept = db.keptUndo();
    ASSERT_TRUE(kept && kept->exists);
    EXPECT_EQ("merge one", kept->note);
    EXPECT_FALSE(kept->refusal) << *kept->refusal;
  }
  EXPECT_EQ("merge one", undo(path_));
  EXPECT_TRUE(qbm::test::fileBytes(path_) == original_);
  EXPECT_FALSE(fs::exists(undoPath()));
  EXPECT_FALSE(fs::exists(jet::journalPathFor(path_)));
  EXPECT_EQ(jet::ErrorCode::NothingToUndo, undoError(path_));
  EXPECT_EQ("", qbm::test::problemsOf(path_));
}

// Right after its own commit of a record the handle answers without reading it back, and a
// later change on the same handle that keeps no record is seen: the record then no longer applies.
TEST_F(UndoRecord, TheHandleThatCommittedTheRecordAnswersUntilItChangesTheFileAgain) {
  jet::Database db = jet::Database::open(path_);
  {
    jet::Transaction transaction(db);
    db.keepUndoRecord("kept here");
    jet::Table woofers = db.table("woofers");
    woofers.addNew();
    woofers.set("Model", Value(std::string("one")));
    woofers.update();
    transaction.commit();
  }
  std::optional<jet::UndoInspection> kept = db.keptUndo();
  ASSERT_TRUE(kept && kept->exists);
  EXPECT_EQ("kept here", kept->note);
  EXPECT_FALSE(kept->refusal) << *kept->refusal;
  {
    jet::Transaction transaction(db);
    jet::Table woofers = db.table("woofers");
    woofers.addNew();
    woofers.set("Model", Value(std::string("two")));
    woofers.update();
    transaction.commit();
  }
  kept = db.keptUndo();
  ASSERT_TRUE(kept && kept->exists);
  EXPECT_TRUE(kept->refusal);
}

// One generation: the second undoable change replaces the first's record; undo goes back to the
// state between them. A rolled-back change keeps the record of the one before.
TEST_F(UndoRecord, OnlyTheLastChangeIsKeptAndARollbackKeepsIt) {
  undoableChange(path_, 20, "first");
  const Bytes afterFirst = qbm::test::fileBytes(path_);
  undoableChange(path_, 20, "second");
  {
    jet::Database db = jet::Database::open(path_);
    db.begin();
    db.keepUndoRecord("rolled back");
    db.table("woofers").addNew();
    db.rollback();
  }
  EXPECT_EQ("second", undo(path_));
  EXPECT_TRUE(qbm::test::fileBytes(path_) == afterFirst);
  EXPECT_EQ(jet::ErrorCode::NothingToUndo, undoError(path_));
}

// Anything that changes the file after the commit makes undo refuse and change nothing: another
// program's write of one byte, a change of this engine that keeps no record, a copy put in place.
TEST_F(UndoRecord, AFileChangedAfterTheCommitIsRefusedAndLeftAsItIs) {
  undoableChange(path_, 30, "merge");
  const Bytes merged = qbm::test::fileBytes(path_);
  const Bytes record = qbm::test::fileBytes(undoPath());
  const auto refusedLeavingItAsItIs = [&](const Bytes& file) {
    qbm::test::writeFileBytes(path_, file);
    try {
      undo(path_);
      ADD_FAILURE() << "not refused";
    } catch (const jet::Error& e) {
      EXPECT_EQ(jet::ErrorCode::UndoRefused, e.code());
      EXPECT_NE(std::string::npos, std::string(e.what()).find("changed after")) << e.what();
    }
    EXPECT_TRUE(qbm::test::fileBytes(path_) == file);
    EXPECT_TRUE(qbm::test::fileBytes(undoPath()) == record);
    EXPECT_FALSE(fs::exists(jet::journalPathFor(path_)));
  };
  Bytes oneByte = merged;
  oneByte[oneByte.size() / 2] ^= 1;
  refusedLeavingItAsItIs(oneByte);
  Bytes longer = merged;
  longer.resize(longer.size() + 4096, 0);
  refusedLeavingItAsItIs(longer);
  refusedLeavingItAsItIs(original_);  // a backup put back
  qbm::test::writeFileBytes(path_, merged);
  undoableChange(path_, 1, "not kept", false);
  refusedLeavingItAsItIs(qbm::test::fileBytes(path_));
  // As it was after the merge again, it applies.
  qbm::test::writeFileBytes(path_, merged);
  EXPECT_EQ("merge", undo(path_));
  EXPECT_TRUE(qbm::test::fileBytes(path_) == original_);
}

// The record is read only by undo: reading opens leave it alone, a read-only handle does not
// report it, and a damaged or untrusted record is refused with the file left as it is.
TEST(UndoRecordTrust, ReadersIgnoreItAndADamagedOrUntrustedRecordIsRefused) {
  QBM_REQUIRE_SHARED();
  qbm::test::ScratchDir dir;
  const fs::path path = qbm::test::copyShared("fixtures/qbaudio.mdb", dir.path());
  const Bytes original = qbm::test::fileBytes(path);
  undoableChange(path, 10, "merge");
  const Bytes merged = qbm::test::fileBytes(path);
  const fs::path record = jet::undoPathFor(path);
  const Bytes kept = qbm::test::fileBytes(record);
  {
    jet::Database db = jet::Database::open(path, {.exclusive = false, .readOnly = true});
    EXPECT_FALSE(db.keptUndo());
    EXPECT_EQ(jet::JournalFinding::Kind::None, db.journalFinding().kind);
  }
  { jet::Database db = jet::Database::open(path); }
  EXPECT_TRUE(qbm::test::fileBytes(record) == kept);
  EXPECT_TRUE(qbm::test::fileBytes(path) == merged);

  Bytes garbled = kept;
  garbled[600] ^= 0xFF;  // inside the first saved page
  qbm::test::writeFileBytes(record, garbled);
  EXPECT_EQ(jet::ErrorCode::UndoRefused, undoError(path));
  Bytes cut(kept.begin(), kept.end() - 1);  // the trailer's magic cut
  qbm::test::writeFileBytes(record, cut);
  EXPECT_EQ(jet::ErrorCode::UndoRefused, undoError(path));
  EXPECT_TRUE(qbm::test::fileBytes(path) == merged);

  qbm::test::writeFileBytes(record, kept);
#ifndef _WIN32
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
  fs::permissions(record, static_cast<fs::perms>(0666));
  EXPECT_EQ(jet::ErrorCode::UndoRefused, undoError(path));
  EXPECT_TRUE(qbm::test::fileBytes(path) == merged);
  fs::permissions(record, static_cast<fs::perms>(0600));
#endif
  // A file of two names is not written, so not undone either (as a journal would be missed under
  // the other name); through a symbolic link the record beside the real file is found.
  const fs::path second = dir / "second.mdb";
  fs::create_hard_link(path, second);
  EXPECT_EQ(jet::ErrorCode::Io, undoError(second));
  fs::remove(second);
  EXPECT_TRUE(qbm::test::fileBytes(path) == merged);
  const fs::path link = dir / "link.mdb";
  std::error_code noLinks;  // Wine has none: the record is then undone under the file's own name
  fs::create_symlink(path, link, noLinks);
  EXPECT_EQ("merge", undo(noLinks ? path : link));
  EXPECT_TRUE(qbm::test::fileBytes(path) == original);
}

struct WriteCounts {
  std::uint64_t firstCommit = 0;
  std::uint64_t total = 0;
};

int runChild(const std::vector<std::string>& args) {
  return qbm::test::runProgram(qbm::test::testChildProgram(), args);
}

// Kills during the undoable commit (the first transaction of the crash workload) and during the
// undo: each leaves either the file before the transaction, or the file after it with an undo
// record that gives the file before back.
TEST(CrashRecovery, KillsDuringAnUndoableCommitAndDuringItsUndoLeaveOneOfTheTwoStates) {
  QBM_REQUIRE_SHARED();
  qbm::test::ScratchDir dir;
  const fs::path path = qbm::test::copyShared("fixtures/qbaudio.mdb", dir.path());
  const fs::path counts = dir / "counts", undoPath = jet::undoPathFor(path);
  const Bytes original = qbm::test::fileBytes(path);
  const std::string rows = "30";
  ASSERT_EQ(0, runChild({"undoable", path.string(), rows, "0", "0", counts.string()}));
  WriteCounts c;
  std::ifstream(counts) >> c.firstCommit >> c.total;
  ASSERT_GT(c.firstCommit, 20u);
  // The state after the first commit: killed at the first write of the second transaction.
  qbm::test::writeFileBytes(path, original);
  fs::remove(undoPath);
  ASSERT_TRUE(qbm::test::killedByFaultInjection(
      runChild({"undoable", path.string(), rows, std::to_string(c.firstCommit + 1), "0", counts.string()})));
  { jet::Database db = jet::Database::open(path); }
  const Bytes afterFirst = qbm::test::fileBytes(path);
  const Bytes record = qbm::test::fileBytes(undoPath);
  ASSERT_NE(original, afterFirst);

  int before = 0, after = 0;
  for (std::uint64_t k = 1; k <= c.firstCommit + 2; k += (k + 3 < c.firstCommit ? 3 : 1)) {
    SCOPED_TRACE("commit killed after write " + std::to_string(k));
    qbm::test::writeFileBytes(path, original);
    fs::remove(undoPath);
    ASSERT_TRUE(qbm::test::killedByFaultInjection(
        runChild({"undoable", path.string(), rows, std::to_string(k), k % 4 == 0 ? "1" : "0", counts.string()})));
    { jet::Database db = jet::Database::open(path); }
    const Bytes now = qbm::test::fileBytes(path);
    if (k <= c.firstCommit) {
      ASSERT_TRUE(now == original);
      ASSERT_FALSE(fs::exists(undoPath));
      ++before;
    } else {
      ASSERT_TRUE(now == afterFirst);
      EXPECT_EQ("the first transaction", undo(path));  // the record is whole (its salt differs per run)
      ASSERT_TRUE(qbm::test::fileBytes(path) == original);
      ++after;
    }
  }
  EXPECT_GT(before, 5);
  EXPECT_EQ(2, after);

  std::uint64_t undoWrites = 0;
  for (std::uint64_t j = 1;; ++j) {
    SCOPED_TRACE("undo killed after write " + std::to_string(j));
    qbm::test::writeFileBytes(path, afterFirst);
    qbm::test::writeFileBytes(undoPath, record);
    const int status = runChild({"undo", path.string(), std::to_string(j), j % 2 == 0 ? "1" : "0"});
    { jet::Database db = jet::Database::open(path); }  // finishes an undo cut short
    ASSERT_TRUE(qbm::test::fileBytes(path) == original);
    ASSERT_FALSE(fs::exists(undoPath));
    ASSERT_FALSE(fs::exists(jet::journalPathFor(path)));
    if (!qbm::test::killedByFaultInjection(status)) {
      ASSERT_EQ(0, status);
      break;
    }
    undoWrites = j;
  }
  EXPECT_GT(undoWrites, 5u);
  std::cout << "[ crash    ] " << before + after << " kill points in the undoable commit, " << undoWrites
            << " inside the undo\n";
  EXPECT_EQ("", qbm::test::problemsOf(path));
}

}  // namespace
