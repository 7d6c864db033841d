#include "Registration.h"

#include <dlfcn.h>

#include <filesystem>

#include "ClassTable.h"
#include "platform/Registry.h"

namespace vedb::server {
namespace {

// An address inside this library for dladdr.
void Anchor() {}

}  // namespace

std::string LibraryPath() {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&Anchor), &info) == 0 || !info.dli_fname || !*info.dli_fname) return {};
    std::error_code ec;
    std::filesystem::path path = std::filesystem::absolute(info.dli_fname, ec);
    if (ec) return {};
    return path.lexically_normal().string();
}

com::HRESULT RegisterClasses(const std::string& libraryPath) {
    if (libraryPath.empty() || libraryPath.front() != '/') return com::SELFREG_E_CLASS;
    plat::RegBatch batch(plat::HKEY_CLASSES_ROOT);
    for (const ClassEntry& c : Classes()) {
        std::string clsidKey = "CLSID\\" + com::GuidToString(c.clsid);
        // Whatever an earlier registration left below these keys goes first.
        batch.DeleteKey(clsidKey).DeleteKey(c.progId);
        batch.SetString(clsidKey, "", c.className)
            .SetString(clsidKey + "\\InprocServer32", "", libraryPath)
            .SetString(clsidKey + "\\InprocServer32", "ThreadingModel", "Apartment")
            .SetString(clsidKey + "\\ProgID", "", c.progId)
            .SetString(c.progId, "", c.className)
            .SetString(std::string(c.progId) + "\\CLSID", "", com::GuidToString(c.clsid));
    }
    return batch.Commit() == plat::RegStatus::Ok ? com::S_OK : com::SELFREG_E_CLASS;
}

com::HRESULT UnregisterClasses() {
    plat::RegBatch batch(plat::HKEY_CLASSES_ROOT);
    for (const ClassEntry& c : Classes()) batch.DeleteKey("CLSID\\" + com::GuidToString(c.clsid)).DeleteKey(c.progId);
    return batch.Commit() == plat::RegStatus::Ok ? com::S_OK : com::SELFREG_E_CLASS;
}

}  // namespace vedb::server
