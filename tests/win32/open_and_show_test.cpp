// Driving the Windows window as a person does: opening both sides (through the real file dialog
// and through answers given in advance), selecting drivers, omitting them, switching the units, the
// progress window while the work runs, and the messages for files that cannot be used.

#include <gtest/gtest.h>

#include <fstream>

#include "tests/win32/window_fixture.h"

namespace qbm {
namespace {

using controls::ControlId;
using test::WindowTest;

class OpenAndShow : public WindowTest {
 protected:
  void SetUp() override {
    QBM_REQUIRE_SHARED();
    WindowTest::SetUp();
  }
  std::size_t rowWith(win32::DriverListBox& list, const std::string& part) {
    const std::vector<std::string> texts = entriesOf(list);
    for (std::size_t i = 0; i < texts.size(); ++i)
      if (texts[i].find(part) != std::string::npos) return i;
    return texts.size();
  }
};

TEST_F(OpenAndShow, OpeningTheNewDatabaseListsItsDriversAndRevealsTheOldSide) {
  openNew();
  ASSERT_EQ(window.toList().count(), 300u);
  expectShows(window.toList(), ControlId::ToList, state().ToList);
  EXPECT_EQ(tooltipOf(ControlId::ToList), "Driver count = 300");
  EXPECT_EQ(textOf(ControlId::ToName), "qbaudio.mdb");
  EXPECT_EQ(tooltipOf(ControlId::ToName), state().databases.New.Name.tooltip);
  EXPECT_FALSE(tooltipOf(ControlId::ToName).empty());  // the file's date and time
  for (ControlId revealed : {ControlId::FromOpt0, ControlId::FromOpt1, ControlId::FromOpen, ControlId::FromName,
                             ControlId::FromLabel0, ControlId::FromLabel1, ControlId::FromList, ControlId::FromRText})
    EXPECT_TRUE(shown(revealed)) << static_cast<int>(revealed);
  EXPECT_FALSE(shown(ControlId::MMerge));  // the old list is still empty
  EXPECT_FALSE(shown(ControlId::FromOmit));
  expectIdle();
}

TEST_F(OpenAndShow, TheRealFileDialogsCarryEachSidesSettings) {
  const std::string newFile = copy("qbaudio.mdb");
  dialogs.files.push_back(win32::wide(newFile));
  click(ControlId::ToOpen);
  ASSERT_EQ(dialogs.fileDialogs.size(), 1u);
  const test::SeenFileDialog& newSide = dialogs.fileDialogs[0];
  EXPECT_EQ(win32::utf8(newSide.title), "Locate the NEW database (qbaudio.mdb)");
  ASSERT_EQ(newSide.filters.size(), 1u);
  EXPECT_EQ(win32::utf8(newSide.filters[0]), "New Database");
  EXPECT_EQ(win32::utf8(newSide.fileName), "qbaudio.mdb");
  EXPECT_TRUE(newSide.readOnlyBoxShown);
  EXPECT_EQ(window.toList().count(), 300u);

  dialogs.files.push_back(win32::wide(copy("xqbaudio.mdb")));
  click(ControlId::FromOpen);
  ASSERT_EQ(dialogs.fileDialogs.size(), 2u);
  const test::SeenFileDialog& oldSide = dialogs.fileDialogs[1];
  EXPECT_EQ(win32::utf8(oldSide.title), "Locate the OLD database (xqbaudio.mdb or spkrbase.mdb)");
  ASSERT_EQ(oldSide.filters.size(), 3u);
  EXPECT_EQ(win32::utf8(oldSide.filters[0]), "Previous Database");
  EXPECT_EQ(win32::utf8(oldSide.filters[1]), "Tundrel 5.1 Database");
  EXPECT_EQ(win32::utf8(oldSide.filters[2]), "All Databases");
  EXPECT_EQ(oldSide.selectedFilter, 0);
  EXPECT_EQ(textOf(ControlId::FromName), "xqbaudio.mdb");
  EXPECT_GT(window.fromList().count(), 0u);

  // Cancelling a reopen closes the side, and the window shows it closed while the dialog is up.
  clickEntry(window.toList(), 2);
  ASSERT_FALSE(shownReport(window.toReport()).empty());
  struct Behind {
    std::size_t entries = 99;
    std::string name, report;
    bool merge = true;
  } behind;
  dialogs.onFileDialog = [&] {
    behind = {window.toList().count(), textOf(ControlId::ToName), shownReport(window.toReport()),
              shown(ControlId::MMerge)};
  };
  dialogs.files.push_back(std::nullopt);
  click(ControlId::ToOpen);
  dialogs.onFileDialog = nullptr;
  EXPECT_EQ(behind.entries, 0u);
  EXPECT_EQ(behind.name, "");
  EXPECT_EQ(behind.report, "");
  EXPECT_FALSE(behind.merge);
  EXPECT_EQ(window.toList().count(), 0u);
  EXPECT_FALSE(state().databases.New.DbOpen);
  EXPECT_TRUE(shown(ControlId::FromList));  // the old side stays shown
  EXPECT_TRUE(dialogs.messages.empty());
  expectIdle();
}

// Both kinds of old database in the mode each is opened with; a legacy driver the new database has
// is listed only when all drivers are shown.
TEST_F(OpenAndShow, ListsTheOldDriversOfTheChosenModeWithTheirCount) {
  openNew();
  for (const auto& [fixture, option] : {std::pair{"spkrbase.mdb", 0}, std::pair{"xqbaudio.mdb", 1}}) {
    openOld(fixture, option);
    EXPECT_TRUE(checked(option == 0 ? ControlId::FromOpt0 : ControlId::FromOpt1));
    EXPECT_FALSE(checked(option == 0 ? ControlId::FromOpt1 : ControlId::FromOpt0));
    EXPECT_EQ(textOf(ControlId::FromName), fixture);
    ASSERT_GT(window.fromList().count(), 0u);
    expectShows(window.fromList(), ControlId::FromList, state().FromList);
    EXPECT_EQ(tooltipOf(ControlId::FromList), "Driver count = " + std::to_string(window.fromList().count()));
    EXPECT_TRUE(shown(ControlId::MMerge));
  }
  EXPECT_LT(rowWith(window.fromList(), "  (sb)"), window.fromList().count());
  openOld("spkrbase.mdb", 1);
  EXPECT_LT(rowWith(window.fromList(), "[BOSTWICK]  BOXP988-8  (ob)"), window.fromList().count());
  openOld("spkrbase.mdb", 0);
  EXPECT_EQ(rowWith(window.fromList(), "[BOSTWICK]  BOXP988-8  (ob)"), window.fromList().count());
  expectIdle();
}

// The report of a clicked driver is the session's report, run by run in the runs' fonts, in both
// units; the arrow keys move the selection and the report follows.
TEST_F(OpenAndShow, ClickingADriverShowsTheSessionsReportInBothUnits) {
  openNew();
  openOld("xqbaudio.mdb", 1);
  const std::size_t row = rowWith(window.toList(), "[Zeta Acoustics]  W977 4/8  (ob)");
  ASSERT_LT(row, window.toList().count());
  clickEntry(window.toList(), row);
  EXPECT_EQ(state().ToList.focus(), std::optional<std::size_t>(row));
  const std::string report = shownReport(window.toReport());
  EXPECT_TRUE(report.starts_with("Model: W977 4/8\rCompany: Zeta Acoustics\r")) << report;
  EXPECT_EQ(report, sessionReport(state().ToRText));
  EXPECT_NE(report.find("Vas =  44.8 liters"), std::string::npos);
  // Each run keeps its font: the model line as the first run has it, a parameter line plain.
  const ReportRun& first = state().ToRText.runs().front();
  const win32::ReportBoxView::CharFont model = window.toReport().fontAt(0);
  EXPECT_EQ(model.bold, first.bold);
  EXPECT_EQ(win32::utf8(model.face), first.fontName);
  const win32::ReportBoxView::CharFont vas = window.toReport().fontAt(static_cast<long>(report.find("Vas =")));
  EXPECT_FALSE(vas.bold);
  EXPECT_EQ(vas.points, 8);

  clickEntry(window.fromList(), 0);
  const std::string oldMetric = shownReport(window.fromReport());
  EXPECT_EQ(oldMetric, sessionReport(state().FromRText));
  click(ControlId::UnitsOpt0);  // English
  EXPECT_EQ(state().UnitsOpt, 0);
  EXPECT_EQ(shownReport(window.toReport()), sessionReport(state().ToRText));
  EXPECT_NE(shownReport(window.toReport()).find("Vas =  1.582 cu.ft"), std::string::npos);
  EXPECT_EQ(shownReport(window.fromReport()), sessionReport(state().FromRText));
  EXPECT_NE(shownReport(window.fromReport()), oldMetric);
  click(ControlId::UnitsOpt1);
  EXPECT_EQ(shownReport(window.fromReport()), oldMetric);
  EXPECT_EQ(shownReport(window.toReport()), report);

  SetFocus(window.toList().handle());
  press(VK_DOWN);
  EXPECT_EQ(state().ToList.focus(), std::optional<std::size_t>(row + 1));
  EXPECT_EQ(shownReport(window.toReport()), sessionReport(state().ToRText));
  EXPECT_NE(shownReport(window.toReport()), report);
  expectIdle();
}

TEST_F(OpenAndShow, TheFirstArrowInAnUntouchedListSelectsItsFirstEntry) {
  openNew();
  // Entries clicked before the lists were filled again count for nothing.
  clickEntry(window.toList(), 7);
  openNew();
  openOld("xqbaudio.mdb", 1);
  clickEntry(window.fromList(), 4);
  openOld("xqbaudio.mdb", 1);
  struct Case {
    win32::DriverListBox& list;
    const DriverList& entries;
    WORD key;
  };
  for (const Case& c : {Case{window.toList(), state().ToList, VK_DOWN}, Case{window.fromList(), state().FromList, VK_UP}}) {
    SetFocus(c.list.handle());
    settle();
    ASSERT_TRUE(c.list.selected().empty());
    press(c.key);
    EXPECT_EQ(c.entries.focus(), std::optional<std::size_t>(0)) << c.key;
    EXPECT_EQ(c.list.selected(), std::vector<std::size_t>{0});
    press(VK_DOWN);  // the next arrow moves on as usual
    EXPECT_EQ(c.entries.focus(), std::optional<std::size_t>(1));
    EXPECT_EQ(c.list.selected(), std::vector<std::size_t>{1});
  }
  expectIdle();
}

TEST_F(OpenAndShow, SelectingOldDriversMaintainsTheOmitButtonAndOmitRemovesThem) {
  openNew();
  openOld("xqbaudio.mdb", 1);
  win32::DriverListBox& list = window.fromList();
  const std::size_t before = list.count();
  ASSERT_GE(before, 6u);
  const std::string third = entriesOf(list)[2], fifth = entriesOf(list)[4];

  clickEntry(list, 2);
  EXPECT_TRUE(shown(ControlId::FromOmit));
  EXPECT_EQ(textOf(ControlId::FromOmit), "Omit Driver");
  EXPECT_TRUE(shownReport(window.fromReport()).starts_with("Model: "));
  clickEntry(list, 4, MK_CONTROL);
  EXPECT_EQ(textOf(ControlId::FromOmit), "Omit Drivers");
  expectShows(list, ControlId::FromList, state().FromList);
  // Ctrl-clicking the focused entry again deselects it: its report goes, the other stays selected.
  clickEntry(list, 4, MK_CONTROL);
  EXPECT_EQ(shownReport(window.fromReport()), "");
  EXPECT_EQ(textOf(ControlId::FromOmit), "Omit Driver");
  clickEntry(list, 4, MK_CONTROL);

  SetFocus(control(ControlId::FromOmit));
  click(ControlId::FromOmit);
  EXPECT_EQ(list.count(), before - 2);
  EXPECT_EQ(tooltipOf(ControlId::FromList), "Driver count = " + std::to_string(before - 2));
  const std::vector<std::string> left = entriesOf(list);
  EXPECT_EQ(std::count(left.begin(), left.end(), third), 0);
  EXPECT_EQ(std::count(left.begin(), left.end(), fifth), 0);
  EXPECT_EQ(shownReport(window.fromReport()), "");
  EXPECT_FALSE(shown(ControlId::FromOmit));
  EXPECT_TRUE(shown(ControlId::MMerge));
  EXPECT_EQ(focused(), ControlId::MMerge) << "the hidden button kept the focus, or lost it to nothing";
  expectShows(list, ControlId::FromList, state().FromList);
  expectIdle();
}

TEST_F(OpenAndShow, FilesThatCannotBeUsedAreReportedInCriticalMessagesWordForWord) {
  const auto expectMessage = [&](std::size_t count, const std::string& text) {
    ASSERT_EQ(dialogs.messages.size(), count);
    const test::SeenMessage& m = dialogs.messages.back();
    EXPECT_EQ(win32::utf8(m.text), text);
    EXPECT_EQ(win32::utf8(m.title), "QB Merge");
    EXPECT_EQ(m.icon, test::SeenIcon::Critical);
    EXPECT_EQ(m.buttons, std::vector<int>{IDOK});
  };
  // Not an .mdb name; then an .mdb that is no database.
  const std::string notes = jet::utf8Of(dir / "notes.txt");
  std::ofstream(dir / "notes.txt") << "not a database";
  window.userInterface().queueChosenFile(notes);
  click(ControlId::ToOpen);
  expectMessage(1, "Cannot open database.");
  std::ofstream(dir / "junk.mdb") << std::string(5000, 'x');
  window.userInterface().queueChosenFile(jet::utf8Of(dir / "junk.mdb"));
  click(ControlId::ToOpen);
  expectMessage(2, "Sorry, the selected database file cannot be opened.");
  EXPECT_EQ(window.toList().count(), 0u);

  // A legacy database under another name lacks the five tables; a file named spkrbase.mdb that
  // lacks its one table is no legacy database.
  openNew();
  openOld("spkrbase.mdb", 0, "legacy.mdb");
  expectMessage(3, "Sorry, the selected database file is not a Tundrel Pro or Partiva Pro driver database.");
  EXPECT_EQ(window.fromList().count(), 0u);
  EXPECT_FALSE(shown(ControlId::MMerge));
  openOld("xqbaudio.mdb", 0, "spkrbase.mdb");
  expectMessage(4, "Sorry, the selected database file is not a Tundrel 5.1 driver database.");

  // The open new database is held exclusively: choosing it as the old one fails.
  window.userInterface().queueChosenFile(jet::utf8Of(dir / "qbaudio.mdb"));
  click(ControlId::FromOpen);
  expectMessage(5, "Sorry, the selected database file cannot be opened.");
  EXPECT_EQ(window.toList().count(), 300u);
  expectIdle();
}

// A folder whose name is not in the system's code page: the dialog's path reaches the file.
TEST_F(OpenAndShow, FoldersWithNamesBeyondTheCodePageOpen) {
  const std::filesystem::path folder = dir / std::filesystem::path(u8"M\u00fcller \u03a9");
  std::filesystem::create_directories(folder);
  test::copyShared("fixtures/qbaudio.mdb", folder);
  dialogs.files.push_back((folder / "qbaudio.mdb").wstring());
  click(ControlId::ToOpen);
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(window.toList().count(), 300u);
  EXPECT_EQ(textOf(ControlId::ToName), "qbaudio.mdb");
}

// While a scan runs: the busy pointer, the progress window in front with the scan's captions, a bar
// that never shrinks, the main window painted behind it; keys and clicks meanwhile are dropped.
TEST_F(OpenAndShow, LongWorkShowsTheProgressWindowAndTakesNoInput) {
  openNew();
  win32::ProgressWindow& progress = window.userInterface().progressWindow();
  struct Sample {
    bool busy, shown, topmost;
    float fraction;
  };
  std::vector<Sample> seen;
  test::CaptionRecorder recorder(progress);
  {
    test::EveryMoment watch([&] {
      seen.push_back({window.userInterface().busy(), progress.visible(),
                      (GetWindowLongW(progress.handle(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0, progress.bar().fraction()});
      // A click on Close while the scan runs is dropped.
      if (!progress.visible()) return;
      PostMessageW(control(ControlId::MClose), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
      PostMessageW(control(ControlId::MClose), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    });
    openOld("spkrbase.mdb", 0);
  }
  ASSERT_TRUE(window.isOpen()) << "a click during the scan reached Close";
  const auto during = std::count_if(seen.begin(), seen.end(), [](const Sample& s) { return s.shown; });
  ASSERT_GT(during, 0) << "nothing was painted while the scan ran";
  float last = 0;
  for (const Sample& s : seen) {
    if (!s.shown) continue;
    EXPECT_TRUE(s.busy) << "progress shown without the busy pointer";
    EXPECT_TRUE(s.topmost);
    EXPECT_GE(s.fraction, last) << "the bar shrank";
    last = s.fraction;
  }
  EXPECT_EQ(recorder.captions, (std::vector<std::wstring>{L"Opening old driver database...",
                                                          L"Finding changed drivers (this may take several minutes)..."}));
  EXPECT_EQ(GetWindow(progress.handle(), GW_OWNER), window.handle());
  EXPECT_GT(window.fromList().count(), 0u);
  expectIdle();
}

}  // namespace
}  // namespace qbm
