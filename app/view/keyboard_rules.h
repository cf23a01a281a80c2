#pragma once
// The main window's keyboard rules, for both windows: the keyboard preview (Enter moves the focus on
// as Tab does and never reaches a control; F1 released without Shift, Ctrl or Alt asks for help),
// the tab order through the option pairs (entered at the selected option, left from it), the first
// Up or Down in a list nobody has touched, and the key that opens the Response window. A window
// turns its key events into the small records below and does what the rules answer.

#include <functional>
#include <optional>
#include <vector>

#include "app/view/main_window_controls.h"

namespace qbm {

// Enter as a typed character: a carriage return or a line feed.
bool IsEnterCharacter(char32_t c);

// Tells the key-up of a plain F1: one whose key went down and came up with no Shift, Ctrl or Alt
// held. A modifier held at either end makes F1 do nothing.
class PlainF1Key {
 public:
  // Feed every F1 press and release. True for the release of a plain F1; an auto-repeated press
  // counts for nothing.
  bool releasedPlain(bool press, bool autoRepeat, bool modifierHeld);

 private:
  bool pressedWithModifier_ = false;
};

// A key event as the keyboard preview sees it.
struct PreviewKey {
  enum class Kind { Enter, F1, Other };
  Kind kind = Kind::Other;
  bool press = true;          // the key went down (false: it came up, or Enter came as a character)
  bool autoRepeat = false;
  bool modifierHeld = false;  // Shift, Ctrl or Alt, as the event or the keyboard's state tells it
};

enum class KeyAction {
  PassOn,       // the control gets the key
  NextControl,  // the focus moves to the next control in tab order; the control never sees the key
  Help,         // help for the focused control; the control never sees the key
  Swallow,      // nothing happens and the control never sees the key
};

// The keyboard preview: sees every key of the window before its controls.
class KeyboardPreviewRules {
 public:
  KeyAction onKey(const PreviewKey& key);

 private:
  PlainF1Key f1_;
};

// What Tab or Shift+Tab does when it moves the focus from `from` to `to` and `to` is in the pair.
enum class PairStep {
  Keep,        // `to` takes the focus (not in the pair, the pair has nothing selected, or it is selected)
  ToSelected,  // the pair is entered at its selected option instead
  PastPair,    // the focus leaves the pair from its selected option: past the pair's other option
};
PairStep OptionPairStep(const controls::OptionPair& pair, std::optional<controls::ControlId> from,
                        controls::ControlId to);

// Where Tab (forward) or Shift+Tab (backward) puts the focus from `from` (nothing: no control has
// it), among the controls that can take it now, by tab order, with the option pairs' rule. Nothing
// when no control can take it.
std::optional<controls::ControlId> NextInTabOrder(std::optional<controls::ControlId> from, bool forward,
                                                  const std::function<bool(controls::ControlId)>& canFocus,
                                                  const std::vector<controls::OptionPair>& pairs);

// A list entered by the keyboard with nothing selected and no focused entry gets its focus on the
// first entry; the first Up or Down then selects that entry rather than moving past it.
class ListArrowEntry {
 public:
  // The list got the focus: whether it had a focused entry before, whether it has one now, and
  // whether any entry is selected.
  void focusEntered(bool hadFocusEntry, bool hasFocusEntry, bool hasSelection);
  // A key pressed in the list: true for that first Up or Down (`plain`: no modifier held), which
  // then selects the focused entry and goes no further. Any key ends the rule.
  bool selectsFocusedEntry(bool upOrDown, bool plain, bool hasSelection);
  // The list's entries were replaced.
  void forget() { focusGiven_ = false; }

 private:
  bool focusGiven_ = false;
};

// Escape pressed with no Shift, Ctrl or Alt closes the help window and the Response window, as it
// closes a dialog: each is a window of its own that the person looks at and puts away.
constexpr bool EscapeCloses(bool escape, bool modifierHeld) { return escape && !modifierHeld; }

// Ctrl (alone) with this letter in a list opens the Response window; so does a double click.
inline constexpr char32_t ResponseKeyLetter = U'R';
// Ctrl (alone) with this letter anywhere in the main window is "Undo Merge" (the session does
// nothing while the button is hidden).
inline constexpr char32_t UndoKeyLetter = U'Z';

}  // namespace qbm
