#include "platform/SystemFolder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/VbError.h"

namespace plat {
namespace {

std::string StripTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

}  // namespace

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string HomeFolder() {
    std::string home = Env("HOME");
    if (!home.empty()) return StripTrailingSlashes(home);
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buf(size > 0 ? static_cast<std::size_t>(size) : 16384);
    struct passwd pw {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &pw, buf.data(), buf.size(), &found) == 0 && found && found->pw_dir)
        return StripTrailingSlashes(found->pw_dir);
    return "/";
}

std::string ConfigHome() {
    std::string xdg = Env("XDG_CONFIG_HOME");
    if (!xdg.empty() && xdg.front() == '/') return StripTrailingSlashes(xdg);
    std::string home = HomeFolder();
    return (home == "/" ? std::string() : home) + "/.config";
}

std::string DataHome() {
    std::string xdg = Env("XDG_DATA_HOME");
    if (!xdg.empty() && xdg.front() == '/') return StripTrailingSlashes(xdg);
    std::string home = HomeFolder();
    return (home == "/" ? std::string() : home) + "/.local/share";
}

std::string PrivateFolder() {
    std::string base = Env("XDG_RUNTIME_DIR");
    std::string name = "QuellonPM";
    if (base.empty() || base.front() != '/') {
        base = Env("TMPDIR");
        if (base.empty() || base.front() != '/') base = "/tmp";
        name += "-" + std::to_string(::getuid());
    }
    std::string dir = StripTrailingSlashes(base) + "/" + name;
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) vb::Raise(vb::errPathFileAccess, "PrivateFolder");
    // Someone else's folder, or a link planted in a shared /tmp, is never used.
    struct stat st {};
    if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        vb::Raise(vb::errPathFileAccess, "PrivateFolder");
    if ((st.st_mode & 0777) != 0700 && ::chmod(dir.c_str(), 0700) != 0)
        vb::Raise(vb::errPathFileAccess, "PrivateFolder");
    return dir;
}

std::string SystemFolder() {
    std::string dir = Env("QUELLON_SYSTEM_DIR");
    if (!dir.empty()) return StripTrailingSlashes(dir);
    std::string home = HomeFolder();
    return (home == "/" ? std::string() : home) + "/.local/lib";
}

}  // namespace plat
