#include "merge/response_row.h"

#include "db/field_read.h"
#include "db/table_walk.h"
#include "db/working_driver.h"
#include "merge/write_step.h"

namespace qbm {
namespace {

// Makes the driver's response row current; false when it has none or it cannot be found (the
// failure recorded).
bool moveToRow(jet::Table& responses, DriverTable table, std::int32_t driverId, NewDriverMatcher& lookups,
               WriteProblems& problems, const std::string& label, bool& looked) {
  std::optional<jet::Bookmark> row;
  looked = WriteStep(problems, label, "response row not looked up",
                     [&] { row = lookups.responseRow(table, driverId); });
  if (!row) return false;
  SelectIndex(responses, "");
  responses.setBookmark(*row);
  return true;
}

}  // namespace

void WriteResponseRow(jet::Table& responses, DriverTable table, std::int32_t driverId,
                      const std::array<float, ResponseCount>& levels, NewDriverMatcher& lookups,
                      WriteProblems& problems, const std::string& label) {
  bool looked = false;
  const bool found = moveToRow(responses, table, driverId, lookups, problems, label, looked);
  if (!looked) return;
  if (!WriteStep(problems, label, "response row not written", [&] {
        if (found) {
          responses.edit();
        } else {
          SelectIndex(responses, "");
          responses.addNew();
        }
      }))
    return;
  const auto put = [&](std::string_view field, const jet::Value& value) {
    WriteStep(problems, label, FieldNotWritten("response ", field), [&] { responses.set(field, value); });
  };
  put(fields::UserEntry, YesNoTrue);
  put(fields::DriverID, driverId);
  for (int i = 0; i < ResponseCount; ++i) put(ResponseField(i), levels[static_cast<std::size_t>(i)]);
  if (!WriteStep(problems, label, "response row not saved", [&] { responses.update(); })) {
    if (responses.editing()) responses.cancelUpdate();
    return;
  }
  if (!found) lookups.responseAdded(table, readLong(fieldValue(responses, fields::DriverID)), responses.bookmark());
}

void DeleteResponseRow(jet::Table& responses, DriverTable table, std::int32_t driverId,
                       NewDriverMatcher& lookups, WriteProblems& problems, const std::string& label) {
  bool looked = false;
  if (!moveToRow(responses, table, driverId, lookups, problems, label, looked)) return;
  const jet::Bookmark row = responses.bookmark();
  if (WriteStep(problems, label, "response row not deleted", [&] { responses.remove(); }))
    lookups.responseDeleted(table, driverId, row);
}

}  // namespace qbm
