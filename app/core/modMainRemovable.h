#pragma once
// The copy of a working portable installation to a folder (a removable
// drive): the program, its manifest when there is one, the default options,
// the databases folder with its backups, the folders "Controls" and
// "Languages", and an options file whose databases folder is the copy's.
#include <cstdint>
#include <string>

namespace modMain {

// The program's file in the program folder (it has no ".exe" here).
inline constexpr const char* ProgramFileBaseName = "QuellonPasswordMngr";

// Copies the installation to TargPath: 1 when every step is done. The
// running program keeps its options and its options file as they are; only
// the target's "config.dat" names the target's databases folder. A failed
// copy raises a run-time error.
std::int32_t InstallToRemovableDevice(const std::string& TargPath);

// Copies the files and folders of from_dir into to_dir (both ending in "/"),
// at every depth: the number of entries copied. A source folder that cannot
// be listed copies nothing; folders already in to_dir are used as they are.
// The copy never descends into to_dir itself (a target inside the source),
// follows no link to a folder, and skips what is neither a file nor a
// folder, with a log line.
std::int32_t CopyDir(const std::string& from_dir, const std::string& to_dir);

}  // namespace modMain
