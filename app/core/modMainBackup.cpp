// The automatic backup: a rotating set of numbered copies of the logged-in
// user's file in the folder "Backup" of the databases folder.
//
// The new copy is written in full and synced under a name no listing takes
// before any existing copy is deleted or renumbered, and every renumbering
// goes onto a free name and is undone when a later step fails, so a backup
// that fails (a full disk, a missing user file, a refused rename) leaves the
// set exactly as it was.
#include "app/core/modMainBackup.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "app/core/modMainOptions.h"
#include "app/core/modMainUserFiles.h"
#include "app/core/modMainUsers.h"
#include "app/core/modTimer.h"
#include "app/trace/Trace.h"
#include "platform/CodePage.h"
#include "platform/FileIO.h"
#include "platform/VbError.h"
#include "platform/VbStrings.h"
#include "platform/qt/Desktop.h"

namespace modMain {
namespace {

constexpr std::string_view kBackupSuffix = ".vdb.BACKUP";
// The complete new copy waits beside its number, under the number's name,
// this tag and the process id, until the set has been rotated; the oldest
// copy waits under the second suffix until the new copy is in place. Neither
// name ends in ".vdb" or ".vdb.BACKUP".
constexpr std::string_view kPendingTag = ".pending";
constexpr std::string_view kDroppedSuffix = ".vdb.BACKUP.dropped";

// The copy number of a backup file, or nothing when the file name is not
// "<fsName>_<n>.vdb.BACKUP" with n written as the backup writes it.
std::optional<std::int32_t> CopyNumber(std::string_view fileName, const std::string& fsName) {
    const std::string prefix = fsName + "_";
    if (fileName.size() <= prefix.size() + kBackupSuffix.size()) return std::nullopt;
    if (fileName.substr(0, prefix.size()) != prefix) return std::nullopt;
    if (fileName.substr(fileName.size() - kBackupSuffix.size()) != kBackupSuffix) return std::nullopt;
    const std::string_view digits =
        fileName.substr(prefix.size(), fileName.size() - prefix.size() - kBackupSuffix.size());
    if (digits.size() > 1 && digits.front() == '0') return std::nullopt;
    std::int32_t n = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    if (ec != std::errc() || end != digits.data() + digits.size() || digits.front() == '-') return std::nullopt;
    return n;
}

// The copy numbers in the backup folder of the database whose name has the
// file system's form `fsName` (none when the folder is not there). Folders
// are no copies.
std::vector<std::int32_t> CopiesPresent(const std::string& folder, const std::string& fsName) {
    std::vector<std::int32_t> numbers;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_directory(ec)) continue;
        if (const auto n = CopyNumber(it->path().filename().native(), fsName)) numbers.push_back(*n);
    }
    return numbers;
}

// Copy n of the database whose name has the file system's form `fsName`.
std::string CopyFileName(const std::string& fsName, std::int32_t n) {
    return fsName + "_" + vb::CStr(n) + std::string(kBackupSuffix);
}

// The renumberings of one rotation. Unless the rotation is kept, they are
// undone in reverse order, so a step that fails puts the set back as it was.
class Rotation {
public:
    Rotation() = default;
    ~Rotation() {
        for (auto it = moves_.rbegin(); it != moves_.rend(); ++it) {
            try {
                plat::RenameFile(it->second, it->first, false);
            } catch (const vb::VbError& e) {
                DbgPrint("AUTOBACKUP: " + it->second + " could not be put back (" + e.Description() + ")");
            }
        }
    }
    Rotation(const Rotation&) = delete;
    Rotation& operator=(const Rotation&) = delete;

    // Renames a copy; without `replace` only to a name that is free, so the
    // set is never shuffled over a file that is there.
    void Move(const std::string& from, const std::string& to, bool replace = false) {
        plat::RenameFile(from, to, replace);
        moves_.emplace_back(from, to);
    }
    void Keep() noexcept { moves_.clear(); }

private:
    std::vector<std::pair<std::string, std::string>> moves_;
};

void MakeBackupFolder(const std::string& folder) {
    if (FileExist(folder)) return;
    std::error_code ec;
    std::filesystem::create_directory(folder, ec);
    if (ec) vb::Raise(vb::errPathNotFound, "modMain.DoAutobackup");
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all, ec);
}

// Saves the database before it is copied; a save that fails leaves the file
// on disk as it was, and that file is backed up. True when it was saved.
bool SaveBeforeCopy(const std::shared_ptr<clsDatabase>& pDB) {
    const std::int32_t r = SaveUsDB(pDB, CurUsKey());
    if (r != 2)
        DbgPrint("AUTOBACKUP: the database could not be saved (" + vb::CStr(r) + "); the file on disk is copied");
    return r == 2;
}

// Told when a backup fails (a full disk, a folder that cannot be written).
constexpr const char* kBackupFailed = "The automatic backup could not be made (";
constexpr const char* kBackupFailedTail =
    "). The open database and its changes stay in the program; the next backup is tried in an hour.";
constexpr const char* kBackupNotSavedEither = " The database itself could not be saved either.";
// The database whose failed backup the user has been told about; a backup
// that succeeds clears it, so a disk that stays full is told about once for
// the open database, not every hour.
std::weak_ptr<clsDatabase> g_toldBackupFailed;

// The file work of one backup; raises what the file layer raises. `saved`
// tells whether the database was saved first.
void MakeBackup(const std::shared_ptr<clsDatabase>& pDB, std::int32_t N, bool& saved);

}  // namespace

void DoAutobackup(const std::shared_ptr<clsDatabase>& pDB) {
    TRACE_MOD(modMain, "DoAutobackup", TV(pDB));
    DbgPrint("!!!AUTOBACKUP!!!");
    if (vb::Left(OptionSlot(Option::BackupCopies), 1) == "n") return;
    if (!pDB) vb::Raise(vb::errObjectNotSet, "modMain.DoAutobackup");
    // A number of copies that is no number makes no backup (as a lock time
    // that is no number locks nothing) rather than ending the program.
    const std::optional<std::int32_t> N = OptionLong(Option::BackupCopies, IfUnusable::Quiet);
    TRACE_LOCAL(N);
    if (!N) {
        DbgPrint("AUTOBACKUP skipped: the number of copies (option 13) is no number");
        return;
    }
    const std::string dbName = pDB->Name();
    TRACE_LOCAL(dbName);
    // The name comes from the file itself: it becomes part of a path only
    // when it could be a user's name.
    if (!IsSafeUserName(dbName)) {
        DbgPrint("AUTOBACKUP skipped: the database's name is no safe file name");
        return;
    }
    // A database that loaded only in part holds less than its file did: its
    // copies would push the good ones out of the set.
    if (!PartialLoadFile.empty()) {
        DbgPrint("AUTOBACKUP skipped: the open database loaded only in part; the backups are kept as they are");
        return;
    }
    // A backup that fails never ends the program: the database stays open
    // with its changes, the user is told, and the next hour tries again.
    bool saved = true;
    try {
        MakeBackup(pDB, *N, saved);
    } catch (const vb::VbError& e) {
        trace_frame_.Recover();
        DbgPrint("AUTOBACKUP failed: " + e.Description() + " (error " + std::to_string(e.Number()) +
                 "); no new copy was made, the next one is tried in an hour");
        if (g_toldBackupFailed.lock() != pDB) {
            g_toldBackupFailed = pDB;
            qtplat::MsgBox(kBackupFailed + e.Description() + kBackupFailedTail + (saved ? "" : kBackupNotSavedEither),
                           qtplat::vbExclamation);
        }
        return;
    }
    g_toldBackupFailed.reset();
}

namespace {

void MakeBackup(const std::shared_ptr<clsDatabase>& pDB, std::int32_t N, bool& saved) {
    TRACE_MOD(modMain, "MakeBackup", TV(pDB), TV(N));
    // The copies go with the file a save writes: the user file of the stored
    // name, unless that file is another user's, whose set is then left alone.
    const std::string userFile = UserSaveFile(pDB);
    TRACE_LOCAL_PATH(userFile);
    if (userFile.empty()) {
        DbgPrint("AUTOBACKUP skipped: the database's name is another user's and it came from no user file");
        return;
    }
    const std::string dbFolder = Pt(OptionSlot(Option::DBPath));
    const std::string folder = Pt(dbFolder + "Backup");
    TRACE_LOCAL_PATH(folder);
    const std::string fileName = userFile.substr(userFile.find_last_of('/') + 1);
    const std::string fsName = fileName.substr(0, fileName.size() - 4);
    const BackupRotation plan = PlanBackupRotation(CopiesPresent(folder, fsName), N);
    MakeBackupFolder(dbFolder + "Backup");

    // Saved first when used within the last backup period (the time between
    // two backups), so the copy holds the latest changes.
    const double period = static_cast<double>(AutobackupTimerInterval) * 60.0 / 1000.0;
    if (period > modTimer::GetQueryPerf() - pDB->DBLastAccess()) saved = SaveBeforeCopy(pDB);

    // A user file renamed outside the program is on disk under its new name
    // until the first save writes the file of its stored name.
    std::string source = userFile;
    if (!FileExist(source) && IsUserFilePath(pDB->Path()) && FileExist(pDB->Path())) source = pDB->Path();
    TRACE_LOCAL(source);
    // The whole copy first, synced: until it is complete no existing copy is
    // touched. An abandoned copy leaves nothing behind; one a program that
    // ended midway left there is removed.
    const std::string newName = CopyFileName(fsName, plan.newCopy);
    RemoveOrphans(folder, newName + std::string(kPendingTag));
    const plat::FileContent content = plat::ReadForCopy(source);
    plat::AtomicFile newCopy(folder + newName, content.mode,
                             std::string(kPendingTag) + std::to_string(::getpid()) + "-");
    newCopy.Write(content.bytes);
    newCopy.Sync();
    // The oldest copy leaves the set under a name of its own (one a crash
    // left there is replaced) and is deleted once the new copy is in place.
    Rotation rotation;
    const std::string dropped = folder + fsName + std::string(kDroppedSuffix);
    if (plan.dropOldest) rotation.Move(folder + CopyFileName(fsName, 1), dropped, true);
    for (std::int32_t j : plan.shiftDown)
        rotation.Move(folder + CopyFileName(fsName, j), folder + CopyFileName(fsName, j - 1));
    // The new copy's number is free by now, but for a set of no copies,
    // whose one copy 0 each new copy replaces.
    newCopy.Commit(plan.newCopy < 1);
    rotation.Keep();
    if (plan.dropOldest) TrueKill(dropped);
}

}  // namespace

std::string BackupFileName(const std::string& dbName, std::int32_t n) {
    return CopyFileName(plat::AnsiToUtf8(dbName), n);
}

BackupRotation PlanBackupRotation(const std::vector<std::int32_t>& present, std::int32_t copies) {
    std::vector<std::int32_t> numbers = present;
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    // k: the highest copy from `copies` down to 1 that exists, 0 when none.
    std::int32_t k = 0;
    for (std::int32_t n : numbers)
        if (n >= 1 && n <= copies) k = n;
    BackupRotation plan;
    if (k != copies) {
        plan.newCopy = k + 1;
        return plan;
    }
    // The set is full (with 0 copies it always is): the oldest goes, the
    // others move down one place and the new copy takes the last number.
    plan.dropOldest = std::binary_search(numbers.begin(), numbers.end(), 1);
    for (std::int32_t n : numbers)
        if (n >= 2 && n <= copies) plan.shiftDown.push_back(n);
    plan.newCopy = copies;
    return plan;
}

}  // namespace modMain
