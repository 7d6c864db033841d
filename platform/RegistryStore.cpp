#include "platform/RegistryStore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <mutex>
#include <set>

#include "platform/FileIO.h"
#include "platform/RegistryHiveFormat.h"
#include "platform/VbError.h"

namespace plat {
namespace reg_internal {
namespace {

std::mutex g_reportMutex;
RegistryReporter g_reporter;
std::set<std::string> g_reported;

void Report(const std::string& message) {
    RegistryReporter reporter;
    {
        std::lock_guard lock(g_reportMutex);
        reporter = g_reporter;
    }
    if (reporter) {
        reporter(message);
    } else {
        std::fprintf(stderr, "QuellonPM registry: %s\n", message.c_str());
    }
}

void ReportDamageOnce(const std::string& path) {
    {
        std::lock_guard lock(g_reportMutex);
        if (!g_reported.insert(path).second) return;
    }
    Report("the hive file " + path + " is damaged; only its well-formed lines are read");
}

std::string HivePath(const std::string& root, Hive hive) { return root + "/" + HiveName(hive) + ".hive"; }

LoadedHive Load(const std::string& path) {
    LoadedHive l;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno != ENOENT && errno != ENOTDIR) l.unreadable = true;
        return l;
    }
    auto content = ReadWholeFile(path);
    if (!content) {
        l.unreadable = true;
        return l;
    }
    l.raw = std::move(*content);
    ParsedHive parsed = ParseHive(l.raw);
    l.data = std::move(parsed.data);
    l.damaged = parsed.damaged;
    if (l.damaged) ReportDamageOnce(path);
    return l;
}

class RootLock {
public:
    explicit RootLock(const std::string& root) {
        fd_ = ::open((root + "/.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0) return;
        while (::flock(fd_, LOCK_EX) != 0) {
            if (errno != EINTR) {
                ::close(fd_);
                fd_ = -1;
                return;
            }
        }
    }
    ~RootLock() {
        if (fd_ >= 0) ::close(fd_);  // closing drops the lock
    }
    RootLock(const RootLock&) = delete;
    RootLock& operator=(const RootLock&) = delete;
    bool Held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// Keeps the damaged file's bytes beside it under the first free side name.
bool KeepSideCopy(const std::string& path, const std::string& raw) {
    for (int n = 1; n < 10000; ++n) {
        std::string side = path + ".damaged-" + std::to_string(n);
        struct stat st {};
        if (::stat(side.c_str(), &st) == 0) continue;
        try {
            ReplaceFile(side, raw, 0600);
        } catch (const vb::VbError&) {
            return false;
        }
        Report("the damaged hive file " + path + " was kept as " + side + " before it was rewritten");
        return true;
    }
    return false;
}

}  // namespace

bool MakeFolders(const std::string& path, mode_t mode) {
    if (path.empty()) return false;
    std::size_t pos = 0;
    for (;;) {
        pos = path.find('/', pos + 1);
        std::string part = path.substr(0, pos);
        if (!part.empty() && ::mkdir(part.c_str(), mode) != 0 && errno != EEXIST) return false;
        if (pos == std::string::npos) break;
    }
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

LoadedHive LoadHive(Hive hive) { return Load(HivePath(RegistryRoot(), hive)); }

RegStatus Modify(Hive hive, const std::function<ChangeResult(HiveData&)>& change) {
    std::string root = RegistryRoot();
    if (!MakeFolders(root, 0700)) return RegStatus::IoError;
    RootLock lock(root);
    if (!lock.Held()) return RegStatus::IoError;
    std::string path = HivePath(root, hive);
    LoadedHive l = Load(path);
    if (l.unreadable) return RegStatus::IoError;  // never overwrite what we could not read
    ChangeResult r = change(l.data);
    if (r.status != RegStatus::Ok || !r.changed) return r.status;
    if (l.damaged && !KeepSideCopy(path, l.raw)) return RegStatus::IoError;
    try {
        ReplaceFile(path, SerializeHive(l.data), 0600);
    } catch (const vb::VbError&) {
        return RegStatus::IoError;
    }
    if (l.damaged) {
        std::lock_guard g(g_reportMutex);
        g_reported.erase(path);  // the new file is whole; report any later damage again
    }
    return RegStatus::Ok;
}

}  // namespace reg_internal

void SetRegistryReporter(RegistryReporter reporter) {
    std::lock_guard lock(reg_internal::g_reportMutex);
    reg_internal::g_reporter = std::move(reporter);
}

}  // namespace plat
