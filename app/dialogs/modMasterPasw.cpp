#include "app/dialogs/modMasterPasw.h"

#include "app/core/modMainUsers.h"
#include "app/trace/Trace.h"
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

void TellNotLoaded() { qtplat::MsgBox(kNotLoaded, qtplat::vbCritical); }

bool LogInUser(const std::string& UsName, const trace::Secret& UsPasw) {
    TRACE_MOD(modMasterPasw, "LogInUser", TV(UsName), TV(UsPasw));
    if (!modMain::FullUserLoad(UsName, UsPasw).has_value()) return true;
    TellNotLoaded();
    return false;
}

}  // namespace modMasterPasw
