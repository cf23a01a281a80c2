#pragma once
// The company names of each side by company ID: the full name as stored and the short name the
// lists show (company_short_names.h). Built when a side's companies are scanned, extended when the
// merge adds a company, and read by the listings and the company matching.

#include <cstdint>
#include <map>
#include <string>

#include "db/table_walk.h"
#include "jet/table.h"
#include "jet/value.h"

namespace qbm {

// A company ID names a company when it is 1 or more, however large: a database holds as many
// companies as it likes, and the merge matches every one of them (a company it cannot find it
// would copy again on every merge). 0 is "no company" (a link of 0, or Null), and negative IDs
// name none.
inline bool IsCompanyId(std::int32_t id) { return id >= 1; }

// The lists show drivers, and the legacy change scan compares new woofers, only under company
// IDs 1..MaxListedCompanyId; the merge's own matching knows no such limit.
inline constexpr std::int32_t MaxListedCompanyId = 900;

// Text by company ID. IDs that name no company (IsCompanyId) are never stored and, like IDs
// without a company, read as "". The table also knows which IDs were set, so that a company whose
// name is empty can be told from an ID that has no company. Holds only the IDs set, so a file's
// sparse or very large IDs cost nothing.
class CompanyNameTable {
 public:
  const std::string& operator[](std::int32_t id) const;
  // Whether the ID was set since the last clear (its company exists, whatever its name).
  bool has(std::int32_t id) const;
  // Ignored for an ID that names no company.
  void set(std::int32_t id, std::string name);
  // Every entry back to "", and no ID set.
  void clear();
  // The IDs set and their names, by ascending ID.
  const std::map<std::int32_t, std::string>& entries() const { return names_; }

 private:
  std::map<std::int32_t, std::string> names_;
};

// Whether company id exists in the table of full names with an empty name: the companies an empty
// maker name names (an empty name would begin every name, so it is matched only this way).
bool IsNamelessCompany(const CompanyNameTable& fullNames, std::int32_t id);

// The four tables the main window keeps.
struct CompanyNameTables {
  CompanyNameTable OldCompanyFull;
  CompanyNameTable OldCompanyShort;
  CompanyNameTable NewCompanyFull;
  CompanyNameTable NewCompanyShort;
};

// One companies row: an ID that names no company is skipped; a Null "Company" leaves both names of that
// ID empty; otherwise full[id] is the name and short[id] its short name (or the name itself).
void AddCompanyRow(const jet::Value& id, const jet::Value& company, CompanyNameTable& full,
                   CompanyNameTable& shortNames);

// Rebuilds a side's two tables from scratch: empties them, then applies AddCompanyRow to every row
// of the companies cursor in the cursor's order (it is left at its end). Rows and pages that
// cannot be read are passed over and counted; errors of the walk itself reach the caller.
ReadProblems BuildCompanyNames(jet::Table& companies, CompanyNameTable& full, CompanyNameTable& shortNames);

// A company just added to the new database: both tables take the name unchanged (no short-name
// mapping until the next rebuild).
void RecordAddedCompany(std::int32_t id, const std::string& name, CompanyNameTable& full,
                        CompanyNameTable& shortNames);

}  // namespace qbm
