#include "olddb/legacy_change_rules.h"

#include <array>

#include "common/text_chars.h"
#include "olddb/model_names.h"

namespace qbm {
namespace {

struct ExceptionModels {
  std::string_view maker;
  std::array<std::string_view, 4> models;  // "" marks an unused place
};

constexpr std::array<ExceptionModels, 6> ExactExceptions = {{
    {"CADENCE", {"6-403-8", "CW10-502-4u DVC", "CW12-502-4u DVC", ""}},
    {"ETI SOUND SYSTEMS", {"8-30", "", "", ""}},
    {"MCCAULEY", {"6326", "", "", ""}},
    {"MOREL", {"MDM85", "", "", ""}},
    {"PEERLESS", {"CSC 145H", "CSX 176H", "TP165R (831599)", ""}},
    {"THRUSTER", {"10", "8", "12", "15"}},
}};

}  // namespace

std::string LegacyMakerKey(std::string_view manufacturer) {
  std::string key = UpperCase(manufacturer);
  if (key == "XTASY AUDIO") key = "XTASY";
  return key;
}

bool IsModelException(std::string_view makerKey, std::string_view currentModel) {
  if (makerKey == "DAYTON") return true;
  if (makerKey == "INFINITY")
    return CharacterCount(currentModel) > 4 && UpperCase(currentModel.substr(0, 4)) == "BETA";
  for (const ExceptionModels& exception : ExactExceptions) {
    if (exception.maker != makerKey) continue;
    for (std::string_view model : exception.models)
      if (!model.empty() && model == currentModel) return true;
  }
  return false;
}

std::string FuzzyModelKey(std::string_view currentModel, std::string_view makerKey) {
  std::string key = NormalizeModel(currentModel);
  if (makerKey == "BOSTWICK") {
    if (CharacterCount(key) > 3 && (key.starts_with("BOS") || key.starts_with("BOX")))
      key.erase(0, 3);
  } else if (makerKey == "CERWIN VEGA") {
    if (key.starts_with("S")) key = "STEALTH" + key.substr(1);
  }
  return key;
}

bool LegacyDriverNeedsMerge(std::string_view currentModel, std::string_view manufacturer,
                            const NewWooferLookup& newWoofers) {
  const std::string maker = LegacyMakerKey(manufacturer);
  if (const NewWooferRow* found = newWoofers.directMatch(currentModel)) {
    if (IsValidNewWoofer(*found) &&
        (maker == "DAYTON" || newWoofers.companyPasses(maker, found->companyId)))
      return false;
  } else if (IsModelException(maker, currentModel)) {
    return false;
  }
  return !newWoofers.fuzzyMatch(FuzzyModelKey(currentModel, maker), maker).has_value();
}

}  // namespace qbm
