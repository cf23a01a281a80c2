// qbmerge-cli merge: the omitted drivers, the merge as the window's session does it and its
// summary, with --list also the old list before and the new list after; the overwrite question answered by --overwrite or refused without
// a terminal (nothing written); dry runs; usage errors; merged files that pass the integrity check
// and read back in mdb-export.

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

#include <unistd.h>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#endif

#include "merge/apply_merge_plan.h"
#include "merge/merge_summary.h"
#include "merge/new_database_scan.h"
#include "olddb/old_database_scan.h"
#include "session/session.h"
#include "tests/support/fake_user_interface.h"
#include "tests/support/json.h"
#include "tests/support/test_support.h"

namespace qbm {
namespace {

namespace fs = std::filesystem;

// Runs the command with no terminal to ask on; stdout into out, stderr into err.
int runMergeVerb(const std::string& arguments, std::string* out = nullptr, std::string* err = nullptr) {
  static int n = 0;
  static const unsigned kRun = std::random_device{}();  // apart from other runs of the tests
  const fs::path errFile = fs::temp_directory_path() / ("qbm-cli-merge-err-" + std::to_string(kRun) + "-" + std::to_string(++n));
  std::string text;
  const int status = test::runCommand(qbm::test::cliCommand() + " " + arguments + " <" + test::nullDevice() + " 2>" + test::quoted(errFile), &text);
  if (out) *out = text;
  if (err) *err = test::textOf(errFile);
  fs::remove(errFile);
  return status;
}

using qbm::test::quoted;

std::string fileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string listing(const DriverList& list) {
  std::string out;
  for (const auto& e : list.entries()) out += std::to_string(e.itemData) + "\t" + e.text + "\n";
  return out + list.tooltip + "\n";
}

class CliMerge : public ::testing::Test {
 protected:
  void SetUp() override {
    QBM_REQUIRE_SHARED();
    for (const char* f : {"qbaudio.mdb", "xqbaudio.mdb", "spkrbase.mdb"}) {
      test::copyShared(std::string("fixtures/") + f, dir.path());
      test::copyShared(std::string("fixtures/") + f, reference.path());
    }
  }

  // What the command must print, from the window's session on copies of the same files: the
  // summary of the merge run after the omitted entries are struck; with lists, the old list before
  // it and the new list after it.
  std::string expected(const std::string& old, int option, const std::vector<std::string>& omit,
                       bool answer, bool dryRun, bool lists = false) {
    test::FakeUserInterface ui;
    Session session(ui);
    ui.files = {(reference / "qbaudio.mdb").string(), (reference / old).string()};
    session.ToOpen_Click();
    session.state().FromOpt = option;
    session.FromOpen_Click();
    std::string out = lists ? listing(session.state().FromList) : "";
    DriverList& list = session.state().FromList;
    for (const std::string& o : omit)
      for (std::size_t i = 0; i < list.count(); ++i)
        if (std::to_string(list.entry(i).itemData) + list.entry(i).text.substr(list.entry(i).text.size() - 4) == o)
          list.setSelected(i, true);
    if (!omit.empty()) session.FromOmit_Click();
    ui.answers.push_back(answer);
    const MergeOutcome outcome = session.MMerge_Click({.dryRun = dryRun, .reportProblems = false});
    out += dryRun ? "Dry run, nothing written; the merge would have done this:\n" : "Merged:\n";
    out += MergeSummaryText(outcome.summary) + "\n";
    if (dryRun) {  // and the plan, one line per entry
      const std::string plan = MergePlanText(outcome.planned);
      out += "The plan:\n";
      for (std::size_t i = 0; i < plan.size(); ++i)
        if (plan.compare(i, 2, "\r\n") != 0) out += plan[i];
    }
    return lists ? out + listing(session.state().ToList) : out;
  }

  std::string files(const std::string& old) const {
    return quoted(dir / "qbaudio.mdb") + " " + quoted(dir / old);
  }

  test::ScratchDir dir, reference;
};

TEST_F(CliMerge, WithoutAnAnswerAndWithoutATerminalNothingIsWritten) {
  const std::string before = fileBytes(dir / "qbaudio.mdb");
  std::string out, err;
  EXPECT_EQ(1, runMergeVerb("merge " + files("xqbaudio.mdb") + " --all", &out, &err));
  EXPECT_NE(err.find("qbaudio.mdb"), std::string::npos) << err;
  EXPECT_NE(err.find("give --overwrite yes or --overwrite no"), std::string::npos) << err;
  EXPECT_NE(err.find("Nothing was written"), std::string::npos) << err;
  EXPECT_EQ(out, "") << "no summary for a merge that was not done";
  EXPECT_TRUE(fileBytes(dir / "qbaudio.mdb") == before);
}

TEST_F(CliMerge, WithListOverwriteYesPrintsTheOldListTheSummaryAndTheNewList) {
  std::string out, err;
  ASSERT_EQ(0, runMergeVerb("merge " + files("xqbaudio.mdb") + " --all --overwrite yes --list", &out, &err)) << err;
  EXPECT_EQ(out, expected("xqbaudio.mdb", ShowAllDriversOption, {}, true, false, true));
  EXPECT_EQ(err, "");
  EXPECT_NE(out.find("\nMerged:\nWoofers: "), std::string::npos);

  std::string check;
  EXPECT_EQ(0, runMergeVerb("check " + quoted(dir / "qbaudio.mdb"), &check)) << check;
  if (!test::haveProgram("mdb-export")) GTEST_SKIP() << "mdb-export (mdbtools) is not installed";
  for (const char* table : {"woofers", "tweeters", "companies", "woofer-response", "tweeter-response"}) {
    std::string ours, theirs;
    ASSERT_EQ(0, runMergeVerb("dump " + quoted(dir / "qbaudio.mdb") + " " + quoted(table), &ours));
    ASSERT_EQ(0, test::runCommand("mdb-export " + quoted(dir / "qbaudio.mdb") + " " + quoted(table), &theirs));
    EXPECT_EQ(std::count(theirs.begin(), theirs.end(), '\n'), std::count(ours.begin(), ours.end(), '\n')) << table;
  }
}

// merge --json --list: the counts of the session's own merge of the same files, its problems, and
// the lists before and after it, and the plan it wrote.
TEST_F(CliMerge, JsonGivesTheSummaryAndTheListsOfTheSessionsMerge) {
  test::FakeUserInterface ui;
  MergeOutcome outcome;
  std::vector<std::int32_t> oldIds, newIds;
  {
    Session session(ui);
    ui.files = {(reference / "qbaudio.mdb").string(), (reference / "xqbaudio.mdb").string()};
    session.ToOpen_Click();
    session.state().FromOpt = ShowAllDriversOption;
    session.FromOpen_Click();
    for (const auto& e : session.state().FromList.entries()) oldIds.push_back(e.itemData);
    ui.answers.push_back(true);
    outcome = session.MMerge_Click({.dryRun = false, .reportProblems = false});
    for (const auto& e : session.state().ToList.entries()) newIds.push_back(e.itemData);
  }
  std::string out, err;
  ASSERT_EQ(0, runMergeVerb("merge " + files("xqbaudio.mdb") + " --all --overwrite yes --json --list", &out, &err)) << err;
  const test::Json json = test::Json::parse(out);
  const test::Json& summary = json["summary"];
  EXPECT_FALSE(json["dryRun"].boolean);
  const auto number = [](const test::Json& j) { return std::stol(j.text); };
  for (const auto& [side, counts] : {std::pair{"woofers", outcome.summary.woofers}, std::pair{"tweeters", outcome.summary.tweeters}}) {
    EXPECT_EQ(number(summary[side]["added"]), counts.added) << side;
    EXPECT_EQ(number(summary[side]["replaced"]), counts.replaced) << side;
    EXPECT_EQ(number(summary[side]["skipped"]), counts.skipped) << side;
  }
  EXPECT_GT(number(summary["woofers"]["added"]) + number(summary["woofers"]["replaced"]), 0);
  // The plan it wrote: one decision per old entry, and the counts it expected are the window's.
  const test::Json& plan = json["plan"];
  EXPECT_EQ(plan["entries"].size(), oldIds.size());
  EXPECT_EQ(plan["entries"].size(), outcome.planned.entries.size());
  for (const char* side : {"woofers", "tweeters"})
    for (const char* count : {"added", "replaced", "skipped"})
      EXPECT_EQ(plan["expected"][side][count].text, summary[side][count].text) << side << " " << count;
  EXPECT_EQ(plan["expected"]["companiesAdded"].text, summary["companiesAdded"].text);
  EXPECT_EQ(number(summary["companiesAdded"]), outcome.summary.companiesAdded);
  EXPECT_EQ(number(summary["readProblems"]), outcome.summary.readProblemCount());
  EXPECT_EQ(json["writeProblems"].size(), outcome.summary.problems.size());
  for (const auto& [name, ids] : {std::pair{"oldList", &oldIds}, std::pair{"newList", &newIds}}) {
    const test::Json& entries = json[name]["entries"];
    ASSERT_EQ(entries.size(), ids->size()) << name;
    for (std::size_t i = 0; i < ids->size(); ++i) EXPECT_EQ(number(entries[i]["id"]), (*ids)[i]) << name << i;
  }
}

TEST_F(CliMerge, OverwriteNoAndOmittedDriversAsTheWindowDoesThem) {
  std::string list;
  ASSERT_EQ(0, runMergeVerb("list " + files("xqbaudio.mdb") + " --all", &list));
  std::istringstream lines(list);
  std::string first, second;
  std::getline(lines, first);
  std::getline(lines, second);
  const auto argumentOf = [](const std::string& line) {
    return line.substr(0, line.find('\t')) + line.substr(line.size() - 4);
  };
  const std::vector<std::string> omit = {argumentOf(first), argumentOf(second)};
  std::string out, err;
  ASSERT_EQ(0, runMergeVerb("merge " + files("xqbaudio.mdb") + " --all --overwrite no --omit " + quoted(omit[0]) +
                       " --omit " + quoted(omit[1]),
                   &out, &err))
      << err;
  EXPECT_EQ(out, expected("xqbaudio.mdb", ShowAllDriversOption, omit, false, false));
  EXPECT_TRUE(out.starts_with("Merged:\n")) << out;
  EXPECT_NE(out.find(" skipped."), std::string::npos);
}

TEST_F(CliMerge, ALegacyMergeWithoutMatchesNeedsNoAnswer) {
  std::string out, err;
  ASSERT_EQ(0, runMergeVerb("merge " + files("spkrbase.mdb"), &out, &err)) << err;
  EXPECT_EQ(out, expected("spkrbase.mdb", ShowChangedDriversOption, {}, false, false));
}

TEST_F(CliMerge, ADryRunPrintsTheSummaryAndLeavesTheFileAsItWas) {
  const std::string before = fileBytes(dir / "qbaudio.mdb");
  std::string out, err;
  ASSERT_EQ(0, runMergeVerb("merge " + files("xqbaudio.mdb") + " --dry-run --overwrite yes", &out, &err)) << err;
  EXPECT_EQ(out, expected("xqbaudio.mdb", ShowChangedDriversOption, {}, true, true));
  EXPECT_NE(out.find("Dry run, nothing written"), std::string::npos);
  EXPECT_NE(out.find("\n1. "), std::string::npos) << "the plan's first entry";
  EXPECT_TRUE(fileBytes(dir / "qbaudio.mdb") == before);
}

TEST_F(CliMerge, AnOmittedDriverThatIsNotListedStopsBeforeMerging) {
  const std::string before = fileBytes(dir / "qbaudio.mdb");
  std::string out, err;
  EXPECT_EQ(1, runMergeVerb("merge " + files("xqbaudio.mdb") + " --omit 99999ob --overwrite yes", &out, &err));
  EXPECT_NE(err.find("the old list has no driver 99999ob to omit"), std::string::npos) << err;
  EXPECT_TRUE(fileBytes(dir / "qbaudio.mdb") == before);
}

TEST_F(CliMerge, UsageErrorsExitWithTwo) {
  const std::string both = files("xqbaudio.mdb");
  for (const std::string& args : std::vector<std::string>{
           "merge", "merge " + quoted(dir / "qbaudio.mdb"), "merge " + both + " extra.mdb",
           "merge " + both + " --omit", "merge " + both + " --omit 12xb", "merge " + both + " --overwrite",
           "merge " + both + " --overwrite maybe", "merge " + both + " --force"})
    EXPECT_EQ(2, runMergeVerb(args)) << args;
}

// Writes sample databases with the options, merges each old one into the new one, and merges it
// again in either list mode and with either answer: the second time adds no driver and no company.
void mergeSamplesTwice(const std::string& options) {
  test::ScratchDir dir;
  std::string out, err;
  ASSERT_EQ(0, runMergeVerb("samples " + quoted(dir.path()) + " " + options, &out, &err)) << err;
  for (const char* old : {"spkrbase.mdb", "xqbaudio.mdb"}) {
    const std::string files = quoted(dir / "qbaudio.mdb") + " " + quoted(dir / old);
    ASSERT_EQ(0, runMergeVerb("merge " + files + " --all --overwrite yes", &out, &err)) << err;
    EXPECT_NE(out.find("Write problems: 0."), std::string::npos) << out;
    EXPECT_EQ(0, runMergeVerb("check " + quoted(dir / "qbaudio.mdb"), &out)) << out;
    for (const char* again : {" --all --overwrite yes", " --overwrite no"}) {
      ASSERT_EQ(0, runMergeVerb("merge " + files + again, &out, &err)) << err;
      for (const char* line : {"Woofers: 0 added,", "Tweeters: 0 added,", "Companies: 0 added."})
        EXPECT_NE(out.find(line), std::string::npos) << options << " " << old << again << ": " << out;
    }
  }
}

TEST(CliMergeSamples, GeneratedDatabasesMergeIntoAFileThatChecksCleanAndOnlyOnce) {
  mergeSamplesTwice("--drivers 400 --seed 5");
}

// A new database with 1,200 companies: the drivers of those past 900 find their company and their
// row again instead of copying the company on every merge.
TEST(CliMergeSamples, CompaniesPastNineHundredAreFoundSoASecondMergeAddsNothing) {
  mergeSamplesTwice("--drivers 1500 --seed 6 --companies 1200");
}

#ifndef _WIN32
// Terminal output with its carriage returns and escapes shown.
std::string visible(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '\r' ? std::string("\\r") : c == '\x1b' ? std::string("\\e") : std::string(1, c);
  return out;
}

// Runs the command with stderr on a pseudo-terminal (stdin and stdout on /dev/null): what the
// terminal got, and how long the command took in milliseconds.
int runOnTerminal(const std::vector<std::string>& arguments, std::string& terminal, long& milliseconds) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return -1;
  const std::string name = ptsname(master);
  const winsize wide{.ws_row = 24, .ws_col = 500, .ws_xpixel = 0, .ws_ypixel = 0};  // no caption is cut
  ioctl(master, TIOCSWINSZ, &wide);
  const auto started = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    setsid();
    const int slave = ::open(name.c_str(), O_RDWR);
    const int null = ::open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    dup2(slave, 2);
    const std::string cli = test::cliProgram().string();
    std::vector<char*> argv{const_cast<char*>(cli.c_str())};
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(cli.c_str(), argv.data());
    _exit(127);
  }
  char buffer[4096];
  for (ssize_t n; (n = read(master, buffer, sizeof buffer)) > 0;) terminal.append(buffer, static_cast<std::size_t>(n));
  int status = 0;
  waitpid(child, &status, 0);
  milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count();
  close(master);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
#endif

// Long work shows its caption and count on one line of a terminal's stderr, repainted no more
// than 20 times a second, and clears it; on a file or a pipe nothing of the kind is written.
TEST(CliProgress, ShownOnATerminalOnlyAndCleared) {
#ifdef _WIN32
  GTEST_SKIP() << "the test's terminal is a POSIX pseudo-terminal";
#else
  test::ScratchDir dir;
  std::string out, err;
  ASSERT_EQ(0, runMergeVerb("samples " + quoted(dir.path()) + " --drivers 3000 --seed 3", &out, &err)) << err;
  const std::string newDb = (dir / "qbaudio.mdb").string(), oldDb = (dir / "xqbaudio.mdb").string();
  const struct {
    std::vector<std::string> arguments;
    std::vector<std::string> captions;  // shown, in this order
  } commands[] = {
      {{"merge", newDb, oldDb, "--all", "--overwrite", "yes", "--dry-run"},
       {std::string(OpeningNewCaption), std::string(OpeningOldCaption), std::string(CopyingDriversCaption)}},
      {{"check", newDb}, {"Checking table "}},
      {{"dump", newDb, "woofers", "tweeters"}, {"Dumping table woofers", "Dumping table tweeters"}},
      {{"dump", newDb, "--json"}, {"Dumping " + newDb}},
      {{"samples", (dir / "more").string(), "--drivers", "300"}, {"Writing " + (dir / "more" / "qbaudio.mdb").string()}},
  };
  for (const auto& command : commands) {
    std::string arguments;
    for (const std::string& a : command.arguments) arguments += " " + quoted(a);
    SCOPED_TRACE(arguments);
    fs::remove_all(dir / "more");
    std::string terminal;
    long milliseconds = 0;
    ASSERT_EQ(0, runOnTerminal(command.arguments, terminal, milliseconds)) << terminal;
    std::size_t at = 0;
    for (const std::string& caption : command.captions) {
      at = terminal.find("\r" + caption, at);
      EXPECT_NE(at, std::string::npos) << caption << " in " << visible(terminal);
    }
    EXPECT_TRUE(terminal.ends_with("\r\x1b[K")) << "the line is cleared: " << visible(terminal);
    EXPECT_EQ(terminal.find('\n'), std::string::npos) << "all on one line";
    // A paint is "\r" and text, a clearing "\r\x1b[K"; after each clearing the next caption comes
    // at once, otherwise at most one paint per 50 ms.
    long paints = 0, clears = 0;
    for (std::size_t r = terminal.find('\r'); r != std::string::npos; r = terminal.find('\r', r + 1))
      (terminal.compare(r, 4, "\r\x1b[K") == 0 ? clears : paints) += 1;
    EXPECT_GT(paints, 0);
    EXPECT_LE(paints, milliseconds / 50 + clears + 1) << paints << " paints in " << milliseconds << " ms";

    // Stderr on a file, or on a pipe: no progress.
    fs::remove_all(dir / "more");
    EXPECT_EQ(0, runMergeVerb(arguments.substr(1) + " >" + test::nullDevice(), nullptr, &err));
    EXPECT_EQ(err.find_first_of("\r\x1b"), std::string::npos) << visible(err);
    fs::remove_all(dir / "more");
    EXPECT_EQ(0, test::runCommand(qbm::test::cliCommand() + arguments + " 2>&1 >" + test::nullDevice() + " <" + test::nullDevice(), &err));
    EXPECT_EQ(err.find_first_of("\r\x1b"), std::string::npos) << visible(err);
  }
#endif
}

}  // namespace
}  // namespace qbm
