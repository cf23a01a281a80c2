// "Merge >" driven from the window: the overwrite question once, answered Yes or No, and the window
// after the merge.

#include <gtest/gtest.h>

#include "app/progress_window.h"
#include "tests/app/window_fixture.h"

namespace qbm {
namespace {

using test::str;
using test::WindowTest;

constexpr const char* OverwriteQuestion =
    "One or more drivers are about to be merged which will replace existing\n"
    "drivers in the new database. Do you want to allow drivers in the old\n"
    "database to write over drivers in the new database?";

class MergeButton : public WindowTest {
 protected:
  void SetUp() override {
    QBM_REQUIRE_SHARED();
    WindowTest::SetUp();
  }

  // Merges every driver of the previous-format database, answering the question with `answer`.
  void mergeAll(QMessageBox::StandardButton answer) {
    openNew();
    openOld("xqbaudio.mdb", 1);
    ASSERT_TRUE(control("MMerge")->isVisible());
    dialogs.buttons.push_back(answer);
    click("MMerge");
  }

  void expectQuestionAskedOnce() {
    const auto isQuestion = [](const test::SeenMessage& m) { return m.icon == QMessageBox::Question; };
    ASSERT_EQ(std::count_if(dialogs.messages.begin(), dialogs.messages.end(), isQuestion), 1);
    const test::SeenMessage& q = *std::find_if(dialogs.messages.begin(), dialogs.messages.end(), isQuestion);
    EXPECT_EQ(str(q.text), OverwriteQuestion);
    EXPECT_EQ(str(q.title), "QB Merge");
    EXPECT_EQ(q.buttons, QMessageBox::StandardButtons(QMessageBox::Yes | QMessageBox::No));
  }

  // After a merge the old list and report are empty, the button is gone and the new list is the
  // rescanned database.
  void expectWindowAfterMerge() {
    EXPECT_EQ(fromList()->count(), 0);
    EXPECT_TRUE(fromList()->toolTip().isEmpty());
    EXPECT_TRUE(fromReport()->toPlainText().isEmpty());
    EXPECT_FALSE(control("MMerge")->isVisible());
    EXPECT_GE(toList()->count(), 300);
    expectShows(toList(), state().ToList);
    EXPECT_EQ(str(control<QLabel>("ToName")->text()), "qbaudio.mdb");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(window.userInterface().progressWindow().isVisible());
  }
};

TEST_F(MergeButton, YesLetsTheOldDriversWriteOverTheNewOnes) {
  mergeAll(QMessageBox::Yes);
  expectQuestionAskedOnce();
  expectWindowAfterMerge();
}

TEST_F(MergeButton, NoKeepsTheMatchedDriversOutAndStillAddsTheOthers) {
  mergeAll(QMessageBox::No);
  expectQuestionAskedOnce();
  expectWindowAfterMerge();
}

}  // namespace
}  // namespace qbm
