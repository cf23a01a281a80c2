#include "db/company_row.h"

#include "db/driver_fields.h"
#include "db/field_read.h"
#include "db/schema.h"
#include "db/table_walk.h"

namespace qbm {

DriverCompany ReadCompanyRow(const jet::Table& companies) {
  DriverCompany company;
  for (const auto& f : CompanyTextFields) company.*f.member = readText(fieldValue(companies, f.field));
  company.Type = readCode(fieldValue(companies, fields::Type));
  for (size_t i = 0; i < company.CompanyLink.size(); ++i)
    company.CompanyLink[i] = readLong(fieldValue(companies, fields::CompanyLink[i]));
  return company;
}

std::optional<DriverCompany> FindCompanyById(jet::Table& companies, std::int32_t id) {
  SelectIndex(companies, indexes::ID);
  if (!companies.seek(jet::Value{id})) return std::nullopt;
  return ReadCompanyRow(companies);
}

}  // namespace qbm
