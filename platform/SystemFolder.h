#pragma once
// The folder shared libraries are installed into (what the original took from
// the system directory): $QUELLON_SYSTEM_DIR when set and not empty, else the
// per-user library folder ~/.local/lib. No trailing "/".
#include <string>

namespace plat {

// The value of the environment variable `name`; empty when it is not set.
std::string Env(const char* name);

std::string SystemFolder();

// The user's home folder: $HOME when set and not empty, else the password
// database's entry for the user.
std::string HomeFolder();

// $XDG_CONFIG_HOME when it is an absolute path, else ~/.config.
std::string ConfigHome();

// The user's application-data folder: $XDG_DATA_HOME when it is an absolute
// path, else ~/.local/share.
std::string DataHome();

// The program's private folder for short-lived files (deciphered temporary
// files, the instance lock, fault reports): "QuellonPM" in $XDG_RUNTIME_DIR
// when that is an absolute path, else "QuellonPM-<uid>" in $TMPDIR (or /tmp).
// Made on first use with mode 0700; a folder that is a symbolic link, belongs
// to another user or cannot be made raises run-time error 75.
std::string PrivateFolder();

}  // namespace plat
