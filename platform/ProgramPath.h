#pragma once
// Where the running program lives (the original's App.Path), from
// /proc/self/exe, symbolic links resolved.
#include <string>

namespace plat {

// The program's folder without a trailing "/" ("/" for a program in the root).
std::string ProgramFolder();
// The program's full file name.
std::string ProgramFile();

}  // namespace plat
