// qbmerge-cli undo: a merge then undo gives the new database's original bytes back, for both old
// formats, both answers to the overwrite question and both new formats, saying (as text and as
// JSON) what the merge had done; a write by another program after the merge makes undo refuse and
// change nothing; usage errors and exit statuses.

#include <gtest/gtest.h>

#include <random>

#include "jet/file/journal.h"
#include "samples/sample_databases.h"
#include "tests/support/json.h"
#include "tests/support/test_support.h"

namespace qbm {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using test::quoted;

// Runs qbmerge-cli with no terminal; stdout into out, stderr into err.
int runUndoCli(const std::string& arguments, std::string* out = nullptr, std::string* err = nullptr) {
  static int n = 0;
  static const unsigned kRun = std::random_device{}();
  const fs::path errFile =
      fs::temp_directory_path() / ("qbm-cli-undo-err-" + std::to_string(kRun) + "-" + std::to_string(++n));
  std::string text;
  const int status = test::runCommand(
      test::cliCommand() + " " + arguments + " <" + test::nullDevice() + " 2>" + quoted(errFile), &text);
  if (out) *out = text;
  if (err) *err = test::textOf(errFile);
  fs::remove(errFile);
  return status;
}

struct UndoCase {
  jet::Format format;
  const char* old;  // the old database of the samples
  bool overwrite;
};

class CliUndo : public ::testing::TestWithParam<UndoCase> {};

TEST_P(CliUndo, MergeThenUndoGivesTheOriginalBytesBack) {
  const UndoCase c = GetParam();
  test::ScratchDir dir;
  samples::writeSampleDatabases(dir.path(), {.drivers = 400, .seed = 3, .format = c.format});
  const fs::path newDb = dir / "qbaudio.mdb";
  const Bytes original = test::fileBytes(newDb);
  std::string out, err;
  ASSERT_EQ(0, runUndoCli("merge " + quoted(newDb) + " " + quoted(dir / c.old) + " --all --overwrite " +
                              (c.overwrite ? "yes" : "no") + " --json",
                          &out, &err))
      << err;
  const test::Json merged = test::Json::parse(out)["summary"];
  ASSERT_GT(fs::file_size(newDb), original.size()) << "the merge should append pages";
  // No more disk than the originals of the pages changed (and the record's own few bytes).
  EXPECT_LT(fs::file_size(jet::undoPathFor(newDb)), original.size());

  ASSERT_EQ(0, runUndoCli("undo " + quoted(newDb) + " --json", &out, &err)) << err;
  EXPECT_TRUE(test::fileBytes(newDb) == original) << "undo must give back the file byte for byte";
  EXPECT_FALSE(fs::exists(jet::undoPathFor(newDb)));
  const test::Json undone = test::Json::parse(out)["undone"];
  for (const char* table : {"woofers", "tweeters"})
    for (const char* count : {"added", "replaced", "skipped"})
      EXPECT_EQ(merged[table][count].text, undone[table][count].text) << table << " " << count;
  EXPECT_EQ(merged["companiesAdded"].text, undone["companiesAdded"].text);
  EXPECT_EQ(16u, undone["when"].text.size()) << undone["when"].text;  // "2026-12-08 14:02"
  // The answer mattered: with No nothing is replaced, with Yes some drivers are.
  if (c.overwrite)
    EXPECT_NE("0", merged["woofers"]["replaced"].text);
  else
    EXPECT_EQ("0", merged["woofers"]["replaced"].text);

  // Nothing is left to undo: exit 1, the file unchanged.
  EXPECT_EQ(1, runUndoCli("undo " + quoted(newDb), &out, &err));
  EXPECT_NE(std::string::npos, err.find("no merge to undo")) << err;
  EXPECT_EQ("", out);
  EXPECT_TRUE(test::fileBytes(newDb) == original);
}

INSTANTIATE_TEST_SUITE_P(
    BothOldFormatsBothAnswers, CliUndo,
    ::testing::Values(UndoCase{jet::Format::Jet4, "xqbaudio.mdb", true}, UndoCase{jet::Format::Jet4, "xqbaudio.mdb", false},
                      UndoCase{jet::Format::Jet4, "spkrbase.mdb", true}, UndoCase{jet::Format::Jet3, "spkrbase.mdb", false},
                      UndoCase{jet::Format::Jet3, "xqbaudio.mdb", true}),
    [](const auto& info) {
      const UndoCase& c = info.param;
      return std::string(c.format == jet::Format::Jet3 ? "Jet3" : "Jet4") +
             (c.old[0] == 'x' ? "PreviousFormat" : "Legacy") + (c.overwrite ? "Yes" : "No");
    });

// Another program's write after the merge (here one byte of the last page, as a design program
// saving a record would): undo refuses with a message saying so, and neither the file nor the
// record changes. The text output says what the merge did.
TEST(CliUndoRefusal, AFileWrittenByAnotherProgramIsRefusedAndLeftAsItIs) {
  test::ScratchDir dir;
  samples::writeSampleDatabases(dir.path(), {.drivers = 200, .seed = 5});
  const fs::path newDb = dir / "qbaudio.mdb";
  const Bytes original = test::fileBytes(newDb);
  std::string out, err;
  ASSERT_EQ(0, runUndoCli("merge " + quoted(newDb) + " " + quoted(dir / "xqbaudio.mdb") + " --overwrite yes", &out, &err))
      << err;
  const Bytes merged = test::fileBytes(newDb);
  Bytes written = merged;
  written[written.size() - 100] ^= 0x5A;
  test::writeFileBytes(newDb, written);
  const Bytes record = test::fileBytes(jet::undoPathFor(newDb));
  EXPECT_EQ(1, runUndoCli("undo " + quoted(newDb), &out, &err));
  EXPECT_NE(std::string::npos, err.find("cannot be undone")) << err;
  EXPECT_NE(std::string::npos, err.find("changed after")) << err;
  EXPECT_NE(std::string::npos, err.find("nothing was changed")) << err;
  EXPECT_EQ("", out);
  EXPECT_TRUE(test::fileBytes(newDb) == written);
  EXPECT_TRUE(test::fileBytes(jet::undoPathFor(newDb)) == record);

  // Put back as the merge left it, undo applies and says what it undid.
  test::writeFileBytes(newDb, merged);
  ASSERT_EQ(0, runUndoCli("undo " + quoted(newDb), &out, &err)) << err;
  EXPECT_NE(std::string::npos, out.find("Undone: the merge of ")) << out;
  EXPECT_NE(std::string::npos, out.find("Woofers: ")) << out;
  EXPECT_TRUE(test::fileBytes(newDb) == original);
}

TEST(CliUndoUsage, UsageErrorsExitTwoAndOtherFilesOne) {
  test::ScratchDir dir;
  std::string out, err;
  EXPECT_EQ(2, runUndoCli("undo", &out, &err));
  EXPECT_EQ(2, runUndoCli("undo a.mdb b.mdb", &out, &err));
  EXPECT_EQ(2, runUndoCli("undo a.mdb --all", &out, &err));
  EXPECT_EQ(1, runUndoCli("undo " + quoted(dir / "missing.mdb"), &out, &err));
  EXPECT_EQ(1, runUndoCli("undo " + quoted(dir.path()), &out, &err));
  EXPECT_NE(std::string::npos, err.find("folder")) << err;
  EXPECT_EQ("", out);
}

}  // namespace
}  // namespace qbm
