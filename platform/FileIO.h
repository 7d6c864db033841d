#pragma once
// Whole-file reading and atomic replacement. Every file the system rewrites
// goes through AtomicFile: the new content is written to a temporary file in
// the same folder, flushed to disk and renamed over the old file, so a failed
// write never leaves a damaged or half-written file behind.
#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace plat {

// True when `path` names a regular file whose length can be read.
bool FileExists(const std::string& path);

// The whole content of a file, or nothing when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::string& path);

// The whole content of a file; raises run-time error 53 when it is missing and
// 75 when it cannot be read.
std::string ReadFileOrRaise(const std::string& path);

// True when `path` names one of this process's open files by its descriptor
// ("/proc/self/fd/<n>"): how a memory file is handed to code that takes paths.
bool IsOwnDescriptorPath(const std::string& path);

class AtomicFile {
public:
    // Opens a temporary file beside `target`, named `target` & `tempTag` &
    // six random characters. An existing target keeps its permission bits; a
    // new one gets `mode`. Raises 76 when the folder is missing and 75 when
    // the temporary file cannot be created.
    //
    // A target that is one of the process's own descriptors (a memory file)
    // has no folder to stage in and nothing on disk to protect: it is
    // truncated and written in place, and Abandon leaves what was written.
    explicit AtomicFile(std::string target, mode_t mode = 0600, std::string_view tempTag = ".~tmp-");
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Appends bytes; raises 75 on a write failure (a full disk, say).
    void Write(std::string_view bytes);
    // Flushes, syncs and renames over the target; raises 75 on failure, in
    // which case the target is untouched and the temporary file is gone.
    // Without `replace` an existing target is never replaced: that is a
    // failure too.
    void Commit(bool replace = true);
    // Drops the temporary file; the target stays as it was.
    void Abandon() noexcept;

    const std::string& TempPath() const noexcept { return temp_; }

private:
    std::string target_;
    std::string temp_;
    int fd_ = -1;
    bool inPlace_ = false;
};

// Replaces `target` with `content` atomically; raises as AtomicFile does.
void ReplaceFile(const std::string& target, std::string_view content, mode_t mode = 0600);

// Copies the file `from` over `to` through AtomicFile, so `to` is replaced
// only by a complete copy. A new target gets the source's permission bits.
// Raises 53 when `from` is missing and 75 when it cannot be read; the write
// raises as AtomicFile does.
void CopyFileAtomic(const std::string& from, const std::string& to);

// Test seam for write failures: tests run as root, so permission bits cannot
// make a write fail. While faults are set, AtomicFile writes fail once the
// given number of bytes has been written in total, and renames are refused.
struct WriteFaults {
    std::int64_t failAfterBytes = -1;  // < 0: never
    bool refuseRename = false;
};
void SetWriteFaults(const WriteFaults& faults);
void ClearWriteFaults();

class ScopedWriteFaults {
public:
    explicit ScopedWriteFaults(const WriteFaults& faults) { SetWriteFaults(faults); }
    ~ScopedWriteFaults() { ClearWriteFaults(); }
    ScopedWriteFaults(const ScopedWriteFaults&) = delete;
    ScopedWriteFaults& operator=(const ScopedWriteFaults&) = delete;
};

}  // namespace plat
