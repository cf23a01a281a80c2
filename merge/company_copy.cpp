#include "merge/company_copy.h"

#include "db/driver_fields.h"
#include "db/schema.h"
#include "merge/field_value.h"
#include "merge/write_step.h"

namespace qbm {

std::optional<std::int32_t> CopyCompany(WorkingDriver& driver, NewDatabaseWriter& writer,
                                        const std::string& label) {
  jet::Table& companies = *writer.db().New.Companies;
  const DriverCompany& company = driver.company;
  const auto put = [&](std::string_view field, const jet::Value& value) {
    WriteStep(writer.problems(), label, FieldNotWritten("company ", field),
              [&] { companies.set(field, value); });
  };

  companies.addNew();
  put(fields::UserEntry, YesNoTrue);
  for (const auto& f : CompanyTextFields) {
    put(f.field, TextFieldValue(company.*f.member));
    if (f.field == fields::Company) put(fields::Type, company.Type);
  }
  for (std::size_t k = 0; k < fields::CompanyLink.size(); ++k)
    put(fields::CompanyLink[k], LinkFieldValue(company.CompanyLink[k]));
  const std::optional<std::int32_t> id = writer.saveCompanyRow(company.Company, label);
  if (!id) return std::nullopt;
  driver.CompanyID = *id;
  return id;
}

}  // namespace qbm
