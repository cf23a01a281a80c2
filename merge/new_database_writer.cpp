#include "merge/new_database_writer.h"

#include "db/field_read.h"
#include "db/schema.h"
#include "merge/write_step.h"

namespace qbm {

jet::Table& NewDriverTable(DatabaseState& db, DriverTable table) {
  return table == DriverTable::Woofers ? *db.New.Woofers : *db.New.Tweeters;
}

jet::Table& NewResponseTable(DatabaseState& db, DriverTable table) {
  return table == DriverTable::Woofers ? *db.New.WooferResponse : *db.New.TweeterResponse;
}

// A save that fails as one row can is recorded and the half-made row dropped, so that the cursor
// is free for the next write.
bool NewDatabaseWriter::save(jet::Table& table, const std::string& label, const std::string& what) {
  if (WriteStep(problems_, label, what, [&] { table.update(); })) return true;
  if (table.editing()) table.cancelUpdate();
  return false;
}

std::optional<MergeRow> NewDatabaseWriter::saveDriverRow(DriverTable table, const std::string& label) {
  jet::Table& rows = NewDriverTable(db_, table);
  if (!save(rows, label, "the row was not saved")) return std::nullopt;
  // After the save the cursor stands on the saved row.
  const MergeRow saved{readLong(fieldValue(rows, fields::ID)), rows.bookmark()};
  lookups_.rowWritten(table, *saved.bookmark);
  return saved;
}

std::optional<std::int32_t> NewDatabaseWriter::saveCompanyRow(const std::string& name,
                                                              const std::string& label) {
  jet::Table& companies = *db_.New.Companies;
  if (!save(companies, label, "company \"" + name + "\" not added")) return std::nullopt;
  // The ID the database gave the row, read from the row itself: never confused with an older
  // company of the same name.
  const std::int32_t id = readLong(fieldValue(companies, fields::ID));
  RecordAddedCompany(id, name, names_.NewCompanyFull, names_.NewCompanyShort);
  lookups_.companyChanged(id);
  return id;
}

bool NewDatabaseWriter::saveResponseRow(DriverTable table, bool added, const std::string& label) {
  jet::Table& responses = NewResponseTable(db_, table);
  if (!save(responses, label, "response row not saved")) return false;
  if (added)
    lookups_.responseAdded(table, readLong(fieldValue(responses, fields::DriverID)),
                           responses.bookmark());
  return true;
}

bool NewDatabaseWriter::deleteResponseRow(DriverTable table, std::int32_t driverId,
                                          const std::string& label) {
  jet::Table& responses = NewResponseTable(db_, table);
  const jet::Bookmark row = responses.bookmark();
  if (!WriteStep(problems_, label, "response row not deleted", [&] { responses.remove(); }))
    return false;
  lookups_.responseDeleted(table, driverId, row);
  return true;
}

}  // namespace qbm
