#include "olddb/new_woofer_lookup.h"

#include <algorithm>
#include <bit>

#include "db/field_read.h"
#include "db/schema.h"
#include "db/table_walk.h"
#include "common/text_chars.h"
#include "olddb/company_match.h"
#include "olddb/model_names.h"

namespace qbm {
bool IsValidNewWoofer(const NewWooferRow& row) {
  return row.model && row.companyId > 0 && row.companyId <= MaxListedCompanyId && row.id > 0;
}

NewWooferLookup::NewWooferLookup(std::vector<NewWooferRow> rows, jet::Collation collation,
                                 const CompanyNameTable& fullNames,
                                 const CompanyNameTable& shortNames)
    : rows_(std::move(rows)), collation_(collation) {
  buildDirect();
  buildFuzzy(fullNames, shortNames);
}

std::string NewWooferLookup::modelKey(std::string_view model) const {
  const jet::Bytes key =
      jet::sortKey(jet::ColumnType::Text, jet::Value{std::string(model)}, false, collation_);
  return std::string(key.begin(), key.end());
}

void NewWooferLookup::buildDirect() {
  direct_.reserve(rows_.size());
  for (std::size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i].model) direct_.try_emplace(modelKey(*rows_[i].model), i);  // keeps the first
}

void NewWooferLookup::buildFuzzy(const CompanyNameTable& fullNames,
                                 const CompanyNameTable& shortNames) {
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    const NewWooferRow& row = rows_[i];
    if (!IsValidNewWoofer(row)) continue;
    // The form without the section suffix is a beginning of the whole form, so a key begins
    // either form exactly when it begins the whole one.
    fuzzy_.push_back({row.companyId, static_cast<std::uint32_t>(i), NewModelKeysOf(*row.model).whole});
  }
  std::sort(fuzzy_.begin(), fuzzy_.end(), [](const FuzzyEntry& a, const FuzzyEntry& b) {
    if (a.companyId != b.companyId) return a.companyId < b.companyId;
    if (a.key != b.key) return a.key < b.key;
    return a.position < b.position;
  });

  companyBegin_.assign(MaxListedCompanyId + 2, 0);
  for (const FuzzyEntry& e : fuzzy_) ++companyBegin_[static_cast<std::size_t>(e.companyId) + 1];
  for (std::size_t c = 1; c < companyBegin_.size(); ++c) companyBegin_[c] += companyBegin_[c - 1];
  for (std::int32_t c = 1; c <= MaxListedCompanyId; ++c)
    if (companyBegin_[static_cast<std::size_t>(c)] < companyBegin_[static_cast<std::size_t>(c) + 1])
      companies_.push_back(
          {c, UpperCase(fullNames[c]), UpperCase(shortNames[c]), IsNamelessCompany(fullNames, c)});

  // Sparse table of range minima over the positions.
  const std::size_t n = fuzzy_.size();
  if (n == 0) return;
  minPosition_.emplace_back(n);
  for (std::size_t i = 0; i < n; ++i) minPosition_[0][i] = fuzzy_[i].position;
  for (std::size_t width = 2; width <= n; width *= 2) {
    const std::vector<std::uint32_t>& half = minPosition_.back();
    std::vector<std::uint32_t> level(n - width + 1);
    for (std::size_t i = 0; i < level.size(); ++i)
      level[i] = std::min(half[i], half[i + width / 2]);
    minPosition_.push_back(std::move(level));
  }
}

std::uint32_t NewWooferLookup::firstPosition(std::size_t begin, std::size_t end) const {
  const std::size_t length = end - begin;
  const int k = std::bit_width(length) - 1;
  const std::size_t width = std::size_t{1} << k;
  return std::min(minPosition_[static_cast<std::size_t>(k)][begin],
                  minPosition_[static_cast<std::size_t>(k)][end - width]);
}

const NewWooferRow* NewWooferLookup::directMatch(std::string_view model) const {
  if (direct_.empty()) return nullptr;
  const auto found = direct_.find(modelKey(model));
  return found == direct_.end() ? nullptr : &rows_[found->second];
}

bool NewWooferLookup::companyPasses(std::string_view upperMaker, std::int32_t c) const {
  if (c < 1 || c > MaxListedCompanyId || fuzzy_.empty()) return false;
  return companiesOf(upperMaker).passes[static_cast<std::size_t>(c)];
}

const NewWooferLookup::MakerCompanies& NewWooferLookup::companiesOf(
    std::string_view upperMaker) const {
  const auto known = makers_.find(std::string(upperMaker));
  if (known != makers_.end()) return known->second;
  MakerCompanies companies;
  companies.passes.assign(MaxListedCompanyId + 1, false);
  for (const UpperNames& company : companies_) {
    const bool named = upperMaker.empty()
                           ? company.nameless
                           : UpperCompanyNameBegins(upperMaker, company.full, company.shortName);
    if (!named) continue;
    companies.passes[static_cast<std::size_t>(company.id)] = true;
    companies.withEntries.push_back(company.id);
  }
  return makers_.emplace(std::string(upperMaker), std::move(companies)).first->second;
}

std::optional<std::size_t> NewWooferLookup::fuzzyMatch(std::string_view key,
                                                       std::string_view upperMaker) const {
  if (fuzzy_.empty()) return std::nullopt;
  std::optional<std::uint32_t> first;
  for (std::int32_t c : companiesOf(upperMaker).withEntries) {
    const auto begin = fuzzy_.begin() + static_cast<std::ptrdiff_t>(companyBegin_[static_cast<std::size_t>(c)]);
    const auto end = fuzzy_.begin() + static_cast<std::ptrdiff_t>(companyBegin_[static_cast<std::size_t>(c) + 1]);
    // Keys that begin with `key` follow one another: cut to key's length, the sorted keys stay
    // sorted, and those cuts equal to key lie between the smaller and the greater ones.
    const auto low = std::partition_point(begin, end, [&](const FuzzyEntry& e) {
      return e.key.compare(0, key.size(), key) < 0;
    });
    const auto high = std::partition_point(low, end, [&](const FuzzyEntry& e) {
      return e.key.compare(0, key.size(), key) == 0;
    });
    if (low == high) continue;
    const std::uint32_t position = firstPosition(static_cast<std::size_t>(low - fuzzy_.begin()),
                                                 static_cast<std::size_t>(high - fuzzy_.begin()));
    if (!first || position < *first) first = position;
  }
  if (!first) return std::nullopt;
  return static_cast<std::size_t>(*first);
}

NewWooferLookup ReadNewWooferLookup(const jet::Database& db, jet::Table& woofers,
                                    const CompanyNameTable& fullNames,
                                    const CompanyNameTable& shortNames) {
  woofers.setIndex(indexes::Model);
  const int model = woofers.columnIndex(fields::Model);
  const int company = woofers.columnIndex(fields::CompanyID);
  const int id = woofers.columnIndex(fields::ID);
  std::vector<NewWooferRow> rows;
  for (woofers.moveFirst(); !woofers.eof(); woofers.moveNext()) {
    NewWooferRow row;
    const jet::Value modelValue = valueAt(woofers, model);
    if (!modelValue.isNull()) row.model = readText(modelValue);
    row.companyId = readLong(valueAt(woofers, company));
    row.id = readLong(valueAt(woofers, id));
    rows.push_back(std::move(row));
  }
  const jet::Collation collation = db.format() == jet::Format::Jet4 ? jet::Collation::General2000
                                                                    : jet::Collation::General97;
  return NewWooferLookup(std::move(rows), collation, fullNames, shortNames);
}

}  // namespace qbm
