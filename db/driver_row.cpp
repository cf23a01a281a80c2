#include "db/driver_row.h"

#include "db/driver_fields.h"
#include "db/field_read.h"
#include "db/schema.h"

namespace qbm {
namespace {

template <class Member, std::size_t N, class Read>
void readFields(const std::array<DriverField<Member>, N>& list, const jet::Table& row,
                DriverTable table, WorkingDriver& driver, Read read) {
  for (const auto& f : list)
    if (usedIn(f.use, table)) driver.*f.member = read(fieldValue(row, f.field));
}

}  // namespace

void ReadDriverRow(const jet::Table& row, DriverTable table, WorkingDriver& driver) {
  driver.Model = readText(fieldValue(row, fields::Model));
  driver.CurrentModel = driver.Model;
  driver.CompanyID = readLong(fieldValue(row, fields::CompanyID));
  driver.Date = readDate(fieldValue(row, fields::Date));
  readFields(DriverCodeFields, row, table, driver, readCode);
  readFields(DriverTextFields, row, table, driver,
             [](const jet::Value& v) { return readText(v); });
  readFields(DriverLinkFields, row, table, driver, readLong);
  readFields(DriverYesNoFields, row, table, driver, readYesNo);
  readFields(DriverNumberFields, row, table, driver, readNumber);
  for (std::size_t i = 0; i < driver.Dimen.size(); ++i)
    driver.Dimen[i] = readNumber(fieldValue(row, fields::Dimen[i]));
  for (std::size_t i = 0; i < driver.Dist.size(); ++i) {
    driver.Dist[i] = readLong(fieldValue(row, fields::Dist[i]));
    driver.PartNo[i] = readText(fieldValue(row, fields::PartNo[i]));
  }
  if (table == DriverTable::Tweeters) ClearWooferOnlyMembers(driver);
}

void ClearWooferOnlyMembers(WorkingDriver& driver) {
  driver.Underhung = YesNoFalse;
  driver.Dual = YesNoFalse;
  for (const auto& f : DriverNumberFields)
    if (f.use == FieldUse::Woofers) driver.*f.member = 0;
}

}  // namespace qbm
