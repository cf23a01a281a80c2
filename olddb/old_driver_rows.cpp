#include "olddb/old_driver_rows.h"

#include <string>

#include "db/company_row.h"
#include "db/field_read.h"
#include "db/schema.h"
#include "db/table_walk.h"
#include "jet/error.h"

namespace qbm {
namespace {

// Seeks the row of that ID through the index "ID". The row found must hold the ID: an index entry
// that leads to another row is damage, not that driver.
bool seekId(jet::Table& table, std::int32_t id) {
  SelectIndex(table, indexes::ID);
  if (!table.seek(jet::Value{id})) return false;
  if (readLong(fieldValue(table, fields::ID)) != id)
    throw jet::Error(jet::ErrorCode::Damaged, "the index ID of table " + table.name() + " leads the ID " +
                                                  std::to_string(id) + " to a row of another ID");
  return true;
}

}  // namespace

bool OldDriverRows::moveTo(DatabaseState& db, DriverTable table, std::int32_t id) {
  if (!db.Old.DbOpen) return false;
  if (table == DriverTable::Tweeters) return db.Old.Tweeters && seekId(*db.Old.Tweeters, id);
  if (!db.Old.Woofers) return false;
  if (db.OldDbKind == DbKind::Legacy) {
    if (!legacy_) legacy_.emplace(*db.Old.Woofers);
    return legacy_->moveTo(*db.Old.Woofers, id);
  }
  if (db.OldDbKind != DbKind::PreviousFormat) return false;
  return seekId(*db.Old.Woofers, id);
}

const std::optional<DriverCompany>& OldDriverRows::company(DatabaseState& db, std::int32_t id) {
  if (const auto known = companies_.find(id); known != companies_.end()) return known->second;
  std::optional<DriverCompany> found;
  if (db.Old.Companies) found = FindCompanyById(*db.Old.Companies, id);
  return companies_.emplace(id, std::move(found)).first->second;
}

}  // namespace qbm
