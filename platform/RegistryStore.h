#pragma once
// Internal to the registry (callers use platform/Registry.h): the hive files
// under the registry root. Reading takes no lock; a change reads the hive,
// applies itself and rewrites the file atomically under the root's lock, so
// concurrent writers never lose each other's changes. Damage is reported
// through the registry's reporter.
#include <sys/types.h>

#include <functional>
#include <string>

#include "platform/Registry.h"
#include "platform/RegistryHive.h"

namespace plat::reg_internal {

// Makes the folder and its missing parents with `mode`; true when it is a
// folder afterwards.
bool MakeFolders(const std::string& path, mode_t mode);

struct LoadedHive {
    HiveData data;  // the well-formed part when damaged
    bool damaged = false;
    bool unreadable = false;  // there but could not be read: never overwrite it
    std::string raw;          // the file's bytes, kept aside before a rewrite of a damaged hive
};
// The hive as its file holds it now; a missing file is an empty hive.
LoadedHive LoadHive(Hive hive);

// The change reports whether it changed anything; an unchanged hive is not
// rewritten.
struct ChangeResult {
    RegStatus status = RegStatus::Ok;
    bool changed = false;
};
RegStatus Modify(Hive hive, const std::function<ChangeResult(HiveData&)>& change);

}  // namespace plat::reg_internal
