// qbmerge-cli list and show: the same lists and reports the window's session gives, exit statuses,
// and messages that name the file.

#include <gtest/gtest.h>

#include "db/list_entry.h"
#include "session/session.h"
#include "tests/support/json.h"
#include "tests/support/fake_user_interface.h"
#include "tests/support/test_support.h"

namespace qbm {
namespace {

namespace fs = std::filesystem;

int runListOrShow(const std::string& arguments, std::string* out = nullptr, bool withErrors = false) {
  std::string text;
  const int status =
      test::runCommand(qbm::test::cliCommand() + " " + arguments + (withErrors ? " 2>&1" : std::string(" 2>") + test::nullDevice()), &text);
  if (out) *out = text;
  return status;
}

using qbm::test::quoted;

// The window's session on the same files, for what the command must print.
class CliListShow : public ::testing::Test {
 protected:
  void SetUp() override {
    QBM_REQUIRE_SHARED();
    for (const char* f : {"qbaudio.mdb", "xqbaudio.mdb", "spkrbase.mdb"})
      test::copyShared(std::string("fixtures/") + f, dir.path());
  }

  static std::string listing(const DriverList& list) {
    std::string out;
    for (const auto& e : list.entries()) out += std::to_string(e.itemData) + "\t" + e.text + "\n";
    return out + list.tooltip + "\n";
  }

  static std::string printed(const ReportBox& box) {
    std::string text = box.plainText(), out;
    for (std::size_t i = 0; i < text.size(); ++i)
      if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
    return out.ends_with("\n") ? out : out + "\n";
  }

  // Opens the new database (and the old one in the given mode) in a session of its own.
  void openInSession(Session& session, test::FakeUserInterface& ui, const std::string& old,
                     int option) {
    ui.files.push_back((dir / "qbaudio.mdb").string());
    session.ToOpen_Click();
    if (old.empty()) return;
    session.state().FromOpt = option;
    ui.files.push_back((dir / old).string());
    session.FromOpen_Click();
  }

  std::string expectedList(const std::string& old, int option) {
    test::FakeUserInterface ui;
    Session session(ui);
    openInSession(session, ui, old, option);
    return listing(old.empty() ? session.state().ToList : session.state().FromList);
  }

  test::ScratchDir dir;
};

TEST_F(CliListShow, ListPrintsTheListsAsTheWindowHoldsThem) {
  std::string out;
  ASSERT_EQ(0, runListOrShow("list " + quoted(dir / "qbaudio.mdb"), &out));
  EXPECT_EQ(out, expectedList("", 0));
  EXPECT_TRUE(out.ends_with("\nDriver count = 300\n"));
  for (const std::string& old : {std::string("spkrbase.mdb"), std::string("xqbaudio.mdb")}) {
    ASSERT_EQ(0, runListOrShow("list " + quoted(dir / "qbaudio.mdb") + " " + quoted(dir / old), &out));
    EXPECT_EQ(out, expectedList(old, 0)) << old;
    std::string all;
    ASSERT_EQ(0, runListOrShow("list " + quoted(dir / "qbaudio.mdb") + " " + quoted(dir / old) + " --all", &all));
    EXPECT_EQ(all, expectedList(old, 1)) << old;
    EXPECT_GT(all.size(), out.size()) << old;
  }
}

// show prints the report as the window shows it; with --json its lines, bold where the session's
// report box set them bold.
TEST_F(CliListShow, ShowPrintsTheReportOfOneDriver) {
  // What the window shows for the first new entry, and in English units for the last old one.
  std::string newArgs, newReport, oldArgs, oldReport;
  ReportBox newBox;
  {
    test::FakeUserInterface ui;
    Session session(ui);
    openInSession(session, ui, "spkrbase.mdb", 1);
    DriverList& newList = session.state().ToList;
    newList.clickOnly(0);
    session.ToList_Click();
    const DriverList::Entry& entry = newList.entry(0);
    newArgs = std::to_string(entry.itemData) +
              (MarkerOfEntry(entry.text) == EntryMarker::Tweeter ? "sb" : "ob");
    newReport = printed(session.state().ToRText);
    newBox = session.state().ToRText;

    DriverList& oldList = session.state().FromList;
    oldList.clickOnly(oldList.count() - 1);
    session.UnitsOpt_Click(EnglishUnitsOption);
    session.FromList_Click();
    oldArgs = quoted(std::to_string(oldList.entry(oldList.count() - 1).itemData) + "(ob)");
    oldReport = printed(session.state().FromRText);
  }  // the session lets go of the files

  std::string out;
  ASSERT_EQ(0, runListOrShow("show " + quoted(dir / "qbaudio.mdb") + " --new " + newArgs, &out));
  EXPECT_EQ(out, newReport);
  ASSERT_EQ(0, runListOrShow("show " + quoted(dir / "qbaudio.mdb") + " " + quoted(dir / "spkrbase.mdb") +
                       " --old " + oldArgs + " --english",
                   &out));
  EXPECT_EQ(out, oldReport);
  EXPECT_NE(out.find(" cu.ft\n"), std::string::npos);
  EXPECT_TRUE(out.ends_with("\n"));

  ASSERT_EQ(0, runListOrShow("show " + quoted(dir / "qbaudio.mdb") + " --new " + newArgs + " --json", &out));
  const test::Json json = test::Json::parse(out);
  const test::Json& lines = json["lines"];
  std::string joined;
  int bold = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& text = lines[i]["text"].text;
    const bool isBold = lines[i]["bold"].boolean;
    joined += text + "\r\n";
    bold += isBold;
    if (text.empty()) continue;
    bool found = false;  // in a run of the same weight
    for (const ReportRun& run : newBox.runs()) found = found || (run.bold == isBold && run.text.find(text) != std::string::npos);
    EXPECT_TRUE(found) << i << ": " << text;
  }
  const std::string plain = newBox.plainText();
  EXPECT_EQ(joined.substr(0, plain.size()), plain);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_TRUE(lines[0]["bold"].boolean && lines[0]["text"].text.starts_with("Model: ")) << out;
  EXPECT_TRUE(lines[1]["bold"].boolean && lines[1]["text"].text.starts_with("Company: ")) << out;
  EXPECT_LT(bold, static_cast<int>(lines.size()) / 2) << "most lines are not bold";
}

// list --json: every entry of the session's list, in order, taken apart into id, side, company
// and model that build its text again.
TEST_F(CliListShow, ListJsonGivesTheEntriesOfTheSessionsList) {
  for (const auto& [old, option] : {std::pair{std::string(), 0}, std::pair{std::string("xqbaudio.mdb"), 1},
                                    std::pair{std::string("spkrbase.mdb"), 1}}) {
    SCOPED_TRACE(old);
    std::string out;
    ASSERT_EQ(0, runListOrShow("list " + quoted(dir / "qbaudio.mdb") + (old.empty() ? "" : " " + quoted(dir / old) + " --all") +
                         " --json",
                     &out));
    const test::Json json = test::Json::parse(out);
    test::FakeUserInterface ui;  // the command has let go of the files
    Session session(ui);
    openInSession(session, ui, old, option);
    const DriverList& list = old.empty() ? session.state().ToList : session.state().FromList;
    EXPECT_EQ(json["tooltip"].text, list.tooltip);
    const test::Json& entries = json["entries"];
    ASSERT_EQ(entries.size(), list.count());
    int tweeters = 0;
    for (std::size_t i = 0; i < list.count(); ++i) {
      const test::Json& e = entries[i];
      const DriverList::Entry& expected = list.entry(i);
      EXPECT_EQ(std::stol(e["id"].text), expected.itemData) << i;
      const bool tweeter = MarkerOfEntry(expected.text) == EntryMarker::Tweeter;
      tweeters += tweeter;
      EXPECT_EQ(e["side"].text, tweeter ? "sb" : "ob") << i;
      EXPECT_EQ(e["text"].text, expected.text) << i;
      EXPECT_EQ(ListEntryText(e["company"].text, e["model"].text, tweeter ? DriverTable::Tweeters : DriverTable::Woofers),
                expected.text)
          << i;
    }
    if (old != "spkrbase.mdb") {
      EXPECT_GT(tweeters, 0) << "both sides are tried";
    }
  }
}

TEST_F(CliListShow, FailuresNameTheFileAndExitWithOne) {
  const std::string fresh = quoted(dir / "qbaudio.mdb");
  std::string out;
  EXPECT_EQ(1, runListOrShow("list " + quoted(dir / "missing.mdb"), &out, true));
  EXPECT_NE(out.find("missing.mdb: no such file"), std::string::npos) << out;

  fs::copy_file(dir / "spkrbase.mdb", dir / "renamed.mdb");
  EXPECT_EQ(1, runListOrShow("list " + fresh + " " + quoted(dir / "renamed.mdb"), &out, true));
  EXPECT_NE(out.find("renamed.mdb: Sorry, the selected database file is not a Tundrel Pro or "
                     "Partiva Pro driver database."),
            std::string::npos)
      << out;

  // The same file on both sides: the new side holds it exclusively.
  EXPECT_EQ(1, runListOrShow("list " + fresh + " " + fresh, &out, true));
  EXPECT_NE(out.find("Sorry, the selected database file cannot be opened."), std::string::npos);

  EXPECT_EQ(1, runListOrShow("show " + fresh + " --new 99999ob", &out, true));
  EXPECT_NE(out.find("qbaudio.mdb: no driver 99999ob is listed"), std::string::npos) << out;
}

// Paths as people type them: folder names in any script (Windows hands them over as UTF-16), and
// forward slashes, which Windows takes as well, before the legacy database's name.
TEST_F(CliListShow, NonAsciiNamesAndForwardSlashesOpenTheSameFiles) {
  const fs::path folder = dir.path() / jet::pathFromUtf8("M\xc3\xbcller \xce\xa9 \xe5\xa3\xb0");
  fs::create_directory(folder);
  for (const char* f : {"qbaudio.mdb", "spkrbase.mdb"}) fs::copy_file(dir / f, folder / f);
  const auto slashed = [](const fs::path& path) {
    const std::u8string text = path.generic_u8string();
    return quoted(std::string(text.begin(), text.end()));
  };
  std::string expected, out;
  ASSERT_EQ(0, runListOrShow("list " + quoted(dir / "qbaudio.mdb") + " " + quoted(dir / "spkrbase.mdb") + " --all", &expected, true))
      << expected;
  EXPECT_EQ(0, runListOrShow("list " + quoted(folder / "qbaudio.mdb") + " " + quoted(folder / "spkrbase.mdb") + " --all", &out, true));
  EXPECT_EQ(expected, out);
  EXPECT_EQ(0, runListOrShow("list " + slashed(folder / "qbaudio.mdb") + " " + slashed(folder / "spkrbase.mdb") + " --all", &out, true));
  EXPECT_EQ(expected, out);
  EXPECT_EQ(0, runListOrShow("merge " + quoted(folder / "qbaudio.mdb") + " " + slashed(folder / "spkrbase.mdb") + " --all --overwrite yes",
                   &out, true))
      << out;
  EXPECT_EQ(0, runListOrShow("check " + quoted(folder / "qbaudio.mdb"), &out, true)) << out;
  EXPECT_NE(test::fileBytes(dir / "qbaudio.mdb"), test::fileBytes(folder / "qbaudio.mdb")) << "the merge wrote it";
}

TEST_F(CliListShow, UsageErrorsExitWithTwo) {
  const std::string fresh = quoted(dir / "qbaudio.mdb");
  for (const std::string& args : std::vector<std::string>{
           "list", "list a.mdb b.mdb c.mdb", "list " + fresh + " --all", "list " + fresh + " --old",
        "show " + fresh, "show " + fresh + " --new", "show " + fresh + " --new 12xb",
        "show " + fresh + " --new ob", "show " + fresh + " --old 1ob",
           "show " + fresh + " " + fresh + " --new 1ob", "show " + fresh + " --new 1ob --old 1ob"})
    EXPECT_EQ(2, runListOrShow(args)) << args;
}

}  // namespace
}  // namespace qbm
