// The automatic backup: a rotating set of numbered copies of the logged-in
// user's file in the folder "Backup" of the databases folder.
//
// The new copy is written in full under a name no listing takes before any
// existing copy is deleted or renumbered, so a copy that fails (a full disk,
// a missing user file) leaves the set exactly as it was.
#include "app/core/modMainBackup.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "app/core/modTimer.h"
#include "app/trace/Trace.h"
#include "platform/FileIO.h"
#include "platform/VbError.h"
#include "platform/VbStrings.h"

namespace modMain {
namespace {

constexpr std::string_view kBackupSuffix = ".vdb.BACKUP";

}  // namespace

std::string BackupFileName(const std::string& dbName, std::int32_t n) {
    return dbName + "_" + vb::CStr(n) + std::string(kBackupSuffix);
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
