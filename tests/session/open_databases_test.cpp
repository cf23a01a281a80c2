// Opening and scanning both sides through the session: lists, counts, tooltips, visibility, omit,
// and what happens when a side is closed or a file fails while it is read.

#include <gtest/gtest.h>

#include <fstream>

#include "olddb/old_database_scan.h"
#include "tests/session/session_fixture.h"
#include "tests/support/driver_fixtures.h"

namespace qbm {
namespace {

using test::SessionTest;

TEST_F(SessionTest, AtStartOnlyTheNewSideIsShown) {
  EXPECT_EQ(state().visible, ControlVisibility{});
  EXPECT_EQ(state().FromOmitCaption, "Omit Driver");
  EXPECT_FALSE(state().FromOpt.has_value());
  EXPECT_EQ(state().UnitsOpt, MetricUnitsOption);
  EXPECT_EQ(state().UnitLabels, MetricUnitLabels());
  EXPECT_TRUE(state().FromRText.isEmpty());
  EXPECT_TRUE(state().ToRText.isEmpty());
  EXPECT_EQ(state().databases.New.Name.caption, "");
}

TEST_F(SessionTest, OpeningTheNewDatabaseListsItAndRevealsTheOldSide) {
  int changes = 0;
  session.setChangeListener([&] { ++changes; });
  openNew();
  const DriverList& list = state().ToList;
  EXPECT_EQ(list.count(), 300u);
  EXPECT_EQ(list.tooltip, "Driver count = 300");
  EXPECT_TRUE(inListOrder(list));
  EXPECT_EQ(list.entry(0).text.substr(0, 4), "[]  ");  // the company without a name sorts first
  EXPECT_EQ(state().databases.New.Name.caption, "qbaudio.mdb");
  ControlVisibility revealed;
  revealed.FromOpt = revealed.FromOpen = revealed.FromName = revealed.FromLabel =
      revealed.FromList = revealed.FromRText = true;
  EXPECT_EQ(state().visible, revealed);  // MMerge stays hidden: the old list is empty
  EXPECT_EQ(state().companyNames.NewCompanyShort[14], "Peerless");
  EXPECT_EQ(ui.events.front(), "busy on");
  EXPECT_EQ(ui.events.back(), "busy off");
  expectIdle();
  EXPECT_GE(changes, 2);  // after the dialog and at the end
}

TEST_F(SessionTest, ACancelledReopenLeavesTheNewSideClosedAndTheOldSideShown) {
  openNew();
  ui.files.push_back(std::nullopt);
  session.ToOpen_Click();
  EXPECT_FALSE(state().databases.New.DbOpen);
  EXPECT_TRUE(state().ToList.empty());
  EXPECT_TRUE(state().visible.FromList);
  EXPECT_FALSE(state().visible.MMerge);
  expectIdle();
}

TEST_F(SessionTest, OldListDefaultsToChangedDriversAndShowsItsCount) {
  openNew();
  openOld("spkrbase.mdb");
  EXPECT_EQ(state().FromOpt, ShowChangedDriversOption);
  const DriverList& list = state().FromList;
  EXPECT_FALSE(list.empty());
  EXPECT_EQ(state().OldDriverCount, static_cast<std::int32_t>(list.count()));
  EXPECT_EQ(list.tooltip, "Driver count = " + std::to_string(list.count()));
  EXPECT_TRUE(inListOrder(list));
  EXPECT_TRUE(state().visible.MMerge);
  // A legacy driver whose model and maker the new woofers have is not listed.
  const auto all = texts(list);
  EXPECT_EQ(std::find(all.begin(), all.end(), "[BOSTWICK]  BOXP988-8  (ob)"), all.end());
  expectIdle();

  // The same entries as the old scan gives, in list order.
  test::FixtureSides sides;
  ASSERT_TRUE(sides.open(Side::New, "qbaudio.mdb"));
  ASSERT_TRUE(sides.open(Side::Old, "spkrbase.mdb"));
  CompanyNameTables names;
  BuildCompanyNames(*sides.state.New.Companies, names.NewCompanyFull, names.NewCompanyShort);
  DriverList expected(DriverList::Selection::Extended);
  expected.addAll(ScanOldDatabase(sides.state, names, OldListMode::Changed, sides.ui).entries);
  EXPECT_EQ(texts(list), texts(expected));
}

TEST_F(SessionTest, ShowAllDriversListsMoreAndKeepsStoredModels) {
  openNew();
  openOld("spkrbase.mdb", ShowChangedDriversOption);
  const std::size_t changed = state().FromList.count();
  openOld("spkrbase.mdb", ShowAllDriversOption);
  EXPECT_GT(state().FromList.count(), changed);
  const auto all = texts(state().FromList);
  EXPECT_NE(std::find(all.begin(), all.end(), "[SCAN-SPEAK]  NE433-8 - PARALLEL  (ob)"), all.end());
  EXPECT_NE(std::find(all.begin(), all.end(), "[BOSTWICK]  BOXP988-8  (ob)"), all.end());
  // Changing the option alone does not list again.
  state().FromOpt = ShowChangedDriversOption;
  EXPECT_EQ(texts(state().FromList), all);
}

TEST_F(SessionTest, LegacyChangedScanWithTheNewDatabaseClosedListsAgainstNothing) {
  openNew();
  ui.files.push_back(std::nullopt);
  session.ToOpen_Click();  // the new side is closed now; the old side stays available
  ASSERT_FALSE(state().databases.New.DbOpen);
  openOld("spkrbase.mdb", ShowChangedDriversOption);
  EXPECT_TRUE(ui.messages.empty());
  const auto all = texts(state().FromList);
  EXPECT_NE(std::find(all.begin(), all.end(), "[BOSTWICK]  BOXP988-8  (ob)"), all.end());
  EXPECT_EQ(std::find(all.begin(), all.end(), "[DAYTON]  Whatever 10  (ob)"), all.end());
  EXPECT_FALSE(state().visible.MMerge);
  expectIdle();
}

TEST_F(SessionTest, OmitRemovesTheSelectedEntries) {
  openNew();
  openOld("xqbaudio.mdb", ShowAllDriversOption);
  DriverList& list = state().FromList;
  const std::int32_t before = state().OldDriverCount;
  std::vector<std::string> omitted;
  for (std::size_t i : {0u, 4u, 9u}) {
    list.toggle(i);
    omitted.push_back(list.entry(i).text + "#" + std::to_string(list.entry(i).itemData));
  }
  session.FromList_Click();
  ASSERT_FALSE(state().FromRText.isEmpty());
  EXPECT_EQ(state().FromOmitCaption, "Omit Drivers");
  session.FromOmit_Click();
  EXPECT_EQ(state().OldDriverCount, before - 3);
  EXPECT_EQ(list.count(), static_cast<std::size_t>(before - 3));
  EXPECT_EQ(list.tooltip, "Driver count = " + std::to_string(before - 3));
  for (const auto& e : list.entries())
    EXPECT_EQ(std::find(omitted.begin(), omitted.end(), e.text + "#" + std::to_string(e.itemData)),
              omitted.end());
  EXPECT_TRUE(state().FromRText.isEmpty());
  EXPECT_FALSE(state().visible.FromOmit);
  EXPECT_TRUE(state().visible.MMerge);
  EXPECT_FALSE(ui.busy);

  // Nothing selected: nothing removed, the details still cleared.
  session.FromOmit_Click();
  EXPECT_EQ(state().OldDriverCount, before - 3);

  // Omitting everything hides the merge button.
  for (std::size_t i = 0; i < list.count(); ++i) list.setSelected(i, true);
  session.FromOmit_Click();
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(list.tooltip, "Driver count = 0");
  EXPECT_FALSE(state().visible.MMerge);
}

TEST_F(SessionTest, RescanAskedByTheMergeSkipsTheDialog) {
  openNew();
  const std::size_t dialogs = ui.dialogs.size();
  session.rescanNewDatabase();
  EXPECT_EQ(ui.dialogs.size(), dialogs);
  EXPECT_EQ(state().ToList.count(), 300u);
  EXPECT_EQ(state().databases.New.Name.caption, "qbaudio.mdb");
}

TEST_F(SessionTest, CloseReleasesBothFiles) {
  openNew();
  openOld("xqbaudio.mdb");
  session.MClose_Click();
  EXPECT_FALSE(state().databases.New.DbOpen);
  EXPECT_FALSE(state().databases.Old.DbOpen);
  EXPECT_NO_THROW(jet::Database::open(dir / "qbaudio.mdb"));
  EXPECT_NO_THROW(jet::Database::open(dir / "xqbaudio.mdb"));
  session.MClose_Click();  // nothing open: nothing happens
}

TEST_F(SessionTest, RefusedOldFileListsNothing) {
  openNew();
  openOld("spkrbase.mdb", ShowAllDriversOption);
  ASSERT_FALSE(state().FromList.empty());
  // A legacy database under another name is taken for a previous-format one and refused.
  ui.files.push_back(copy("spkrbase.mdb", "renamed.mdb"));
  session.FromOpen_Click();
  EXPECT_FALSE(state().databases.Old.DbOpen);
  EXPECT_TRUE(state().FromList.empty());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_FALSE(state().visible.MMerge);
  expectIdle();
}

// Damages the row of the woofer with this ID in a Jet 4 file: its column count becomes too large
// for the row to hold its null mask, so the engine refuses to read its fields.
void damageWooferRow(const std::filesystem::path& file, std::int32_t id) {
  jet::Bookmark row;
  {
    jet::Database db = jet::Database::open(file, {.exclusive = true, .readOnly = true});
    jet::Table woofers = db.table("woofers");
    woofers.setIndex("ID");
    ASSERT_TRUE(woofers.seek(jet::Value{id}));
    row = woofers.bookmark();
  }
  std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
  const std::streamoff page = static_cast<std::streamoff>(row.page) * 4096;
  unsigned char slot[2];
  f.seekg(page + 14 + 2 * row.row);
  f.read(reinterpret_cast<char*>(slot), 2);
  const std::streamoff start = (slot[0] | (slot[1] << 8)) & 0x1FFF;
  f.seekp(page + start);
  f.write("\xFF\xFF", 2);
  ASSERT_TRUE(f.good());
}

TEST_F(SessionTest, ARowThatCannotBeReadIsLeftOutAndReported) {
  const std::string file = copy("qbaudio.mdb");
  damageWooferRow(file, 122);
  ui.files.push_back(file);
  session.ToOpen_Click();
  EXPECT_EQ(state().ToList.count(), 299u);
  EXPECT_EQ(state().ToList.tooltip, "Driver count = 299");
  EXPECT_EQ(state().ToList.find(122, EntryMarker::Woofer), std::nullopt);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].first,
            "1 row in qbaudio.mdb could not be read and is not listed. The file may be damaged; "
            "the other drivers are listed.");
  EXPECT_EQ(ui.messages[0].second, MessageIcon::Exclamation);
  EXPECT_TRUE(state().visible.FromList);
  expectIdle();
}

// A user interface during whose progress updates the database being read is closed, so that the
// scan meets a real engine error part of the way through.
class ClosingUserInterface : public test::FakeUserInterface {
 public:
  std::function<void()> onUpdate;   // at the fifth progress update
  std::function<void()> onCaption;  // when the caption of the changed-driver scan is shown
  int updates = 0;
  void updateProgress(long done, long total) override {
    FakeUserInterface::updateProgress(done, total);
    if (++updates == 5 && onUpdate) onUpdate();
  }
  void showProgress(const std::string& caption) override {
    FakeUserInterface::showProgress(caption);
    if (caption == FindingChangedCaption && onCaption) onCaption();
  }
};

// Whether the progress window was hidden before the first message was shown.
bool progressHiddenBeforeTheMessage(const test::FakeUserInterface& ui) {
  const auto message = std::find(ui.events.begin(), ui.events.end(), "message: " + ui.messages.at(0).first);
  return std::find(ui.events.begin(), message, "progress hidden") != message;
}

class FailingScan : public SessionTest {
 protected:
  ClosingUserInterface closing;
  Session failing{closing};
};

TEST_F(FailingScan, NewDatabaseFailingWhileListedIsReportedAndLeavesNothingBehind) {
  closing.onUpdate = [&] { failing.state().databases.New.Db->close(); };
  closing.files.push_back(copy("qbaudio.mdb"));
  failing.ToOpen_Click();
  ASSERT_EQ(closing.messages.size(), 1u);
  EXPECT_EQ(closing.messages[0].second, MessageIcon::Critical);
  EXPECT_TRUE(closing.messages[0].first.starts_with(
      "Sorry, the database file qbaudio.mdb could not be read to the end"));
  EXPECT_TRUE(failing.state().ToList.empty());
  EXPECT_FALSE(failing.state().visible.FromList);  // not revealed by a failed scan
  EXPECT_FALSE(closing.busy);
  EXPECT_TRUE(progressHiddenBeforeTheMessage(closing));
}

TEST_F(FailingScan, OldDatabaseFailingWhileListedIsReportedAndLeavesNothingBehind) {
  closing.files.push_back(copy("qbaudio.mdb"));
  failing.ToOpen_Click();
  closing.files.push_back(copy("spkrbase.mdb"));
  closing.onUpdate = [&] { failing.state().databases.Old.Db->close(); };
  closing.updates = 0;
  failing.state().FromOpt = ShowChangedDriversOption;
  failing.FromOpen_Click();
  ASSERT_EQ(closing.messages.size(), 1u);
  EXPECT_NE(closing.messages[0].first.find("spkrbase.mdb"), std::string::npos);
  EXPECT_TRUE(failing.state().FromList.empty());
  EXPECT_EQ(failing.state().OldDriverCount, 0);
  EXPECT_EQ(failing.state().FromList.tooltip, "Driver count = 0");
  EXPECT_FALSE(failing.state().visible.MMerge);
  EXPECT_TRUE(progressHiddenBeforeTheMessage(closing));
  EXPECT_FALSE(closing.busy);
  EXPECT_EQ(closing.events.back(), "busy off");
}

TEST_F(FailingScan, ANewDatabaseThatCannotBeComparedWithIsNamedInTheMessage) {
  closing.files.push_back(copy("qbaudio.mdb"));
  failing.ToOpen_Click();
  closing.onCaption = [&] { failing.state().databases.New.Db->close(); };
  closing.files.push_back(copy("spkrbase.mdb"));
  failing.state().FromOpt = ShowChangedDriversOption;
  failing.FromOpen_Click();
  ASSERT_EQ(closing.messages.size(), 1u);
  EXPECT_TRUE(closing.messages[0].first.starts_with(
      "Sorry, the new database qbaudio.mdb could not be read to compare the old drivers with it"))
      << closing.messages[0].first;
  EXPECT_TRUE(failing.state().FromList.empty());
  EXPECT_FALSE(closing.busy);
  EXPECT_EQ(closing.events.back(), "busy off");
}

}  // namespace
}  // namespace qbm
