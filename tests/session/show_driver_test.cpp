// The list clicks that show a driver's report, the omit button they maintain, and the units switch.

#include <gtest/gtest.h>

#include "tests/session/session_fixture.h"

namespace qbm {
namespace {

using test::SessionTest;

class ShowDriver : public SessionTest {
 protected:
  // Index of the first entry of the list whose text contains the part.
  static std::size_t entryWith(const DriverList& list, const std::string& part) {
    for (std::size_t i = 0; i < list.count(); ++i)
      if (list.entry(i).text.find(part) != std::string::npos) return i;
    ADD_FAILURE() << "no entry with " << part;
    return 0;
  }
  std::string oldReport() const { return session.state().FromRText.plainText(); }
  std::string newReport() const { return session.state().ToRText.plainText(); }
};

TEST_F(ShowDriver, ClickingANewEntryShowsItsReportWithTheCompanySection) {
  openNew();
  DriverList& list = state().ToList;
  list.clickOnly(entryWith(list, "W977 4/8  (ob)"));
  session.ToList_Click();
  const std::string report = newReport();
  EXPECT_TRUE(report.starts_with("Model: W977 4/8\r\nCompany: Zeta Acoustics\r\n")) << report;
  EXPECT_NE(report.find("Vas =  44.8 liters\r\n"), std::string::npos);
  EXPECT_NE(report.find("Acoustic data: Not present\r\n\r\nZeta Acoustics\r\n"), std::string::npos);
  EXPECT_FALSE(state().selection.OldDriverIsTweeter);
  EXPECT_FALSE(ui.busy);

  // A tweeter entry sets the kind for the report.
  list.clickOnly(entryWith(list, "(sb)"));
  session.ToList_Click();
  EXPECT_TRUE(state().selection.OldDriverIsTweeter);
  EXPECT_TRUE(newReport().starts_with("Model: "));

  // A click that deselects the focused entry empties the box.
  list.toggle(*list.focus());
  session.ToList_Click();
  EXPECT_TRUE(state().ToRText.isEmpty());
}

TEST_F(ShowDriver, OldClicksMaintainTheOmitButton) {
  openNew();
  openOld("xqbaudio.mdb", ShowAllDriversOption);
  DriverList& list = state().FromList;
  list.clickOnly(3);
  session.FromList_Click();
  EXPECT_TRUE(state().visible.FromOmit);
  EXPECT_EQ(state().FromOmitCaption, "Omit Driver");
  EXPECT_EQ(state().selection.OldDriverId, list.entry(3).itemData);
  EXPECT_FALSE(state().FromRText.isEmpty());

  list.toggle(5);
  session.FromList_Click();
  EXPECT_EQ(state().FromOmitCaption, "Omit Drivers");
  EXPECT_EQ(state().selection.OldDriverId, list.entry(5).itemData);

  list.toggle(5);  // the click takes entry 5 out of the selection
  session.FromList_Click();
  EXPECT_TRUE(state().FromRText.isEmpty());
  EXPECT_EQ(state().FromOmitCaption, "Omit Driver");
  EXPECT_TRUE(state().visible.FromOmit);

  list.toggle(3);
  session.FromList_Click();
  EXPECT_FALSE(state().visible.FromOmit);
  EXPECT_TRUE(state().FromRText.isEmpty());
  EXPECT_FALSE(ui.busy);
}

TEST_F(ShowDriver, PreviousFormatReportHasTheOldCompanySection) {
  openNew();
  openOld("xqbaudio.mdb", ShowAllDriversOption);
  DriverList& list = state().FromList;
  list.clickOnly(entryWith(list, "[Peerless]"));
  session.FromList_Click();
  const std::string report = oldReport();
  EXPECT_NE(report.find("Company: Peerless Fabrikkerne, Ltd.\r\n"), std::string::npos);
  EXPECT_NE(report.find("\r\n\r\nPeerless Fabrikkerne, Ltd.\r\n"), std::string::npos);
}

TEST_F(ShowDriver, LegacyReportEndsWithTheAcousticLine) {
  openNew();
  openOld("spkrbase.mdb", ShowAllDriversOption);
  DriverList& list = state().FromList;
  list.clickOnly(entryWith(list, "NE433-8 - PARALLEL"));
  session.FromList_Click();
  const std::string report = oldReport();
  EXPECT_TRUE(report.starts_with("Model: NE433-8 - PARALLEL\r\nCompany: SCAN-SPEAK\r\n")) << report;
  EXPECT_NE(report.find("Xmax (parallel) = "), std::string::npos);
  EXPECT_TRUE(report.ends_with("Acoustic data: Not present")) << report;
  EXPECT_EQ(state().WorkingDriver.CurrentModel, "NE433-8");
}

TEST_F(ShowDriver, UnitsSwitchRebuildsTheOldReportThenTheNewOne) {
  openNew();
  openOld("spkrbase.mdb", ShowAllDriversOption);
  state().FromList.clickOnly(entryWith(state().FromList, "NE433-8 - PARALLEL"));
  session.FromList_Click();
  state().ToList.clickOnly(entryWith(state().ToList, "W977 4/8  (ob)"));
  session.ToList_Click();
  // Show the old driver again so that the record holds it before the switch.
  session.FromList_Click();
  ASSERT_EQ(state().WorkingDriver.Model, "NE433-8 - PARALLEL");

  session.UnitsOpt_Click(EnglishUnitsOption);
  EXPECT_EQ(state().UnitsOpt, EnglishUnitsOption);
  EXPECT_NE(oldReport().find("Vas =  2.449 cu.ft\r\n"), std::string::npos) << oldReport();
  EXPECT_NE(newReport().find(" cu.ft\r\n"), std::string::npos);
  EXPECT_EQ(newReport().find("liters"), std::string::npos);
  // The new report was built last, so the record holds the new driver.
  EXPECT_EQ(state().WorkingDriver.Model, "W977 4/8");

  session.UnitsOpt_Click(MetricUnitsOption);
  EXPECT_NE(newReport().find("Vas =  44.8 liters\r\n"), std::string::npos);
  EXPECT_FALSE(ui.busy);
}

TEST_F(ShowDriver, UnitsSwitchLeavesEmptyBoxesEmpty) {
  openNew();
  openOld("xqbaudio.mdb");
  session.UnitsOpt_Click(EnglishUnitsOption);
  EXPECT_TRUE(state().FromRText.isEmpty());
  EXPECT_TRUE(state().ToRText.isEmpty());
  EXPECT_EQ(state().UnitLabels, EnglishUnitLabels());
  // The next report uses the new units.
  state().ToList.clickOnly(entryWith(state().ToList, "W977 4/8  (ob)"));
  session.ToList_Click();
  EXPECT_NE(newReport().find(" cu.ft\r\n"), std::string::npos);
  session.UnitsOpt_Click(7);  // no such option: nothing changes
  EXPECT_EQ(state().UnitsOpt, EnglishUnitsOption);
}

TEST_F(ShowDriver, ClicksOnEmptyListsDoNothing) {
  session.FromList_Click();
  session.ToList_Click();
  EXPECT_TRUE(ui.events.empty());
}

}  // namespace
}  // namespace qbm

namespace qbm {
namespace {

using test::SessionTest;

TEST_F(SessionTest, AnEntryWhoseRowIsGoneShowsNothingRatherThanTheDriverBefore) {
  openNew();
  openOld("xqbaudio.mdb", ShowAllDriversOption);
  DriverList& list = state().FromList;
  list.clickOnly(0);
  session.FromList_Click();
  ASSERT_FALSE(state().FromRText.isEmpty());
  for (const char* text : {"[Gone]  X  (ob)", "[Gone]  X  (sb)", "[Gone]  X  (xx)"}) {
    list.clickOnly(list.add(text, 99999));
    session.FromList_Click();
    EXPECT_TRUE(state().FromRText.isEmpty()) << text;
    EXPECT_TRUE(state().visible.FromOmit);
  }
  EXPECT_TRUE(ui.messages.empty());

  // The same on the legacy side, found through the row finder.
  openOld("spkrbase.mdb", ShowAllDriversOption);
  list.clickOnly(list.add("[Gone]  X  (ob)", 99999));
  session.FromList_Click();
  EXPECT_TRUE(state().FromRText.isEmpty());
  list.clickOnly(0);
  session.FromList_Click();
  EXPECT_FALSE(state().FromRText.isEmpty());
}

}  // namespace
}  // namespace qbm
