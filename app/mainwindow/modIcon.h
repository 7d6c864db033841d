#pragma once
// The program's icon file ("mainicon.ico" in the program folder), loaded at
// run time for the main window and the notification-area icon. Loads are
// shared: the same file gives the same icon for the whole run, and a file
// that cannot be read gives a null icon (the window keeps no custom icon).
#include <QIcon>
#include <string>

class QWidget;

namespace modIcon {

std::string DumpModuleVars();

// The icon of IconPath on the window, and with bSetAsAppIcon also on its top
// owner window and as the application's icon.
void SetIcon(QWidget* hWnd, const std::string& IconPath, bool bSetAsAppIcon);
// The icon of IconPath; a null icon when it cannot be loaded.
QIcon GetIconHandle(const std::string& IconPath);

// Forgets the loaded icons (tests).
void ClearCacheForTests();

}  // namespace modIcon
