#pragma once
// The new database's woofers as the legacy change scan compares old drivers with them, indexed
// once per scan so that each old driver costs a hash look-up and a few binary searches instead of a
// walk over the whole table.
//
// The rows are taken in "Model" index order; "first" below means first in that order.
//  - Direct match: the first row whose Model equals the old model under the index's comparison of
//    text (the collation's key bytes, so letter case does not count), as an "=" seek finds it.
//  - Fuzzy match: the first valid row (Model not Null, 0 < Company ID <= 900, ID > 0) whose
//    normalised model, without its section suffix or whole (NewModelKeys), begins with the old
//    key, and whose company passes the company test for the old maker (companyPasses).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "jet/database.h"
#include "jet/collation.h"
#include "jet/table.h"
#include "db/company_names.h"

namespace qbm {

// One new woofer as the scan reads it.
struct NewWooferRow {
  std::optional<std::string> model;  // nothing for Null
  std::int32_t companyId = 0;
  std::int32_t id = 0;
};

// A row the scan may match: Model not Null, 0 < Company ID <= 900, ID > 0.
bool IsValidNewWoofer(const NewWooferRow& row);

class NewWooferLookup {
 public:
  // A lookup over no woofers: nothing matches (the new database is not open).
  NewWooferLookup() = default;
  // rows in "Model" index order; collation is the one of the index's text keys; the new company
  // names by ID (read here only).
  NewWooferLookup(std::vector<NewWooferRow> rows, jet::Collation collation,
                  const CompanyNameTable& fullNames, const CompanyNameTable& shortNames);

  // The first row whose Model equals model under the index comparison, or nothing.
  const NewWooferRow* directMatch(std::string_view model) const;

  // Position (in index order) of the first valid row whose normalised model, without its section
  // suffix or whole, begins with key and whose company passes the test for upperMaker; nothing
  // when no row does.
  std::optional<std::size_t> fuzzyMatch(std::string_view key, std::string_view upperMaker) const;

  // The company test for company ID c of a valid row: upperMaker begins its full or short name;
  // an empty maker, which would begin every name, passes only for a company that exists without
  // a name, as the merge matches it (IsNamelessCompany). False for any other ID.
  bool companyPasses(std::string_view upperMaker, std::int32_t c) const;

  std::size_t size() const { return rows_.size(); }

 private:
  // A valid row's normalised model, its company and its position in index order.
  struct FuzzyEntry {
    std::int32_t companyId;
    std::uint32_t position;
    std::string key;
  };
  // The companies that have valid rows and that an old maker names, computed once per maker.
  struct MakerCompanies {
    std::vector<bool> passes;                // by company ID 0..900
    std::vector<std::int32_t> withEntries;   // the passing IDs, ascending
  };
  // A company that has valid rows, with its names upper-cased once.
  struct UpperNames {
    std::int32_t id;
    std::string full, shortName;
    bool nameless;  // it exists without a name (IsNamelessCompany)
  };

  std::string modelKey(std::string_view model) const;
  const MakerCompanies& companiesOf(std::string_view upperMaker) const;
  std::uint32_t firstPosition(std::size_t begin, std::size_t end) const;  // REQUIRES: begin < end
  void buildDirect();
  void buildFuzzy(const CompanyNameTable& fullNames, const CompanyNameTable& shortNames);

  std::vector<NewWooferRow> rows_;
  jet::Collation collation_ = jet::Collation::General2000;

  std::unordered_map<std::string, std::size_t> direct_;  // model key -> first row
  std::vector<FuzzyEntry> fuzzy_;                         // by company, key, position
  // [companyBegin_[c], companyBegin_[c + 1]) are the entries of company c.
  std::vector<std::size_t> companyBegin_;
  std::vector<UpperNames> companies_;  // every company that has valid rows
  // minPosition_[k][i]: the smallest position among fuzzy_[i .. i + 2^k).
  std::vector<std::vector<std::uint32_t>> minPosition_;
  mutable std::unordered_map<std::string, MakerCompanies> makers_;
};

// Reads the woofers through the cursor in "Model" index order (it selects that index and is left at
// the end) and indexes them. Engine errors, a missing "Model" index among them, reach the caller.
NewWooferLookup ReadNewWooferLookup(const jet::Database& db, jet::Table& woofers,
                                    const CompanyNameTable& fullNames,
                                    const CompanyNameTable& shortNames);

}  // namespace qbm
