#pragma once
// The file work behind the users' operations: the scratch files that hold a
// deciphered text while the library reads or writes it, the write of a user
// file beside the old one, the side copy of a file that loaded only in part,
// and the sweep of temporary files whose process has ended. Temporary names
// carry the process id, so a sweep never takes a file that a running process
// still uses.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "app/trace/Secret.h"

class clsDatabase;
class clsDataFilesManager;

namespace plat {
class AtomicFile;
}

namespace modMain {

// An empty file for a deciphered text, which the library reads and writes by
// its Path. It is an anonymous memory file, named by its descriptor
// ("/proc/self/fd/<n>"): the text never reaches a disk and is gone with the
// process however the process ends. Where the system gives no memory file, a
// file of this process in the private folder ("psc<pid>-XXXXXX", mode 0600)
// stands in; it is removed when the object goes, on every path, and the
// sweep takes it after an abrupt end. Raises 75 when neither can be made.
class ScratchFile {
public:
    ScratchFile();
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::string& Path() const noexcept { return path_; }

    // Makes the content `source` deciphered under `key` (RC4 is its own
    // inverse, so this enciphers just as well). A source that cannot be read
    // leaves the file empty; false then.
    bool FillCiphered(const std::string& source, const trace::Secret& key);
    // Enciphers the content under `key` in place and appends it to `out`.
    // Raises as the writer does.
    void CipherInto(plat::AtomicFile& out, const trace::Secret& key);

private:
    int Open(int flags) const;

    std::string path_;
    std::string unlinkPath_;
    int fd_ = -1;
};

// The one collection of open files; raises 91 before it exists.
clsDataFilesManager& Files();

// Removes the files of `folder` whose names are `prefix`, a process id and
// "-", when that process no longer runs.
void RemoveOrphans(const std::string& folder, std::string_view prefix);

// Writes the database to `target` with the file key `key`: the library's save
// into a scratch file, the outer layer put on in memory, the result written
// to a temporary file beside the target, synced, and renamed over the target
// (over an existing file only when `mayReplace`). No file on disk ever holds
// the inner layer: each inner line restarts the key stream, so one known line
// would reveal every other. 2 when every step succeeded, else -1 with the
// target as it was and nothing left behind.
std::int32_t WriteUserFile(const std::shared_ptr<clsDatabase>& db, const std::string& target, const trace::Secret& key,
                           bool mayReplace);

// A byte copy of `file` beside it under a name that neither the user list
// nor the backup list takes; the copy's path, or "" when it could not be made.
// A side copy of `file` that holds the same bytes already is reused, so
// loading the same damaged file again adds no copy.
std::string MakeSideCopy(const std::string& file);

// True when both paths name the same existing file.
bool SameFile(const std::string& a, const std::string& b);

}  // namespace modMain
