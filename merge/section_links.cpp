#include "merge/section_links.h"

#include "common/text_chars.h"
#include "db/field_read.h"
#include "db/schema.h"
#include "db/table_walk.h"

namespace qbm {

SectionName SplitSectionName(std::string_view model) {
  if (CharacterCount(model) > 5) {
    for (std::string_view suffix : {" - LF", " - MF", " - HF"})
      if (EndsWithAsciiNoCase(model, suffix))
        return {std::string(model.substr(0, model.size() - suffix.size())), std::string(suffix)};
  }
  return {std::string(model), ""};
}

std::int32_t SeekModelId(jet::Table& table, const std::string& key) {
  SelectIndex(table, indexes::Model);
  if (!table.seek(jet::Value{key})) return 0;
  return readLong(fieldValue(table, fields::ID));
}

}  // namespace qbm
