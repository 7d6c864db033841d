#pragma once
// The file work behind the users' operations: temporary files in the private
// folder, the write of a user file beside the old one, the side copy of a
// file that loaded only in part, and the sweep of temporary files whose
// process has ended. Temporary names carry the process id, so a sweep never
// takes a file that a running process still uses.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "app/trace/Secret.h"

class clsDatabase;
class clsDataFilesManager;

namespace modMain {

// An empty file of this process in the private folder ("psc<pid>-XXXXXX",
// mode 0600), removed when the object goes, on every path.
class PrivateTempFile {
public:
    PrivateTempFile();
    ~PrivateTempFile();
    PrivateTempFile(const PrivateTempFile&) = delete;
    PrivateTempFile& operator=(const PrivateTempFile&) = delete;

    const std::string& Path() const noexcept { return path_; }

private:
    std::string path_;
};

// The one collection of open files; raises 91 before it exists.
clsDataFilesManager& Files();

// Removes the files of `folder` whose names are `prefix`, a process id and
// "-", when that process no longer runs.
void RemoveOrphans(const std::string& folder, std::string_view prefix);

// Writes the database to `target` with the file key `key`: the library's save
// to a temporary file beside the target, then the outer layer, then a rename
// over the target (over an existing file only when `mayReplace`). 2 when
// every step succeeded, else -1 with the target as it was and nothing left
// behind.
std::int32_t WriteUserFile(const std::shared_ptr<clsDatabase>& db, const std::string& target, const trace::Secret& key,
                           bool mayReplace);

// A byte copy of `file` beside it under a name that neither the user list
// nor the backup list takes; the copy's path, or "" when it could not be made.
std::string MakeSideCopy(const std::string& file);

// True when both paths name the same existing file.
bool SameFile(const std::string& a, const std::string& b);

}  // namespace modMain
