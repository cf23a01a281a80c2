// A driver list on screen draws its rows from the texts it was last given: what it shows between a
// change of the session's list and the next showList, what a refill and an emptied list show, and
// texts beyond ASCII.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/qt/driver_list_view.h"

namespace qbm {
namespace {

std::vector<std::string> rowsOf(const DriverListView& view) {
  std::vector<std::string> rows;
  for (int i = 0; i < view.rowCount(); ++i) rows.push_back(view.rowText(i).toStdString());
  return rows;
}

std::vector<std::string> textsOf(const DriverList& list) {
  std::vector<std::string> texts;
  for (const DriverList::Entry& e : list.entries()) texts.push_back(e.text);
  return texts;
}

TEST(DriverListView, ShowsTheTextsLastGivenUntilShownTheChangedList) {
  DriverListView view(DriverList::Selection::Extended, nullptr);
  DriverList list(DriverList::Selection::Extended);
  list.add("[Maker]  W1  (ob)", 1);
  list.add("", 2);  // an empty text still takes its own row
  const std::size_t beyondAscii = list.add("[Mak\xC3\xABr]  8 \xCE\xA9  (sb)", 3);
  list.setSelected(beyondAscii, true);
  list.setFocus(beyondAscii);
  view.showList(list);
  const std::vector<std::string> first = textsOf(list);
  ASSERT_EQ(rowsOf(view), first);
  EXPECT_EQ(view.rowText(static_cast<int>(beyondAscii)), QString::fromUtf16(u"[Mak\u00EBr]  8 \u03A9  (sb)"));
  EXPECT_FALSE(view.model()->data(view.rowIndex(0), Qt::ToolTipRole).isValid()) << "the tooltip is the view's";
  EXPECT_FALSE(view.model()->data(view.model()->index(3, 0)).isValid());

  // The session changes its list (as a merge does) before the view is told: the rows stay as shown.
  // As many entries as before, so only the texts tell the refill is due.
  list.removeAt(0);
  list.add("[Maker]  A  (ob)", 4);
  EXPECT_EQ(rowsOf(view), first);
  view.grab();  // painting the old rows reads nothing of the changed list

  view.showList(list);
  EXPECT_EQ(rowsOf(view), textsOf(list));
  for (int i = 0; i < view.rowCount(); ++i)
    EXPECT_EQ(view.isRowSelected(i), list.entry(static_cast<std::size_t>(i)).selected) << i;
  ASSERT_TRUE(list.focus().has_value());
  EXPECT_EQ(view.currentIndex().row(), static_cast<int>(*list.focus()));

  list.clear();
  view.showList(list);
  EXPECT_EQ(view.rowCount(), 0);
  EXPECT_FALSE(view.selectionModel()->hasSelection());
  EXPECT_FALSE(view.currentIndex().isValid());
}

}  // namespace
}  // namespace qbm
