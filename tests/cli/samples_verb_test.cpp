// qbmerge-cli samples: exit statuses and messages, and sample databases whose lists are what the
// generator meant: the legacy "Show Changed Drivers" list holds exactly the rows meant to need
// merging (so each matching rule is exercised the way its row intends), "Show ALL Drivers" every
// usable row, and the previous-format list exactly the drivers users entered.

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

#include "jet/database.h"
#include "samples/legacy_database_plan.h"
#include "samples/new_database_plan.h"
#include "samples/previous_database_plan.h"
#include "samples/sample_databases.h"
#include "tests/support/test_support.h"

namespace qbm {
namespace {

namespace fs = std::filesystem;
using namespace samples;

int runSamplesVerb(const std::string& arguments, std::string* out = nullptr) {
  std::string text;
  const int status = test::runCommand(qbm::test::cliCommand() + " " + arguments + " 2>&1", &text);
  if (out) *out = text;
  return status;
}

using qbm::test::quoted;

// The item data and marker of every entry of a printed list ("12(ob)"), and its last line.
struct PrintedList {
  std::set<std::string> entries;
  std::string lastLine;
};

PrintedList parseList(const std::string& text) {
  PrintedList list;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    list.lastLine = line;
    const std::size_t tab = line.find('\t');
    if (tab != std::string::npos && line.size() > 4)
      list.entries.insert(line.substr(0, tab) + line.substr(line.size() - 4));
  }
  return list;
}

std::string describe(const LegacyRowPlan& row) {
  return "rule " + std::to_string(static_cast<int>(row.rule)) + " [" + row.manufacturer.value_or("(Null)") + "] " +
         row.model.value_or("(Null)");
}

TEST(CliSamples, UsageErrorsAndRefusals) {
  test::ScratchDir dir;
  std::string out;
  EXPECT_EQ(runSamplesVerb("samples", &out), 2);
  EXPECT_NE(out.find("name the folder"), std::string::npos) << out;
  EXPECT_EQ(runSamplesVerb("samples " + quoted(dir / "a") + " --drivers", &out), 2);
  EXPECT_EQ(runSamplesVerb("samples " + quoted(dir / "a") + " --drivers ten", &out), 2);
  EXPECT_NE(out.find("--drivers takes a whole number"), std::string::npos) << out;
  EXPECT_EQ(runSamplesVerb("samples " + quoted(dir / "a") + " --drivers -3"), 2);
  EXPECT_EQ(runSamplesVerb("samples " + quoted(dir / "a") + " --drivers 500001"), 2);
  EXPECT_EQ(runSamplesVerb("samples " + quoted(dir / "a") + " --seed 1x"), 2);
  EXPECT_EQ(runSamplesVerb("samples " + quoted(dir / "a") + " " + quoted(dir / "b")), 2);
  EXPECT_EQ(runSamplesVerb("samples " + quoted(dir / "a") + " --size 3"), 2);
  EXPECT_EQ(runSamplesVerb("samples " + quoted(dir / "a") + " --format jet5", &out), 2);
  EXPECT_NE(out.find("--format takes jet3 (Access 97) or jet4 (Access 2000), not \"jet5\""), std::string::npos) << out;
  EXPECT_EQ(runSamplesVerb("samples " + quoted(dir / "a") + " --format"), 2);
  EXPECT_FALSE(fs::exists(dir / "a"));

  ASSERT_EQ(runSamplesVerb("samples " + quoted(dir / "a") + " --drivers 3 --seed 9", &out), 0) << out;
  EXPECT_NE(out.find("qbaudio.mdb: companies"), std::string::npos) << out;
  EXPECT_EQ(runSamplesVerb("samples " + quoted(dir / "a") + " --drivers 3", &out), 1);
  EXPECT_NE(out.find((dir / "a" / "qbaudio.mdb").string() + " exists already"), std::string::npos) << out;

  // Access 2000 files unless Access 97 ones are asked for.
  ASSERT_EQ(runSamplesVerb("samples " + quoted(dir / "b") + " --drivers 3 --format jet3", &out), 0) << out;
  EXPECT_NE(out.find("Access 97 (Jet 3)"), std::string::npos) << out;
  for (std::string_view name : {NewSampleFile, PreviousSampleFile, LegacySampleFile})
    for (const auto& [folder, format] : {std::pair{"a", jet::Format::Jet4}, std::pair{"b", jet::Format::Jet3}})
      EXPECT_EQ(jet::Database::open(dir / folder / name, {.exclusive = false, .readOnly = true}).format(), format)
          << folder << "/" << name;
}

// The bytes the program writes, pinned: the sample databases of a fixed seed in both formats, and the
// new one after the previous-format database and then the legacy one are merged into it. Any change
// to the engine's layout, the generator or the merge that moves a byte shows here; a deliberate
// format change records the new digests (sha256sum of the files the commands below write).
TEST(CliSamples, WrittenFilesAreByteForByteTheRecordedOnes) {
  if (!test::haveProgram("sha256sum")) GTEST_SKIP() << "sha256sum is not on PATH";
  test::ScratchDir dir;
  const auto digest = [&](const std::string& file) {
    std::string out;
    EXPECT_EQ(test::runCommand("sha256sum " + quoted(dir / file), &out), 0) << out;
    return out.substr(0, out.find(' '));
  };
  std::string out;
  ASSERT_EQ(runSamplesVerb("samples " + quoted(dir / "jet4") + " --drivers 2000 --seed 1", &out), 0) << out;
  ASSERT_EQ(runSamplesVerb("samples " + quoted(dir / "jet3") + " --drivers 2000 --seed 1 --format jet3", &out), 0) << out;
  const std::vector<std::pair<std::string, std::string>> written = {
      {"jet4/qbaudio.mdb", "7ac37927694a068f55dd75bce45f330238151468a10b54983353edffb3522953"},
      {"jet4/xqbaudio.mdb", "87aa197cfb4f298acba4491ca26779217f64f8d3e93b101970fbbc8cf7e81d64"},
      {"jet4/spkrbase.mdb", "680750d688fde78c8e7433a64139b18aac3e8e285e35f2706bfc27a0da7db155"},
      {"jet3/qbaudio.mdb", "fb6abf1de70a5c165d7173c469273beb109eb17e7268b022890b086bbe49cb71"},
      {"jet3/xqbaudio.mdb", "dbefb67bfbf8526da0d087b9b138c793098f0a98cad48a76ba8159bd95f26ca7"},
      {"jet3/spkrbase.mdb", "d9dd2e90b5a7acf66503dfe6b9ad5c0c5486879b361ef3a92c715b016401f25a"}};
  for (const auto& [file, sha] : written) EXPECT_EQ(digest(file), sha) << file;

  const auto merge = [&](const char* old) {
    return runSamplesVerb("merge " + quoted(dir / "jet4/qbaudio.mdb") + " " + quoted(dir / "jet4" / old) +
               " --all --overwrite yes <" + test::nullDevice(), &out);
  };
  ASSERT_EQ(merge("xqbaudio.mdb"), 0) << out;
  EXPECT_EQ(digest("jet4/qbaudio.mdb"), "89da87627e28ce85a5fc28ac1d7f5a38498ab60aa6fc16ef40c064c85329825a");
  ASSERT_EQ(merge("spkrbase.mdb"), 0) << out;
  EXPECT_EQ(digest("jet4/qbaudio.mdb"), "6e17412f291b6c3dc16328dc8c2c174bac2bc7567ffc01a2557f92d40c3e227d");
}

class CliSampleLists : public ::testing::Test {
 protected:
  static constexpr int kDrivers = 600;
  static constexpr std::uint64_t kSeed = 2;
  void SetUp() override {
    std::string out;
    ASSERT_EQ(runSamplesVerb("samples " + quoted(dir.path()) + " --drivers " + std::to_string(kDrivers) + " --seed " +
                      std::to_string(kSeed),
                  &out),
              0)
        << out;
  }
  PrintedList list(const std::string& files) {
    std::string out;
    EXPECT_EQ(runSamplesVerb("list " + files, &out), 0) << out;
    return parseList(out);
  }
  fs::path file(std::string_view name) const { return dir.path() / name; }
  test::ScratchDir dir;
  const NewDatabasePlan plan = planNewDatabase(kSeed, kDrivers);
};

TEST_F(CliSampleLists, NewListHoldsEveryDriver) {
  EXPECT_EQ(list(quoted(file(NewSampleFile))).lastLine, "Driver count = " + std::to_string(kDrivers));
}

TEST_F(CliSampleLists, LegacyListsHoldTheRowsTheirRulesMean) {
  const std::vector<LegacyRowPlan> rows = planLegacyDatabase(plan);
  std::map<std::string, const LegacyRowPlan*> changed, all;
  std::int32_t counter = 0;
  for (const LegacyRowPlan& row : rows) {
    const std::int32_t index = row.index ? *row.index : ++counter;
    const std::string entry = std::to_string(index) + "(ob)";
    if (row.listedAsChanged) changed[entry] = &row;
    if (row.listedAtAll) all[entry] = &row;
  }
  const std::string files = quoted(file(NewSampleFile)) + " " + quoted(file(LegacySampleFile));
  const PrintedList listedChanged = list(files);
  for (const auto& [entry, row] : changed)
    EXPECT_TRUE(listedChanged.entries.count(entry)) << "not listed: " << entry << " " << describe(*row);
  for (const std::string& entry : listedChanged.entries)
    if (!changed.count(entry)) {
      const auto at = all.find(entry);
      ADD_FAILURE() << "listed: " << entry << " " << (at == all.end() ? "" : describe(*at->second));
    }
  EXPECT_EQ(listedChanged.lastLine, "Driver count = " + std::to_string(changed.size()));

  const PrintedList listedAll = list(files + " --all");
  std::set<std::string> expectedAll;
  for (const auto& [entry, row] : all) expectedAll.insert(entry);
  EXPECT_EQ(listedAll.entries, expectedAll);
}

TEST_F(CliSampleLists, PreviousFormatListHoldsTheUsersDrivers) {
  const PreviousDatabasePlan old = planPreviousDatabase(plan);
  std::set<std::string> entered, every;
  for (const OldUnit& u : old.units)
    for (Section s : sectionsOf(u.unit)) {
      const bool tweeter = isTweeterRow(s, u.unit);
      const std::int32_t id = s == Section::Mid ? u.unit.midId : tweeter ? u.unit.tweeterId : u.unit.wooferId;
      const std::string entry = std::to_string(id) + (tweeter ? "(sb)" : "(ob)");
      every.insert(entry);
      if (u.entry != OldEntry::Older) entered.insert(entry);
    }
  const std::string files = quoted(file(NewSampleFile)) + " " + quoted(file(PreviousSampleFile));
  EXPECT_EQ(list(files).entries, entered);
  EXPECT_EQ(list(files + " --all").entries, every);
}

}  // namespace
}  // namespace qbm
