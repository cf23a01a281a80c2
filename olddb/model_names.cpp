#include "olddb/model_names.h"

#include <array>

#include "common/text_chars.h"

namespace qbm {

std::string NormalizeModel(std::string_view model) {
  std::string kept;
  kept.reserve(model.size());
  for (char c : model)
    if (c != '-' && c != ' ' && c != '=' && c != '/') kept.push_back(c);
  return UpperCase(kept);
}

namespace {

// Removes the ASCII suffix when the text ends in it (any letter case) and has more characters
// than the suffix. The suffix being ASCII, "more characters" is "more bytes".
bool removeSuffix(std::string& text, std::string_view suffix) {
  if (text.size() <= suffix.size() || !EndsWithAsciiNoCase(text, suffix)) return false;
  text.resize(text.size() - suffix.size());
  return true;
}

}  // namespace

ModelWiring SplitWiringSuffix(std::string_view model) {
  ModelWiring wiring{std::string(model)};
  const auto removed = [&](std::string_view suffix, std::int16_t mode) {
    if (!removeSuffix(wiring.model, suffix)) return false;
    wiring.DualMode = mode;
    wiring.suffixRemoved = true;
    return true;
  };
  removed(" - PARALLEL", ParallelWiring);
  removed(" - SERIES", SeriesWiring);
  if (!removed(" (PAR)", ParallelWiring)) removed(" (SER)", SeriesWiring);
  return wiring;
}

std::string_view DropSectionSuffix(std::string_view model) {
  static constexpr std::array<std::string_view, 3> suffixes = {" - MF", " - LF", " - HF"};
  if (model.size() <= 5) return model;
  for (std::string_view suffix : suffixes)
    if (model.ends_with(suffix)) return model.substr(0, model.size() - suffix.size());
  return model;
}

NewModelKeys NewModelKeysOf(std::string_view model) {
  return {NormalizeModel(DropSectionSuffix(model)), NormalizeModel(model)};
}

}  // namespace qbm
