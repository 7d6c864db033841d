#pragma once
// The keyboard and mouse state the inactivity check reads: the cursor's
// position on the screen and a 256-byte key state of the program's own
// input, kept by an application-wide event filter. A byte's high bit (0x80)
// is set while its key or mouse button is down; its low bit (0x01) flips on
// every press of the key. Keys are indexed by their virtual-key number
// (letters and digits by their upper-case ASCII code, Shift 0x10, Control
// 0x11, Alt 0x12, ...); mouse buttons by 1 (left), 2 (right) and 4 (middle).
#include <array>
#include <cstdint>
#include <functional>

namespace qtplat {

struct CursorPoint {
    int x = 0;
    int y = 0;
};
using KeyState = std::array<std::uint8_t, 256>;

// Installs the filter on the application (once; needs a QCoreApplication).
void InstallInputStateFilter();

CursorPoint CursorPos();
KeyState KeyboardState();

// The virtual-key number of a Qt key, or 0 for a key without one.
int VirtualKeyOf(int qtKey);

// Tests replace where the state comes from; an empty function restores the
// real one.
struct InputProbe {
    std::function<CursorPoint()> cursor;
    std::function<KeyState()> keys;
};
void SetInputProbeForTests(InputProbe probe);

}  // namespace qtplat
