// "Merge >" in the Windows window: the overwrite question once, answered Yes or No, its details,
// the progress window's captions, the window after the merge and the merged file on disk.

#include <gtest/gtest.h>

#include <algorithm>

#include "jet/check.h"
#include "jet/database.h"
#include "jet/file/journal.h"
#include "tests/win32/window_fixture.h"

namespace qbm {
namespace {

using controls::ControlId;
using test::WindowTest;

constexpr const char* OverwriteQuestion =
    "One or more drivers are about to be merged which will replace existing\r\n"
    "drivers in the new database. Do you want to allow drivers in the old\r\n"
    "database to write over drivers in the new database?";

class MergeButton : public WindowTest {
 protected:
  void SetUp() override {
    QBM_REQUIRE_SHARED();
    WindowTest::SetUp();
  }

  // Merges every driver of the previous-format database, answering the question with `answer`,
  // and notes the progress window's captions while it runs.
  void mergeAll(int answer) {
    openNew();
    openOld("xqbaudio.mdb", 1);
    ASSERT_TRUE(shown(ControlId::MMerge));
    newDriversBefore = window.toList().count();
    dialogs.buttons.push_back(answer);
    test::CaptionRecorder recorder(window.userInterface().progressWindow());
    click(ControlId::MMerge);
    captions = recorder.captions;
  }

  static std::int64_t driverRows(const std::filesystem::path& file) {
    jet::Database db = jet::Database::open(file, {.readOnly = true});
    return db.table("woofers").rowCount() + db.table("tweeters").rowCount();
  }

  // "Close", then the merged file: no journal left, sound, grown by as many driver rows as the new
  // list grew by entries.
  void expectMergedFile() {
    const std::size_t listed = window.toList().count();
    click(ControlId::MClose);
    EXPECT_FALSE(window.isOpen());
    const std::filesystem::path file = dir / "qbaudio.mdb";
    EXPECT_FALSE(std::filesystem::exists(jet::journalPathFor(file)));
    EXPECT_TRUE(jet::check(file).empty());
    EXPECT_EQ(driverRows(file) - driverRows(test::sharedDir() / "fixtures/qbaudio.mdb"),
              static_cast<std::int64_t>(listed - newDriversBefore));
  }

  const test::SeenMessage& expectQuestionAskedOnce() {
    const auto isQuestion = [](const test::SeenMessage& m) { return m.icon == test::SeenIcon::Question || m.taskDialog; };
    EXPECT_EQ(std::count_if(dialogs.messages.begin(), dialogs.messages.end(), isQuestion), 1);
    const test::SeenMessage& q = *std::find_if(dialogs.messages.begin(), dialogs.messages.end(), isQuestion);
    EXPECT_NE(win32::utf8(q.text).find(OverwriteQuestion), std::string::npos) << win32::utf8(q.text);
    EXPECT_EQ(win32::utf8(q.title), "QB Merge");
    EXPECT_EQ(q.buttons, (std::vector<int>{IDYES, IDNO}));
    EXPECT_EQ(q.icon, test::SeenIcon::Question);
    return q;
  }

  // After a merge the old list and report are empty, the button is gone and the new list is the
  // rescanned database.
  void expectWindowAfterMerge() {
    EXPECT_EQ(window.fromList().count(), 0u);
    EXPECT_EQ(tooltipOf(ControlId::FromList), "");
    EXPECT_EQ(shownReport(window.fromReport()), "");
    EXPECT_FALSE(shown(ControlId::MMerge));
    EXPECT_GE(window.toList().count(), 300u);
    expectShows(window.toList(), ControlId::ToList, state().ToList);
    EXPECT_EQ(textOf(ControlId::ToName), "qbaudio.mdb");
    expectIdle();
    // The plan's caption, the merge's, the drivers' (painted at most PaintPacer::Interval apart:
    // a merge of these few drivers, written in less than that once planned, may paint none of
    // them), then the rescan's.
    std::string seen;
    for (const std::wstring& c : captions) seen += "\n  " + win32::utf8(c);
    ASSERT_GE(captions.size(), 5u) << "captions seen:" << seen;
    EXPECT_EQ(captions[0], L"Finding where each old driver goes in the new database...") << seen;
    EXPECT_EQ(captions[1], L"Copying drivers from the old database to the new database...") << seen;
    EXPECT_TRUE(std::all_of(captions.begin() + 2, captions.end() - 3, [](const std::wstring& c) {
      return c.starts_with(L"Copying ") && c.ends_with(L"...");
    })) << "captions seen:" << seen;
    EXPECT_EQ(std::vector<std::wstring>(captions.end() - 3, captions.end()),
              (std::vector<std::wstring>{L"Opening new driver database...", L"Finding companies in the new database...",
                                         L"Finding all drivers in the new database..."}));
  }

  std::size_t newDriversBefore = 0;
  std::vector<std::wstring> captions;
};

TEST_F(MergeButton, YesLetsTheOldDriversWriteOverTheNewOnes) {
  mergeAll(IDYES);
  const test::SeenMessage& question = expectQuestionAskedOnce();
  // The details name the drivers that would write over new ones.
  EXPECT_TRUE(win32::utf8(question.details).find("would write over drivers in the new database:") !=
              std::string::npos)
      << win32::utf8(question.details);
  expectWindowAfterMerge();
  EXPECT_GT(window.toList().count(), newDriversBefore);
  expectMergedFile();
}

TEST_F(MergeButton, NoKeepsTheMatchedDriversOutAndStillAddsTheOthers) {
  mergeAll(IDNO);
  expectQuestionAskedOnce();
  expectWindowAfterMerge();
  EXPECT_GT(window.toList().count(), newDriversBefore);
  expectMergedFile();
}

}  // namespace
}  // namespace qbm
