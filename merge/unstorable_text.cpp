#include "merge/unstorable_text.h"

#include "common/text_chars.h"

#include <cstdio>

#include "db/driver_fields.h"
#include "db/field_read.h"
#include "db/schema.h"

namespace qbm {
namespace {

class TextCheck {
 public:
  TextCheck(jet::Table& table, bool company, std::vector<UnstorableText>& found)
      : table_(table), company_(company), found_(found) {}

  void text(std::string_view field, const std::string& value) {
    if (value.empty() || table_.columnIndex(field) < 0) return;
    std::u32string outside = table_.unstorableCharacters(field, value);
    if (!outside.empty()) found_.push_back({company_, std::string(field), std::move(outside)});
  }

 private:
  jet::Table& table_;
  bool company_;
  std::vector<UnstorableText>& found_;
};

}  // namespace

std::vector<UnstorableText> UnstorableDriverTexts(const WorkingDriver& d, DriverTable kind,
                                                  bool withCompany, DatabaseState& db,
                                                  const UserLocale& locale) {
  std::vector<UnstorableText> found;
  jet::Table& table = kind == DriverTable::Woofers ? *db.New.Woofers : *db.New.Tweeters;
  TextCheck row(table, false, found);
  row.text(fields::Model, d.CurrentModel);
  const int date = table.columnIndex(fields::Date);
  if (date >= 0) {
    const jet::Value value = dateFieldValue(d.Date, table.columns()[static_cast<std::size_t>(date)].type, locale);
    if (const std::string* text = value.getIf<std::string>()) row.text(fields::Date, *text);
  }
  for (const auto& f : DriverTextFields)
    if (usedIn(f.use, kind)) row.text(f.field, d.*f.member);
  for (std::size_t k = 0; k < fields::PartNo.size(); ++k) row.text(fields::PartNo[k], d.PartNo[k]);
  if (withCompany) {
    TextCheck company(*db.New.Companies, true, found);
    for (const auto& f : CompanyTextFields) company.text(f.field, d.company.*f.member);
  }
  return found;
}

std::string UnstorableTextProblem(const UnstorableText& text, std::uint16_t codePage) {
  std::string characters;
  for (const char32_t c : text.characters) {
    if (!characters.empty()) characters += ", ";
    characters += "\"";
    AppendCharacter(characters, c);
    char code[16];
    std::snprintf(code, sizeof code, "\" (U+%04X)", static_cast<unsigned>(c));
    characters += code;
  }
  return std::string("not written: its ") + (text.company ? "company's " : "") + "\"" + text.field +
         "\" holds " + characters + ", which the new database (code page " + std::to_string(codePage) +
         ") cannot store";
}

}  // namespace qbm
