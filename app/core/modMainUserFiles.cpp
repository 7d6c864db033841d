#include "app/core/modMainUserFiles.h"

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/mman.h>
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

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

com::ComPtr<vedb::_clsRC4> NewCipher() { return com::CreateObject<vedb::_clsRC4>(vedb::kProgIdClsRC4); }

// A shared read-write mapping of a whole file, unmapped when it goes; data is
// nullptr when the file could not be mapped. `grow` first sets the file's
// length to `size`.
struct Mapping {
    Mapping(int fd, std::size_t size, bool grow) : size(size) {
        if (size == 0 || (grow && ::ftruncate(fd, static_cast<off_t>(size)) != 0)) return;
        void* p = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_POPULATE, fd, 0);
        if (p != MAP_FAILED) data = static_cast<char*>(p);
    }
    ~Mapping() {
        if (data) ::munmap(data, size);
    }
    Mapping(const Mapping&) = delete;
    Mapping& operator=(const Mapping&) = delete;

    char* data = nullptr;
    std::size_t size;
};

std::string StampText() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char buf[32];
    return std::string(buf, std::strftime(buf, sizeof buf, "%Y%m%d-%H%M%S", &local));
}

// The side copy of `file` whose bytes are `content`, or "" when none is.
std::string SideCopyHolding(const std::string& file, const std::string& content) {
    const std::string prefix = file.substr(file.find_last_of('/') + 1) + ".intact-";
    std::error_code ec;
    for (std::filesystem::directory_iterator it(FolderOf(file), ec), end; !ec && it != end; it.increment(ec)) {
        if (it->path().filename().string().rfind(prefix, 0) != 0) continue;
        std::error_code sizeError;
        if (!it->is_regular_file(sizeError) || it->file_size(sizeError) != content.size() || sizeError) continue;
        if (plat::ReadWholeFile(it->path().string()) == content) return it->path().string();
    }
    return {};
}

}  // namespace

ScratchFile::ScratchFile() {
    fd_ = ::memfd_create("qpm-scratch", MFD_CLOEXEC);
    if (fd_ >= 0) {
        path_ = "/proc/self/fd/" + std::to_string(fd_);
        // Without /proc the library could not open it by name.
        if (::access(path_.c_str(), R_OK | W_OK) == 0) return;
        ::close(fd_);
    }
    path_ = GetWindowsTemp() + "psc" + Pid() + "-XXXXXX";
    fd_ = ::mkostemp(path_.data(), O_CLOEXEC);
    if (fd_ < 0) vb::Raise(vb::errPathFileAccess, "GetTempFileName");
    unlinkPath_ = path_;
}

ScratchFile::~ScratchFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!unlinkPath_.empty()) ::unlink(unlinkPath_.c_str());
}

int ScratchFile::Open(int flags) const {
    // By name, not by the descriptor kept: a file on disk is replaced by a
    // rename whenever the library writes it.
    return ::open(path_.c_str(), flags | O_RDWR | O_CLOEXEC);
}

bool ScratchFile::FillCiphered(const std::string& source, const trace::Secret& key) {
    TRACE_MOD(modMain, "FillCiphered", TV(source), TV(key));
    const int out = Open(O_TRUNC);
    if (out < 0) return false;
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    bool ok = in >= 0 && ::fstat(in, &st) == 0 && S_ISREG(st.st_mode);
    const auto size = ok ? static_cast<std::size_t>(st.st_size) : 0;
    // The bytes are read straight into the scratch file's pages and
    // deciphered there: the one copy of the text this process makes.
    if (ok && size > 0) {
        Mapping map(out, size, true);
        ok = map.data != nullptr;
        for (std::size_t done = 0; ok && done < size;) {
            const ssize_t n = ::pread(in, map.data + done, size - done, static_cast<off_t>(done));
            if (n < 0 && errno == EINTR) continue;
            ok = n > 0;
            if (ok) done += static_cast<std::size_t>(n);
        }
        if (ok) NewCipher()->CipherInPlace(map.data, size, key.str());
    }
    if (!ok) ::ftruncate(out, 0);
    if (in >= 0) ::close(in);
    ::close(out);
    return ok;
}

void ScratchFile::CipherInto(plat::AtomicFile& out, const trace::Secret& key) {
    TRACE_MOD(modMain, "CipherInto", TV(key));
    const int fd = Open(0);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        if (fd >= 0) ::close(fd);
        vb::Raise(vb::errPathFileAccess);
    }
    const auto size = static_cast<std::size_t>(st.st_size);
    Mapping map(fd, size, false);
    ::close(fd);
    if (size == 0) return;
    if (!map.data) vb::Raise(vb::errPathFileAccess);
    NewCipher()->CipherInPlace(map.data, size, key.str());
    out.Write(std::string_view(map.data, size));
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
    TRACE_MOD(modMain, "WriteUserFile", TV(db), TV_PATH(target), TV(key), TV(mayReplace));
    const std::string fileName = target.substr(target.find_last_of('/') + 1);
    RemoveOrphans(FolderOf(target), fileName + ".~save");
    try {
        ScratchFile inner;
        // The outer layer goes on only over a complete save.
        if (Files().SaveDB(db, inner.Path(), key, false) != 2) return -1;
        // The name ends in neither ".vdb" nor ".vdb.BACKUP", so no listing
        // takes it for a user or a backup while it exists.
        plat::AtomicFile staging(target, 0600, ".~save" + Pid() + "-");
        inner.CipherInto(staging, key);
        staging.Commit(mayReplace);
    } catch (const vb::VbError&) {
        trace_frame_.Recover();
        return -1;
    }
    return 2;
}

std::string MakeSideCopy(const std::string& file) {
    TRACE_MOD(modMain, "MakeSideCopy", TV_PATH(file));
    const std::optional<std::string> content = plat::ReadWholeFile(file);
    if (!content) return {};
    const std::string kept = SideCopyHolding(file, *content);
    if (!kept.empty()) return kept;
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
