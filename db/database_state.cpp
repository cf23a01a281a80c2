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
  } catch (const jet::Error&) {
    // Closing never fails the caller: a rollback it could not finish is finished by the next
    // open, from the journal it leaves.
  }
  db.reset();
}

void call(const std::function<void()>& action) {
  if (action) action();
}

}  // namespace

void CloseDatabaseSide(Side side, DatabaseState& state) {
  DatabaseSide& open = state.side(side);
  if (!open.DbOpen) return;
  if (side == Side::Old) {
    if (state.OldDbKind == DbKind::PreviousFormat)
      closeTables({&open.WooferResponse, &open.TweeterResponse, &open.Tweeters, &open.Companies});
    closeTables({&open.Woofers});
  }
  // Whatever the side and kind, no table may outlive its database.
  closeTables({&open.WooferResponse, &open.TweeterResponse, &open.Woofers, &open.Tweeters, &open.Companies});
  closeDatabase(open.Db);
  open.DbOpen = false;
  open.Name = {};
  call(open.clearList);
  call(open.clearRText);
}

void ReleaseDatabaseSide(Side side, DatabaseState& state) {
  DatabaseSide& open = state.side(side);
  closeTables({&open.WooferResponse, &open.TweeterResponse, &open.Woofers, &open.Tweeters, &open.Companies});
  closeDatabase(open.Db);
  open.DbOpen = false;
}

}  // namespace qbm
