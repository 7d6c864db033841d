#pragma once
// The automatic backup of the logged-in user's database and the file times
// the restore dialog lists the backups with.
//
// Backups lie in the folder "Backup" of the databases folder (option 5), one
// file per copy: the database's name, "_", the copy number (decimal, no
// leading zeros) and ".vdb.BACKUP". Copy 1 is the oldest, the highest number
// the newest; a copy is the user file byte for byte, outer layer included.
// Option 13 is the number of copies; a leading "n" switches the backup off.
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class clsDatabase;

namespace modMain {

// Interval of the main window's auto-backup timer in milliseconds. The timer
// backs up once every 60 ticks, so a database used within the last
// interval × 60 of a backup is saved before it is copied.
inline constexpr std::int32_t AutobackupTimerInterval = 60000;

// The platform's file time: 100-nanosecond intervals since 1601-01-01 00:00,
// as two unsigned 32-bit halves.
struct FILETIME {
    std::uint32_t dwLowDateTime = 0;
    std::uint32_t dwHighDateTime = 0;
};

// The program's date-time value: a calendar date and a time of day to the
// second, with no time zone attached (chrono's "local" time is exactly that).
// Values run from 1601-01-01 00:00:00 to 9999-12-31 23:59:59.
using DateTime = std::chrono::local_seconds;

// Backs up the database's user file: rotates the numbered copies when the set
// is full, saves the database first when it was used within the last backup
// period, and copies the user file as the newest copy. The user file and the
// copies' name are those of the file a save writes (UserSaveFile): the stored
// name's, unless that file is another user's. Does nothing (beyond its log
// lines) while option 13 is switched off or is no number, while the
// database's name is no safe file name, or while the database is one that
// loaded only in part.
void DoAutobackup(const std::shared_ptr<clsDatabase>& pDB);

// The creation, last-access and last-write times of a file, converted to
// local time when local_time is True: 0, or -1 when the file cannot be read
// (it is missing or a folder), in which case the three values are unchanged.
// Never raises.
std::int32_t GetFileTimes(const std::string& file_name, DateTime& date_created, DateTime& date_accessed,
                          DateTime& date_written, bool local_time);

// A file time as a date-time value, to the nearest second. Raises 5 for a
// time after 9999-12-31 23:59:59.
DateTime FileTimeToDate(const FILETIME& ft);

// ---- The rotation, as plain logic over the copy numbers present ----

// What one backup does to the numbered copies of one database.
struct BackupRotation {
    bool dropOldest = false;              // the set is full: copy 1 goes
    std::vector<std::int32_t> shiftDown;  // these copies (ascending) become one lower
    std::int32_t newCopy = 1;             // the number the new copy gets
};

// The rotation for a set of `copies` copies when the copies numbered
// `present` exist. Copies numbered above `copies` are never touched.
BackupRotation PlanBackupRotation(const std::vector<std::int32_t>& present, std::int32_t copies);

// The file name of copy n of the database `dbName` (a name in the code page),
// in the file system's form, without folder.
std::string BackupFileName(const std::string& dbName, std::int32_t n);

}  // namespace modMain
