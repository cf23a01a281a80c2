#pragma once
// Text crossing into Qt: the layers below keep UTF-8 in std::string.

#include <QString>

#include <string_view>

namespace qbm {

inline QString qtText(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

}  // namespace qbm
