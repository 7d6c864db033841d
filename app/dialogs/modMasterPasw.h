#pragma once
// What the user dialogs share about master passwords: the shortest password
// a user may choose, and logging a user in with the MD5 text of a password
// (modMain::PaswHash), telling the user when that fails.
#include <string>

#include "app/trace/Secret.h"

namespace modMasterPasw {

std::string DumpModuleVars();

// A new master password has at least this many characters.
inline constexpr int kMinPaswLength = 8;

// Tells the user (Critical) that a right password still did not give the
// database.
void TellNotLoaded();

// Logs the user in with the hash of the password (FullUserLoad); when the
// database cannot be loaded the user is told so (Critical). True when the
// user is logged in.
bool LogInUser(const std::string& UsName, const trace::Secret& UsPasw);

}  // namespace modMasterPasw
