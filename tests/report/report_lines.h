#pragma once
// Splitting report text into its lines for line-by-line comparisons.

#include <string>
#include <string_view>
#include <vector>

namespace qbm::test {

using Lines = std::vector<std::string>;

// The lines of a report text split at "\r\n"; the text after the last line end is the last line
// (so a text ending in "\r\n" has an empty last line). A lone "\r" or "\n" stays inside its line.
inline Lines linesOf(std::string_view text) {
  Lines lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string_view::npos; start = end + 2)
    lines.emplace_back(text.substr(start, end - start));
  lines.emplace_back(text.substr(start));
  return lines;
}

}  // namespace qbm::test
