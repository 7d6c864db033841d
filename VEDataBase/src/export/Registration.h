#pragma once
// What the library writes into HKEY_CLASSES_ROOT for its classes, and takes
// out again. Both write in one atomic change of the hive: a failure leaves
// the registry as it was.
#include <string>

#include "platform/com/Unknown.h"

namespace vedb::server {

// The absolute path of this library as loaded (found with dladdr).
std::string LibraryPath();

com::HRESULT RegisterClasses(const std::string& libraryPath);
com::HRESULT UnregisterClasses();

}  // namespace vedb::server
