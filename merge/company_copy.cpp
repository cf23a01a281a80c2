#include "merge/company_copy.h"

#include "db/driver_fields.h"
#include "db/field_read.h"
#include "db/schema.h"
#include "merge/field_value.h"
#include "merge/write_step.h"

namespace qbm {

std::optional<std::int32_t> CopyCompany(WorkingDriver& driver, MergeState& merge,
                                        DatabaseState& db, CompanyNameTables& names,
                                        WriteProblems& problems, const std::string& label) {
  jet::Table& companies = *db.NewCompanies;
  const DriverCompany& company = driver.company;
  const auto put = [&](std::string_view field, const jet::Value& value) {
    WriteStep(problems, label, FieldNotWritten("company ", field), [&] { companies.set(field, value); });
  };

  companies.addNew();
  put(fields::UserEntry, YesNoTrue);
  for (const auto& f : CompanyTextFields) {
    put(f.field, TextFieldValue(company.*f.member));
    if (f.field == fields::Company) put(fields::Type, company.Type);
  }
  for (std::size_t k = 0; k < fields::CompanyLink.size(); ++k)
    put(fields::CompanyLink[k], LinkFieldValue(company.CompanyLink[k]));
  if (!WriteStep(problems, label, [&] { return "company \"" + company.Company + "\" not added"; },
                 [&] { companies.update(); })) {
    if (companies.editing()) companies.cancelUpdate();
    return std::nullopt;
  }

  const std::int32_t id = readLong(fieldValue(companies, fields::ID));
  merge.MergeCompanyId = id;
  driver.CompanyID = id;
  RecordAddedCompany(id, company.Company, names.NewCompanyFull, names.NewCompanyShort);
  return id;
}

}  // namespace qbm
