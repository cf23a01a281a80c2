#include "app/view/dialog_text.h"

namespace qbm {
namespace {

std::string_view trimmed(std::string_view s) {
  constexpr std::string_view Blanks = " \t\r\n\f\v";
  const std::size_t first = s.find_first_not_of(Blanks);
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(Blanks) - first + 1);
}

std::vector<std::string_view> split(std::string_view s, char separator) {
  std::vector<std::string_view> parts;
  for (std::size_t at = 0;;) {
    const std::size_t end = s.find(separator, at);
    parts.push_back(s.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at));
    if (end == std::string_view::npos) return parts;
    at = end + 1;
  }
}

}  // namespace

std::vector<DialogFilter> ParseDialogFilter(std::string_view filter) {
  const std::vector<std::string_view> parts = split(filter, '|');
  std::vector<DialogFilter> filters;
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
    DialogFilter f{std::string(trimmed(parts[i])), {}};
    for (std::string_view pattern : split(parts[i + 1], ';'))
      if (const std::string_view p = trimmed(pattern); !p.empty()) f.patterns.emplace_back(p);
    if (!f.patterns.empty()) filters.push_back(std::move(f));
  }
  return filters;
}

std::string WithLineBreaks(std::string_view text, std::string_view lineBreak) {
  std::string shown;
  shown.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      shown += lineBreak;
    } else if (text[i] == '\n') {
      shown += lineBreak;
    } else {
      shown += text[i];
    }
  }
  return shown;
}

}  // namespace qbm
