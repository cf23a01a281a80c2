#pragma once
// Finding an old driver's row by its table and ID, and its company, for LoadOldDriver. A legacy
// database need not have an index to seek on, so its rows are found through a LegacyRowFinder built
// on first use.

#include <cstdint>
#include <optional>
#include <unordered_map>

#include "db/code_tables.h"
#include "db/database_state.h"
#include "db/working_driver.h"
#include "olddb/legacy_row_finder.h"

namespace qbm {

class OldDriverRows {
 public:
  // Makes the row of that ID current: "tweeters" through the index "ID"; "woofers" through "ID"
  // (previous format) or by "Index" (legacy). False when there is no such row, or the old side is
  // not open. Engine errors reach the caller, as does an index "ID" that leads to a row of another
  // ID (Error(Damaged)), so that a damaged index never gives another driver.
  bool moveTo(DatabaseState& db, DriverTable table, std::int32_t id);

  // The old companies row of that ID (FindCompanyById; nothing when there is none), read once per
  // ID: the old database is open read-only and exclusively, so it does not change under us. Engine
  // errors reach the caller and nothing is remembered for that ID.
  const std::optional<DriverCompany>& company(DatabaseState& db, std::int32_t id);

  // Forgets what was learnt of the old database; call when another one is opened or it is closed.
  void reset() {
    legacy_.reset();
    companies_.clear();
  }

 private:
  std::optional<LegacyRowFinder> legacy_;  // built on first use for each legacy database
  std::unordered_map<std::int32_t, std::optional<DriverCompany>> companies_;
};

}  // namespace qbm
