#include "db/database_state.h"

#include <initializer_list>

namespace qbm {
namespace {

void closeTables(std::initializer_list<std::optional<jet::Table>*> tables) {
  for (std::optional<jet::Table>* table : tables) table->reset();
}

void closeDatabase(std::optional<jet::Database>& db) {
  if (!db) return;
  try {
    db->close();
  } catch (...) {
    // Closing never fails the caller.
  }
  db.reset();
}

void call(const std::function<void()>& action) {
  if (action) action();
}

}  // namespace

void CloseDatabaseSide(std::int16_t side, DatabaseState& state) {
  if (side == OldSide && state.OldDbOpen) {
    if (state.OldDbKind == PreviousFormatDbKind)
      closeTables({&state.OldWooferResponse, &state.OldTweeterResponse, &state.OldTweeters,
                   &state.OldCompanies});
    closeTables({&state.OldWoofers});
    // Whatever the kind, no table may outlive its database.
    closeTables({&state.OldTweeters, &state.OldCompanies, &state.OldWooferResponse,
                 &state.OldTweeterResponse});
    closeDatabase(state.OldDb);
    state.OldDbOpen = false;
    state.FromName = {};
    call(state.clearFromList);
    call(state.clearFromRText);
  } else if (side == NewSide && state.NewDbOpen) {
    closeTables({&state.NewWooferResponse, &state.NewTweeterResponse, &state.NewWoofers,
                 &state.NewTweeters, &state.NewCompanies});
    closeDatabase(state.NewDb);
    state.NewDbOpen = false;
    state.ToName = {};
    call(state.clearToList);
    call(state.clearToRText);
  }
}

void ReleaseDatabaseSide(std::int16_t side, DatabaseState& state) {
  if (side == OldSide) {
    closeTables({&state.OldWooferResponse, &state.OldTweeterResponse, &state.OldWoofers,
                 &state.OldTweeters, &state.OldCompanies});
    closeDatabase(state.OldDb);
    state.OldDbOpen = false;
  } else if (side == NewSide) {
    closeTables({&state.NewWooferResponse, &state.NewTweeterResponse, &state.NewWoofers,
                 &state.NewTweeters, &state.NewCompanies});
    closeDatabase(state.NewDb);
    state.NewDbOpen = false;
  }
}

}  // namespace qbm
