#pragma once
// The program's icon file ("mainicon.ico" in the program folder), loaded at
// run time for the main window and the notification-area icon. Loads are
// shared: the same file gives the same icon for the whole run. A file that
// cannot be read gives the program's built-in icon, so the window and the
// notification-area icon never go without one.
#include <QIcon>
#include <string>

class QWidget;

namespace modIcon {

std::string DumpModuleVars();

// The icon of IconPath on the window, and with bSetAsAppIcon also on its top
// owner window and as the application's icon.
void SetIcon(QWidget* hWnd, const std::string& IconPath, bool bSetAsAppIcon);
// The icon of IconPath (the built-in icon when the file cannot be read).
QIcon GetIconHandle(const std::string& IconPath);

// Forgets the loaded icons (tests).
void ClearCacheForTests();

}  // namespace modIcon
