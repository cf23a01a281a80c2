#pragma once
// What one merge shares between its steps: the company of the driver being written, whether the
// driver is added or replaces a row, the row being replaced or just written in each driver table,
// and the woofer rows this merge has added. Made at the start of a merge; gone at its end.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <unordered_set>

#include "db/working_driver.h"
#include "jet/table.h"

namespace qbm {

// The woofer rows added by the current merge, by ID. Any number of them (a merge may add more than
// any fixed number of woofers); AddedWooferCount is how many were recorded.
class AddedWooferIds {
 public:
  void add(std::int32_t id) {
    ids_.insert(id);
    ++count_;
  }
  bool contains(std::int32_t id) const { return ids_.count(id) != 0; }
  std::size_t AddedWooferCount() const { return count_; }

 private:
  std::unordered_set<std::int32_t> ids_;
  std::size_t count_ = 0;
};

// The row of one driver table that is being replaced, or that was just written.
struct MergeRow {
  std::int32_t id = 0;                  // its "ID"
  std::optional<jet::Bookmark> bookmark;  // nothing until a row is known
};

struct MergeState {
  std::int32_t MergeCompanyId = 0;              // the driver's company in the new database
  bool MergeCompanyMissing = true;  // its company must be added first
  bool MergeIsNew = true;           // add a row (true) or replace MergeWooferRow/...
  MergeRow MergeWooferRow;   // MergeWooferId and MergeWooferBookmark
  MergeRow MergeTweeterRow;  // MergeTweeterId and MergeTweeterBookmark
  AddedWooferIds AddedWoofers;
};

}  // namespace qbm
