#pragma once
// Keys as the windows' KeyDown handlers receive them: the virtual key code
// of the platform (Esc 27, Enter 13, "A" 65, ...) and the Shift argument
// (bit 1 Shift, bit 2 Ctrl, bit 4 Alt).
#include <Qt>

class QKeyEvent;

namespace vbkeys {

inline constexpr int vbKeyBack = 8;
inline constexpr int vbKeyTab = 9;
inline constexpr int vbKeyReturn = 13;
inline constexpr int vbKeyEscape = 27;
inline constexpr int vbKeySpace = 32;
inline constexpr int vbKeyDelete = 46;

inline constexpr int vbShiftMask = 1;
inline constexpr int vbCtrlMask = 2;
inline constexpr int vbAltMask = 4;

// The key code of a pressed key; 0 for a key that has none.
int KeyCode(const QKeyEvent& event);
int ShiftState(Qt::KeyboardModifiers modifiers);

}  // namespace vbkeys
