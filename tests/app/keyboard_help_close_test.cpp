// Enter as Tab, F1 and the Help button, and shutting down with Close or the close box.

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <filesystem>

#include "app/qt/help_window.h"
#include "app/qt/progress_window.h"
#include "jet/database.h"
#include "tests/app/window_fixture.h"

namespace qbm {
namespace {

using test::str;
using test::WindowTest;

using KeysAndHelp = WindowTest;

TEST_F(KeysAndHelp, EnterMovesTheFocusOnAndNeverReachesTheControl) {
  auto* help = control("MHelp");
  help->setFocus();
  ASSERT_EQ(QApplication::focusWidget(), help);
  QTest::keyClick(help, Qt::Key_Return);
  EXPECT_EQ(QApplication::focusWidget(), control("MClose"));
  EXPECT_EQ(window.helpWindow(), nullptr) << "Enter pressed the Help button";

  // On Close, Enter moves on instead of closing the window.
  QTest::keyClick(control("MClose"), Qt::Key_Enter);  // the keypad's Enter
  EXPECT_TRUE(window.isVisible());
  EXPECT_NE(QApplication::focusWidget(), control("MClose"));

  // On "Open New Database" it opens no dialog.
  control("ToOpen")->setFocus();
  QTest::keyClick(control("ToOpen"), Qt::Key_Return);
  settle();
  EXPECT_TRUE(dialogs.fileDialogs.empty());
  EXPECT_EQ(QApplication::focusWidget(), control("MHelp"));
}

TEST_F(KeysAndHelp, EnterInAListOrOnAnOptionMovesOnWithoutChangingIt) {
  QBM_REQUIRE_SHARED();
  openNew();
  clickEntry(toList(), 3);
  const std::string report = str(toReport()->toPlainText());
  ASSERT_EQ(QApplication::focusWidget(), toList());
  QTest::keyClick(toList(), Qt::Key_Return);
  settle();
  EXPECT_EQ(QApplication::focusWidget(), toReport());
  EXPECT_EQ(state().ToList.focus(), std::optional<std::size_t>(3));
  EXPECT_EQ(str(toReport()->toPlainText()), report);

  auto* english = control<QRadioButton>("UnitsOpt0");
  english->setFocus();
  QTest::keyClick(english, Qt::Key_Return);
  settle();
  EXPECT_FALSE(english->isChecked());
  EXPECT_EQ(state().UnitsOpt, 1);
  EXPECT_NE(QApplication::focusWidget(), english);
}

TEST_F(KeysAndHelp, F1AndTheHelpButtonOpenTheInstructionsAtTopic1000) {
  control("ToOpen")->setFocus();
  for (Qt::KeyboardModifier held : {Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier}) {
    QTest::keyClick(control("ToOpen"), Qt::Key_F1, held);
    EXPECT_EQ(window.helpWindow(), nullptr) << "F1 with a modifier held opened help";
    // Held when F1 went down, let go before it came up (or left out of the release by the window
    // system): still not a plain F1.
    QTest::keyPress(control("ToOpen"), Qt::Key_F1, held);
    QTest::keyRelease(control("ToOpen"), Qt::Key_F1);
    EXPECT_EQ(window.helpWindow(), nullptr) << "F1 pressed with a modifier opened help on its release";
  }
  QTest::keyClick(control("ToOpen"), Qt::Key_F1);
  HelpWindow* help = window.helpWindow();
  ASSERT_NE(help, nullptr);
  EXPECT_TRUE(help->isVisible());
  EXPECT_EQ(help->topic(), 1000);
  EXPECT_TRUE(help->source().toLocalFile().endsWith("/topic1000.html"));
  EXPECT_TRUE(help->toPlainText().contains("Open New Database"));
  EXPECT_EQ(str(help->windowTitle()), "QB Merge instructions");

  help->close();
  click("MHelp");
  EXPECT_TRUE(help->isVisible());
  EXPECT_EQ(help->topic(), 1000);

  // F1 in the progress window asks for help too.
  help->close();
  ProgressWindow& progress = window.userInterface().progressWindow();
  const auto f1 = [&](Qt::KeyboardModifiers down, Qt::KeyboardModifiers up) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_F1, down);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_F1, up);
    QApplication::sendEvent(&progress, &press);
    QApplication::sendEvent(&progress, &release);
  };
  f1(Qt::ShiftModifier, Qt::NoModifier);
  EXPECT_FALSE(help->isVisible());
  f1(Qt::NoModifier, Qt::NoModifier);
  EXPECT_TRUE(help->isVisible());
}

TEST(HelpPages, EveryControlGivesTopic1000AndAMissingPageIsExplained) {
  QWidget plain;
  EXPECT_EQ(ContextHelpTopic(nullptr), 1000);
  EXPECT_EQ(ContextHelpTopic(&plain), 1000);
  plain.setProperty("helpContext", 0);
  EXPECT_EQ(ContextHelpTopic(&plain), 1000);

  test::ScratchDir empty;
  const QString folder = QString::fromStdString(empty.path().string());
  HelpWindow help(folder, nullptr);
  help.showTopic(1000);
  EXPECT_TRUE(help.toPlainText().contains("was not found")) << str(help.toPlainText());
  EXPECT_TRUE(help.toPlainText().contains(QDir::toNativeSeparators(folder)));
  help.close();
}

TEST(HelpPages, ArePutBesideTheProgram) {
  EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(QBM_BINARY_DIR) / "app/help/topic1000.html"));
}

TEST_F(KeysAndHelp, ClosingWithNothingOpenEndsWithoutAMessage) {
  click("MClose");
  EXPECT_FALSE(window.isVisible());
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

class Shutdown : public WindowTest {
 protected:
  void SetUp() override {
    QBM_REQUIRE_SHARED();
    WindowTest::SetUp();
    openNew();
    openOld("xqbaudio.mdb", 1);
    ASSERT_TRUE(state().databases.New.DbOpen);
    ASSERT_TRUE(state().databases.Old.DbOpen);
  }
  // Both files are closed (another exclusive open succeeds) and nothing was left beside them.
  void expectClosedCleanly(std::vector<std::string> files = {"qbaudio.mdb", "xqbaudio.mdb"}) {
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(state().databases.New.DbOpen);
    EXPECT_FALSE(state().databases.Old.DbOpen);
    for (const std::string& file : files)
      EXPECT_NO_THROW(jet::Database::open(dir / file, {.exclusive = true})) << file;
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
      left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(left, files);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  }
};

TEST_F(Shutdown, CloseUnloadsTheWindowAndClosesBothDatabases) {
  click("MHelp");
  click("MClose");
  expectClosedCleanly();
  EXPECT_FALSE(window.helpWindow()->isVisible());
}

TEST_F(Shutdown, TheCloseBoxDoesTheSame) {
  window.close();
  expectClosedCleanly();
}

TEST_F(Shutdown, ACloseDuringLongWorkWaitsForItsEnd) {
  bool closedDuringScan = false;
  QTimer closer;
  closer.setInterval(0);
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (!window.userInterface().progressWindow().isVisible() || closedDuringScan) return;
    closedDuringScan = true;
    window.close();
    EXPECT_TRUE(window.isVisible());  // the operation goes on
  });
  closer.start();
  openOld("spkrbase.mdb", 0);
  closer.stop();
  ASSERT_TRUE(closedDuringScan);
  expectClosedCleanly({"qbaudio.mdb", "spkrbase.mdb", "xqbaudio.mdb"});
}

}  // namespace
}  // namespace qbm
