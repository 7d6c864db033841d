#pragma once
// The library's creatable classes: one table that registration, the class
// factories and DllGetClassObject all read, so a class joins by one line.
#include <span>

#include "platform/com/Unknown.h"

namespace vedb::server {

struct ClassEntry {
    com::CLSID clsid;
    const char* progId;     // "VEDataBase.clsRC4"
    const char* className;  // "clsRC4"
    // A new object holding one reference the caller owns; may throw.
    com::IUnknown* (*create)();
};

std::span<const ClassEntry> Classes();

// The entry for a CLSID, or nullptr.
const ClassEntry* FindClass(const com::CLSID& clsid);

}  // namespace vedb::server
