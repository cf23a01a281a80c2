#pragma once
// Texts as the session gives them, read for a window: the open-file dialog's filter
// ("Description|pattern|Description|pattern", several patterns of one description separated by
// ";") as pairs, and line breaks of every kind made into the one a control wants.

#include <string>
#include <string_view>
#include <vector>

namespace qbm {

struct DialogFilter {
  std::string description;            // trimmed; may be empty
  std::vector<std::string> patterns;  // trimmed, none empty
};

// One filter per description and pattern pair, in order. Pairs without a pattern are dropped, and
// so is a last description without one.
std::vector<DialogFilter> ParseDialogFilter(std::string_view filter);

// The text with "\r\n", a lone "\r" and a lone "\n" each made into `lineBreak`.
std::string WithLineBreaks(std::string_view text, std::string_view lineBreak);

}  // namespace qbm
