#include "app/core/modReg.h"

#include "app/core/modMain.h"
#include "app/trace/Trace.h"
#include "platform/LibraryRunner.h"

namespace modReg {

std::string DumpModuleVars() { return "{None}"; }

void Reg(const std::string& strContName, const std::string& strReg, std::int32_t lngLoad) {
    TRACE_MOD(modReg, "Reg", TV(strContName), TV(strReg), TV(lngLoad));
    // Qt's widgets are built into the program, so the control files are
    // normally absent and there is nothing to register.
    if (!modMain::FileExist(strReg)) return;
    const std::string entry = lngLoad != 0 ? "DllRegisterServer" : "DllUnregisterServer";
    // The library stays loaded, so an entry still running after the wait can
    // finish safely.
    const plat::RunResult run = plat::RunLibraryEntry(strReg, entry);
    if (run.status != plat::RunStatus::Done) modMain::DbgPrint(plat::DescribeRun(run, strReg, entry));
}

}  // namespace modReg
