#pragma once
// The main window over copies of the shared driver databases, driven as a person drives it: clicks
// on its buttons, lists and options, keys, and answers to its dialogs. The file dialogs are
// answered through the user interface's queue of chosen files unless a test answers the real
// dialog.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextEdit>
#include <filesystem>
#include <optional>
#include <string>

#include "app/qt/driver_list_view.h"
#include "app/qt/main_window.h"
#include "tests/app/modal_answerer.h"
#include "tests/support/test_support.h"

namespace qbm::test {

inline QString helpFolderOfSources() { return QString(QBM_SOURCE_DIR) + "/docs/help"; }

inline std::string str(const QString& s) { return s.toStdString(); }

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  }
  void TearDown() override { window.close(); }

  template <class W = QWidget>
  W* control(const char* name) {
    W* w = window.findChild<W*>(name);
    EXPECT_NE(w, nullptr) << "no control " << name;
    return w;
  }
  DriverListView* fromList() { return control<DriverListView>("FromList"); }
  DriverListView* toList() { return control<DriverListView>("ToList"); }
  QTextEdit* fromReport() { return control<QTextEdit>("FromRText"); }
  QTextEdit* toReport() { return control<QTextEdit>("ToRText"); }

  // A copy of a fixture database in the test's folder, under another name if asked.
  QString copy(const std::string& fixture, const std::string& as = "") {
    const std::filesystem::path copied = copyShared("fixtures/" + fixture, dir.path());
    if (as.empty() || as == fixture) return QString::fromStdString(copied.string());
    std::filesystem::rename(copied, dir / as);
    return QString::fromStdString((dir / as).string());
  }

  void click(const char* name) {
    auto* button = control<QAbstractButton>(name);
    ASSERT_TRUE(button->isVisible()) << name << " is hidden";
    QTest::mouseClick(button, Qt::LeftButton);
    settle();
  }

  // "Open New Database", the file dialog answered with a copy of the fixture.
  void openNew(const std::string& fixture = "qbaudio.mdb") {
    window.userInterface().queueChosenFile(copy(fixture));
    click("ToOpen");
  }
  // "Show Changed Drivers" (0) or "Show ALL Drivers" (1), then "Open Old Database".
  void openOld(const std::string& fixture, int option, const std::string& as = "") {
    click(option == 0 ? "FromOpt0" : "FromOpt1");
    window.userInterface().queueChosenFile(copy(fixture, as));
    click("FromOpen");
  }

  // A click on entry `row` of a list, with modifier keys held.
  void clickEntry(DriverListView* list, int row, Qt::KeyboardModifiers keys = Qt::NoModifier) {
    ASSERT_GE(row, 0);
    ASSERT_LT(row, list->rowCount());
    list->scrollTo(list->rowIndex(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, keys, list->visualRect(list->rowIndex(row)).center());
    settle();
  }

  // Lets posted events run (a list's click reaches the session from the event loop).
  static void settle() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
  }

  // The row of the first entry whose text contains `part`, or -1.
  static int rowWith(const DriverListView* list, const QString& part) {
    for (int i = 0; i < list->rowCount(); ++i)
      if (list->rowText(i).contains(part)) return i;
    return -1;
  }

  // The widget shows exactly the session's list: same texts in the same order, same selection
  // and focus, same tooltip.
  static void expectShows(const DriverListView* view, const DriverList& list) {
    ASSERT_EQ(static_cast<std::size_t>(view->rowCount()), list.count());
    for (std::size_t i = 0; i < list.count(); ++i) {
      const int row = static_cast<int>(i);
      EXPECT_EQ(str(view->rowText(row)), list.entry(i).text) << "entry " << i;
      EXPECT_EQ(view->isRowSelected(row), list.entry(i).selected) << "entry " << i;
    }
    const int focus = list.focus() ? static_cast<int>(*list.focus()) : -1;
    EXPECT_EQ(view->currentIndex().row(), focus);
    EXPECT_EQ(str(view->toolTip()), list.tooltip);
  }

  MainWindowState& state() { return window.session().state(); }

  ScratchDir dir;
  ModalAnswerer dialogs;
  MainWindow window{MainWindowOptions{0, helpFolderOfSources()}};
};


}  // namespace qbm::test
