// Exclusive opens: while a database is open, a second open of the file fails with Error(Locked),
// whether it comes from this process or another; read-only shared opens may coexist.

#include <gtest/gtest.h>

#include <thread>

#include "jet/database.h"
#include "jet/error.h"
#include "jet/file/platform_file.h"
#include "tests/support/test_support.h"

namespace {

std::optional<jet::ErrorCode> openFails(const std::filesystem::path& path, jet::OpenOptions options) {
  try {
    jet::Database db = jet::Database::open(path, options);
    return std::nullopt;
  } catch (const jet::Error& e) {
    return e.code();
  }
}

// Tries an exclusive read-only open in a child process; returns 0 when it succeeded, 1 when it
// failed as locked, 2 otherwise.
int openInChildProcess(const std::filesystem::path& path) {
  return qbm::test::runProgram(qbm::test::testChildProgram(), {"open", path.string()});
}

TEST(ExclusiveOpen, SecondOpenInThisProcessIsLocked) {
  QBM_REQUIRE_SHARED();
  qbm::test::ScratchDir dir;
  auto path = qbm::test::copyShared("interop/testV2000.mdb", dir.path());
  {
    jet::Database first = jet::Database::open(path);
    EXPECT_EQ(jet::ErrorCode::Locked, openFails(path, {}));
    EXPECT_EQ(jet::ErrorCode::Locked, openFails(path, {.exclusive = false, .readOnly = true}));
    EXPECT_EQ("abcdefg", first.table("Table1").get("A").toString()) << "the first open is unaffected";
  }
  EXPECT_EQ(std::nullopt, openFails(path, {})) << "closing releases the lock";
}

TEST(ExclusiveOpen, OpenFromAnotherProcessIsLocked) {
  QBM_REQUIRE_SHARED();
  qbm::test::ScratchDir dir;
  auto path = qbm::test::copyShared("interop/testV1997.mdb", dir.path());
  jet::Database db = jet::Database::open(path);
  EXPECT_EQ(1, openInChildProcess(path));
  db.close();
  EXPECT_EQ(0, openInChildProcess(path));
}

TEST(ExclusiveOpen, SharedReadOnlyOpensCoexistButKeepExclusiveOnesOut) {
  QBM_REQUIRE_SHARED();
  qbm::test::ScratchDir dir;
  auto path = qbm::test::copyShared("interop/testV2000.mdb", dir.path());
  jet::Database a = jet::Database::open(path, {.exclusive = false, .readOnly = true});
  jet::Database b = jet::Database::open(path, {.exclusive = false, .readOnly = true});
  EXPECT_EQ(jet::ErrorCode::Locked, openFails(path, {}));
  EXPECT_EQ(1, openInChildProcess(path));
}

TEST(ExclusiveOpen, MissingOrUnreadableFilesAreIoErrors) {
  qbm::test::ScratchDir dir;
  EXPECT_EQ(jet::ErrorCode::Io, openFails(dir / "absent.mdb", {}));
  EXPECT_EQ(jet::ErrorCode::Io, openFails(dir.path(), {.exclusive = false, .readOnly = true})) << "a folder";
  try {
    jet::Database::open(dir / "absent.mdb");
  } catch (const jet::Error& e) {
    EXPECT_NE(std::string::npos, std::string(e.what()).find("absent.mdb")) << "the message names the file";
  }
}

// A program started with standard input, output or error closed must not get its database on that
// descriptor, where its own output would be written into the file.
TEST(ExclusiveOpen, DatabasesNeverSitOnAClosedStandardDescriptor) {
#ifdef _WIN32
  GTEST_SKIP() << "cmd.exe cannot start a program with a standard handle closed";
#endif
  QBM_REQUIRE_SHARED();
  qbm::test::ScratchDir dir;
  auto path = qbm::test::copyShared("interop/testV2000.mdb", dir.path());
  const std::vector<std::uint8_t> original = qbm::test::fileBytes(path);
  for (int closed : {0, 1, 2}) {
    // This one and those above it.
    const std::string closing = closed == 0 ? "<&- >&- 2>&-" : closed == 1 ? ">&- 2>&-" : "2>&-";
    EXPECT_EQ(0, qbm::test::runProgram(qbm::test::testChildProgram(), {"commit", path.string()}, nullptr, closing))
        << "descriptor " << closed;
    EXPECT_TRUE(original == qbm::test::fileBytes(path)) << "descriptor " << closed;
  }
}

TEST(PlatformFile, ReadsAtOffsetsAndKnowsSizeAndTime) {
  QBM_REQUIRE_SHARED();
  auto path = qbm::test::sharedDir() / "interop/testV1997.mdb";
  auto file = jet::PlatformFile::open(path, jet::FileAccess::ReadOnly, jet::FileLock::Shared);
  EXPECT_EQ(std::filesystem::file_size(path), file->size());
  std::uint8_t magic[15];
  file->readAt(4, magic);
  EXPECT_EQ("Standard Jet DB", std::string(magic, magic + 15));
  std::uint8_t past[4];
  EXPECT_THROW(file->readAt(file->size() - 2, past), jet::Error);
  auto modified = jet::PlatformFile::lastModified(path);
  EXPECT_LT(modified, std::chrono::system_clock::now());
  EXPECT_GT(modified, std::chrono::system_clock::time_point{});
}

}  // namespace

namespace {

std::vector<std::string> modelsOf(jet::Database& db) {
  std::vector<std::string> models;
  jet::Table woofers = db.table("woofers");
  for (woofers.moveFirst(); !woofers.eof(); woofers.moveNext()) models.push_back(woofers.get("Model").toString());
  return models;
}

}  // namespace

// A read view is a second handle under the first one's lock: it reads on another thread what the
// handle reads at the same time, may not be made during a transaction, and reads nothing once the
// handle is closed.
TEST(ExclusiveOpen, AReadViewReadsBesideItsHandleUnderItsLock) {
  QBM_REQUIRE_SHARED();
  qbm::test::ScratchDir dir;
  const auto path = qbm::test::copyShared("fixtures/qbaudio.mdb", dir.path());
  jet::Database db = jet::Database::open(path);
  jet::Database view = db.readView();
  std::vector<std::string> fromView;
  std::thread reader([&] {
    for (int i = 0; i < 20; ++i) fromView = modelsOf(view);
  });
  std::vector<std::string> fromHandle;
  for (int i = 0; i < 20; ++i) fromHandle = modelsOf(db);
  reader.join();
  ASSERT_FALSE(fromHandle.empty());
  EXPECT_EQ(fromView, fromHandle);
  EXPECT_EQ(jet::ErrorCode::Locked, openFails(path, {.exclusive = false, .readOnly = true}));
  EXPECT_THROW(view.table("woofers").addNew(), jet::Error) << "a view writes nothing";

  db.begin();
  try {
    db.readView();
    ADD_FAILURE() << "a view was made during a transaction";
  } catch (const jet::Error& e) {
    EXPECT_EQ(jet::ErrorCode::InvalidState, e.code());
  }
  db.rollback();

  jet::Database late = db.readView();
  db.close();
  try {
    modelsOf(late);
    ADD_FAILURE() << "a view of a closed handle read something";
  } catch (const jet::Error& e) {
    EXPECT_EQ(jet::ErrorCode::InvalidState, e.code());
  }
}
