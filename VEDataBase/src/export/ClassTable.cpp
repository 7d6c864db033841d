#include "ClassTable.h"

#include "VEDataBase/ClassIds.h"
#include "VEDataManager.h"
#include "clsMD5HASH.h"
#include "clsRC4.h"

namespace vedb::server {
namespace {

// The object's IUnknown, from its default interface.
template <class T>
com::IUnknown* Create() {
    T* object = new T();
    return static_cast<com::IUnknown*>(object);
}

const ClassEntry kClasses[] = {
    {CLSID_VEDataManager, kProgIdVEDataManager, "VEDataManager", &Create<VEDataManager>},
    {CLSID_clsRC4, kProgIdClsRC4, "clsRC4", &Create<clsRC4>},
    {CLSID_clsMD5HASH, kProgIdClsMD5HASH, "clsMD5HASH", &Create<clsMD5HASH>},
};

}  // namespace

std::span<const ClassEntry> Classes() { return kClasses; }

const ClassEntry* FindClass(const com::CLSID& clsid) {
    for (const ClassEntry& entry : kClasses)
        if (entry.clsid == clsid) return &entry;
    return nullptr;
}

}  // namespace vedb::server
