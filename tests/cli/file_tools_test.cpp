// qbmerge-cli dump and check: exit statuses, messages, and the lock held against other programs.

#include <gtest/gtest.h>

#include <fstream>

#include "jet/database.h"
#include "tests/support/json.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;

int runTool(const std::string& arguments, std::string* output = nullptr) {
  std::string out;
  int status = qbm::test::runCommand(qbm::test::cliCommand() + " " + arguments + " 2>&1", &out);
  if (output) *output = out;
  return status;
}

std::string shared(const std::string& relative) { return qbm::test::quoted(qbm::test::sharedDir() / relative); }

TEST(CliFileTools, UsageErrorsExitWithTwo) {
  EXPECT_EQ(2, runTool(""));
  EXPECT_EQ(2, runTool("frobnicate"));
  EXPECT_EQ(2, runTool("dump"));
  EXPECT_EQ(2, runTool("dump x.mdb --xml"));
  EXPECT_EQ(2, runTool("check"));
  EXPECT_EQ(2, runTool("check a.mdb b.mdb"));
}

// --version and --help answer on stdout with success; only the first argument is taken as such.
TEST(CliFileTools, VersionAndHelpGoToStandardOutput) {
  std::string out;
  ASSERT_EQ(0, qbm::test::runCommand(qbm::test::cliCommand() + " --version 2>" + qbm::test::nullDevice(), &out));
  EXPECT_EQ("qbmerge-cli " QBM_PROJECT_VERSION "\n", out);
  ASSERT_EQ(0, qbm::test::runCommand(qbm::test::cliCommand() + " --help 2>" + qbm::test::nullDevice(), &out));
  EXPECT_NE(std::string::npos, out.find("qbmerge-cli merge NEW.mdb OLD.mdb")) << out;
  EXPECT_EQ(2, runTool("list --version"));
}

TEST(CliFileTools, DumpWritesHeaderAndRowsPerTable) {
  QBM_REQUIRE_SHARED();
  std::string out;
  ASSERT_EQ(0, runTool("dump " + shared("interop/testV2000.mdb") + " Table1", &out));
  EXPECT_EQ("A,B,C,D,E,F,G,H,I\n"
            "\"abcdefg\",\"hijklmnop\",2,222,333333333,444.555,\"1974-09-21 00:00:00\",3.5000,1\n"
            "\"a\",\"b\",0,0,0,0,\"1981-12-12 00:00:00\",0.0000,0\n",
            out);
  ASSERT_EQ(0, runTool("dump " + shared("interop/testV2000.mdb") + " table3 table1", &out));
  EXPECT_NE(std::string::npos, out.find("\n\nA,B,C")) << "tables are separated by an empty line";
}

TEST(CliFileTools, JsonDumpOfChosenTables) {
  QBM_REQUIRE_SHARED();
  std::string out;
  ASSERT_EQ(0, runTool("dump " + shared("interop/testV1997.mdb") + " Table3 --json", &out));
  qbm::test::Json doc = qbm::test::Json::parse(out);
  ASSERT_EQ(1u, doc["tables"].size());
  EXPECT_EQ("Table3", doc["tables"][0]["name"].text);
  EXPECT_TRUE(doc["tables"][0]["columns"][0]["autonumber"].boolean);
}

TEST(CliFileTools, DumpOfAMissingTableOrFileFailsWithAMessage) {
  QBM_REQUIRE_SHARED();
  std::string out;
  EXPECT_EQ(1, runTool("dump " + shared("interop/testV2000.mdb") + " NoSuchTable", &out));
  EXPECT_NE(std::string::npos, out.find("no table \"NoSuchTable\"")) << out;
  EXPECT_EQ(1, runTool("dump /nonexistent/file.mdb", &out));
  EXPECT_NE(std::string::npos, out.find("/nonexistent/file.mdb")) << out;
}

TEST(CliFileTools, CheckExitsWithOneWhenAnythingIsWrong) {
  QBM_REQUIRE_SHARED();
  std::string out;
  EXPECT_EQ(0, runTool("check " + shared("fixtures/qbaudio.mdb"), &out));
  EXPECT_NE(std::string::npos, out.find("no problems found")) << out;

  qbm::test::ScratchDir dir;
  fs::path copy = qbm::test::copyShared("interop/testV2000.mdb", dir.path());
  fs::resize_file(copy, fs::file_size(copy) + 10);
  EXPECT_EQ(1, runTool("check " + qbm::test::quoted(copy), &out));
  EXPECT_NE(std::string::npos, out.find("1 problem found")) << out;
}

TEST(CliFileTools, AnotherProgramCannotOpenAFileHeldOpen) {
  QBM_REQUIRE_SHARED();
  qbm::test::ScratchDir dir;
  fs::path copy = qbm::test::copyShared("interop/testV2000.mdb", dir.path());
  std::string out;
  {
    jet::Database held = jet::Database::open(copy);
    EXPECT_EQ(1, runTool("check " + qbm::test::quoted(copy), &out));
    EXPECT_NE(std::string::npos, out.find("locked")) << out;
  }
  EXPECT_EQ(0, runTool("check " + qbm::test::quoted(copy), &out)) << out;
}

}  // namespace
