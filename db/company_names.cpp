#include "db/company_names.h"

#include "db/field_read.h"
#include "db/schema.h"
#include "db/company_short_names.h"

namespace qbm {

const std::string& CompanyNameTable::operator[](std::int32_t id) const {
  static const std::string empty;
  const auto found = names_.find(id);
  return found == names_.end() ? empty : found->second;
}

bool CompanyNameTable::has(std::int32_t id) const { return names_.count(id) != 0; }

void CompanyNameTable::set(std::int32_t id, std::string name) {
  if (!IsCompanyId(id)) return;
  names_.insert_or_assign(id, std::move(name));
}

void CompanyNameTable::clear() { names_.clear(); }

bool IsNamelessCompany(const CompanyNameTable& fullNames, std::int32_t id) {
  return fullNames.has(id) && fullNames[id].empty();
}

void AddCompanyRow(const jet::Value& id, const jet::Value& company, CompanyNameTable& full,
                   CompanyNameTable& shortNames) {
  const std::int32_t key = readLong(id);
  if (!IsCompanyId(key)) return;
  if (company.isNull()) {
    full.set(key, "");
    shortNames.set(key, "");
    return;
  }
  std::string name = readText(company);
  shortNames.set(key, std::string(ShortCompanyName(name)));
  full.set(key, std::move(name));
}

ReadProblems BuildCompanyNames(jet::Table& companies, CompanyNameTable& full, CompanyNameTable& shortNames) {
  full.clear();
  shortNames.clear();
  return WalkRows(companies, [&] {
    AddCompanyRow(companies.get(fields::ID), companies.get(fields::Company), full, shortNames);
  });
}

void RecordAddedCompany(std::int32_t id, const std::string& name, CompanyNameTable& full,
                        CompanyNameTable& shortNames) {
  full.set(id, name);
  shortNames.set(id, name);
}

}  // namespace qbm
