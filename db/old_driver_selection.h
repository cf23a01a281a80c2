#pragma once
// Which old driver to load: set from the selected or merged FromList entry (its item data and its
// "(ob)"/"(sb)" marker), read by the old-driver load.

#include <cstdint>

#include "db/working_driver.h"

namespace qbm {

struct OldDriverSelection {
  std::int32_t OldDriverId = 0;  // legacy "Index" or previous-format "ID"
  // YesNoTrue for a "(sb)" entry of the old tweeters table; YesNoFalse for the woofers table and
  // for every legacy entry.
  std::int16_t OldDriverIsTweeter = YesNoFalse;
};

}  // namespace qbm
