#pragma once
// What the options dialog asks of the main window: create or remove the
// notification-area icon at once when tray mode is switched on or off. The
// main window implements it; tests use a recording fake.
#include <cstdint>

class TrayIconTarget {
public:
    virtual ~TrayIconTarget() = default;

    // 1 creates the icon, 2 removes it; DoUnloadTIcon tells whether it exists.
    virtual void TrayIconManagement(std::int32_t action) = 0;
};
