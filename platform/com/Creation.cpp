#include "platform/com/Creation.h"

#include <dlfcn.h>

#include <cstdio>
#include <map>
#include <mutex>

#include "platform/Registry.h"

namespace com {
namespace {

// Loaded libraries by path. They are never closed: objects, factories and
// exceptions of a library may outlive any one caller's use of it.
struct LoadedLibrary {
    void* handle = nullptr;
    std::string error;
};

std::mutex g_libMutex;
std::map<std::string, LoadedLibrary> g_libraries;

LoadedLibrary Load(const std::string& path) {
    std::lock_guard lock(g_libMutex);
    auto it = g_libraries.find(path);
    if (it != g_libraries.end() && it->second.handle) return it->second;
    LoadedLibrary lib;
    ::dlerror();
    lib.handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_NODELETE);
    if (!lib.handle) {
        const char* err = ::dlerror();
        lib.error = err ? err : "dlopen failed";
        return lib;  // not cached: the file may appear later
    }
    g_libraries[path] = lib;
    return lib;
}

bool IsValidProgId(std::string_view progId) {
    if (progId.empty() || progId.size() > 39) return false;
    for (char c : progId) {
        auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u >= 0x7F || c == '\\' || c == '{' || c == '}') return false;
    }
    return true;
}

std::string Hex(HRESULT hr) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(hr));
    return buf;
}

}  // namespace

HRESULT CLSIDFromProgID(std::string_view progId, CLSID& out) {
    if (!IsValidProgId(progId)) return CO_E_CLASSSTRING;
    auto text = plat::RegQueryString(plat::HKEY_CLASSES_ROOT, std::string(progId) + "\\CLSID", "");
    if (!text) return REGDB_E_CLASSNOTREG;
    auto clsid = ParseGuid(*text);
    if (!clsid) return CO_E_CLASSSTRING;
    out = *clsid;
    return S_OK;
}

HRESULT CreateInstanceExplained(const CLSID& clsid, const IID& iid, void** object, std::string& why) {
    if (!object) {
        why = "no place for the object was given";
        return E_POINTER;
    }
    *object = nullptr;
    std::string clsidText = GuidToString(clsid);
    auto path = plat::RegQueryString(plat::HKEY_CLASSES_ROOT, "CLSID\\" + clsidText + "\\InprocServer32", "");
    if (!path || path->empty()) {
        why = "the class " + clsidText + " has no library registered";
        return REGDB_E_CLASSNOTREG;
    }
    if (path->front() != '/') {
        // A relative name would be searched for along the loader's paths.
        why = "the library registered for the class " + clsidText + " is not an absolute path: " + *path;
        return CO_E_DLLNOTFOUND;
    }
    LoadedLibrary lib = Load(*path);
    if (!lib.handle) {
        why = "the library " + *path + " cannot be loaded: " + lib.error;
        return CO_E_DLLNOTFOUND;
    }
    void* symbol = ::dlsym(lib.handle, "DllGetClassObject");
    if (!symbol) {
        why = "the library " + *path + " has no entry point DllGetClassObject";
        return CO_E_ERRORINDLL;
    }
    auto getClassObject = reinterpret_cast<DllGetClassObjectFn>(symbol);
    void* factoryPtr = nullptr;
    HRESULT hr = getClassObject(clsid, IID_IClassFactory, &factoryPtr);
    if (Failed(hr) || !factoryPtr) {
        why = "the library " + *path + " gives no class factory for " + clsidText + " (" + Hex(hr) + ")";
        return Failed(hr) ? hr : E_FAIL;
    }
    auto factory = ComPtr<IClassFactory>::Adopt(static_cast<IClassFactory*>(factoryPtr));
    hr = factory->CreateInstance(nullptr, iid, object);
    if (Failed(hr) || !*object) {
        *object = nullptr;
        if (hr == E_NOINTERFACE)
            why = "the class " + clsidText + " does not support the interface " + GuidToString(iid);
        else
            why = "the class " + clsidText + " could not create an object (" + Hex(hr) + ")";
        return Failed(hr) ? hr : E_FAIL;
    }
    return S_OK;
}

HRESULT CoCreateInstance(const CLSID& clsid, const IID& iid, void** object) {
    std::string why;
    return CreateInstanceExplained(clsid, iid, object, why);
}

void* CreateObjectRaw(std::string_view progIdOrBracedClsid, const IID& iid) {
    auto fail = [&](const std::string& why) {
        throw vb::VbError(vb::errCantCreateObject, vb::StandardDescription(vb::errCantCreateObject) + ": " + why);
    };
    CLSID clsid;
    if (!progIdOrBracedClsid.empty() && progIdOrBracedClsid.front() == '{') {
        auto parsed = progIdOrBracedClsid.size() == 38 ? ParseGuid(progIdOrBracedClsid) : std::nullopt;
        if (!parsed) fail("\"" + std::string(progIdOrBracedClsid) + "\" is not a class identifier");
        clsid = *parsed;
    } else {
        HRESULT hr = CLSIDFromProgID(progIdOrBracedClsid, clsid);
        if (hr == REGDB_E_CLASSNOTREG) fail("the class " + std::string(progIdOrBracedClsid) + " is not registered");
        if (Failed(hr))
            fail("the class name \"" + std::string(progIdOrBracedClsid) + "\" is invalid or registered wrongly");
    }
    void* object = nullptr;
    std::string why;
    if (Failed(CreateInstanceExplained(clsid, iid, &object, why))) fail(why);
    return object;
}

}  // namespace com
