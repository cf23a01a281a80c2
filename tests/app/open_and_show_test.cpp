// Driving the window as a person does: opening both sides (through the real file dialog and
// through answers given in advance), selecting drivers, omitting them, switching the units, and
// the messages for files that cannot be used.

#include <gtest/gtest.h>

#include <QTextBlock>
#include <QTextCursor>
#include <fstream>

#include "app/qt/progress_bar.h"
#include "app/qt/progress_window.h"
#include "app/qt/report_view.h"
#include "samples/sample_databases.h"
#include "tests/app/window_fixture.h"

namespace qbm {
namespace {

using test::str;
using test::WindowTest;

class OpenAndShow : public WindowTest {
 protected:
  void SetUp() override {
    QBM_REQUIRE_SHARED();
    WindowTest::SetUp();
  }
  // The report text as the box shows it.
  static std::string shownReport(const ReportBox& box) { return str(ReportText(box.plainText())); }
  void expectIdle() {
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "busy pointer left set";
    EXPECT_FALSE(window.userInterface().progressWindow().isVisible()) << "progress window left shown";
  }
};

TEST_F(OpenAndShow, OpeningTheNewDatabaseListsItsDriversAndRevealsTheOldSide) {
  openNew();
  ASSERT_EQ(toList()->rowCount(), 300);
  EXPECT_EQ(str(toList()->toolTip()), "Driver count = 300");
  expectShows(toList(), state().ToList);
  EXPECT_EQ(str(control<QLabel>("ToName")->text()), "qbaudio.mdb");
  EXPECT_FALSE(control("ToName")->toolTip().isEmpty());  // the file's date and time
  for (const char* revealed : {"FromOpt0", "FromOpt1", "FromOpen", "FromName", "FromLabel0", "FromLabel1",
                               "FromList", "FromRText"})
    EXPECT_TRUE(control(revealed)->isVisible()) << revealed;
  EXPECT_FALSE(control("MMerge")->isVisible());  // the old list is still empty
  EXPECT_FALSE(control("FromOmit")->isVisible());
  EXPECT_TRUE(toReport()->toPlainText().isEmpty());
  expectIdle();
}

TEST_F(OpenAndShow, DatabasesNamedAtStartAreOpenedWithoutTheDialogs) {
  window.openAtStart(copy("qbaudio.mdb"), copy("spkrbase.mdb"));
  settle();
  EXPECT_TRUE(dialogs.fileDialogs.empty());
  EXPECT_EQ(toList()->rowCount(), 300);
  EXPECT_EQ(str(control<QLabel>("FromName")->text()), "spkrbase.mdb");
  EXPECT_TRUE(control<QRadioButton>("FromOpt0")->isChecked());
  expectShows(fromList(), state().FromList);
  EXPECT_TRUE(control("MMerge")->isVisible());
  expectIdle();
}

TEST_F(OpenAndShow, TheRealFileDialogsCarryEachSidesSettings) {
  dialogs.files.push_back(copy("qbaudio.mdb"));
  click("ToOpen");
  ASSERT_EQ(dialogs.fileDialogs.size(), 1u);
  const test::SeenFileDialog& newSide = dialogs.fileDialogs[0];
  EXPECT_EQ(str(newSide.title), "Locate the NEW database (qbaudio.mdb)");
  EXPECT_EQ(newSide.nameFilters, QStringList{"New Database (qbaudio.mdb)"});
  EXPECT_EQ(str(newSide.fileName), "qbaudio.mdb");
  EXPECT_EQ(newSide.fileMode, QFileDialog::ExistingFile);
  EXPECT_EQ(toList()->rowCount(), 300);

  dialogs.files.push_back(copy("xqbaudio.mdb"));
  click("FromOpen");
  ASSERT_EQ(dialogs.fileDialogs.size(), 2u);
  const test::SeenFileDialog& oldSide = dialogs.fileDialogs[1];
  EXPECT_EQ(str(oldSide.title), "Locate the OLD database (xqbaudio.mdb or spkrbase.mdb)");
  EXPECT_EQ(oldSide.nameFilters, (QStringList{"Previous Database (xqbaudio.mdb)",
                                              "Tundrel 5.1 Database (spkrbase.mdb)", "All Databases (*.mdb)"}));
  EXPECT_EQ(oldSide.selectedNameFilter, "Previous Database (xqbaudio.mdb)");
  EXPECT_EQ(str(oldSide.fileName), "*.mdb");
  EXPECT_EQ(str(control<QLabel>("FromName")->text()), "xqbaudio.mdb");
  EXPECT_GT(fromList()->rowCount(), 0);

  // Cancelling a reopen closes the side: its list, report and name are emptied, and the window
  // shows them emptied while the dialog is still up.
  clickEntry(toList(), 2);
  ASSERT_FALSE(toReport()->toPlainText().isEmpty());
  struct Behind {
    int entries = -1;
    QString name, report;
    bool merge = true;
  } behind;
  dialogs.onFileDialog = [&] {
    behind = {toList()->rowCount(), control<QLabel>("ToName")->text(), toReport()->toPlainText(),
              control("MMerge")->isVisible()};
  };
  dialogs.files.push_back(std::nullopt);
  click("ToOpen");
  dialogs.onFileDialog = nullptr;
  EXPECT_EQ(behind.entries, 0);
  EXPECT_TRUE(behind.name.isEmpty());
  EXPECT_TRUE(behind.report.isEmpty());
  EXPECT_FALSE(behind.merge);
  EXPECT_EQ(toList()->rowCount(), 0);
  EXPECT_TRUE(control<QLabel>("ToName")->text().isEmpty());
  EXPECT_FALSE(state().databases.New.DbOpen);
  EXPECT_FALSE(control("MMerge")->isVisible());
  EXPECT_TRUE(control("FromList")->isVisible());  // the old side stays shown
  EXPECT_TRUE(dialogs.messages.empty());
  expectIdle();
}

struct OldCase {
  const char* fixture;
  int option;  // 0 changed drivers, 1 all drivers
};

class OpenOld : public OpenAndShow, public ::testing::WithParamInterface<OldCase> {};

TEST_P(OpenOld, ListsTheOldDriversOfTheChosenModeWithTheirCount) {
  const OldCase c = GetParam();
  openNew();
  openOld(c.fixture, c.option);
  EXPECT_TRUE(control<QRadioButton>(c.option == 0 ? "FromOpt0" : "FromOpt1")->isChecked());
  EXPECT_FALSE(control<QRadioButton>(c.option == 0 ? "FromOpt1" : "FromOpt0")->isChecked());
  EXPECT_EQ(state().FromOpt, c.option);
  EXPECT_EQ(str(control<QLabel>("FromName")->text()), c.fixture);
  ASSERT_GT(fromList()->rowCount(), 0);
  expectShows(fromList(), state().FromList);
  EXPECT_EQ(str(fromList()->toolTip()), "Driver count = " + std::to_string(fromList()->rowCount()));
  EXPECT_TRUE(control("MMerge")->isVisible());
  EXPECT_FALSE(control("FromOmit")->isVisible());
  // Entries end in their table's marker; the legacy database has woofers only.
  for (int i = 0; i < fromList()->rowCount(); ++i) {
    const QString text = fromList()->rowText(i);
    EXPECT_TRUE(text.endsWith("  (ob)") || (text.endsWith("  (sb)") && std::string(c.fixture) != "spkrbase.mdb"))
        << str(text);
  }
  // A legacy driver the new database has is listed only when all drivers are shown.
  if (std::string(c.fixture) == "spkrbase.mdb") {
    EXPECT_EQ(rowWith(fromList(), "[BOSTWICK]  BOXP988-8  (ob)") >= 0, c.option == 1);
  }
  expectIdle();
}

INSTANTIATE_TEST_SUITE_P(BothKindsBothModes, OpenOld,
                         ::testing::Values(OldCase{"spkrbase.mdb", 0}, OldCase{"spkrbase.mdb", 1},
                                           OldCase{"xqbaudio.mdb", 0}, OldCase{"xqbaudio.mdb", 1}),
                         [](const auto& info) {
                           return std::string(info.param.fixture[0] == 's' ? "Legacy" : "PreviousFormat") +
                                  (info.param.option == 0 ? "Changed" : "All");
                         });

TEST_F(OpenAndShow, TheAllModeListsMoreThanTheChangedMode) {
  openNew();
  openOld("xqbaudio.mdb", 0);
  const int changed = fromList()->rowCount();
  openOld("xqbaudio.mdb", 1);
  EXPECT_GT(fromList()->rowCount(), changed);
}

TEST_F(OpenAndShow, ClickingANewDriverShowsItsReportInTheRunsFonts) {
  openNew();
  const int row = rowWith(toList(), "[Zeta Acoustics]  W977 4/8  (ob)");
  ASSERT_GE(row, 0);
  clickEntry(toList(), row);
  EXPECT_EQ(state().ToList.focus(), std::optional<std::size_t>(row));
  const std::string report = str(toReport()->toPlainText());
  EXPECT_TRUE(report.starts_with("Model: W977 4/8\nCompany: Zeta Acoustics\n")) << report;
  EXPECT_EQ(report, shownReport(state().ToRText));
  EXPECT_NE(report.find("Vas =  44.8 liters"), std::string::npos);

  // Each run keeps its own font: the model line is bold, a parameter line is not.
  const QTextDocument* doc = toReport()->document();
  QTextCursor vas = doc->find("Vas =");
  ASSERT_FALSE(vas.isNull());
  const ReportRun& firstRun = state().ToRText.runs().front();
  EXPECT_EQ(doc->findBlockByNumber(0).begin().fragment().charFormat().font().bold(), firstRun.bold);
  EXPECT_EQ(vas.charFormat().font().bold(), false);
  EXPECT_EQ(vas.charFormat().font().pointSize(), 8);

  // The arrow key moves the selection, and the report follows.
  QTest::keyClick(toList(), Qt::Key_Down);
  settle();
  EXPECT_EQ(state().ToList.focus(), std::optional<std::size_t>(row + 1));
  EXPECT_EQ(str(toReport()->toPlainText()), shownReport(state().ToRText));
  EXPECT_TRUE(str(toReport()->toPlainText()).starts_with("Model: "));
  EXPECT_EQ(report.find(str(toReport()->toPlainText())), std::string::npos);
  expectIdle();
}

TEST_F(OpenAndShow, TheFirstArrowInAnUntouchedListSelectsItsFirstEntry) {
  openNew();
  openOld("xqbaudio.mdb", 1);
  struct Case {
    DriverListView* list;
    const DriverList& entries;
    Qt::Key key;
  };
  for (const Case& c : {Case{toList(), state().ToList, Qt::Key_Down}, Case{fromList(), state().FromList, Qt::Key_Up}}) {
    c.list->setFocus(Qt::TabFocusReason);
    settle();
    ASSERT_FALSE(c.list->selectionModel()->hasSelection());
    QTest::keyClick(c.list, c.key);
    settle();
    EXPECT_EQ(c.entries.focus(), std::optional<std::size_t>(0)) << c.key;
    const QModelIndexList selected = c.list->selectionModel()->selectedIndexes();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected.front().row(), 0);
    // The next arrow moves on as usual.
    QTest::keyClick(c.list, Qt::Key_Down);
    settle();
    EXPECT_EQ(c.entries.focus(), std::optional<std::size_t>(1));
  }
  expectIdle();
}

TEST_F(OpenAndShow, SelectingOldDriversMaintainsTheOmitButtonAndOmitRemovesThem) {
  openNew();
  openOld("xqbaudio.mdb", 1);
  const int before = fromList()->rowCount();
  ASSERT_GE(before, 6);
  const std::string third = str(fromList()->rowText(2));
  const std::string fifth = str(fromList()->rowText(4));

  clickEntry(fromList(), 2);
  EXPECT_TRUE(control("FromOmit")->isVisible());
  EXPECT_EQ(str(control<QPushButton>("FromOmit")->text()), "Omit Driver");
  EXPECT_TRUE(str(fromReport()->toPlainText()).starts_with("Model: "));
  EXPECT_EQ(str(fromReport()->toPlainText()), shownReport(state().FromRText));

  clickEntry(fromList(), 4, Qt::ControlModifier);
  EXPECT_EQ(str(control<QPushButton>("FromOmit")->text()), "Omit Drivers");
  expectShows(fromList(), state().FromList);

  // Ctrl-clicking the focused entry again deselects it: its report goes, the other stays selected.
  clickEntry(fromList(), 4, Qt::ControlModifier);
  EXPECT_TRUE(fromReport()->toPlainText().isEmpty());
  EXPECT_EQ(str(control<QPushButton>("FromOmit")->text()), "Omit Driver");
  clickEntry(fromList(), 4, Qt::ControlModifier);

  click("FromOmit");
  EXPECT_EQ(fromList()->rowCount(), before - 2);
  EXPECT_EQ(str(fromList()->toolTip()), "Driver count = " + std::to_string(before - 2));
  EXPECT_EQ(state().OldDriverCount, before - 2);
  EXPECT_EQ(rowWith(fromList(), QString::fromStdString(third)), -1);
  EXPECT_EQ(rowWith(fromList(), QString::fromStdString(fifth)), -1);
  EXPECT_TRUE(fromReport()->toPlainText().isEmpty());
  EXPECT_FALSE(control("FromOmit")->isVisible());
  EXPECT_TRUE(control("MMerge")->isVisible());
  expectShows(fromList(), state().FromList);
  expectIdle();
}

TEST_F(OpenAndShow, SwitchingTheUnitsRebuildsBothReports) {
  openNew();
  openOld("xqbaudio.mdb", 1);
  clickEntry(toList(), rowWith(toList(), "[Zeta Acoustics]  W977 4/8  (ob)"));
  clickEntry(fromList(), 0);
  const std::string oldMetric = str(fromReport()->toPlainText());
  ASSERT_FALSE(oldMetric.empty());

  click("UnitsOpt0");  // English
  EXPECT_EQ(state().UnitsOpt, 0);
  const std::string newEnglish = str(toReport()->toPlainText());
  EXPECT_NE(newEnglish.find("Vas =  1.582 cu.ft"), std::string::npos) << newEnglish;  // 44.8 liters
  EXPECT_EQ(newEnglish.find(" liters"), std::string::npos);
  EXPECT_EQ(str(fromReport()->toPlainText()), shownReport(state().FromRText));
  EXPECT_NE(str(fromReport()->toPlainText()), oldMetric);

  click("UnitsOpt1");  // metric again
  EXPECT_TRUE(control<QRadioButton>("UnitsOpt1")->isChecked());
  EXPECT_NE(str(toReport()->toPlainText()).find("Vas =  44.8 liters"), std::string::npos);
  EXPECT_EQ(str(fromReport()->toPlainText()), oldMetric);
  expectIdle();
}

TEST_F(OpenAndShow, FilesThatCannotBeUsedAreReportedInCriticalMessages) {
  // Not an .mdb name.
  const QString text = QString::fromStdString((dir / "notes.txt").string());
  std::ofstream(text.toStdString()) << "not a database";
  window.userInterface().queueChosenFile(text);
  click("ToOpen");
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(str(dialogs.messages[0].text), "Cannot open database.");
  EXPECT_EQ(str(dialogs.messages[0].title), "QB Merge");
  EXPECT_EQ(dialogs.messages[0].icon, QMessageBox::Critical);
  EXPECT_EQ(dialogs.messages[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));

  // An .mdb that is no database.
  const QString junk = QString::fromStdString((dir / "junk.mdb").string());
  std::ofstream(junk.toStdString()) << std::string(5000, 'x');
  window.userInterface().queueChosenFile(junk);
  click("ToOpen");
  ASSERT_EQ(dialogs.messages.size(), 2u);
  EXPECT_EQ(str(dialogs.messages[1].text), "Sorry, the selected database file cannot be opened.");
  EXPECT_EQ(toList()->rowCount(), 0);

  // A legacy database under another name lacks the five tables.
  openNew();
  openOld("spkrbase.mdb", 0, "legacy.mdb");
  ASSERT_EQ(dialogs.messages.size(), 3u);
  EXPECT_EQ(str(dialogs.messages[2].text),
            "Sorry, the selected database file is not a Tundrel Pro or Partiva Pro driver database.");
  EXPECT_EQ(dialogs.messages[2].icon, QMessageBox::Critical);
  EXPECT_EQ(fromList()->rowCount(), 0);
  EXPECT_FALSE(control("MMerge")->isVisible());

  // The open new database is held exclusively: choosing it as the old one fails.
  window.userInterface().queueChosenFile(QString::fromStdString((dir / "qbaudio.mdb").string()));
  click("FromOpen");
  ASSERT_EQ(dialogs.messages.size(), 4u);
  EXPECT_EQ(str(dialogs.messages[3].text), "Sorry, the selected database file cannot be opened.");
  EXPECT_EQ(toList()->rowCount(), 300);
  expectIdle();
}

// Access 97 (Jet 3) files open on both sides as the Access 2000 (Jet 4) files of the same contents
// do: the same lists, and the same reports of the same drivers on both sides, in metric and in
// English units.
class Access97Files : public WindowTest, public ::testing::WithParamInterface<std::string> {
 protected:
  static std::string folderOf(jet::Format format) { return format == jet::Format::Jet3 ? "jet3" : "jet4"; }
  // The sample files of both formats, written once for the suite.
  static void SetUpTestSuite() {
    samples_ = new test::ScratchDir;
    for (const jet::Format format : {jet::Format::Jet4, jet::Format::Jet3})
      samples::writeSampleDatabases(samples_->path() / folderOf(format), {.drivers = 80, .seed = 4, .format = format});
  }
  static void TearDownTestSuite() { delete samples_; }

  QString copyOf(const std::string& name, jet::Format format) {
    const std::filesystem::path to = dir / folderOf(format) / name;
    std::filesystem::create_directories(to.parent_path());
    std::filesystem::copy_file(samples_->path() / folderOf(format) / name, to);
    return QString::fromStdString(to.string());
  }
  static test::ScratchDir* samples_;
};
test::ScratchDir* Access97Files::samples_ = nullptr;

TEST_P(Access97Files, ListAndReportAsTheirAccess2000Files) {
  struct Shown {
    std::vector<std::string> lists, reports;
  };
  Shown shown[2];
  for (const jet::Format format : {jet::Format::Jet4, jet::Format::Jet3}) {
    Shown& s = shown[format == jet::Format::Jet3];
    window.userInterface().queueChosenFile(copyOf("qbaudio.mdb", format));
    click("ToOpen");
    click("FromOpt1");
    window.userInterface().queueChosenFile(copyOf(GetParam(), format));
    click("FromOpen");
    ASSERT_TRUE(state().databases.New.DbOpen && state().databases.Old.DbOpen);
    ASSERT_EQ(state().databases.New.Db->format(), format);
    ASSERT_EQ(state().databases.Old.Db->format(), format);
    for (const DriverListView* list : {toList(), fromList()}) {
      ASSERT_GT(list->rowCount(), 10);
      for (int i = 0; i < list->rowCount(); ++i) s.lists.push_back(str(list->rowText(i)));
    }
    // A spread of entries on both sides, each report in both unit systems.
    for (int k = 0; k < 12; ++k) {
      clickEntry(toList(), k * (toList()->rowCount() - 1) / 11);
      clickEntry(fromList(), k * (fromList()->rowCount() - 1) / 11);
      for (const char* units : {"UnitsOpt0", "UnitsOpt1"}) {
        click(units);
        s.reports.push_back(str(toReport()->toPlainText()));
        s.reports.push_back(str(fromReport()->toPlainText()));
        ASSERT_TRUE(s.reports.back().starts_with("Model: ")) << units;
      }
    }
  }
  EXPECT_EQ(shown[1].lists, shown[0].lists);
  ASSERT_EQ(shown[1].reports.size(), shown[0].reports.size());
  for (std::size_t i = 0; i < shown[0].reports.size(); ++i) EXPECT_EQ(shown[1].reports[i], shown[0].reports[i]) << i;
  EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "busy pointer left set";
}

INSTANTIATE_TEST_SUITE_P(BothOldKinds, Access97Files, ::testing::Values("xqbaudio.mdb", "spkrbase.mdb"),
                         [](const auto& info) { return info.param[0] == 's' ? "Legacy" : "PreviousFormat"; });

TEST_F(OpenAndShow, LongWorkShowsTheProgressWindowUnderTheBusyPointerAndKeepsPainting) {
  openNew();
  ProgressWindow& progress = window.userInterface().progressWindow();
  struct Sample {
    bool busy, shown;
    QString caption;
    float fraction;
  };
  std::vector<Sample> samples;
  QTimer watch;
  watch.setInterval(0);
  QObject::connect(&watch, &QTimer::timeout, [&] {
    const QCursor* cursor = QApplication::overrideCursor();
    samples.push_back({cursor && cursor->shape() == Qt::WaitCursor, progress.isVisible(), progress.caption(),
                       progress.bar().fraction()});
  });
  watch.start();
  openOld("spkrbase.mdb", 0);
  watch.stop();

  // While the scan ran the window system was served (the watch ran) with the progress window up.
  const auto during = std::count_if(samples.begin(), samples.end(), [](const Sample& s) { return s.shown; });
  ASSERT_GT(during, 0) << "nothing was painted while the scan ran";
  float last = 0;
  bool sawChangedCaption = false;
  for (const Sample& s : samples) {
    if (!s.shown) continue;
    EXPECT_TRUE(s.busy) << "progress shown without the busy pointer";
    EXPECT_GE(s.fraction, last) << "the bar shrank";
    last = s.fraction;
    sawChangedCaption |= s.caption == "Finding changed drivers (this may take several minutes)...";
  }
  EXPECT_TRUE(sawChangedCaption);
  EXPECT_EQ(progress.parentWidget(), &window);
  expectIdle();
}

}  // namespace
}  // namespace qbm
