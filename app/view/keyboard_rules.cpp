#include "app/view/keyboard_rules.h"

namespace qbm {

using controls::ControlId;
using controls::OptionPair;

bool IsEnterCharacter(char32_t c) { return c == U'\r' || c == U'\n'; }

bool PlainF1Key::releasedPlain(bool press, bool autoRepeat, bool modifierHeld) {
  if (autoRepeat) return false;
  if (press) {
    pressedWithModifier_ = modifierHeld;
    return false;
  }
  const bool plain = !pressedWithModifier_ && !modifierHeld;
  pressedWithModifier_ = false;
  return plain;
}

KeyAction KeyboardPreviewRules::onKey(const PreviewKey& key) {
  switch (key.kind) {
    case PreviewKey::Kind::Enter:
      // Swallowed on the way down and up, so no control acts on it (a button would be pressed).
      return key.press ? KeyAction::NextControl : KeyAction::Swallow;
    case PreviewKey::Kind::F1:
      return f1_.releasedPlain(key.press, key.autoRepeat, key.modifierHeld) ? KeyAction::Help : KeyAction::Swallow;
    case PreviewKey::Kind::Other: break;
  }
  return KeyAction::PassOn;
}

PairStep OptionPairStep(const OptionPair& pair, std::optional<ControlId> from, ControlId to) {
  if (!pair.holds(to) || !pair.selected || *pair.selected == to) return PairStep::Keep;
  return from == pair.selected ? PairStep::PastPair : PairStep::ToSelected;
}

std::optional<ControlId> NextInTabOrder(std::optional<ControlId> from, bool forward,
                                        const std::function<bool(ControlId)>& canFocus,
                                        const std::vector<OptionPair>& pairs) {
  const int n = controls::ControlCount;
  const auto step = [&](std::optional<ControlId> at) -> std::optional<ControlId> {
    int i = at ? static_cast<int>(*at) : (forward ? n - 1 : 0);
    for (int k = 0; k < n; ++k) {
      i = (i + (forward ? 1 : n - 1)) % n;
      const auto id = static_cast<ControlId>(i);
      if (controls::TakesFocus(controls::ControlOf(id)) && canFocus(id)) return id;
    }
    return std::nullopt;
  };
  const std::optional<ControlId> to = step(from);
  if (!to) return to;
  for (const OptionPair& pair : pairs) {
    switch (OptionPairStep(pair, from, *to)) {
      case PairStep::Keep: continue;
      case PairStep::ToSelected: return pair.selected;
      case PairStep::PastPair: return step(to);
    }
  }
  return to;
}

void ListArrowEntry::focusEntered(bool hadFocusEntry, bool hasFocusEntry, bool hasSelection) {
  focusGiven_ = !hadFocusEntry && hasFocusEntry && !hasSelection;
}

bool ListArrowEntry::selectsFocusedEntry(bool upOrDown, bool plain, bool hasSelection) {
  const bool first = focusGiven_ && upOrDown && plain && !hasSelection;
  focusGiven_ = false;
  return first;
}

}  // namespace qbm
