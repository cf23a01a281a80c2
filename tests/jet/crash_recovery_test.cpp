// Crash safety by fault injection: a child process runs a large transaction (rows with indexes and
// memos, page splits, pages spilled early) followed by a small one, and is killed right after its
// k-th page write (journal and database writes alike; some writes torn in half), for every k. After
// each kill, opening the file must give it back byte for byte as before the first transaction, or
// (kills after the first commit) exactly as that commit left it, and the integrity check must find
// nothing wrong.
//
// QBM_CRASH_ROWS sets the size of the large transaction (default 120 rows; a longer run:
// QBM_CRASH_ROWS=2000 build/tests/jet_tests --gtest_filter='CrashRecovery*').

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "jet/check.h"
#include "jet/database.h"
#include "jet/file/journal.h"
#include "jet/file/platform_file.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

int crashRows() {
  const char* rows = std::getenv("QBM_CRASH_ROWS");
  return rows ? std::max(1, std::atoi(rows)) : 120;
}

// Every kill point is tried, or every QBM_CRASH_STRIDE-th one with the first, the last and both
// sides of the first commit (under Wine each child takes a slow process start).
std::uint64_t crashStride() {
  const char* stride = std::getenv("QBM_CRASH_STRIDE");
  return stride ? static_cast<std::uint64_t>(std::max(1, std::atoi(stride))) : 1;
}

struct WriteCounts {
  std::uint64_t firstCommit = 0;  // writes up to the first commit
  std::uint64_t total = 0;
};

// Runs the workload (qbm_test_child workload: a large transaction, then a small one) in a child
// killed after `killAfter` writes (0: not killed). Returns whether the child was killed; the counts
// come back through a file.
bool runChild(const fs::path& path, int rows, std::uint64_t killAfter, bool torn, const fs::path& countsFile) {
  const int status = qbm::test::runProgram(
      qbm::test::testChildProgram(),
      {"workload", path.string(), std::to_string(rows), std::to_string(killAfter), torn ? "1" : "0", countsFile.string()});
  if (qbm::test::killedByFaultInjection(status)) return true;
  EXPECT_EQ(0, status) << "the workload failed in the child";
  return false;
}

TEST(CrashRecovery, EveryKillPointLeavesTheFileBeforeOrAfterACommit) {
  QBM_REQUIRE_SHARED();
  qbm::test::ScratchDir dir;
  const int rows = crashRows();
  fs::path path = qbm::test::copyShared("fixtures/qbaudio.mdb", dir.path());
  fs::path countsFile = dir / "counts";
  const Bytes original = qbm::test::fileBytes(path);

  // A run without a kill: how many writes there are, and what each commit leaves.
  ASSERT_FALSE(runChild(path, rows, 0, false, countsFile));
  WriteCounts counts;
  std::ifstream(countsFile) >> counts.firstCommit >> counts.total;
  ASSERT_GT(counts.firstCommit, 100u);
  ASSERT_GT(counts.total, counts.firstCommit);
  ASSERT_EQ("", qbm::test::problemsOf(path));
  const Bytes finalBytes = qbm::test::fileBytes(path);
  // The state after the first commit: the same run killed at the first write after it.
  qbm::test::writeFileBytes(path, original);
  ASSERT_TRUE(runChild(path, rows, counts.firstCommit + 1, false, countsFile));
  { jet::Database db = jet::Database::open(path); }
  const Bytes afterFirst = qbm::test::fileBytes(path);
  ASSERT_NE(original, afterFirst);
  ASSERT_NE(afterFirst, finalBytes);

  std::uint64_t tried = 0, torn = 0;
  // Kills that left the file longer than before the transaction: pages it appended were written
  // early (without journal copies) and the recovery must cut them off.
  std::uint64_t grown = 0;
  const std::uint64_t stride = crashStride();
  for (std::uint64_t k = 1; k <= counts.total; ++k) {
    if (k % stride != 0 && k != 1 && k != counts.firstCommit && k != counts.firstCommit + 1 && k != counts.total)
      continue;
    SCOPED_TRACE("killed after write " + std::to_string(k));
    qbm::test::writeFileBytes(path, original);
    fs::remove(jet::journalPathFor(path));
    bool tear = k % 5 == 0;
    ASSERT_TRUE(runChild(path, rows, k, tear, countsFile)) << "the child was not killed";
    ++tried;
    torn += tear;
    grown += k <= counts.firstCommit && fs::file_size(path) > original.size();
    { jet::Database db = jet::Database::open(path); }  // rolls the journal back
    ASSERT_FALSE(fs::exists(jet::journalPathFor(path)));
    const Bytes now = qbm::test::fileBytes(path);
    if (k <= counts.firstCommit)
      ASSERT_TRUE(now == original) << "a kill before the first commit must leave the original";
    else
      ASSERT_TRUE(now == afterFirst) << "a kill after the first commit must leave it committed";
    if (k % 25 == 0 || k == counts.firstCommit || k == counts.total) {
      ASSERT_EQ("", qbm::test::problemsOf(path));
    }
  }
  EXPECT_GT(grown, 0u) << "no kill fell among the pages appended past the file's end";
  RecordProperty("kill_points", static_cast<int>(tried));
  std::cout << "[ crash    ] " << tried << " kill points (" << torn << " with a torn write, " << grown
            << " with appended pages written), " << rows << " rows; " << counts.firstCommit
            << " writes up to the first commit\n";
}

// A crash while a journal is being rolled back: the next open finishes the rollback.
TEST(CrashRecovery, AKilledRollbackIsFinishedByTheNextOpen) {
  QBM_REQUIRE_SHARED();
  qbm::test::ScratchDir dir;
  fs::path path = qbm::test::copyShared("fixtures/qbaudio.mdb", dir.path());
  fs::path countsFile = dir / "counts";
  const Bytes original = qbm::test::fileBytes(path);
  // Killed late in the first transaction: the journal holds many originals and the file has
  // spilled pages.
  ASSERT_FALSE(runChild(path, 40, 0, false, countsFile));
  WriteCounts counts;
  std::ifstream(countsFile) >> counts.firstCommit >> counts.total;
  qbm::test::writeFileBytes(path, original);
  ASSERT_TRUE(runChild(path, 40, counts.firstCommit - 1, false, countsFile));
  const Bytes crashed = qbm::test::fileBytes(path);
  const Bytes journal = qbm::test::fileBytes(jet::journalPathFor(path));
  ASSERT_NE(original, crashed);
  std::uint64_t rollbackWrites = 0;
  for (std::uint64_t j = 1;; ++j) {
    SCOPED_TRACE("rollback killed after write " + std::to_string(j));
    qbm::test::writeFileBytes(path, crashed);
    qbm::test::writeFileBytes(jet::journalPathFor(path), journal);
    const int status = qbm::test::runProgram(qbm::test::testChildProgram(),
                                             {"reopen", path.string(), std::to_string(j), j % 2 == 0 ? "1" : "0"});
    { jet::Database db = jet::Database::open(path); }
    ASSERT_TRUE(qbm::test::fileBytes(path) == original);
    if (!qbm::test::killedByFaultInjection(status)) break;  // the rollback had fewer writes than j
    rollbackWrites = j;
  }
  EXPECT_GT(rollbackWrites, 10u);
  std::cout << "[ crash    ] " << rollbackWrites << " kill points inside the rollback\n";
  EXPECT_EQ("", qbm::test::problemsOf(path));
}

}  // namespace
