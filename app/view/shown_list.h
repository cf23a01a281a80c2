#pragma once
// The entries a list control was last given (text and item data), so that a view fills its control
// again only when the session's list has other entries, not at every change of selection.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "session/driver_list.h"

namespace qbm {

class ShownList {
 public:
  // True when the list holds exactly the entries last remembered, in the same order.
  bool sameAs(const DriverList& list) const;
  void remember(const DriverList& list);

 private:
  std::vector<std::pair<std::string, std::int32_t>> entries_;
};

}  // namespace qbm
