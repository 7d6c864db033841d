#pragma once
// Whole-file reading, atomic replacement and renaming: the one way the
// system writes its files. A file is rewritten through AtomicFile: the new
// content is written to a temporary file in the same folder, flushed to disk
// and renamed over the old file (or, for a commit that may not replace,
// onto a free name only), so a failed write never leaves a damaged or
// half-written file behind. Files are renamed through RenameFile. Both go
// through the write-fault seam below.
//
// Writers that stay outside on purpose: the append-only log (nothing to
// replace), the fault report (written from a signal handler, so it must stay
// async-signal-safe), the instance and registry lock files (held for their
// locks, never rewritten), and the deciphered scratch file a save and a load
// hand to the library (a memory file, else a private file made once and
// removed after, never a replacement for another).
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
    // Syncs what was written to disk now, before the commit, so that other
    // files may be changed once the content is safe; raises 75 on failure.
    void Sync();
    // Flushes, syncs and renames over the target; raises 75 on failure, in
    // which case the target is untouched and the temporary file is gone.
    // Without `replace` an existing target is never replaced: that is a
    // failure too, and the new file gets `mode` (there is no target whose
    // bits it could keep).
    void Commit(bool replace = true);
    // Drops the temporary file; the target stays as it was.
    void Abandon() noexcept;

    const std::string& TempPath() const noexcept { return temp_; }

private:
    std::string target_;
    std::string temp_;
    int fd_ = -1;
    mode_t mode_;
    bool inPlace_ = false;
};

// Replaces `target` with `content` atomically; raises as AtomicFile does.
void ReplaceFile(const std::string& target, std::string_view content, mode_t mode = 0600);

// A file's whole content and permission bits, as a copy of it takes them.
// Raises 53 when the file is missing and 75 when it cannot be read.
struct FileContent {
    std::string bytes;
    mode_t mode = 0600;
};
FileContent ReadForCopy(const std::string& path);

// Copies the file `from` over `to` through AtomicFile, so `to` is replaced
// only by a complete copy. A new target gets the source's permission bits.
// Raises as ReadForCopy does for `from`; the write raises as AtomicFile does.
void CopyFileAtomic(const std::string& from, const std::string& to);

// Renames the file `from` to `to`, replacing an existing `to` only with
// `replace`; without it the rename is atomic: an existing `to` is never
// replaced, even by a file that appears there meanwhile. Raises 53 when
// `from` is missing, 58 when `to` exists and may not be replaced, and 75
// on any other failure; a failed rename changes neither name.
void RenameFile(const std::string& from, const std::string& to, bool replace);

// Test seam for write failures: tests run as root, so permission bits cannot
// make a write fail. While faults are set, AtomicFile writes fail once the
// given number of bytes has been written in total, and renames (a commit's
// and RenameFile's) are refused: all of them, or only the n-th one since the
// faults were set, so that each step of a sequence of renames can fail.
struct WriteFaults {
    std::int64_t failAfterBytes = -1;  // < 0: never
    bool refuseRename = false;         // every rename
    std::int32_t refuseRenameNo = 0;   // > 0: that rename alone (1: the first)
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
