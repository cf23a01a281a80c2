#pragma once
// The keyboard's state as the message being handled found it.

#include <windows.h>

namespace qbm::win32 {

inline bool KeyHeld(int virtualKey) { return (GetKeyState(virtualKey) & 0x8000) != 0; }

// Shift, Ctrl or Alt.
inline bool ModifierHeld() { return KeyHeld(VK_SHIFT) || KeyHeld(VK_CONTROL) || KeyHeld(VK_MENU); }

}  // namespace qbm::win32
