#pragma once
// What the user dialogs share about master passwords: the hash of a typed
// password, the shortest password a user may choose, and logging a user in
// with that hash.
//
// The hash is the MD5 text of the password (32 upper-case hexadecimal
// characters, by the library's hash class, on which every stored user file
// depends): the input of the file key and all the program keeps of a
// password; the password itself is never kept.
#include <string>

#include "app/trace/Secret.h"

namespace modMasterPasw {

std::string DumpModuleVars();

// A new master password has at least this many characters.
inline constexpr int kMinPaswLength = 8;

trace::Secret PaswHash(const trace::Secret& Pasw);

// Logs the user in with the hash of the password (FullUserLoad); when the
// database cannot be loaded the user is told so (Critical). True when the
// user is logged in.
bool LogInUser(const std::string& UsName, const trace::Secret& UsPasw);

}  // namespace modMasterPasw
