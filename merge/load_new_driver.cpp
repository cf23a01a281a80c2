#include "merge/load_new_driver.h"

#include "db/driver_response.h"
#include "db/driver_row.h"
#include "db/schema.h"

namespace qbm {

bool LoadNewDriver(DriverTable kind, std::int32_t id, DatabaseState& state,
                   WorkingDriver& driver) {
  if (!state.New.DbOpen) return false;
  std::optional<jet::Table>& table = kind == DriverTable::Tweeters ? state.New.Tweeters : state.New.Woofers;
  if (!table) return false;
  table->setIndex(indexes::ID);
  if (!table->seek(jet::Value{id})) return false;
  ReadDriverRow(*table, kind, driver);
  return true;
}

void LoadNewResponse(DriverTable table, std::int32_t id, DatabaseState& state,
                     WorkingDriver& driver) {
  LoadResponse(table == DriverTable::Tweeters ? state.New.TweeterResponse : state.New.WooferResponse,
               id, driver);
}

}  // namespace qbm
