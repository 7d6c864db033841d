#pragma once
// A real full disk for the tests: a small tmpfs mounted on a folder of the
// test's own. Mounting needs root (the tests run as root); where the system
// refuses it, mounted() is false and the test skips. The mount never
// outlives the object: the destructor detaches it on every path.
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

namespace qpmtest {

class ScopedTmpfs {
public:
    ScopedTmpfs(std::string folder, std::size_t bytes) : folder_(std::move(folder)) {
        std::error_code ec;
        std::filesystem::create_directories(folder_, ec);
        const std::string options = "size=" + std::to_string(bytes) + ",mode=0700";
        if (::mount("tmpfs", folder_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV | MS_NOEXEC, options.c_str()) == 0)
            mounted_ = true;
        else
            error_ = std::strerror(errno);
    }
    ~ScopedTmpfs() { Unmount(); }
    ScopedTmpfs(const ScopedTmpfs&) = delete;
    ScopedTmpfs& operator=(const ScopedTmpfs&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& folder() const { return folder_; }
    // Why the mount was refused.
    const std::string& error() const { return error_; }

    // Takes every byte that is left: no new file can get any content.
    void Fill() {
        const std::string filler = folder_ + "/.filler";
        const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        if (fd < 0) return;
        char block[4096];
        std::memset(block, 'f', sizeof block);
        for (;;) {
            const ssize_t n = ::write(fd, block, sizeof block);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
        }
        ::close(fd);
    }
    // Gives the space back.
    void Free() { ::unlink((folder_ + "/.filler").c_str()); }

    void Unmount() {
        if (!mounted_) return;
        ::umount2(folder_.c_str(), MNT_DETACH);
        mounted_ = false;
    }

private:
    std::string folder_;
    std::string error_;
    bool mounted_ = false;
};

}  // namespace qpmtest
