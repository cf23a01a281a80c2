#pragma once
// The old driver last shown or merged: set from its FromList entry (its item data and its
// "(ob)"/"(sb)" marker) and kept as part of the window's state. LoadOldDriver itself is given the
// table and the ID.

#include <cstdint>

#include "db/working_driver.h"

namespace qbm {

struct OldDriverSelection {
  std::int32_t OldDriverId = 0;  // legacy "Index" or previous-format "ID"
  // True for a "(sb)" entry of the old tweeters table; false for the woofers table and for every
  // legacy entry.
  bool OldDriverIsTweeter = false;
};

}  // namespace qbm
