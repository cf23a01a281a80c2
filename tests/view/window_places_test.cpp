// The window's decisions that need no toolkit: the merge's status line and when it goes, message
// lines wrapped at words, the folder each open-file dialog starts in, where the Response window
// opens, and its legend.

#include <gtest/gtest.h>

#include "app/view/dialog_text.h"
#include "app/view/keyboard_rules.h"
#include "app/view/merge_status.h"
#include "app/view/response_layout.h"
#include "app/view/startup_arguments.h"
#include "merge/merge_summary.h"

namespace qbm {
namespace {

TEST(MergeStatus, SaysWhatTheCommandLineSaysUntilTheNextAction) {
  MergeOutcome outcome;
  outcome.status = MergeOutcome::Status::Merged;
  outcome.summary.woofers = {3, 1, 0};
  outcome.summary.tweeters = {0, 2, 1};
  outcome.summary.companiesAdded = 2;
  const std::string text = MergeStatusText(outcome);
  EXPECT_EQ(text,
            "Merged: Woofers: 3 added, 1 replaced, 0 skipped. Tweeters: 0 added, 2 replaced, 1 skipped. "
            "Companies: 2 added. Read problems: 0. Write problems: 0.");
  // Every line the command line prints is in it, in order.
  std::string lines = MergeSummaryText(outcome.summary);
  for (char& c : lines) c = c == '\n' ? ' ' : c;
  EXPECT_TRUE(text.ends_with(lines));

  MergeStatusLine line;
  line.merged(outcome);
  for (WindowCommand looking : {WindowCommand::ChooseOld, WindowCommand::ChooseNew, WindowCommand::Units}) {
    line.before(looking);
    EXPECT_EQ(line.text(), text) << "kept while looking at the result";
  }
  for (WindowCommand action : {WindowCommand::OpenNew, WindowCommand::OpenOld, WindowCommand::Omit,
                               WindowCommand::Merge}) {
    line.merged(outcome);
    line.before(action);
    EXPECT_EQ(line.text(), "") << "ended by the next action";
  }

  outcome.status = MergeOutcome::Status::NothingListed;
  line.merged(outcome);
  EXPECT_EQ(line.text(), "");
  outcome.status = MergeOutcome::Status::Failed;
  EXPECT_EQ(MergeStatusText(outcome), "The merge stopped; nothing was written.");
  outcome.status = MergeOutcome::Status::Refused;
  EXPECT_EQ(MergeStatusText(outcome), "The merge was refused; nothing was written.");
}

// One pixel per byte: easy to count.
int bytesWide(std::string_view s) { return static_cast<int>(s.size()); }

TEST(MessageLines, WordsWiderThanTheLimitAreBrokenAndNothingElse) {
  // A word exactly as wide as the limit stays whole; one wider is cut between characters, never
  // inside one; the spaces and line breaks around it stay.
  EXPECT_EQ(BreakLongWords("aaaa bbbb\ncc", 4, bytesWide), "aaaa bbbb\ncc");
  EXPECT_EQ(BreakLongWords("x C:\\folder\\name.mdb y", 6, bytesWide), "x C:\\fol\nder\\na\nme.mdb y");
  EXPECT_EQ(BreakLongWords("abcde\n", 4, bytesWide), "abcd\ne\n");
  EXPECT_EQ(BreakLongWords("\xC3\xBC\xC3\xBC\xC3\xBC", 3, bytesWide), "\xC3\xBC\n\xC3\xBC\n\xC3\xBC");
  EXPECT_EQ(BreakLongWords("  ", 1, bytesWide), "  ");
  EXPECT_EQ(BreakLongWords("", 5, bytesWide), "");

  // Five inches, or three quarters of the screen where that is less.
  EXPECT_EQ(MessageLineLimit(1280, 96), 480);
  EXPECT_EQ(MessageLineLimit(640, 96), 480);
  EXPECT_EQ(MessageLineLimit(636, 96), 477);
  EXPECT_EQ(MessageLineLimit(2560, 120), 600);
}

TEST(DialogFolders, EachDialogStartsWhereItsLastFileWas) {
  EXPECT_EQ(FolderOf("/home/a/new.mdb"), "/home/a");
  EXPECT_EQ(FolderOf("C:\\Users\\M\xC3\xBCller\\x.mdb"), "C:\\Users\\M\xC3\xBCller");
  EXPECT_EQ(FolderOf("C:\\x.mdb"), "C:\\");
  EXPECT_EQ(FolderOf("/x.mdb"), "/");
  EXPECT_EQ(FolderOf("x.mdb"), "");

  DialogFolders folders;
  EXPECT_EQ(folders.startFolder("Open New"), "");
  folders.chosen("Open New", "/data/new/qbaudio.mdb");
  folders.chosen("Open Old", "/data/old/xqbaudio.mdb");
  EXPECT_EQ(folders.startFolder("Open New"), "/data/new");
  EXPECT_EQ(folders.startFolder("Open Old"), "/data/old");
  folders.chosen("Open New", "/elsewhere/qbaudio.mdb");
  EXPECT_EQ(folders.startFolder("Open New"), "/elsewhere");
  EXPECT_EQ(folders.startFolder("Open Old"), "/data/old");
  folders.chosen("Open Old", "bare.mdb");  // no folder to remember: the last one stays
  EXPECT_EQ(folders.startFolder("Open Old"), "/data/old");
}

TEST(ResponsePlace, BesideTheMainWindowWhereThereIsRoomElseHidingTheLeast) {
  const PixelSize response{520, 370};
  const PixelRect main{100, 50, 600, 480};
  const PixelRect keep{410, 120, 282, 150};  // the new list, right half of the main window
  // Room on the right, exactly: the gap and the window end at the screen's edge.
  EXPECT_EQ(response::ResponsePlace(main, keep, response, {0, 0, 1228, 800}), (PixelRect{708, 50, 520, 370}));
  // One pixel less: on the left, where there is room.
  EXPECT_EQ(response::ResponsePlace({629, 50, 600, 480}, keep, response, {0, 0, 1228, 800}),
            (PixelRect{101, 50, 520, 370}));
  // Lined up with the top, slid up into the screen when the main window sits low.
  EXPECT_EQ(response::ResponsePlace({100, 700, 600, 480}, keep, response, {0, 0, 1400, 1000}),
            (PixelRect{708, 630, 520, 370}));
  // No room beside, but below.
  EXPECT_EQ(response::ResponsePlace({0, 0, 800, 480}, keep, response, {0, 0, 1024, 1000}),
            (PixelRect{0, 488, 520, 370}));
  // No room anywhere (a main window centred on a small screen): over the old list, never the new,
  // and of the main window as little as the screen allows (its title bar stays in view).
  const PixelRect centred{250, 60, 600, 480}, newList{555, 120, 290, 150};
  EXPECT_EQ(response::ResponsePlace(centred, newList, response, {0, 0, 1000, 600}), (PixelRect{0, 0, 520, 370}));
  // A screen with its own origin (a second monitor on the left).
  EXPECT_EQ(response::ResponsePlace({-1250, 50, 600, 480}, keep, response, {-1280, 0, 1280, 1024}),
            (PixelRect{-642, 50, 520, 370}));
}

TEST(ResponseLegend, ADriverWithoutDataGetsTheSameSwatchColumn) {
  std::vector<DriverResponse> drivers(2);
  drivers[0] = {ResponseSide::Old, "[A]  W-1  (ob)", false, {}};
  drivers[1] = {ResponseSide::New, "[A]  W-1  (ob)", true, std::vector<float>(134, 85.0f)};
  const ResponsePlot plot = LayOutResponsePlot(drivers, response::PlotAreaOf(520, 340, drivers.size()));
  const std::vector<response::LegendLine> legend = response::LegendOf(drivers, plot);
  ASSERT_EQ(legend.size(), 2u);
  EXPECT_EQ(legend[0].side, ResponseSide::Old);
  EXPECT_FALSE(legend[0].curve);
  EXPECT_EQ(legend[0].text, plot.notes.at(0));
  EXPECT_EQ(legend[1].side, ResponseSide::New);
  EXPECT_TRUE(legend[1].curve);
  EXPECT_EQ(legend[1].text, plot.series.at(0).label);
  EXPECT_EQ(legend[1].baselineOffset - legend[0].baselineOffset, response::LineHeight);
  EXPECT_EQ(response::LegendTextLeft, response::MarginLeft + response::LegendLineLength + response::LegendTextGap);
}

// A merge at start only makes the picture of the window after a merge: it needs both databases and
// a picture to save.
TEST(StartupMerge, OnlyForAPictureOfBothDatabases) {
  const StartupArguments merged = ParseStartupArguments({"new.mdb", "old.mdb", "--merge", "--screenshot", "w.png"});
  EXPECT_TRUE(merged.merge);
  EXPECT_EQ(merged.error, "");
  EXPECT_FALSE(ParseStartupArguments({"new.mdb", "old.mdb", "--screenshot", "w.png"}).merge);
  EXPECT_NE(ParseStartupArguments({"new.mdb", "old.mdb", "--merge"}).error, "");
  EXPECT_NE(ParseStartupArguments({"new.mdb", "--merge", "--screenshot", "w.png"}).error, "");
  EXPECT_EQ(ParseStartupArguments({"new.mdb", "old.mdb", "--merge", "--response-screenshot", "r.png"}).error, "");
}

TEST(EscapeKey, ClosesOnlyWhenPressedAlone) {
  EXPECT_TRUE(EscapeCloses(true, false));
  EXPECT_FALSE(EscapeCloses(true, true));
  EXPECT_FALSE(EscapeCloses(false, false));
}

}  // namespace
}  // namespace qbm
