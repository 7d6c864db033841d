#include "app/core/modMainUserFiles.h"

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <filesystem>

#include "VEDataBase/ClassIds.h"
#include "VEDataBase/_clsRC4.h"
#include "app/core/clsDataFilesManager.h"
#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "app/core/modMainUsers.h"
#include "app/trace/Trace.h"
#include "platform/FileIO.h"
#include "platform/VbError.h"
#include "platform/com/Creation.h"

namespace modMain {
namespace {

std::string Pid() { return std::to_string(::getpid()); }

// mkstemp with close-on-exec; the file is 0600. The path, or "" on failure.
std::string MakeUnique(std::string pattern) {
    int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) return {};
    ::close(fd);
    return pattern;
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

void SyncFolder(const std::string& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// Renames without ever replacing an existing target.
bool RenameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // A file system without the flag: a hard link fails on an existing name.
    if (::link(from.c_str(), to.c_str()) != 0) return false;
    ::unlink(from.c_str());
    return true;
}

// Removes a file when the scope ends unless released.
class RemoveOnExit {
public:
    explicit RemoveOnExit(std::string path) : path_(std::move(path)) {}
    ~RemoveOnExit() {
        if (!path_.empty()) ::unlink(path_.c_str());
    }
    RemoveOnExit(const RemoveOnExit&) = delete;
    RemoveOnExit& operator=(const RemoveOnExit&) = delete;
    void Release() noexcept { path_.clear(); }

private:
    std::string path_;
};

std::string StampText() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char buf[32];
    return std::string(buf, std::strftime(buf, sizeof buf, "%Y%m%d-%H%M%S", &local));
}

}  // namespace

PrivateTempFile::PrivateTempFile() {
    path_ = MakeUnique(GetWindowsTemp() + "psc" + Pid() + "-XXXXXX");
    if (path_.empty()) vb::Raise(vb::errPathFileAccess, "GetTempFileName");
}

PrivateTempFile::~PrivateTempFile() {
    if (!path_.empty()) ::unlink(path_.c_str());
}

clsDataFilesManager& Files() {
    if (!MDFM) vb::Raise(vb::errObjectNotSet);
    return *MDFM;
}

void RemoveOrphans(const std::string& folder, std::string_view prefix) {
    TRACE_MOD(modMain, "RemoveOrphans", TV_PATH(folder), TV(prefix));
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        std::size_t pos = prefix.size();
        long pid = 0;
        while (pos < name.size() && name[pos] >= '0' && name[pos] <= '9' && pid < 100000000)
            pid = pid * 10 + (name[pos++] - '0');
        if (pos == prefix.size() || pos >= name.size() || name[pos] != '-' || pid <= 0) continue;
        if (pid == ::getpid() || ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
        std::error_code removeError;
        std::filesystem::remove(it->path(), removeError);
    }
}

std::int32_t WriteUserFile(const std::shared_ptr<clsDatabase>& db, const std::string& target, const trace::Secret& key,
                           bool mayReplace) {
    TRACE_MOD(modMain, "WriteUserFile", TV(db), TV(target), TV(key), TV(mayReplace));
    const std::string fileName = target.substr(target.find_last_of('/') + 1);
    RemoveOrphans(FolderOf(target), fileName + ".~save");
    // The name ends in neither ".vdb" nor ".vdb.BACKUP", so no listing takes
    // it for a user or a backup while it exists.
    const std::string staging = MakeUnique(target + ".~save" + Pid() + "-XXXXXX");
    TRACE_LOCAL(staging);
    if (staging.empty()) return -1;
    RemoveOnExit cleanup(staging);

    // The outer layer goes on only over a complete save.
    if (Files().SaveDB(db, staging, key, false) != 2) return -1;
    auto rc4 = com::CreateObject<vedb::_clsRC4>(vedb::kProgIdClsRC4);
    if (!rc4->EncryptFile(staging, staging, true, key.str())) return -1;
    const bool renamed = mayReplace ? ::rename(staging.c_str(), target.c_str()) == 0 : RenameNoReplace(staging, target);
    if (!renamed) return -1;
    cleanup.Release();
    SyncFolder(FolderOf(target));
    return 2;
}

std::string MakeSideCopy(const std::string& file) {
    TRACE_MOD(modMain, "MakeSideCopy", TV_PATH(file));
    const std::optional<std::string> content = plat::ReadWholeFile(file);
    if (!content) return {};
    std::string copy = file + ".intact-" + StampText();
    for (int n = 2; FileExist(copy); ++n) copy = file + ".intact-" + StampText() + "-" + std::to_string(n);
    try {
        plat::ReplaceFile(copy, *content, 0600);
    } catch (const vb::VbError&) {
        trace_frame_.Recover();
        return {};
    }
    return copy;
}

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return !a.empty() && !b.empty() && std::filesystem::equivalent(a, b, ec) && !ec;
}

}  // namespace modMain
