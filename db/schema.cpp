#include "db/schema.h"

namespace qbm {

const std::string& ResponseField(int i) {
  static const std::array<std::string, ResponseCount> names = [] {
    std::array<std::string, ResponseCount> n;
    for (int k = 0; k < ResponseCount; ++k) n[k] = "A " + std::to_string(ResponseFrequencies[k]);
    return n;
  }();
  return names.at(static_cast<size_t>(i));
}

}  // namespace qbm
