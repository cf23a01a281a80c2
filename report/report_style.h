#pragma once
// The conventions every section of a driver report follows: its font, set at the start of each
// section, and its line end.

#include <string_view>

namespace qbm {

inline constexpr std::string_view ReportFontName = "MS Sans Serif";
inline constexpr int ReportFontSize = 8;
inline constexpr std::string_view ReportLineEnd = "\r\n";

}  // namespace qbm
