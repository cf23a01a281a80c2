#pragma once
// The controls of the main window as designed: name, kind, caption, place (in twips, relative to
// the window's client area; the units options relative to their frame), tab position, tooltip,
// font, background and help context. Both windows build their controls from this table; neither
// keeps a layout of its own.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "app/view/twips.h"

namespace qbm {
struct ControlVisibility;
}

namespace qbm::controls {

inline constexpr std::string_view ApplicationTitle = "QB Merge";
inline constexpr int ClientWidthTwips = 8850;
inline constexpr int ClientHeightTwips = 6240;
inline constexpr int WindowHelpContext = 1000;

// The background tile and the area it is tiled over (more than the client area).
inline constexpr int TilePixels = 99;
inline constexpr int TileStepTwips = 1485;  // one tile at 15 twips per pixel

// A colour by its red, green and blue parts.
struct Rgb {
  std::uint8_t red = 0, green = 0, blue = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

inline constexpr Rgb LightGrey{192, 192, 192};  // the window, ToList and ToRText
inline constexpr Rgb White{255, 255, 255};      // FromList and FromRText

// The controls in tab order; the value is the tab position.
enum class ControlId {
  FromOpt0, FromOpt1, FromOpen, ToOpen, FromOmit, MMerge, MHelp, MClose, UnitsOpt0, UnitsOpt1, BackgrndD,
  FromList, FromLabel0, FromRText, FromLabel1, ToList, ToLabel0, ToRText, ToLabel1, FromName, ToName,
  UnitsFrame, VerLabel,
  MUndo,  // added after the designed controls: their tab positions stay
};
inline constexpr int ControlCount = static_cast<int>(ControlId::MUndo) + 1;

enum class ControlKind {
  Button,
  Option,    // one of an option pair
  List,      // FromList (extended selection) or ToList (single selection)
  Label,
  RichText,  // a report box
  Frame,     // holds the units options
  Picture,   // the source of the background tile; never shown
};

struct Control {
  ControlId id;
  ControlKind kind;
  std::string_view name;     // the widget's objectName
  std::string_view caption;  // text at start ("" for none)
  TwipRect place;
  std::string_view tooltip;  // "" for none; the lists and name labels get theirs from the session
  bool bold = false;         // MS Sans Serif 8.25 pt bold, else the window's regular font
  int helpContext = 0;       // 0: none (F1 gives the window's topic)
  Rgb background = LightGrey;
};

using enum ControlKind;

// In tab order.
inline constexpr Control FromOpt0{
    ControlId::FromOpt0, Option, "FromOpt0", "Show Changed Drivers", {105, 75, 1950, 195},
    "Only show the drivers in the old database that have changed or are missing from the new database.",
    false, 1000};
inline constexpr Control FromOpt1{ControlId::FromOpt1, Option, "FromOpt1", "Show ALL Drivers",
                                  {2205, 75, 1590, 195}, "Show all drivers in the old database.", false, 1000};
inline constexpr Control FromOpen{ControlId::FromOpen, Button, "FromOpen", "Open Old Database",
                                  {120, 375, 1590, 300}, "", false, 1000};
inline constexpr Control ToOpen{ControlId::ToOpen, Button, "ToOpen", "Open New Database", {4530, 375, 1680, 300},
                                "", false, 1000};
inline constexpr Control FromOmit{ControlId::FromOmit, Button, "FromOmit", "Omit Driver", {3255, 3255, 1050, 270},
                                  "", false, 0};
inline constexpr Control MMerge{
    ControlId::MMerge, Button, "MMerge", "Merge >", {3330, 5880, 975, 330},
    "Copy the drivers from Old Database listed on the left side to the New Database shown on the right side.",
    true, 1000};
inline constexpr Control MHelp{ControlId::MHelp, Button, "MHelp", "Help", {7380, 5880, 630, 330},
                               "Open the QB Merge instructions.", true, 1000};
inline constexpr Control MClose{ControlId::MClose, Button, "MClose", "Close", {8085, 5880, 630, 330},
                                "Close the program.", true, 1000};
inline constexpr Control UnitsOpt0{ControlId::UnitsOpt0, Option, "UnitsOpt0", "English", {0, 0, 840, 195},
                                   "Use English units when displaying driver details.", false, 1000};
inline constexpr Control UnitsOpt1{ControlId::UnitsOpt1, Option, "UnitsOpt1", "Metric", {900, 0, 750, 195},
                                   "Use metric units when displaying driver details.", false, 1000};
inline constexpr Control BackgrndD{ControlId::BackgrndD, Picture, "BackgrndD", "", {3810, 1215, 1485, 1485}, "",
                                   false, 1000};
inline constexpr Control FromList{ControlId::FromList, List, "FromList", "", {105, 1005, 4200, 2200}, "", false,
                                  1000, White};
inline constexpr Control FromLabel0{ControlId::FromLabel0, Label, "FromLabel0",
                                    "Drivers to copy from the Old Driver Database:", {120, 765, 3990, 210}, "",
                                    true, 0};
inline constexpr Control FromRText{ControlId::FromRText, RichText, "FromRText", "", {90, 3540, 4230, 2295}, "",
                                   false, 0, White};
inline constexpr Control FromLabel1{ControlId::FromLabel1, Label, "FromLabel1", "Details of the selected driver:",
                                    {120, 3315, 2700, 210}, "", true, 0};
inline constexpr Control ToList{ControlId::ToList, List, "ToList", "", {4515, 1005, 4200, 2200}, "", false, 1000};
inline constexpr Control ToLabel0{ControlId::ToLabel0, Label, "ToLabel0",
                                  "Drivers currently in the New Driver Database:", {4530, 765, 3990, 210}, "",
                                  true, 0};
inline constexpr Control ToRText{ControlId::ToRText, RichText, "ToRText", "", {4500, 3540, 4230, 2295}, "", false,
                                 0};
inline constexpr Control ToLabel1{ControlId::ToLabel1, Label, "ToLabel1", "Details of the selected driver:",
                                  {4530, 3315, 2700, 210}, "", true, 0};
inline constexpr Control FromName{ControlId::FromName, Label, "FromName", "", {1800, 420, 2400, 210}, "", true, 0};
inline constexpr Control ToName{ControlId::ToName, Label, "ToName", "", {6300, 420, 2400, 210}, "", true, 0};
inline constexpr Control UnitsFrame{ControlId::UnitsFrame, Frame, "UnitsFrame", "", {120, 5940, 1690, 195}, "",
                                    false, 1000};
inline constexpr Control VerLabel{ControlId::VerLabel, Label, "VerLabel", "Version 1.0.9", {7710, 60, 1095, 210},
                                  "", false, 0};
// "Undo Merge": shown only while the last merge can be undone, in the bottom row's free room under
// the new list, so the designed layout is not disturbed; Ctrl+Z does the same (UndoKeyLetter).
inline constexpr Control MUndo{ControlId::MUndo, Button, "MUndo", "Undo Merge", {4515, 5880, 1215, 330},
                               "Put the new database back exactly as it was before the last merge (Ctrl+Z).",
                               true, 1000};

// Every control, in tab order (All[i].id has the value i).
inline constexpr std::array<const Control*, ControlCount> All{
    &FromOpt0,   &FromOpt1,  &FromOpen,   &ToOpen, &FromOmit,   &MMerge, &MHelp,    &MClose,
    &UnitsOpt0,  &UnitsOpt1, &BackgrndD,  &FromList, &FromLabel0, &FromRText, &FromLabel1, &ToList,
    &ToLabel0,   &ToRText,   &ToLabel1,   &FromName, &ToName,     &UnitsFrame, &VerLabel,
    &MUndo};

inline constexpr const Control& ControlOf(ControlId id) { return *All[static_cast<std::size_t>(id)]; }

// VerLabel's own font.
inline constexpr std::string_view VersionFontName = "Arial";
// The font of the bold controls and the window's other controls.
inline constexpr std::string_view WindowFontName = "MS Sans Serif";
inline constexpr double WindowFontPoints = 8.25;

// The units options sit in UnitsFrame: their place in the window's client area.
TwipRect PlaceInWindow(const Control& control);

// Controls that take the keyboard focus (buttons, options, lists, report boxes); labels, the frame
// and the picture never do.
bool TakesFocus(const Control& control);

// Whether the control is shown with the session's visibility. The controls the session does not
// name are always shown, except the picture, which is only the background's source.
bool IsShown(ControlId id, const ControlVisibility& visible);

// The option pairs and the option of each that the session has selected (FromOpt may have none).
struct OptionPair {
  ControlId first, second;
  std::optional<ControlId> selected;
  bool holds(ControlId id) const { return id == first || id == second; }
};
OptionPair FromOptPair(std::optional<int> fromOpt);
OptionPair UnitsOptPair(int unitsOpt);

}  // namespace qbm::controls
