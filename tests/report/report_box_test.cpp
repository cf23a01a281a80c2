#include "report/report_box.h"

#include <gtest/gtest.h>

#include "report/report_style.h"

namespace qbm {
namespace {

TEST(ReportBox, RunsFollowTheFontInForceWhenTextIsAppended) {
  ReportBox box;
  EXPECT_TRUE(box.isEmpty());
  box.setBold(true);
  box.append("Model: A\r\n");
  box.append("Company: B\r\n");
  box.setBold(false);
  box.append("Available = Yes\r\n");
  box.setFontName("Arial");
  box.setFontSize(10);
  box.append("x");

  ASSERT_EQ(box.runs().size(), 3u);
  EXPECT_EQ(box.runs()[0], (ReportRun{"Model: A\r\nCompany: B\r\n", "MS Sans Serif", 8, true}));
  EXPECT_EQ(box.runs()[1], (ReportRun{"Available = Yes\r\n", "MS Sans Serif", 8, false}));
  EXPECT_EQ(box.runs()[2], (ReportRun{"x", "Arial", 10, false}));
  EXPECT_EQ(box.plainText(), "Model: A\r\nCompany: B\r\nAvailable = Yes\r\nx");
}

TEST(ReportBox, EmptyTextAddsNoRunAndFontChangesAloneLeaveTheBoxEmpty) {
  ReportBox box;
  box.setBold(true);
  box.append("");
  EXPECT_TRUE(box.isEmpty());
  EXPECT_TRUE(box.runs().empty());
  box.append("a");
  box.setBold(false);
  box.append("");
  box.setBold(true);
  box.append("b");
  ASSERT_EQ(box.runs().size(), 1u) << "a bold run interrupted only by empty plain text";
  EXPECT_EQ(box.runs()[0].text, "ab");
}

TEST(ReportBox, ClearEmptiesTheTextButKeepsTheFontForFollowingText) {
  ReportBox box;
  box.setBold(true);
  box.setFontSize(12);
  box.append("text");
  box.clear();
  EXPECT_TRUE(box.isEmpty());
  EXPECT_EQ(box.plainText(), "");
  box.append("next");
  ASSERT_EQ(box.runs().size(), 1u);
  EXPECT_TRUE(box.runs()[0].bold);
  EXPECT_EQ(box.runs()[0].fontSize, 12);
}

}  // namespace
}  // namespace qbm
