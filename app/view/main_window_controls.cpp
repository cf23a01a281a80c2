#include "app/view/main_window_controls.h"

#include "session/main_window_state.h"

namespace qbm::controls {

TwipRect PlaceInWindow(const Control& control) {
  TwipRect r = control.place;
  if (control.id == ControlId::UnitsOpt0 || control.id == ControlId::UnitsOpt1) {
    r.left += UnitsFrame.place.left;
    r.top += UnitsFrame.place.top;
  }
  return r;
}

bool TakesFocus(const Control& control) {
  switch (control.kind) {
    case Button:
    case Option:
    case List:
    case RichText: return true;
    case Label:
    case Frame:
    case Picture: return false;
  }
  return false;
}

bool IsShown(ControlId id, const ControlVisibility& v) {
  switch (id) {
    case ControlId::FromOpt0:
    case ControlId::FromOpt1: return v.FromOpt;
    case ControlId::FromOpen: return v.FromOpen;
    case ControlId::FromName: return v.FromName;
    case ControlId::FromLabel0:
    case ControlId::FromLabel1: return v.FromLabel;
    case ControlId::FromList: return v.FromList;
    case ControlId::FromRText: return v.FromRText;
    case ControlId::FromOmit: return v.FromOmit;
    case ControlId::MMerge: return v.MMerge;
    case ControlId::MUndo: return v.MUndo;
    case ControlId::BackgrndD: return false;
    default: return true;
  }
}

namespace {

std::optional<ControlId> optionOf(std::optional<int> index, ControlId first, ControlId second) {
  if (index == 0) return first;
  if (index == 1) return second;
  return std::nullopt;
}

}  // namespace

OptionPair FromOptPair(std::optional<int> fromOpt) {
  return {ControlId::FromOpt0, ControlId::FromOpt1, optionOf(fromOpt, ControlId::FromOpt0, ControlId::FromOpt1)};
}

OptionPair UnitsOptPair(int unitsOpt) {
  return {ControlId::UnitsOpt0, ControlId::UnitsOpt1, optionOf(unitsOpt, ControlId::UnitsOpt0, ControlId::UnitsOpt1)};
}

}  // namespace qbm::controls
