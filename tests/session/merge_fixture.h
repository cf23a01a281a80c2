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

namespace qbm::test {

// A FromList entry with its driver as LoadOldDriver gives it.
struct ListedDriver {
  std::string text;
  std::int32_t itemData = 0;
  DriverTable table = DriverTable::Woofers;
  WorkingDriver driver;
};

// A row of the new database's woofers or tweeters.
struct NewRow {
  std::int32_t id = 0;
  std::int32_t companyId = 0;
  bool userEntry = false;
  WorkingDriver driver;  // the driver members (ReadDriverRow)
};

class MergeSessionTest : public SessionTest {
 protected:
  // Every FromList entry, loaded as the merge will load it.
  std::vector<ListedDriver> listed() {
    std::vector<ListedDriver> out;
    for (const DriverList::Entry& e : state().FromList.entries()) {
      ListedDriver d{e.text, e.itemData};
      const EntryMarker marker = MarkerOfEntry(e.text);
      d.table = marker == EntryMarker::Tweeter ? DriverTable::Tweeters : DriverTable::Woofers;
      if (!session.MoveToOldRow(marker, e.itemData)) continue;
      LoadOldDriver(state().selection.OldDriverIsTweeter, state().selection, state().databases, d.driver);
      out.push_back(std::move(d));
    }
    return out;
  }

  jet::Table& table(DriverTable t) {
    return t == DriverTable::Woofers ? *state().databases.NewWoofers : *state().databases.NewTweeters;
  }

  // Every row of the new table, in physical order.
  std::vector<NewRow> rows(DriverTable t) {
    jet::Table& tb = table(t);
    tb.setIndex("");
    std::vector<NewRow> out;
    for (tb.moveFirst(); !tb.eof(); tb.moveNext()) {
      NewRow r;
      r.id = readLong(fieldValue(tb, fields::ID));
      r.companyId = readLong(fieldValue(tb, fields::CompanyID));
      r.userEntry = readYesNo(fieldValue(tb, fields::UserEntry)) != 0;
      ReadDriverRow(tb, t, r.driver);
      out.push_back(std::move(r));
    }
    return out;
  }

  // The response levels stored for the driver; nothing when it has no response row.
  std::optional<std::vector<float>> response(DriverTable t, std::int32_t id) {
    jet::Table& r = t == DriverTable::Woofers ? *state().databases.NewWooferResponse
                                              : *state().databases.NewTweeterResponse;
    r.setIndex(indexes::DriverID);
    if (!r.seek(jet::Value{id})) return std::nullopt;
    std::vector<float> levels;
    for (int i = 0; i < ResponseCount; ++i) levels.push_back(readResponseLevel(fieldValue(r, ResponseField(i))));
    return levels;
  }

  // The companies row's name, or nothing when there is no row of that ID.
  std::optional<std::string> companyName(std::int32_t id) {
    jet::Table& c = *state().databases.NewCompanies;
    c.setIndex(indexes::ID);
    if (!c.seek(jet::Value{id})) return std::nullopt;
    return readText(fieldValue(c, fields::Company));
  }

  // The differences between a written row and the driver it was written from: every member the
  // table has, with the model as CurrentModel; "Acoustic" as the response decides it.
  // keepUngiven: the driver is a dual-coil woofer written over a row, whose wiring-dependent
  // values of 0 leave the stored ones.
  static std::vector<std::string> differences(const WorkingDriver& want, const WorkingDriver& got,
                                              DriverTable t, bool keepUngiven = false) {
    std::vector<std::string> out;
    const auto note = [&](std::string_view field, const std::string& a, const std::string& b) {
      if (a != b) out.push_back(std::string(field) + ": want " + a + ", got " + b);
    };
    note("Model", want.CurrentModel, got.Model);
    note("Date", want.Date, got.Date);
    for (const auto& f : DriverTextFields)
      if (usedIn(f.use, t)) note(f.field, want.*f.member, got.*f.member);
    for (const auto& f : DriverCodeFields) note(f.field, std::to_string(want.*f.member), std::to_string(got.*f.member));
    for (const auto& f : DriverYesNoFields)
      if (usedIn(f.use, t) && f.field != fields::Acoustic)
        note(f.field, std::to_string(want.*f.member), std::to_string(got.*f.member));
    // Numbers are read back through their 15-digit text (NumberOrZero), which may move the last
    // bit of a double: equal to 14 significant digits.
    const auto number = [&](std::string_view field, double a, double b) {
      if (std::abs(a - b) > 1e-14 * std::max(std::abs(a), std::abs(b)))
        out.push_back(std::string(field) + ": want " + std::to_string(a) + ", got " + std::to_string(b));
    };
    for (const auto& f : DriverNumberFields) {
      if (!usedIn(f.use, t)) continue;
      if (keepUngiven && isWiringDependent(f.field) && want.*f.member == 0) continue;
      number(f.field, want.*f.member, got.*f.member);
    }
    for (std::size_t i = 0; i < want.Dimen.size(); ++i) number(fields::Dimen[i], want.Dimen[i], got.Dimen[i]);
    for (std::size_t k = 0; k < want.Dist.size(); ++k) {
      note(fields::Dist[k], std::to_string(want.Dist[k]), std::to_string(got.Dist[k]));
      note(fields::PartNo[k], want.PartNo[k], got.PartNo[k]);
    }
    const bool anyLevel = std::any_of(want.Response.begin(), want.Response.end(), [](float v) { return v != 0; });
    note("Acoustic", anyLevel ? "-1" : "0", std::to_string(got.Acoustic));
    return out;
  }

  // The 33 parameters that depend on the voice-coil wiring.
  static bool isWiringDependent(std::string_view field) {
    for (std::string_view plain : {"Xlin", "Qes", "Re", "Le", "Z", "BL", "Pe", "Qts", "Eff", "SPL1", "SPL2"})
      if (field == plain || field == std::string(plain) + "p" || field == std::string(plain) + "s") return true;
    return false;
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
