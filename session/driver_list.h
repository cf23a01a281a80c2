#pragma once
// A sorted list box without a widget (FromList, ToList): entries with their item data, kept in list
// order (common/list_order.h, entries sharing a place in the order they were added), which entries
// are selected, the entry that has the focus, and the tooltip.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "db/list_entry.h"

namespace qbm {

class DriverList {
 public:
  // Single: at most one entry is selected (ToList). Extended: any number (FromList).
  enum class Selection { Single, Extended };

  struct Entry {
    std::string text;
    std::int32_t itemData = 0;
    bool selected = false;
  };

  explicit DriverList(Selection mode) : mode_(mode) {}

  std::size_t count() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  const std::vector<Entry>& entries() const { return entries_; }
  // REQUIRES: i < count().
  const Entry& entry(std::size_t i) const { return entries_.at(i); }

  // Adds an unselected entry at its place in the order; returns its index. The focus stays on the
  // entry it was on.
  std::size_t add(std::string text, std::int32_t itemData);
  // Adds every entry of a listing, in its order, as add() would one by one (the texts are moved).
  void addAll(std::vector<ListEntry> listing);
  // Removes the entry; the focus moves with the entry it was on and is lost when it was on this one.
  // REQUIRES: i < count().
  void removeAt(std::size_t i);
  // Removes every entry and the focus. The tooltip is kept.
  void clear();

  // Selects or deselects one entry; in Single mode selecting one deselects the others.
  // REQUIRES: i < count().
  void setSelected(std::size_t i, bool selected);
  std::size_t selectedCount() const;
  // The entry with the focus (the list index), if any.
  std::optional<std::size_t> focus() const { return focus_; }
  // REQUIRES: no index, or one below count().
  void setFocus(std::optional<std::size_t> i);
  // A plain click: only entry i selected, and the focus on it.
  void clickOnly(std::size_t i);
  // A Ctrl-click (Extended) or a click on the selected entry (Single): entry i toggled, the focus
  // on it.
  void toggle(std::size_t i);

  // The first entry whose item data and marker are these, if any.
  std::optional<std::size_t> find(std::int32_t itemData, EntryMarker marker) const;

  std::string tooltip;

 private:
  Selection mode_;
  std::vector<Entry> entries_;
  std::optional<std::size_t> focus_;
};

}  // namespace qbm
