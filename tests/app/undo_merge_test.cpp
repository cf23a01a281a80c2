// "Undo Merge" driven from the window: hidden until a merge, then shown in the bottom row; the
// button and Ctrl+Z ask what will be undone, No keeps the merge, Yes gives the new file's original
// bytes back and lists the old drivers again; a file changed after the merge is refused and kept.

#include <gtest/gtest.h>

#include <QShortcut>
#include <fstream>

#include "app/view/main_window_controls.h"
#include "jet/file/journal.h"
#include "merge/merge_record.h"
#include "tests/app/window_fixture.h"

namespace qbm {
namespace {

using test::str;
using test::WindowTest;

class UndoMergeButton : public WindowTest {
 protected:
  void SetUp() override {
    QBM_REQUIRE_SHARED();
    WindowTest::SetUp();
    openNew();
    original = test::fileBytes(file());
    openOld("xqbaudio.mdb", 1);
    oldListed = fromList()->rowCount();
    newListed = toList()->rowCount();
    ASSERT_FALSE(control("MUndo")->isVisible()) << "nothing to undo before the merge";
    dialogs.buttons.push_back(QMessageBox::Yes);  // the overwrite question
    click("MMerge");
    ASSERT_EQ(fromList()->rowCount(), 0);
    ASSERT_GT(toList()->rowCount(), newListed);
    ASSERT_TRUE(control("MUndo")->isVisible());
    dialogs.messages.clear();
  }
  std::filesystem::path file() const { return dir / "qbaudio.mdb"; }
  // Ctrl+Z in the new list, the window active again after the question it answered.
  void pressUndoKey() {
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    toList()->setFocus();
    QTest::keyClick(toList(), Qt::Key_Z, Qt::ControlModifier);
    settle();
  }
  // The one question asked since the merge.
  QString question() {
    EXPECT_EQ(dialogs.messages.size(), 1u);
    if (dialogs.messages.empty()) return {};
    EXPECT_EQ(dialogs.messages[0].icon, QMessageBox::Question);
    return dialogs.messages[0].text;
  }

  std::vector<std::uint8_t> original;
  int oldListed = 0, newListed = 0;
};

// The button sits in the bottom row's free room: inside the window, clear of every other control.
TEST_F(UndoMergeButton, ItAppearsAfterAMergeWithoutCoveringAnyOtherControl) {
  QWidget* undo = control("MUndo");
  EXPECT_EQ(str(static_cast<QPushButton*>(undo)->text()), "Undo Merge");
  EXPECT_TRUE(window.rect().contains(undo->geometry()));
  for (const controls::Control* c : controls::All) {
    if (c->id == controls::ControlId::MUndo) continue;
    QWidget* other = window.findChild<QWidget*>(QString::fromUtf8(c->name.data(), static_cast<int>(c->name.size())));
    ASSERT_NE(other, nullptr) << c->name;
    if (!other->isVisible() || other->parentWidget() != &window) continue;
    EXPECT_FALSE(undo->geometry().intersects(other->geometry())) << "covers " << c->name;
  }
}

TEST_F(UndoMergeButton, NoKeepsTheMergeAndYesGivesTheOriginalFileBack) {
  const MergeRecord merge = *state().KeptMerge;
  click("MUndo");
  // "Undo the merge of 14:02: 68 added, 134 replaced, 1 company?"
  const std::string asked = str(question());
  EXPECT_EQ(0u, asked.find("Undo " + MergeRecordText(merge, LocalDateToday()) + "?")) << asked;
  EXPECT_NE(std::string::npos, asked.find(std::to_string(merge.added()) + " added")) << asked;
  EXPECT_NE(std::string::npos, asked.find(std::to_string(merge.replaced()) + " replaced")) << asked;
  EXPECT_GT(merge.added() + merge.replaced(), 0);
  EXPECT_NE(test::fileBytes(file()), original) << "No must keep the merge";
  EXPECT_TRUE(control("MUndo")->isVisible());

  dialogs.messages.clear();
  dialogs.buttons.push_back(QMessageBox::Yes);
  pressUndoKey();
  EXPECT_FALSE(question().isEmpty());
  EXPECT_FALSE(control("MUndo")->isVisible());
  EXPECT_EQ(toList()->rowCount(), newListed);
  EXPECT_EQ(fromList()->rowCount(), oldListed) << "the old drivers are listed again";
  EXPECT_TRUE(control("MMerge")->isVisible());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  window.close();  // the file is closed, so it can be compared
  EXPECT_TRUE(test::fileBytes(file()) == original) << "undo must give back the file byte for byte";
  EXPECT_FALSE(std::filesystem::exists(jet::undoPathFor(file())));
}

// Another program changed the file after the merge (the window has it open, but not locked
// against a program that ignores locks): undo says why it refuses, hides the button, and leaves
// the file and the record as they are.
TEST_F(UndoMergeButton, AFileChangedAfterTheMergeIsRefusedAndLeftAsItIs) {
  std::vector<std::uint8_t> changed = test::fileBytes(file());
  changed[changed.size() - 50] ^= 0x33;
  {
    std::fstream out(file(), std::ios::in | std::ios::out | std::ios::binary);
    out.seekp(static_cast<std::streamoff>(changed.size() - 50));
    out.put(static_cast<char>(changed[changed.size() - 50]));
  }
  const std::vector<std::uint8_t> record = test::fileBytes(jet::undoPathFor(file()));
  dialogs.buttons.push_back(QMessageBox::Yes);
  dialogs.buttons.push_back(QMessageBox::Ok);
  click("MUndo");
  ASSERT_EQ(dialogs.messages.size(), 2u);
  const std::string refused = str(dialogs.messages[1].text);
  EXPECT_NE(std::string::npos, refused.find("cannot be undone")) << refused;
  EXPECT_NE(std::string::npos, refused.find("changed after")) << refused;
  EXPECT_NE(std::string::npos, refused.find("Nothing was changed")) << refused;
  EXPECT_FALSE(control("MUndo")->isVisible());
  window.close();
  EXPECT_TRUE(test::fileBytes(file()) == changed);
  EXPECT_TRUE(test::fileBytes(jet::undoPathFor(file())) == record);
}

}  // namespace
}  // namespace qbm
