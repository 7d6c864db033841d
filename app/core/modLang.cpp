#include "app/core/modLang.h"

#include "app/trace/Trace.h"

namespace modLang {

trace::VbArray<std::string> TxtMas;

std::string DumpModuleVars() { return trace::DumpVariable("TxtMas", TxtMas); }

}  // namespace modLang
