#include "app/dialogs/modMasterPasw.h"

#include "VEDataBase/ClassIds.h"
#include "VEDataBase/_clsMD5HASH.h"
#include "app/core/modMainUsers.h"
#include "app/trace/Trace.h"
#include "platform/com/Creation.h"
#include "platform/qt/Desktop.h"

namespace modMasterPasw {

namespace {

// Told when a right password still does not give the database: its file is
// gone or cannot be read. The file itself is left as it is.
constexpr const char* kNotLoaded =
    "The database of this user could not be loaded: its file is missing or cannot be read. The file has not "
    "been changed.";

}  // namespace

std::string DumpModuleVars() { return "{None}"; }

trace::Secret PaswHash(const trace::Secret& Pasw) {
    TRACE_MOD(modMasterPasw, "PaswHash", TV(Pasw));
    auto md5 = com::CreateObject<vedb::_clsMD5HASH>(vedb::kProgIdClsMD5HASH);
    return md5->DigestStrToHexStr(Pasw.str());
}

bool LogInUser(const std::string& UsName, const trace::Secret& UsPasw) {
    TRACE_MOD(modMasterPasw, "LogInUser", TV(UsName), TV(UsPasw));
    if (!modMain::FullUserLoad(UsName, UsPasw).has_value()) return true;
    qtplat::MsgBox(kNotLoaded, qtplat::vbCritical);
    return false;
}

}  // namespace modMasterPasw
