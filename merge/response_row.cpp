#include "merge/response_row.h"

#include "db/table_walk.h"
#include "db/working_driver.h"
#include "merge/write_step.h"

namespace qbm {
namespace {

// Seeks the driver's row; false when there is none or the table cannot be searched (recorded).
bool findRow(jet::Table& responses, std::int32_t driverId, WriteProblems& problems,
             const std::string& label, bool& found) {
  return WriteStep(problems, label, "response row not looked up", [&] {
    SelectIndex(responses, indexes::DriverID);
    found = responses.seek(jet::Value{driverId});
  });
}

}  // namespace

void WriteResponseRow(jet::Table& responses, std::int32_t driverId,
                      const std::array<float, ResponseCount>& levels, WriteProblems& problems,
                      const std::string& label) {
  bool found = false;
  if (!findRow(responses, driverId, problems, label, found)) return;
  if (!WriteStep(problems, label, "response row not written", [&] {
        if (found)
          responses.edit();
        else
          responses.addNew();
      }))
    return;
  const auto put = [&](std::string_view field, const jet::Value& value) {
    WriteStep(problems, label, FieldNotWritten("response ", field), [&] { responses.set(field, value); });
  };
  put(fields::UserEntry, YesNoTrue);
  put(fields::DriverID, driverId);
  for (int i = 0; i < ResponseCount; ++i)
    put(ResponseField(i), levels[static_cast<std::size_t>(i)]);
  if (!WriteStep(problems, label, "response row not saved", [&] { responses.update(); }) &&
      responses.editing())
    responses.cancelUpdate();
}

void DeleteResponseRow(jet::Table& responses, std::int32_t driverId, WriteProblems& problems,
                       const std::string& label) {
  bool found = false;
  if (!findRow(responses, driverId, problems, label, found) || !found) return;
  WriteStep(problems, label, "response row not deleted", [&] { responses.remove(); });
}

}  // namespace qbm
