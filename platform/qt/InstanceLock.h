#pragma once
// One running instance per user: a lock file that the running program holds
// for its whole run. A lock left behind by a program that no longer runs is
// taken over.
#include <string>

namespace qtplat {

// Takes the lock file `lockPath`. False when another running program holds
// it. Taking the lock the program already holds again is true.
bool AcquireInstanceLock(const std::string& lockPath);
// Gives the lock up (the end of the run does it too).
void ReleaseInstanceLock();

}  // namespace qtplat
