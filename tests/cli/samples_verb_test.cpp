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
const std::string kCli = std::string(QBM_BINARY_DIR) + "/cli/qbmerge-cli";

int run(const std::string& arguments, std::string* out = nullptr) {
  std::string text;
  const int status = test::runCommand(kCli + " " + arguments + " 2>&1", &text);
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
  EXPECT_EQ(run("samples", &out), 2);
  EXPECT_NE(out.find("name the folder"), std::string::npos) << out;
  EXPECT_EQ(run("samples " + quoted(dir / "a") + " --drivers", &out), 2);
  EXPECT_EQ(run("samples " + quoted(dir / "a") + " --drivers ten", &out), 2);
  EXPECT_NE(out.find("--drivers takes a whole number"), std::string::npos) << out;
  EXPECT_EQ(run("samples " + quoted(dir / "a") + " --drivers -3"), 2);
  EXPECT_EQ(run("samples " + quoted(dir / "a") + " --drivers 500001"), 2);
  EXPECT_EQ(run("samples " + quoted(dir / "a") + " --seed 1x"), 2);
  EXPECT_EQ(run("samples " + quoted(dir / "a") + " " + quoted(dir / "b")), 2);
  EXPECT_EQ(run("samples " + quoted(dir / "a") + " --size 3"), 2);
  EXPECT_EQ(run("samples " + quoted(dir / "a") + " --format jet5", &out), 2);
  EXPECT_NE(out.find("--format takes jet3 (Access 97) or jet4 (Access 2000), not \"jet5\""), std::string::npos) << out;
  EXPECT_EQ(run("samples " + quoted(dir / "a") + " --format"), 2);
  EXPECT_FALSE(fs::exists(dir / "a"));

  ASSERT_EQ(run("samples " + quoted(dir / "a") + " --drivers 3 --seed 9", &out), 0) << out;
  EXPECT_NE(out.find("qbaudio.mdb: companies"), std::string::npos) << out;
  EXPECT_EQ(run("samples " + quoted(dir / "a") + " --drivers 3", &out), 1);
  EXPECT_NE(out.find((dir / "a" / "qbaudio.mdb").string() + " exists already"), std::string::npos) << out;

  // Access 2000 files unless Access 97 ones are asked for.
  ASSERT_EQ(run("samples " + quoted(dir / "b") + " --drivers 3 --format jet3", &out), 0) << out;
  EXPECT_NE(out.find("Access 97 (Jet 3)"), std::string::npos) << out;
  for (std::string_view name : {NewSampleFile, PreviousSampleFile, LegacySampleFile})
    for (const auto& [folder, format] : {std::pair{"a", jet::Format::Jet4}, std::pair{"b", jet::Format::Jet3}})
      EXPECT_EQ(jet::Database::open(dir / folder / name, {.exclusive = false, .readOnly = true}).format(), format)
          << folder << "/" << name;
}

class CliSampleLists : public ::testing::Test {
 protected:
  static constexpr int kDrivers = 600;
  static constexpr std::uint64_t kSeed = 2;
  void SetUp() override {
    std::string out;
    ASSERT_EQ(run("samples " + quoted(dir.path()) + " --drivers " + std::to_string(kDrivers) + " --seed " +
                      std::to_string(kSeed),
                  &out),
              0)
        << out;
  }
  PrintedList list(const std::string& files) {
    std::string out;
    EXPECT_EQ(run("list " + files, &out), 0) << out;
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
