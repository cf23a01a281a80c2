#pragma once
// Finding an old driver's row by its table and ID, for LoadOldDriver. A legacy database need not
// have an index to seek on, so its rows are found through a LegacyRowFinder built on first use.

#include <cstdint>
#include <optional>

#include "db/code_tables.h"
#include "db/database_state.h"
#include "olddb/legacy_row_finder.h"

namespace qbm {

class OldDriverRows {
 public:
  // Makes the row of that ID current: "tweeters" through the index "ID"; "woofers" through "ID"
  // (previous format) or by "Index" (legacy). False when there is no such row, or the old side is
  // not open. Engine errors reach the caller, as does an index "ID" that leads to a row of another
  // ID (Error(Damaged)), so that a damaged index never gives another driver.
  bool moveTo(DatabaseState& db, DriverTable table, std::int32_t id);

  // Forgets what was learnt of the old database; call when another one is opened or it is closed.
  void reset() { legacy_.reset(); }

 private:
  std::optional<LegacyRowFinder> legacy_;  // built on first use for each legacy database
};

}  // namespace qbm
