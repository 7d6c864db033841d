#pragma once
// Register: installs the table database library into the system folder and
// runs its registration entry point, as an installer would.
#include <cstdint>
#include <string>

#include "platform/LibraryRunner.h"

namespace modMain {

// The library's file name, and where it lies beside this program.
inline constexpr const char* kLibraryName = "libVEDataBase.so";
inline constexpr const char* kLibraryInProgramFolder = "Controls/libVEDataBase.so";

// Installs and registers the library that lies in this program's folder.
// Returns the process's exit code: 0 when the library is registered; 1 with
// a message on stderr otherwise. A registration that has not finished after
// the wait ends the process at once (the library stays loaded while its
// entry runs).
int Main();

// Copies `Path` into the system folder as `Name` unless a file of that name is
// already there (an existing file is never replaced, whatever its version),
// loads the system-folder copy and runs DllRegisterServer (`Register` non-zero)
// or DllUnregisterServer (0) on a thread, waiting at most 10 seconds.
// A failed copy raises the run-time error (53 source missing, 75 or 76 for
// the system folder) and leaves no file behind; nothing is registered then.
plat::RunResult RegisterComponent(const std::string& Name, const std::string& Path, std::int32_t Register);

// `path` with a trailing "/" unless its last character already is one.
std::string AddBackslash(const std::string& path);

// True when `path` names a file whose length can be read.
bool FileExists(const std::string& path);

}  // namespace modMain
