#include "merge/section_links.h"

#include "common/text_chars.h"
#include "db/field_read.h"
#include "db/schema.h"

namespace qbm {

SectionName SplitSectionName(std::string_view model) {
  if (CharacterCount(model) > 5) {
    for (std::string_view suffix : {" - LF", " - MF", " - HF"})
      if (EndsWithAsciiNoCase(model, suffix))
        return {std::string(model.substr(0, model.size() - suffix.size())), std::string(suffix)};
  }
  return {std::string(model), ""};
}

std::int32_t SeekModelId(DatabaseState& db, DriverTable table, const std::string& key) {
  jet::Table& t = table == DriverTable::Woofers ? *db.NewWoofers : *db.NewTweeters;
  t.setIndex(indexes::Model);
  if (!t.seek(jet::Value{key})) return 0;
  return readLong(fieldValue(t, fields::ID));
}

}  // namespace qbm
