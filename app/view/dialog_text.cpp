#include "app/view/dialog_text.h"

#include <algorithm>
#include <cmath>

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

namespace {

// The length of the UTF-8 character starting at text[at] (1 for a stray continuation byte).
std::size_t characterLength(std::string_view text, std::size_t at) {
  std::size_t n = 1;
  while (at + n < text.size() && (static_cast<unsigned char>(text[at + n]) & 0xC0) == 0x80) ++n;
  return n;
}

}  // namespace

std::string BreakLongWords(std::string_view text, int limit, const std::function<int(std::string_view)>& width) {
  std::string out;
  out.reserve(text.size());
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = std::min(text.find_first_of(" \n", at), text.size());
    std::string_view word = text.substr(at, end - at);
    if (!word.empty() && width(word) > limit) {
      // Pieces that each fit, at least one character each.
      while (!word.empty()) {
        std::size_t cut = characterLength(word, 0);
        while (cut < word.size()) {
          const std::size_t next = cut + characterLength(word, cut);
          if (width(word.substr(0, next)) > limit) break;
          cut = next;
        }
        out += word.substr(0, cut);
        word.remove_prefix(cut);
        if (!word.empty()) out += '\n';
      }
    } else {
      out += word;
    }
    if (end < text.size()) out += text[end];
    at = end + 1;
  }
  return out;
}

int MessageLineLimit(int screenWidth, double dpi) {
  return std::max(1, std::min(static_cast<int>(std::lround(5 * dpi)), screenWidth * 3 / 4));
}

std::string FolderOf(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  if (slash == std::string_view::npos) return {};
  // The root keeps its separator: "/", "C:\\".
  const bool root = slash == 0 || (slash == 2 && path[1] == ':');
  return std::string(path.substr(0, root ? slash + 1 : slash));
}

std::string DialogFolders::startFolder(std::string_view dialogTitle) const {
  const auto found = folders_.find(dialogTitle);
  return found == folders_.end() ? std::string() : found->second;
}

void DialogFolders::chosen(std::string_view dialogTitle, std::string_view path) {
  std::string folder = FolderOf(path);
  if (folder.empty()) return;
  folders_[std::string(dialogTitle)] = std::move(folder);
}

}  // namespace qbm
