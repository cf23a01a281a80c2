#pragma once
// Reading a driver row of a fixture database into a fresh WorkingDriver, field by field through the
// reading rules, as the list clicks load a driver of the current format before its report is built.

#include "db/driver_fields.h"
#include "db/field_read.h"
#include "db/schema.h"
#include "db/working_driver.h"
#include "jet/table.h"

namespace qbm::test {

inline WorkingDriver readDriverRow(const jet::Table& t, DriverTable kind) {
  WorkingDriver d;
  d.Model = readText(fieldValue(t, fields::Model));
  d.CurrentModel = d.Model;
  d.CompanyID = readLong(fieldValue(t, fields::CompanyID));
  d.Date = readDate(fieldValue(t, fields::Date));
  for (const auto& f : DriverTextFields)
    if (usedIn(f.use, kind)) d.*f.member = readText(fieldValue(t, f.field));
  for (const auto& f : DriverCodeFields)
    if (usedIn(f.use, kind)) d.*f.member = readCode(fieldValue(t, f.field));
  for (const auto& f : DriverYesNoFields)
    if (usedIn(f.use, kind)) d.*f.member = readYesNo(fieldValue(t, f.field));
  for (const auto& f : DriverLinkFields)
    if (usedIn(f.use, kind)) d.*f.member = readLong(fieldValue(t, f.field));
  for (const auto& f : DriverNumberFields)
    if (usedIn(f.use, kind)) d.*f.member = readNumber(fieldValue(t, f.field));
  for (size_t i = 0; i < d.Dist.size(); ++i) {
    d.Dist[i] = readLong(fieldValue(t, fields::Dist[i]));
    d.PartNo[i] = readText(fieldValue(t, fields::PartNo[i]));
  }
  return d;
}

}  // namespace qbm::test
