#pragma once
// Merges through the session, and what the new database holds afterwards: the old drivers as they
// were listed (loaded before the merge), the new rows read back through the engine, and field by
// field comparison of the two.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "db/driver_fields.h"
#include "db/driver_row.h"
#include "db/field_read.h"
#include "db/schema.h"
#include "merge/load_new_driver.h"
#include "olddb/load_old_driver.h"
#include "olddb/model_names.h"
#include "tests/session/session_fixture.h"
#include "tests/support/driver_compare.h"
#include "tests/support/new_database_rows.h"

namespace qbm::test {

// A FromList entry with its driver as LoadOldDriver gives it.
struct ListedDriver {
  std::string text;
  std::int32_t itemData = 0;
  DriverTable table = DriverTable::Woofers;
  WorkingDriver driver;
};

class MergeSessionTest : public SessionTest {
 protected:
  // Every FromList entry, loaded as the merge will load it.
  std::vector<ListedDriver> listed() {
    std::vector<ListedDriver> out;
    for (const DriverList::Entry& e : state().FromList.entries()) {
      ListedDriver d;
      d.text = e.text;
      d.itemData = e.itemData;
      d.table = TableOfMarker(MarkerOfEntry(e.text));
      if (!LoadOldDriver(d.table, e.itemData, oldRows, state().databases, d.driver)) continue;
      out.push_back(std::move(d));
    }
    return out;
  }

  OldDriverRows oldRows;  // the old rows, found as the merge finds them

  jet::Table& table(DriverTable t) {
    return t == DriverTable::Woofers ? *state().databases.New.Woofers : *state().databases.New.Tweeters;
  }

  std::vector<NewRow> rows(DriverTable t) { return readRows(table(t), t); }
  std::optional<std::vector<float>> response(DriverTable t, std::int32_t id) {
    return readResponse(t == DriverTable::Woofers ? *state().databases.New.WooferResponse
                                                  : *state().databases.New.TweeterResponse,
                        id);
  }
  std::optional<std::string> companyName(std::int32_t id) {
    return readCompanyName(*state().databases.New.Companies, id);
  }

  // The events the user interface saw that start with prefix.
  std::vector<std::string> eventsStartingWith(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const std::string& e : ui.events)
      if (e.starts_with(prefix)) out.push_back(e);
    return out;
  }
  long questions() const { return static_cast<long>(eventsStartingWith("question: ").size()); }
};

}  // namespace qbm::test
