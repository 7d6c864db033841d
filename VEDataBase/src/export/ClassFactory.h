#pragma once
// One class factory per entry of the class table. Factories are static
// objects: they are not counted as live objects, only their server locks are.
#include "ClassTable.h"

namespace vedb::server {

// The factory of an entry of Classes(); lives as long as the library.
com::IClassFactory& FactoryFor(const ClassEntry& entry);

}  // namespace vedb::server
