// What the window says after a merge (the status line below the designed controls), and the
// faults found trying the window as a new user: long messages cut off, the Response window over the
// new list, Escape doing nothing in the help and Response windows, and the file dialogs forgetting
// where each side's database was.

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QScreen>

#include "app/qt/driver_list_view.h"
#include "app/qt/help_window.h"
#include "app/qt/response_window.h"
#include "app/view/merge_status.h"
#include "app/view/response_layout.h"
#include "db/schema.h"
#include "session/failure_messages.h"
#include "tests/app/window_fixture.h"

namespace qbm {
namespace {

using test::str;
using test::WindowTest;

QRect globalRect(const QWidget* w) { return QRect(w->mapToGlobal(QPoint(0, 0)), w->size()); }

// The numbers after "<what>: " in the status text ("Woofers: 3 added, 1 replaced, 0 skipped.").
long addedOf(const QString& status, const char* table) {
  const QRegularExpressionMatch m =
      QRegularExpression(QString("%1: (\\d+) added, (\\d+) replaced, (\\d+) skipped\\.").arg(table)).match(status);
  EXPECT_TRUE(m.hasMatch()) << table << " missing in: " << str(status);
  return m.captured(1).toLong();
}

TEST_F(WindowTest, AfterAMergeTheStatusLineSaysWhatItDidUntilTheNextAction) {
  QBM_REQUIRE_SHARED();
  auto* status = control<QLabel>("StatusLine");
  // Below the designed controls, across the window, inside it; nothing to say yet.
  ASSERT_TRUE(status->isVisible());
  EXPECT_TRUE(status->text().isEmpty());
  EXPECT_GE(status->geometry().top(), control("MMerge")->geometry().bottom());
  EXPECT_GE(status->geometry().top(), control("MClose")->geometry().bottom());
  EXPECT_LE(status->geometry().bottom(), window.rect().bottom());
  EXPECT_EQ(window.size(), QSize(590, 463));  // the designed 590 × 416 and the line below

  openNew();
  openOld("xqbaudio.mdb", 1);
  const int before = toList()->rowCount();
  dialogs.buttons.push_back(QMessageBox::Yes);
  click("MMerge");
  const QString said = status->text();
  ASSERT_TRUE(said.startsWith("Merged: Woofers: ")) << str(said);
  EXPECT_TRUE(said.contains(QRegularExpression("Companies: \\d+ added\\. Read problems: 0\\. Write problems: 0\\.$")))
      << str(said);
  // What it says it added is what the new list gained; replacements add no entry.
  EXPECT_EQ(addedOf(said, "Woofers") + addedOf(said, "Tweeters"), toList()->rowCount() - before);
  // Every word is in view, and the lists are not covered.
  const QFontMetrics metrics(status->font());
  const QRect room = status->contentsRect();
  EXPECT_LE(metrics.boundingRect(QRect(0, 0, room.width(), 10000), Qt::TextWordWrap, said).height(), room.height());
  EXPECT_FALSE(status->geometry().intersects(toList()->geometry()));
  EXPECT_FALSE(status->geometry().intersects(toReport()->geometry()));

  // The longest summary there is (every line of it, six-digit counts) fits the line as well.
  MergeOutcome longest;
  longest.status = MergeOutcome::Status::Merged;
  longest.summary.woofers = {199999, 199999, 199999};
  longest.summary.tweeters = longest.summary.woofers;
  longest.summary.companiesAdded = 99999;
  longest.summary.oldRowsMissing = 99999;
  longest.summary.freePageMap.rebuilt = true;
  longest.summary.freePageMap.pagesInUseTakenAsFree = 99999;
  const QString most = QString::fromStdString(MergeStatusText(longest));
  EXPECT_LE(metrics.boundingRect(QRect(0, 0, room.width(), 10000), Qt::TextWordWrap, most).height(), room.height())
      << str(most);

  // Looking at the result keeps it: a driver, the units.
  clickEntry(toList(), 3);
  click("UnitsOpt0");
  EXPECT_EQ(status->text(), said);
  // The next action ends it.
  openOld("xqbaudio.mdb", 1);
  EXPECT_TRUE(status->text().isEmpty());
}

// The warning for a damaged old database, with a file name of a usual length: one long line.
TEST_F(WindowTest, MessageBoxesShowEveryWordOfALongText) {
  const std::string warning =
      UnreadableRowsMessage("Treiberdatenbank vom Kundendienst 2024.mdb", ReadProblems{.rows = 2, .pages = 3});
  const std::string path = "C:\\" + std::string(40, 'x') + "\\" + std::string(60, 'y') + "\\qbaudio.mdb";
  for (const std::string& text : {warning, "Sorry, " + path + " cannot be opened."}) {
    window.userInterface().showMessage(text, MessageIcon::Exclamation);
    ASSERT_FALSE(dialogs.messages.empty());
    const test::SeenMessage& seen = dialogs.messages.back();
    EXPECT_TRUE(seen.linesFit) << "a line is wider than the box shows: " << str(seen.text);
    EXPECT_GT(seen.shownLines, 1) << "wrapped";
    EXPECT_TRUE(window.screen()->availableGeometry().contains(seen.geometry)) << "the box is inside the screen";
    // Every word is there (a word too wide for the box broken, not dropped).
    QString joined = seen.text;
    joined.remove('\n');
    QString wanted = QString::fromStdString(text);
    EXPECT_EQ(joined.remove(' '), wanted.remove(' '));
  }
}

TEST_F(WindowTest, EscapeClosesTheHelpWindowAndTheResponseWindow) {
  click("MHelp");
  HelpWindow* help = window.helpWindow();
  ASSERT_NE(help, nullptr);
  QTest::keyClick(help, Qt::Key_Escape, Qt::ShiftModifier);
  EXPECT_TRUE(help->isVisible()) << "Shift+Escape is not Escape";
  QTest::keyClick(help, Qt::Key_Escape);
  EXPECT_FALSE(help->isVisible());

  window.showResponse();
  ResponseWindow* response = window.responseWindow();
  ASSERT_NE(response, nullptr);
  ASSERT_TRUE(response->isVisible());
  QTest::keyClick(response, Qt::Key_Escape, Qt::ControlModifier);
  EXPECT_TRUE(response->isVisible());
  QTest::keyClick(response, Qt::Key_Escape);
  EXPECT_FALSE(response->isVisible());
  EXPECT_TRUE(window.isVisible()) << "only the Response window closed";
}

// The columns of the legend's line `line` (0: the first) that hold the colour, as painted: the
// swatch column and the text column.
struct LegendInk {
  int swatch = 0, text = 0;
};
// anyDark: black ink (text) instead of the colour.
LegendInk legendInk(const QImage& picture, int line, QColor colour, bool anyDark) {
  LegendInk ink;
  const int top = response::MarginTop + line * response::LineHeight, bottom = top + response::LineHeight;
  for (int y = top; y < bottom; ++y)
    for (int x = 0; x < picture.width(); ++x) {
      const QColor c = picture.pixelColor(x, y);
      const bool hit = anyDark ? std::max({c.red(), c.green(), c.blue()}) < 90 : std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
                                                          std::abs(c.blue() - colour.blue()) < 60;
      if (!hit) continue;
      if (x >= response::MarginLeft && x < response::MarginLeft + response::LegendLineLength) ++ink.swatch;
      if (x >= response::LegendTextLeft && x < response::LegendTextLeft + 40) ++ink.text;
    }
  return ink;
}

// A driver without acoustic data is named in the legend in the same columns as a drawn one: a
// swatch of its side's colour, then its text where the other's text starts.
TEST(ResponseLegendAsPainted, ADriverWithoutDataHasTheSameSwatchColumn) {
  ResponseWindow window(nullptr);
  window.showResponses({{ResponseSide::Old, "[A]  OLD  (ob)", false, {}},
                        {ResponseSide::New, "[B]  NEW  (sb)", true, std::vector<float>(ResponseCount, 85.0f)}});
  const QImage picture = window.grab().toImage();
  const QColor oldColour(0, 64, 192), newColour(192, 0, 0);
  EXPECT_GT(legendInk(picture, 0, oldColour, false).swatch, 3) << "the old driver's swatch";
  EXPECT_GT(legendInk(picture, 1, newColour, false).swatch, 3) << "the new driver's swatch";
  EXPECT_GT(legendInk(picture, 0, {}, true).text, 0) << "the old driver's text in the text column";
  EXPECT_GT(legendInk(picture, 1, {}, true).text, 0);
  EXPECT_EQ(legendInk(picture, 0, {}, true).swatch, 0) << "no text in the swatch column";
}

TEST_F(WindowTest, TheResponseWindowLeavesTheNewListAndItsScrollBarInView) {
  QBM_REQUIRE_SHARED();
  openNew();
  clickEntry(toList(), 0);
  QTest::keyClick(toList(), ResponseKey, ResponseKeyModifiers);
  settle();
  ResponseWindow* response = window.responseWindow();
  ASSERT_NE(response, nullptr);
  const QRect screen = window.screen()->availableGeometry();
  const QRect placed = response->frameGeometry();
  EXPECT_TRUE(screen.contains(placed)) << "inside the screen";
  // The offscreen screen (800 pixels wide) has no room beside the window: the Response window goes
  // where it hides least, which is never over the list's right part with its scroll bar.
  const QRect list = globalRect(toList());
  EXPECT_LT(placed.right(), list.left() + list.width() / 2);
  EXPECT_FALSE(placed.intersects(QRect(list.right() - 20, list.top(), 21, list.height())));
}

TEST_F(WindowTest, EachSidesFileDialogStartsInTheFolderLastUsedForThatSide) {
  QBM_REQUIRE_SHARED();
  const std::filesystem::path newFolder = dir / "new side", oldFolder = dir / "old side";
  std::filesystem::create_directories(newFolder);
  std::filesystem::create_directories(oldFolder);
  const QString newFile = QString::fromStdString(test::copyShared("fixtures/qbaudio.mdb", newFolder).string());
  const QString oldFile = QString::fromStdString(test::copyShared("fixtures/xqbaudio.mdb", oldFolder).string());
  dialogs.files = {newFile, oldFile, newFile, oldFile};
  click("ToOpen");
  click("FromOpt1");
  click("FromOpen");
  ASSERT_GT(fromList()->rowCount(), 0);
  click("ToOpen");
  click("FromOpen");
  ASSERT_EQ(dialogs.fileDialogs.size(), 4u);
  EXPECT_EQ(str(dialogs.fileDialogs[2].directory), newFolder.string());
  EXPECT_EQ(str(dialogs.fileDialogs[3].directory), oldFolder.string());
  EXPECT_GT(fromList()->rowCount(), 0);
}

}  // namespace
}  // namespace qbm
