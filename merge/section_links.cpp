#include "merge/section_links.h"

#include "common/text_chars.h"

namespace qbm {

SectionName SplitSectionName(std::string_view model) {
  if (CharacterCount(model) > 5) {
    for (std::string_view suffix : {" - LF", " - MF", " - HF"})
      if (EndsWithAsciiNoCase(model, suffix))
        return {std::string(model.substr(0, model.size() - suffix.size())), std::string(suffix)};
  }
  return {std::string(model), ""};
}

}  // namespace qbm
