#include "app/core/modMain.h"

#include "app/core/modLang.h"
#include "app/trace/Trace.h"

namespace modMain {

std::int32_t FrmPaswResult = 0;
trace::Secret FrmPaswEnetered;
bool FrmPaswShown = false;
std::int32_t FindIndNum = 0;
std::int32_t LastActive = 0;
bool DoUnloadTIcon = false;
std::string CurUser;
std::string CurUsDBPath;
trace::Secret CurUsPasw;
trace::VbArray<std::string> ProgConfig;
std::string ProgCfgPath;
trace::Secret LastGenPasw;
trace::Secret LastFindText;
std::int32_t UpTime = 0;
KeyboardBytes LastKbdState{};
POINTAPI LastCursorPos;
std::shared_ptr<clsDatabase> CurUsDB;
std::shared_ptr<clsDataFilesManager> MDFM;

std::int32_t DbgFile = 0;
std::string BrowsePath;
trace::VbArray<std::uint8_t> CustomColors;

std::string DumpOptions(std::string_view name, const trace::VbArray<std::string>& options) {
    return trace::DumpWithPaths(name, options, {5});
}

std::string DumpGlobals() {
    using trace::DumpVariable;
    std::string out;
    out += DumpVariable("FrmPaswResult", FrmPaswResult);
    out += DumpVariable("FrmPaswEnetered", FrmPaswEnetered);
    out += DumpVariable("FrmPaswShown", FrmPaswShown);
    out += DumpVariable("FindIndNum", FindIndNum);
    out += DumpVariable("LastActive", LastActive);
    out += DumpVariable("DoUnloadTIcon", DoUnloadTIcon);
    out += DumpVariable("CurUser", CurUser);
    out += trace::DumpPath("CurUsDBPath", CurUsDBPath);
    out += DumpVariable("CurUsPasw", CurUsPasw);
    out += DumpOptions("ProgConfig", ProgConfig);
    out += trace::DumpPath("ProgCfgPath", ProgCfgPath);
    out += DumpVariable("LastGenPasw", LastGenPasw);
    out += DumpVariable("LastFindText", LastFindText);
    out += DumpVariable("UpTime", UpTime);
    out += trace::FixedUdt("LastKbdState", "KeyboardBytes");
    out += trace::FixedUdt("LastCursorPos", "POINTAPI");
    out += trace::DumpErrorMessageAndStack();
    out += trace::FixedExternal("CurUsDB");
    out += trace::FixedExternal("MDFM");
    return out;
}

std::string DumpModuleVars() {
    using trace::DumpVariable;
    return DumpVariable("DbgFile", DbgFile) + trace::DumpPath("BrowsePath", BrowsePath) +
           DumpVariable("CustomColors", CustomColors) + DumpGlobals();
}

void RegisterTraceGlobals() {
    trace::RegisterGlobals(trace::GlobalSection::ModMain, &DumpGlobals);
    trace::RegisterGlobals(trace::GlobalSection::ModLang, &modLang::DumpModuleVars);
}

}  // namespace modMain
