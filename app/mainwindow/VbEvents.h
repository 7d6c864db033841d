#pragma once
// Mouse and key events in the form the window's handlers take them: buttons
// 1 left, 2 right, 4 middle; shift bits 1 Shift, 2 Ctrl, 4 Alt. Key codes
// are the platform's virtual-key numbers (qtplat::VirtualKeyOf).
#include <Qt>

int VbButton(Qt::MouseButton button);
int VbButtons(Qt::MouseButtons buttons);
int VbShift(Qt::KeyboardModifiers modifiers);
