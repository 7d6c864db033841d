// The four entry points of the component server, with C linkage. None lets an
// exception out: the caller may be a loader thread that cannot handle one.
#include "ClassFactory.h"
#include "ClassTable.h"
#include "ComObject.h"
#include "Registration.h"

#define VEDB_EXPORT extern "C" __attribute__((visibility("default")))

VEDB_EXPORT com::HRESULT DllRegisterServer() {
    try {
        return vedb::server::RegisterClasses(vedb::server::LibraryPath());
    } catch (...) {
        return com::SELFREG_E_CLASS;
    }
}

VEDB_EXPORT com::HRESULT DllUnregisterServer() {
    try {
        return vedb::server::UnregisterClasses();
    } catch (...) {
        return com::SELFREG_E_CLASS;
    }
}

VEDB_EXPORT com::HRESULT DllGetClassObject(const com::CLSID& clsid, const com::IID& iid, void** object) {
    if (!object) return com::E_POINTER;
    *object = nullptr;
    try {
        const vedb::server::ClassEntry* entry = vedb::server::FindClass(clsid);
        if (!entry) return com::CLASS_E_CLASSNOTAVAILABLE;
        return vedb::server::FactoryFor(*entry).QueryInterface(iid, object);
    } catch (...) {
        return com::E_OUTOFMEMORY;
    }
}

VEDB_EXPORT com::HRESULT DllCanUnloadNow() { return vedb::LibraryUsage() == 0 ? com::S_OK : com::S_FALSE; }
