#pragma once
// The entries a list control was last given (text and item data), so that a view fills its control
// again only when the session's list has other entries, not at every change of selection. The texts
// are kept one after the other in one string: remembering a list of 200,000 drivers costs a copy of
// its text, not an allocation per entry.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "session/driver_list.h"

namespace qbm {

class ShownList {
 public:
  // True when the list holds exactly the entries last remembered, in the same order.
  bool sameAs(const DriverList& list) const;
  void remember(const DriverList& list);

  // The entries remembered, and the text of one of them. REQUIRES: row < count().
  std::size_t count() const { return ends_.size(); }
  std::string_view text(std::size_t row) const;

 private:
  std::string texts_;                                      // every entry's text, in list order
  std::vector<std::pair<std::size_t, std::int32_t>> ends_;  // where each text ends in texts_; item data
};

}  // namespace qbm
