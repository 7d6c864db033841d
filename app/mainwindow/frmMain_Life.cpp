// The window's start, the password prompt after a lock, and closing.
#include <QSystemTrayIcon>
#include <QTimer>
#include <string>

#include "app/core/clsDatabase.h"
#include "app/core/modLang.h"
#include "app/core/modMain.h"
#include "app/core/modMainOptions.h"
#include "app/core/modMainSession.h"
#include "app/core/modMainUsers.h"
#include "app/dialogs/modMasterPasw.h"
#include "app/mainwindow/RecordTree.h"
#include "app/mainwindow/frmMain.h"
#include "app/mainwindow/modIcon.h"
#include "platform/qt/AnsiText.h"
#include "platform/qt/Desktop.h"

using modMain::Option;

namespace {

// Told when a wrong password or a cancel would log out while changes that
// could not be saved at the lock are still open.
constexpr const char* kStaysLocked =
    "The database has changes that could not be saved when the program locked itself. The program stays locked "
    "so that they are not lost: give the right password to get back to them, or exit the program.";

// Asked when the database could not be written at exit, so unsaved changes
// are never lost without the user knowing.
constexpr const char* kExitUnsaved =
    "The database could not be saved, so the changes since the last save would be lost.\r\n"
    "Exit anyway?";

// Told when the user's file could be read only in part.
constexpr const char* kPartialLoadKept =
    "Some records of this database could not be read; the program shows what it could read.\r\n"
    "The file as it was is kept as ";
constexpr const char* kPartialLoadNoCopy =
    "Some records of this database could not be read, and no copy of the file as it was could be kept: "
    "the program will not save over it.";

bool LoggedIn() { return modMain::CurUsDB && !modMain::CurUsDB->Version().empty(); }

}  // namespace

void frmMain::AskPassword(const std::string& userName) {
    modMain::FrmPaswResult = 3;
    ShowDialog("frmPassword", userName);
}

void frmMain::LogInWithEnteredPassword(const std::string& userName) {
    if (modMain::LogInWithEnteredHash(userName)) modMasterPasw::TellNotLoaded();
}

void frmMain::TellPartialLoad(const std::string& keptCopy) {
    TRACE("TellPartialLoad", TV(keptCopy));
    if (keptCopy.empty()) {
        qtplat::MsgBox(kPartialLoadNoCopy, qtplat::vbExclamation);
        return;
    }
    const QString copy = qtplat::PathToQString(keptCopy);
    qtplat::MsgBox(kPartialLoadKept + qtplat::QStringToAnsiLossy(QStringLiteral("\"%1\".").arg(copy)),
                   qtplat::vbExclamation);
}

void frmMain::Form_Load() try {
    TRACE("Form_Load");
    trace::TraceObjectLoaded("frmMain", true, TraceInstanceID);
    loaded_ = true;
    tmrTimer->start();
    tmrAutobackup->start();
    modMain::DbgPrint("TESTPOINT 1");
    // The tree draws lines, plus and minus signs, pictures and text.
    trvDatabase->setRootIsDecorated(true);
    modMain::DbgPrint("TESTPOINT 2");
    modMain::AutorunManagement(modMain::OptionBool(Option::Autorun, false));
    DoConfig();
    modIcon::SetIcon(this, modMain::Pt(modMain::AppPath()) + "mainicon.ico", true);
    ShowFormLang();
    modMain::DbgPrint("TESTPOINT 3");
    show();
    modMain::DbgPrint("TESTPOINT 4");
    trvDatabase->SetImageList(imlMainList);

    const std::string lastUser = modMain::OptionText(Option::LastUser);
    if (!lastUser.empty() && modMain::OptionBool(Option::AutoLogin, false)) {
        AskPassword(lastUser);
        if (modMain::FrmPaswResult == 1) LogInWithEnteredPassword(lastUser);
    }
    modMain::DbgPrint("TESTPOINT 5");
    if (modMain::TrayModeOn()) TrayIconManagement(1);
    modMain::DbgPrint("TESTPOINT 6");
}
TRACE_BOUNDARY

void frmMain::Form_Paint() try {
    TRACE("Form_Paint");
    if (!IsProtected || modMain::FrmPaswShown || unlocking_) return;
    // One prompt at a time: the reload and the messages after the prompt run
    // event loops of their own, whose paints and clicks must not ask again.
    unlocking_ = true;
    struct Unlocked {
        bool& running;
        ~Unlocked() { running = false; }
    } unlocked{unlocking_};
    AskPassword(modMain::OptionText(Option::LastUser));
    if (modMain::FrmPaswResult == 1) {
        IsProtected = false;
        Enable(mnuTraySaveDB, true);
        Enable(mnuTraySelectUser, true);
        Enable(mnuTrayGenPasw, true);
        if (KeptAtLock())
            ReopenKeptDatabase();
        else
            LogInWithEnteredPassword(modMain::CurUser);
    } else if (KeptAtLock() && modMain::SaveCurUser() != 2) {
        // Logging out would drop changes that still cannot be saved. The
        // window asks again when the user clicks it, not when it merely
        // becomes active again as this message closes.
        askOnActivate_ = false;
        qtplat::MsgBox(kStaysLocked, qtplat::vbExclamation);
        HideLocked();
    } else {
        IsProtected = false;
        modMain::UnloadUser();
    }
}
TRACE_BOUNDARY

bool frmMain::InTrayMode() const {
    if (!modMain::TrayModeOn() || !modMain::DoUnloadTIcon) return false;
    return TrayAvailable ? TrayAvailable() : QSystemTrayIcon::isSystemTrayAvailable();
}

void frmMain::Form_QueryUnload(std::int32_t& Cancel, std::int32_t UnloadMode) try {
    TRACE("Form_QueryUnload", TV(Cancel), TV(UnloadMode));
    if (ForceExit || InTrayMode()) return;
    if (qtplat::MsgBox(modLang::Texts(1), qtplat::vbYesNo | qtplat::vbQuestion) == qtplat::vbYes)
        ForceExit = true;
    else
        Cancel = 1;
}
TRACE_BOUNDARY

void frmMain::Form_Unload(std::int32_t& Cancel) try {
    TRACE("Form_Unload", TV(Cancel));
    if (!ForceExit) {
        // Tray mode: the window only hides; the icon brings it back.
        Cancel = 1;
        if (InTrayMode()) hide();
        return;
    }
    if (!ExitWork()) {
        ForceExit = false;
        Cancel = 1;
        return;
    }
    trace::TraceUnload("frmMain", TraceInstanceID);
}
TRACE_BOUNDARY

bool frmMain::ExitWork() {
    TRACE("ExitWork");
    if (LoggedIn()) {
        const std::int32_t r = modMain::SaveCurUser();
        TRACE_LOCAL(r);
        if (r != 2) {
            // The session manager waits for no one: the end goes on.
            if (sessionEnded_)
                modMain::DbgPrint("Session end: the database could not be saved (result " + std::to_string(r) + ")");
            else if (qtplat::MsgBox(kExitUnsaved, qtplat::vbYesNo | qtplat::vbExclamation) != qtplat::vbYes)
                return false;
        }
    }
    if (modMain::DoUnloadTIcon) TrayIconManagement(2);
    if (!isMinimized()) SaveGUIConf();
    // Options that cannot be written are no reason to stay; nobody is there
    // to tell at the session's end.
    modMain::SaveConfig(modMain::ProgCfgPath, !sessionEnded_);
    return true;
}

void frmMain::Session_CommitData() try {
    TRACE("Session_CommitData");
    if (trace::Reporting()) return;
    // Neither a question nor a tray-mode hide may stand in the way of the
    // session's end: the work is done now, and the close that follows ends
    // the program.
    sessionEnded_ = true;
    ForceExit = true;
    ExitWork();
}
TRACE_BOUNDARY
