#include "platform/qt/InstanceLock.h"

#include <QLockFile>
#include <memory>

#include "platform/qt/AnsiText.h"

namespace qtplat {
namespace {

std::unique_ptr<QLockFile> g_lock;
std::string g_lockPath;

}  // namespace

bool AcquireInstanceLock(const std::string& lockPath) {
    if (g_lock && g_lockPath == lockPath) return true;
    auto lock = std::make_unique<QLockFile>(PathToQString(lockPath));
    // Only a holder that is gone counts as stale, however long ago it locked.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) return false;
    g_lock = std::move(lock);
    g_lockPath = lockPath;
    return true;
}

void ReleaseInstanceLock() {
    g_lock.reset();
    g_lockPath.clear();
}

}  // namespace qtplat
