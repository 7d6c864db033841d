#pragma once
// The folder shared libraries are installed into (what the original took from
// the system directory): $QUELLON_SYSTEM_DIR when set and not empty, else the
// per-user library folder ~/.local/lib. No trailing "/".
#include <string>

namespace plat {

std::string SystemFolder();

// The user's home folder: $HOME when set and not empty, else the password
// database's entry for the user.
std::string HomeFolder();

// $XDG_CONFIG_HOME when it is an absolute path, else ~/.config.
std::string ConfigHome();

}  // namespace plat
