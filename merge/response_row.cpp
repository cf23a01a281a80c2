#include "merge/response_row.h"

#include "db/table_walk.h"
#include "db/working_driver.h"
#include "merge/write_step.h"

namespace qbm {
namespace {

// Makes the driver's response row current; false when it has none or it cannot be found (the
// failure recorded).
// The rows are found through the merge's look-ups (the first row of that "Driver ID" in the
// index's order) and reached by bookmark.
bool moveToRow(NewDatabaseWriter& writer, DriverTable table, std::int32_t driverId,
               const std::string& label, bool& looked) {
  jet::Table& responses = NewResponseTable(writer.db(), table);
  std::optional<jet::Bookmark> row;
  looked = WriteStep(writer.problems(), label, "response row not looked up",
                     [&] { row = writer.lookups().responseRow(table, driverId); });
  if (!row) return false;
  SelectIndex(responses, "");
  responses.setBookmark(*row);
  return true;
}

}  // namespace

void WriteResponseRow(NewDatabaseWriter& writer, DriverTable table, std::int32_t driverId,
                      const std::array<float, ResponseCount>& levels, const std::string& label) {
  jet::Table& responses = NewResponseTable(writer.db(), table);
  WriteProblems& problems = writer.problems();
  bool looked = false;
  const bool found = moveToRow(writer, table, driverId, label, looked);
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
  writer.saveResponseRow(table, !found, label);
}

void DeleteResponseRow(NewDatabaseWriter& writer, DriverTable table, std::int32_t driverId,
                       const std::string& label) {
  bool looked = false;
  if (!moveToRow(writer, table, driverId, label, looked)) return;
  writer.deleteResponseRow(table, driverId, label);
}

}  // namespace qbm
