#include "Register/modMain.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/FileIO.h"
#include "platform/ProgramPath.h"
#include "platform/SystemFolder.h"
#include "platform/VbError.h"

namespace modMain {
namespace {

// The system folder may not exist yet on a fresh account (~/.local/lib).
void EnsureFolder(const std::string& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) vb::Raise(vb::errPathNotFound);
}

// The copy goes to a temporary name beside the target and is renamed into
// place only when complete: a half-written library would otherwise stay
// there for good, since an existing file is never replaced.
void CopyLibrary(const std::string& from, const std::string& to) {
    std::string bytes = plat::ReadFileOrRaise(from);
    plat::AtomicFile out(to, 0755);
    try {
        out.Write(bytes);
        out.Commit();
    } catch (...) {
        out.Abandon();
        throw;
    }
}

}  // namespace

std::string AddBackslash(const std::string& path) {
    if (!path.empty() && path.back() == '/') return path;
    return path + "/";
}

bool FileExists(const std::string& path) { return plat::FileExists(path); }

plat::RunResult RegisterComponent(const std::string& Name, const std::string& Path, std::int32_t Register) {
    const std::string folder = plat::SystemFolder();
    const std::string target = AddBackslash(folder) + Name;
    if (!FileExists(target)) {
        EnsureFolder(folder);
        CopyLibrary(Path, target);
    }
    return plat::RunLibraryEntry(target, Register != 0 ? "DllRegisterServer" : "DllUnregisterServer");
}

int Main() {
    const std::string source = AddBackslash(plat::ProgramFolder()) + kLibraryInProgramFolder;
    const std::string target = AddBackslash(plat::SystemFolder()) + kLibraryName;
    const std::string entry = "DllRegisterServer";
    plat::RunResult run;
    try {
        run = RegisterComponent(kLibraryName, source, 1);
    } catch (const vb::VbError& e) {
        std::fprintf(stderr, "Register: Run-time error '%ld':\n\n%s\n(installing %s as %s)\n", e.Number(),
                     e.Description().c_str(), source.c_str(), target.c_str());
        return 1;
    }
    if (run.status == plat::RunStatus::TimedOut) {
        // The entry still runs inside the library: end without unloading
        // anything or running destructors under its feet.
        std::fprintf(stderr, "Register: %s\n", plat::DescribeRun(run, target, entry).c_str());
        std::fflush(stderr);
        std::_Exit(1);
    }
    if (run.status != plat::RunStatus::Done || run.result < 0) {
        std::fprintf(stderr, "Register: %s\n", plat::DescribeRun(run, target, entry).c_str());
        return 1;
    }
    return 0;
}

}  // namespace modMain
