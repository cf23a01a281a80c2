#include "session/driver_list.h"

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <tuple>

namespace qbm {
namespace {

std::vector<std::string> texts(const DriverList& list) {
  std::vector<std::string> out;
  for (const auto& e : list.entries()) out.push_back(e.text + "#" + std::to_string(e.itemData));
  return out;
}

TEST(DriverList, KeepsListOrderWithTiesInTheOrderAdded) {
  DriverList list(DriverList::Selection::Single);
  list.add("[b]  X  (ob)", 1);
  list.add("[A]  X  (ob)", 2);
  list.add("[B]  X  (ob)", 3);  // shares its place with "[b]": after it
  list.add("[a]  X  (ob)", 4);
  EXPECT_EQ(texts(list), (std::vector<std::string>{"[A]  X  (ob)#2", "[a]  X  (ob)#4",
                                                   "[b]  X  (ob)#1", "[B]  X  (ob)#3"}));
}

TEST(DriverList, AddingAListingEqualsAddingItsEntriesOneByOne) {
  const std::vector<ListEntry> listing = {{"[Zeta]  1  (ob)", 1}, {"[]  Q  (sb)", 2},
                                          {"[zeta]  1  (ob)", 3}, {"[Alpha]  co-op  (ob)", 4},
                                          {"[Alpha]  coop  (ob)", 5}, {"[Zeta]  1  (ob)", 6}};
  DriverList one(DriverList::Selection::Extended), all(DriverList::Selection::Extended);
  one.add("[Mid]  M  (ob)", 9);
  all.add("[Mid]  M  (ob)", 9);
  for (const ListEntry& e : listing) one.add(e.text, e.itemData);
  all.addAll(listing);
  EXPECT_EQ(texts(all), texts(one));
}

TEST(DriverList, FocusFollowsItsEntryAndIsLostWithIt) {
  DriverList list(DriverList::Selection::Extended);
  for (int i = 0; i < 4; ++i) list.add("[c]  " + std::to_string(i) + "  (ob)", i);
  list.clickOnly(2);
  list.add("[a]  first  (ob)", 9);  // before the focused entry
  ASSERT_EQ(list.focus(), 3u);
  EXPECT_EQ(list.entry(3).itemData, 2);
  list.removeAt(0);
  EXPECT_EQ(list.focus(), 2u);
  list.removeAt(2);
  EXPECT_FALSE(list.focus().has_value());
  list.setFocus(0);
  list.clear();
  EXPECT_FALSE(list.focus().has_value());
  EXPECT_TRUE(list.empty());
}

// Entries "1", "3", "5", "7" with the focus on "5" (index 2): an entry added or removed exactly at
// the focused index, one before and one after it.
TEST(DriverList, FocusAtTheEdgesOfAnInsertOrARemoval) {
  const auto focusedOnFive = [] {
    DriverList list(DriverList::Selection::Extended);
    for (int i : {1, 3, 5, 7}) list.add("[c]  " + std::to_string(i) + "  (ob)", i);
    list.setFocus(2);
    return list;
  };
  // The last entry can be focused, selected, clicked and toggled; one past it cannot.
  for (std::size_t i : {3u, 4u}) {
    DriverList list = focusedOnFive();
    const auto expectRange = [&](auto&& call) {
      if (i < 4) {
        EXPECT_NO_THROW(call());
      } else {
        EXPECT_THROW(call(), std::out_of_range);
      }
    };
    expectRange([&] { list.setFocus(i); });
    expectRange([&] { list.setSelected(i, true); });
    expectRange([&] { list.clickOnly(i); });
    expectRange([&] { list.toggle(i); });
  }
  // Added text -> its index and the focus after it ("5" again sorts after the "5" held).
  for (const auto& [added, at, focus] : {std::tuple{"2", 1u, 3u}, std::tuple{"4", 2u, 3u},
                                         std::tuple{"5", 3u, 2u}, std::tuple{"6", 3u, 2u}}) {
    DriverList list = focusedOnFive();
    EXPECT_EQ(list.add("[c]  " + std::string(added) + "  (ob)", 0), at) << added;
    ASSERT_EQ(list.focus(), focus) << added;
    EXPECT_EQ(list.entry(focus).itemData, 5) << added;
  }
  // Removed index -> the focus after it (">=" for ">" after the "==" test would be equivalent).
  for (const auto& [removed, focus] : {std::pair{std::size_t{1}, std::optional<std::size_t>{1}},
                                       std::pair{std::size_t{2}, std::optional<std::size_t>{}},
                                       std::pair{std::size_t{3}, std::optional<std::size_t>{2}}}) {
    DriverList list = focusedOnFive();
    list.removeAt(removed);
    ASSERT_EQ(list.focus(), focus) << removed;
    if (focus) {
      EXPECT_EQ(list.entry(*focus).itemData, 5) << removed;
    }
  }
}

TEST(DriverList, SingleSelectionKeepsOneEntryExtendedKeepsMany) {
  DriverList single(DriverList::Selection::Single), extended(DriverList::Selection::Extended);
  for (DriverList* list : {&single, &extended})
    for (int i = 0; i < 3; ++i) list->add(std::to_string(i), i);
  single.setSelected(0, true);
  single.setSelected(2, true);
  extended.setSelected(0, true);
  extended.toggle(2);
  EXPECT_EQ(single.selectedCount(), 1u);
  EXPECT_TRUE(single.entry(2).selected);
  EXPECT_EQ(extended.selectedCount(), 2u);
  extended.toggle(2);
  EXPECT_EQ(extended.selectedCount(), 1u);
  EXPECT_EQ(extended.focus(), 2u);
  extended.clickOnly(1);
  EXPECT_EQ(extended.selectedCount(), 1u);
  EXPECT_TRUE(extended.entry(1).selected);
}

TEST(DriverList, FindsAnEntryByItemDataAndMarker) {
  DriverList list(DriverList::Selection::Single);
  list.add(ListEntryText("Seas", "X", DriverTable::Woofers), 5);
  list.add(ListEntryText("Seas", "X", DriverTable::Tweeters), 5);
  EXPECT_EQ(MarkerOfEntry(list.entry(*list.find(5, EntryMarker::Tweeter)).text), EntryMarker::Tweeter);
  EXPECT_EQ(MarkerOfEntry(list.entry(*list.find(5, EntryMarker::Woofer)).text), EntryMarker::Woofer);
  EXPECT_FALSE(list.find(6, EntryMarker::Woofer).has_value());
  EXPECT_EQ(MarkerOfEntry("[x]  y  (ab)"), EntryMarker::Other);
}

}  // namespace
}  // namespace qbm
