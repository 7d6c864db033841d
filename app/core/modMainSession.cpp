#include "app/core/modMainSession.h"

#include <memory>

#include "app/core/CoreView.h"
#include "app/core/clsDataFilesManager.h"
#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "app/core/modMainOptions.h"
#include "app/core/modMainTree.h"
#include "app/core/modMainUsers.h"
#include "app/trace/Trace.h"

namespace modMain {

namespace {

// The key of the logged-in user and the hash it was derived from. It is no
// global of the report: the report shows the session through CurUsPasw.
// The thin operations below carry no trace frame of their own, so a report
// shows the same procedures it showed when the windows called the core
// directly.
struct HeldKey {
    trace::Secret hash;
    trace::Secret key;
    bool held = false;
};

HeldKey& Held() {
    static HeldKey held;
    return held;
}

void HoldKey(const trace::Secret& hash, trace::Secret key) {
    HeldKey& h = Held();
    h.hash = hash;
    h.key = std::move(key);
    h.held = true;
}

void ForgetKey() {
    HeldKey& h = Held();
    h.hash.clear();
    h.key.clear();
    h.held = false;
}

// The password dialog's hash, which is used once and not left in its result.
trace::Secret TakeEnteredHash() {
    trace::Secret hash = std::move(FrmPaswEnetered);
    FrmPaswEnetered.clear();
    return hash;
}

// The user's previous database is saved before another user's replaces it,
// unless its file was deleted meanwhile. The held key must still open that
// file: a key that does not would lock the previous user out of it.
void SaveBeforeSwitch(const std::string& nextUser) {
    if (CurUser.empty() || CurUser == nextUser || !CurUsDB || CurUsDB->TabNum() == 0) return;
    if (!FileExist(CurUsDBPath)) return;
    if (TestUsKey(CurUsDBPath, CurUsKey()) != 1 || SaveUsDB(CurUsDB, CurUsKey()) != 2)
        DbgPrint("FullUserLoad: the previous user's database was not saved");
}

}  // namespace

const trace::Secret& CurUsKey() {
    HeldKey& h = Held();
    if (!h.held || !(h.hash == CurUsPasw)) HoldKey(CurUsPasw, GetTruePasw(CurUsPasw));
    return h.key;
}

std::optional<std::int32_t> FullUserLoad(const std::string& UsName, const trace::Secret& UsPasw) {
    TRACE_MOD(modMain, "FullUserLoad", TV(UsName), TV(UsPasw));
    SaveBeforeSwitch(UsName);
    CurUsDB = std::make_shared<clsDatabase>();
    ForgetPartialLoad();
    if (!IsSafeUserName(UsName)) {
        DbgPrint("FullUserLoad: refused the user name " + UsName);
        return 100;
    }
    const std::string UsPath = UserFilePath(UsName);
    TRACE_LOCAL_PATH(UsPath);
    trace::Secret key = GetTruePasw(UsPasw);
    const std::int32_t r = LoadUser(UsPath, key);
    TRACE_LOCAL(r);
    if (r < 0) return r == -4 ? -1 : 100;

    CurUsPasw = UsPasw;
    HoldKey(UsPasw, std::move(key));
    CurUsDBPath = UsPath;
    CurUsDB->Path(CurUsDBPath);
    CurUser = UsName;
    CoreView& view = MainView();
    view.ClearTree();
    view.ClearValueBox();
    OptionSlot(Option::LastUser) = UsName;
    SaveConfig(ProgCfgPath);
    ShowUsDBInTreeView(*CurUsDB, view);
    view.SelectTreeNode(kRootKey);
    view.EnableToolbarButton("btnDelFolder", false);
    view.EnableToolbarButton("btnDelRec", false);
    if (!PartialLoadFile.empty()) view.TellPartialLoad(PartialLoadCopy);
    return std::nullopt;
}

std::optional<std::int32_t> LogInWithEnteredHash(const std::string& UsName) {
    TRACE_MOD(modMain, "LogInWithEnteredHash", TV(UsName));
    const trace::Secret UsPasw = TakeEnteredHash();
    return FullUserLoad(UsName, UsPasw);
}

std::int32_t SaveCurUser() {
    TRACE_MOD(modMain, "SaveCurUser");
    return SaveUsDB(CurUsDB, CurUsKey());
}

std::int32_t ChangeCurUsPasw(const trace::Secret& NewPasw) {
    TRACE_MOD(modMain, "ChangeCurUsPasw", TV(NewPasw));
    // The new hash is the session's only once the file opens with it: the
    // save writes a new file beside the old one and renames it over the old
    // one only when everything was written.
    trace::Secret key = GetTruePasw(NewPasw);
    const std::int32_t r = SaveUsDB(CurUsDB, key);
    if (r == 2) {
        CurUsPasw = NewPasw;
        HoldKey(NewPasw, std::move(key));
    }
    return r;
}

void CloseCurUsDB() {
    TRACE_MOD(modMain, "CloseCurUsDB");
    MDFM->DeleteDBFromCol(CurUsDB->Path());
    CurUsDB = std::make_shared<clsDatabase>();
}

void ResumeWithEnteredHash() {
    TRACE_MOD(modMain, "ResumeWithEnteredHash");
    // The dialog checked this hash against the user's file; where it is the
    // one already held, so is its key.
    CurUsPasw = TakeEnteredHash();
}

void ReleaseDatabases() {
    CurUsDB.reset();
    MDFM.reset();
    ForgetKey();
}

void UnloadUser() {
    TRACE_MOD(modMain, "UnloadUser");
    CurUsDB = std::make_shared<clsDatabase>();
    ForgetPartialLoad();
    CurUsPasw.clear();
    ForgetKey();
    CurUsDBPath.clear();
    CurUser.clear();
    CoreView& view = MainView();
    view.ClearTree();
    view.ClearValueBox();
    OptionSlot(Option::LastUser) = "";
    SaveConfig(ProgCfgPath);
    view.ClearTree();
}

}  // namespace modMain
