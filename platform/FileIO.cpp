#include "platform/FileIO.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <mutex>

#include "platform/VbError.h"

namespace plat {
namespace {

std::mutex g_faultMutex;
WriteFaults g_faults;
std::int64_t g_bytesWritten = 0;
std::int32_t g_renames = 0;

// Returns how many of `wanted` bytes the fault seam lets through.
std::size_t AllowedBytes(std::size_t wanted) {
    std::lock_guard lock(g_faultMutex);
    if (g_faults.failAfterBytes < 0) return wanted;
    std::int64_t left = g_faults.failAfterBytes - g_bytesWritten;
    if (left < 0) left = 0;
    std::size_t allowed = static_cast<std::size_t>(left) < wanted ? static_cast<std::size_t>(left) : wanted;
    g_bytesWritten += static_cast<std::int64_t>(allowed);
    return allowed;
}

// Counts a rename and tells whether the fault seam refuses it.
bool RenameRefused() {
    std::lock_guard lock(g_faultMutex);
    ++g_renames;
    return g_faults.refuseRename || g_renames == g_faults.refuseRenameNo;
}

std::string FolderOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

void SyncFolder(const std::string& folder) {
    int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
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

// Every rename of the file layer: false, with errno set, when it failed or
// the fault seam refused it.
bool Rename(const std::string& from, const std::string& to, bool replace) {
    if (RenameRefused()) {
        errno = EIO;
        return false;
    }
    return replace ? ::rename(from.c_str(), to.c_str()) == 0 : RenameNoReplace(from, to);
}

constexpr long kFileAlreadyExists = 58;

}  // namespace

void SetWriteFaults(const WriteFaults& faults) {
    std::lock_guard lock(g_faultMutex);
    g_faults = faults;
    g_bytesWritten = 0;
    g_renames = 0;
}

void ClearWriteFaults() { SetWriteFaults(WriteFaults{}); }

bool FileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    if (!FileExists(path)) return std::nullopt;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string content;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_size > 0) content.reserve(static_cast<std::size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        content.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return content;
}

std::string ReadFileOrRaise(const std::string& path) {
    if (!FileExists(path)) vb::Raise(vb::errFileNotFound);
    auto content = ReadWholeFile(path);
    if (!content) vb::Raise(vb::errPathFileAccess);
    return std::move(*content);
}

bool IsOwnDescriptorPath(const std::string& path) {
    constexpr std::string_view prefix = "/proc/self/fd/";
    if (path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0) return false;
    return path.find_first_not_of("0123456789", prefix.size()) == std::string::npos;
}

AtomicFile::AtomicFile(std::string target, mode_t mode, std::string_view tempTag)
    : target_(std::move(target)), mode_(mode) {
    if (IsOwnDescriptorPath(target_)) {
        fd_ = ::open(target_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd_ < 0) vb::Raise(vb::errPathFileAccess);
        inPlace_ = true;
        return;
    }
    std::string folder = FolderOf(target_);
    struct stat fst {};
    if (::stat(folder.c_str(), &fst) != 0 || !S_ISDIR(fst.st_mode)) vb::Raise(vb::errPathNotFound);
    // The suffix never ends in ".vdb" or ".vdb.BACKUP", so no listing takes a
    // leftover for a user file or a backup.
    temp_ = target_;
    temp_.append(tempTag).append("XXXXXX");
    fd_ = ::mkstemp(temp_.data());
    if (fd_ < 0) {
        temp_.clear();
        vb::Raise(vb::errPathFileAccess);
    }
    struct stat tst {};
    mode_t bits = (::stat(target_.c_str(), &tst) == 0) ? (tst.st_mode & 07777) : mode;
    ::fchmod(fd_, bits);
}

AtomicFile::~AtomicFile() { Abandon(); }

void AtomicFile::Write(std::string_view bytes) {
    if (fd_ < 0) vb::Raise(vb::errPathFileAccess);
    std::size_t allowed = AllowedBytes(bytes.size());
    const char* p = bytes.data();
    std::size_t left = allowed;
    while (left > 0) {
        ssize_t n = ::write(fd_, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            vb::Raise(vb::errPathFileAccess);
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    if (allowed < bytes.size()) vb::Raise(vb::errPathFileAccess);  // the seam's "disk full"
}

void AtomicFile::Sync() {
    if (fd_ < 0) vb::Raise(vb::errPathFileAccess);
    if (!inPlace_ && ::fsync(fd_) != 0) vb::Raise(vb::errPathFileAccess);
}

void AtomicFile::Commit(bool replace) {
    if (fd_ < 0) vb::Raise(vb::errPathFileAccess);
    if (inPlace_) {
        const bool closed = ::close(fd_) == 0;
        fd_ = -1;
        if (!closed) vb::Raise(vb::errPathFileAccess);
        return;
    }
    if (!replace) ::fchmod(fd_, mode_);
    bool ok = ::fsync(fd_) == 0;
    ok = (::close(fd_) == 0) && ok;
    fd_ = -1;
    ok = ok && Rename(temp_, target_, replace);
    if (!ok) {
        ::unlink(temp_.c_str());
        temp_.clear();
        vb::Raise(vb::errPathFileAccess);
    }
    temp_.clear();
    SyncFolder(FolderOf(target_));
}

void AtomicFile::Abandon() noexcept {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
}

void ReplaceFile(const std::string& target, std::string_view content, mode_t mode) {
    AtomicFile file(target, mode);
    file.Write(content);
    file.Commit();
}

FileContent ReadForCopy(const std::string& path) {
    FileContent content{ReadFileOrRaise(path)};
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) content.mode = st.st_mode & 07777;
    return content;
}

void CopyFileAtomic(const std::string& from, const std::string& to) {
    const FileContent source = ReadForCopy(from);
    ReplaceFile(to, source.bytes, source.mode);
}

void RenameFile(const std::string& from, const std::string& to, bool replace) {
    struct stat st {};
    if (::lstat(from.c_str(), &st) != 0) vb::Raise(vb::errFileNotFound);
    if (!Rename(from, to, replace)) {
        if (errno == ENOENT) vb::Raise(vb::errFileNotFound);
        if (errno == EEXIST && !replace) vb::Raise(kFileAlreadyExists);
        vb::Raise(vb::errPathFileAccess);
    }
    SyncFolder(FolderOf(to));
    if (FolderOf(from) != FolderOf(to)) SyncFolder(FolderOf(from));
}

}  // namespace plat
