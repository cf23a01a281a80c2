#pragma once
// The merge's matching rules carried out literally, as the reference the indexed look-ups are held
// to: the company match compares all 900 slots, the model match walks the new table in "Model"
// index order through the cursor.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/text_chars.h"
#include "db/field_read.h"
#include "db/schema.h"
#include "merge/new_driver_matcher.h"
#include "olddb/company_names.h"
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

// For k = 1 to 900: the full and the short name cut to as many characters as the old name has,
// upper-cased, compared with the old name upper-cased; the last k that matches wins.
inline std::optional<std::int32_t> literalCompanyMatch(const std::string& name,
                                                       const CompanyNameTable& full,
                                                       const CompanyNameTable& shortNames) {
  const std::size_t length = CharacterCount(name);
  const std::string upper = UpperCase(name);
  std::optional<std::int32_t> best;
  for (std::int32_t k = 1; k <= MaxCompanyId; ++k) {
    const std::string a = UpperCase(firstCharacters(full[k], length));
    const std::string b = UpperCase(firstCharacters(shortNames[k], length));
    if (upper == a || upper == b) best = k;
  }
  return best;
}

// The merge's look-ups done by the rules' own walks, with nothing kept between drivers.
class LiteralDriverMatcher : public NewDriverMatcher {
 public:
  LiteralDriverMatcher(DatabaseState& db, const CompanyNameTables& names) : db_(db), names_(names) {}

  std::optional<std::int32_t> matchCompany(const std::string& upperName) override {
    if (upperName.empty()) return std::nullopt;  // the merge's decision for a nameless company
    return literalCompanyMatch(upperName, names_.NewCompanyFull, names_.NewCompanyShort);
  }

  std::optional<MergeRow> matchModel(DriverTable table, std::int32_t companyId,
                                     std::string_view oldKey) override {
    jet::Table& t = table == DriverTable::Woofers ? *db_.NewWoofers : *db_.NewTweeters;
    t.setIndex(indexes::Model);
    for (t.moveFirst(); !t.eof(); t.moveNext()) {
      const std::int32_t id = readLong(fieldValue(t, fields::ID));
      const jet::Value model = fieldValue(t, fields::Model);
      if (model.isNull() || readLong(fieldValue(t, fields::CompanyID)) != companyId || id <= 0)
        continue;
      if (NormalizeModel(DropSectionSuffix(readText(model))) == oldKey)
        return MergeRow{id, t.bookmark()};
    }
    return std::nullopt;
  }

  std::int32_t sectionRowId(DriverTable table, const std::string& model) override {
    jet::Table& t = table == DriverTable::Woofers ? *db_.NewWoofers : *db_.NewTweeters;
    t.setIndex(indexes::Model);
    if (!t.seek(jet::Value{model})) return 0;
    return readLong(fieldValue(t, fields::ID));
  }
  std::optional<jet::Bookmark> responseRow(DriverTable table, std::int32_t driverId) override {
    jet::Table& r = table == DriverTable::Woofers ? *db_.NewWooferResponse : *db_.NewTweeterResponse;
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
