#pragma once
// The merge's matching rules carried out literally, as the reference the indexed look-ups are held
// to: the company match compares every company of the tables, the model match walks the new table in "Model"
// index order through the cursor (once per company the old name names).

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "common/text_chars.h"
#include "db/field_read.h"
#include "db/schema.h"
#include "merge/new_driver_matcher.h"
#include "db/company_names.h"
#include "olddb/model_names.h"

namespace qbm::test {

// The first n characters of a UTF-8 text (the whole text when it has no more).
inline std::string firstCharacters(std::string_view text, std::size_t n) {
  std::size_t count = 0, i = 0;
  for (; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if ((byte & 0xC0) != 0x80) {  // a character starts here
      if (count == n) break;
      ++count;
    }
  }
  return std::string(text.substr(0, i));
}

// For every company k of the tables, highest first: the full and the short name cut to as many characters as the old name
// has, upper-cased, compared with the old name upper-cased; every k that matches. An empty old
// name instead matches the companies that exist with an empty full name.
inline std::vector<std::int32_t> literalCompanyMatches(const std::string& name, const CompanyNameTable& full,
                                                       const CompanyNameTable& shortNames) {
  const std::size_t length = CharacterCount(name);
  const std::string upper = UpperCase(name);
  std::vector<std::int32_t> matches;
  std::set<std::int32_t, std::greater<>> ids;
  for (const auto* table : {&full, &shortNames})
    for (const auto& entry : table->entries()) ids.insert(entry.first);
  for (const std::int32_t k : ids) {
    const std::string a = UpperCase(firstCharacters(full[k], length));
    const std::string b = UpperCase(firstCharacters(shortNames[k], length));
    if (name.empty() ? full.has(k) && full[k].empty() : upper == a || upper == b) matches.push_back(k);
  }
  return matches;
}

// The merge's look-ups done by the rules' own walks, with nothing kept between drivers.
class LiteralDriverMatcher : public NewDriverMatcher {
 public:
  LiteralDriverMatcher(DatabaseState& db, const CompanyNameTables& names) : db_(db), names_(names) {}

  std::vector<std::int32_t> matchCompanies(const std::string& upperName) override {
    return literalCompanyMatches(upperName, names_.NewCompanyFull, names_.NewCompanyShort);
  }

  std::optional<MergeRow> matchModel(DriverTable table, std::int32_t companyId,
                                     std::string_view oldKey) override {
    jet::Table& t = table == DriverTable::Woofers ? *db_.New.Woofers : *db_.New.Tweeters;
    t.setIndex(indexes::Model);
    for (t.moveFirst(); !t.eof(); t.moveNext()) {
      const std::int32_t id = readLong(fieldValue(t, fields::ID));
      const jet::Value model = fieldValue(t, fields::Model);
      if (model.isNull() || readLong(fieldValue(t, fields::CompanyID)) != companyId || id <= 0)
        continue;
      const std::string m = readText(model);
      if (NormalizeModel(DropSectionSuffix(m)) == oldKey || NormalizeModel(m) == oldKey)
        return MergeRow{id, t.bookmark()};
    }
    return std::nullopt;
  }

  std::int32_t sectionRowId(DriverTable table, const std::string& model) override {
    jet::Table& t = table == DriverTable::Woofers ? *db_.New.Woofers : *db_.New.Tweeters;
    t.setIndex(indexes::Model);
    if (!t.seek(jet::Value{model})) return 0;
    return readLong(fieldValue(t, fields::ID));
  }
  std::optional<jet::Bookmark> responseRow(DriverTable table, std::int32_t driverId) override {
    jet::Table& r = table == DriverTable::Woofers ? *db_.New.WooferResponse : *db_.New.TweeterResponse;
    r.setIndex(indexes::DriverID);
    if (!r.seek(jet::Value{driverId})) return std::nullopt;
    return r.bookmark();
  }
  void companyChanged(std::int32_t) override {}
  void rowWritten(DriverTable, const jet::Bookmark&) override {}
  void responseAdded(DriverTable, std::int32_t, const jet::Bookmark&) override {}
  void responseDeleted(DriverTable, std::int32_t, const jet::Bookmark&) override {}

 private:
  DatabaseState& db_;
  const CompanyNameTables& names_;
};

}  // namespace qbm::test
