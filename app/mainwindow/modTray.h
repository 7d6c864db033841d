#pragma once
// Creates and removes the main window's notification-area window, whose
// creation adds the icon with its menu and whose unload removes it.
#include <string>

class frmMain;

namespace modTray {

std::string DumpModuleVars();

// The tip the icon shows.
inline constexpr const char* kTrayTip = "Quellon Password Manager";

// A new notification-area window for the main window (its m_frmSysTray, whose
// events the main window handles) with the menu Show (the default item),
// Generate Password, Save Database, Change User, Unload User, a separator and
// Exit, the tip and the program's icon.
void CreateTrayIcon(frmMain& main);
// Unloads the main window's notification-area window, which removes the icon.
void DeleteIcon(frmMain& main);

}  // namespace modTray
