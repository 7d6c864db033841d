#pragma once
// Creating component objects from the registrations a library's
// DllRegisterServer wrote: HKEY_CLASSES_ROOT\<ProgID>\CLSID names the class,
// HKEY_CLASSES_ROOT\CLSID\{clsid}\InprocServer32 names the library's absolute
// path. The library is loaded once per path (RTLD_NOW | RTLD_NODELETE) and
// never unloaded; its DllGetClassObject hands out the class factory.
#include <string>
#include <string_view>

#include "platform/VbError.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Unknown.h"

namespace com {

// The signature of a library's class-object entry point.
using DllGetClassObjectFn = HRESULT (*)(const CLSID& clsid, const IID& iid, void** object);
using DllCanUnloadNowFn = HRESULT (*)();
using DllRegisterServerFn = HRESULT (*)();

// The CLSID registered for a ProgID; CO_E_CLASSSTRING for a ProgID the
// registry cannot hold or a registered text that is no GUID,
// REGDB_E_CLASSNOTREG when it is not registered.
HRESULT CLSIDFromProgID(std::string_view progId, CLSID& out);

// Creates an object of a registered class and asks it for `iid`.
// REGDB_E_CLASSNOTREG: no library registered for the class;
// CO_E_DLLNOTFOUND: the library cannot be loaded; CO_E_ERRORINDLL: it has no
// DllGetClassObject; otherwise what the library answered.
HRESULT CoCreateInstance(const CLSID& clsid, const IID& iid, void** object);

// As CoCreateInstance, and says in `why` what failed.
HRESULT CreateInstanceExplained(const CLSID& clsid, const IID& iid, void** object, std::string& why);

// Creates an object by ProgID ("VEDataBase.clsRC4") or braced CLSID and asks
// it for `iid`: the interface pointer, holding one reference the caller owns.
// Raises run-time error 429 with a description of what failed otherwise.
void* CreateObjectRaw(std::string_view progIdOrBracedClsid, const IID& iid);

template <class T>
ComPtr<T> CreateObject(std::string_view progIdOrBracedClsid) {
    return ComPtr<T>::Adopt(static_cast<T*>(CreateObjectRaw(progIdOrBracedClsid, IidOf<T>())));
}

}  // namespace com
