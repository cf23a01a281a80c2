#pragma once
// The controls of the main window as designed: name, caption, place (in twips, relative to the
// window's client area; the units options relative to their frame), tab position, tooltip, font
// and help context. MainWindow builds its widgets from these.

#include <string_view>

#include "app/twips.h"

namespace qbm::controls {

inline constexpr std::string_view ApplicationTitle = "QB Merge";
inline constexpr int ClientWidthTwips = 8850;
inline constexpr int ClientHeightTwips = 6240;
inline constexpr int WindowHelpContext = 1000;

// The background tile and the area it is tiled over (more than the client area).
inline constexpr int TilePixels = 99;
inline constexpr int TileStepTwips = 1485;  // one tile at 15 twips per pixel

struct Control {
  std::string_view name;     // the widget's objectName
  std::string_view caption;  // text at start ("" for none)
  TwipRect place;
  std::string_view tooltip;  // "" for none; the lists and name labels get theirs from the session
  bool bold = false;         // MS Sans Serif 8.25 pt bold, else the window's regular font
  int helpContext = 0;       // 0: none (F1 gives the window's topic)
};

// In tab order.
inline constexpr Control FromOpt0{
    "FromOpt0", "Show Changed Drivers", {105, 75, 1950, 195},
    "Only show the drivers in the old database that have changed or are missing from the new database.",
    false, 1000};
inline constexpr Control FromOpt1{"FromOpt1", "Show ALL Drivers", {2205, 75, 1590, 195},
                                  "Show all drivers in the old database.", false, 1000};
inline constexpr Control FromOpen{"FromOpen", "Open Old Database", {120, 375, 1590, 300}, "", false, 1000};
inline constexpr Control ToOpen{"ToOpen", "Open New Database", {4530, 375, 1680, 300}, "", false, 1000};
inline constexpr Control FromOmit{"FromOmit", "Omit Driver", {3255, 3255, 1050, 270}, "", false, 0};
inline constexpr Control MMerge{
    "MMerge", "Merge >", {3330, 5880, 975, 330},
    "Copy the drivers from Old Database listed on the left side to the New Database shown on the right side.",
    true, 1000};
inline constexpr Control MHelp{"MHelp", "Help", {7380, 5880, 630, 330}, "Open the QB Merge instructions.",
                               true, 1000};
inline constexpr Control MClose{"MClose", "Close", {8085, 5880, 630, 330}, "Close the program.", true, 1000};
inline constexpr Control UnitsOpt0{"UnitsOpt0", "English", {0, 0, 840, 195},
                                   "Use English units when displaying driver details.", false, 1000};
inline constexpr Control UnitsOpt1{"UnitsOpt1", "Metric", {900, 0, 750, 195},
                                   "Use metric units when displaying driver details.", false, 1000};
inline constexpr Control BackgrndD{"BackgrndD", "", {3810, 1215, 1485, 1485}, "", false, 1000};
inline constexpr Control FromList{"FromList", "", {105, 1005, 4200, 2200}, "", false, 1000};
inline constexpr Control FromLabel0{"FromLabel0", "Drivers to copy from the Old Driver Database:",
                                    {120, 765, 3990, 210}, "", true, 0};
inline constexpr Control FromRText{"FromRText", "", {90, 3540, 4230, 2295}, "", false, 0};
inline constexpr Control FromLabel1{"FromLabel1", "Details of the selected driver:", {120, 3315, 2700, 210},
                                    "", true, 0};
inline constexpr Control ToList{"ToList", "", {4515, 1005, 4200, 2200}, "", false, 1000};
inline constexpr Control ToLabel0{"ToLabel0", "Drivers currently in the New Driver Database:",
                                  {4530, 765, 3990, 210}, "", true, 0};
inline constexpr Control ToRText{"ToRText", "", {4500, 3540, 4230, 2295}, "", false, 0};
inline constexpr Control ToLabel1{"ToLabel1", "Details of the selected driver:", {4530, 3315, 2700, 210}, "",
                                  true, 0};
inline constexpr Control FromName{"FromName", "", {1800, 420, 2400, 210}, "", true, 0};
inline constexpr Control ToName{"ToName", "", {6300, 420, 2400, 210}, "", true, 0};
inline constexpr Control UnitsFrame{"UnitsFrame", "", {120, 5940, 1690, 195}, "", false, 1000};
inline constexpr Control VerLabel{"VerLabel", "Version 1.0.9", {7710, 60, 1095, 210}, "", false, 0};

// VerLabel's own font.
inline constexpr std::string_view VersionFontName = "Arial";
// The font of the bold controls and the window's other controls.
inline constexpr std::string_view WindowFontName = "MS Sans Serif";
inline constexpr double WindowFontPoints = 8.25;

}  // namespace qbm::controls
