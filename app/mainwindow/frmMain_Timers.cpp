// The state timer with the inactivity lock, and the auto-backup timer.
#include <QApplication>
#include <QTreeWidgetItem>

#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "app/core/modMainBackup.h"
#include "app/core/modMainOptions.h"
#include "app/core/modMainTree.h"
#include "app/core/modMainUsers.h"
#include "app/dialogs/VbDialog.h"
#include "app/mainwindow/RecordTree.h"
#include "app/mainwindow/frmMain.h"
#include "app/mainwindow/frmSysTray.h"
#include "platform/qt/Desktop.h"

using modMain::Option;

namespace {

// CheckActivity: no input for longer than the lock time (option 11).
constexpr std::int32_t kInactive = 3;
// Counted auto-backup ticks from one backup to the next.
constexpr std::int32_t kTicksPerBackup = 60;

// Told after the right password when the database could not be saved at the
// lock and still cannot be.
constexpr const char* kKeptUnsaved =
    "The database could not be saved when the program locked itself, so your changes since the last save are "
    "not stored yet. They are shown again now: please save the database once the problem is solved.";

bool DatabaseLoaded() { return modMain::CurUsDB && modMain::CurUsDB->TabNum() != 0; }

// What is still open of the dialogs and message boxes.
std::size_t OpenWindows() {
    std::size_t n = VbDialog::OpenDialogs().size();
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->isModal()) ++n;
    return n;
}

}  // namespace

void frmMain::tmrTimer_Timer() try {
    TRACE("tmrTimer_Timer");
    // Nothing may change or save data while an error report is shown.
    if (trace::Reporting()) return;
    EnableByState();
    QTreeWidgetItem* selected = trvDatabase->SelectedItem();
    if (!selected) return;
    const bool record = RecordTree::TagValue(selected) == 2;
    EnableButton("btnDelRec", record);
    EnableButton("btnDelFolder", !record);
    EnableButton("btnAddFolder", !record);
    EnableButton("btnAddRec", !record);
    if (RecordTree::Key(selected) == modMain::kRootKey) {
        EnableButton("btnDelFolder", false);
        EnableButton("btnDelRec", false);
    }
    if (modMain::OptionText(Option::LockMinutes).starts_with('n')) return;
    if (modMain::CheckActivity() == kInactive && !IsProtected) Lock();
}
TRACE_BOUNDARY

void frmMain::tmrAutobackup_Timer() try {
    TRACE("tmrAutobackup_Timer");
    if (trace::Reporting()) return;
    if (!DatabaseLoaded()) return;
    const std::int32_t counted = modMain::UpTime;
    modMain::UpTime = counted + 1;
    if (counted % kTicksPerBackup == 0) modMain::DoAutobackup(modMain::CurUsDB);
}
TRACE_BOUNDARY

void frmMain::EnableByState() {
    TRACE("EnableByState");
    const bool loaded = DatabaseLoaded();
    if (loaded) {
        EnableButton("btnDelUser", true);
        EnableButton("btnFind", true);
    } else {
        for (const char* key : {"btnDelRec", "btnDelFolder", "btnAddFolder", "btnAddRec", "btnFind", "btnDelUser"})
            EnableButton(key, false);
    }
    for (QAction* item : {mnuFileDelCurUser, mnuFileSaveDB, mnuFileChangeUsPasw, mnuFileUnloadUser, mnuToolsFind})
        Enable(item, loaded);
}

void frmMain::Lock() {
    TRACE("Lock");
    // A window that would not close leaves everything as it is; the next
    // tick tries again.
    if (!CloseOtherWindows()) return;
    HideLocked();
    IsProtected = true;
    askOnActivate_ = true;
    Enable(mnuTraySaveDB, false);
    Enable(mnuTraySelectUser, false);
    Enable(mnuTrayGenPasw, false);
    const std::int32_t saved = modMain::SaveCurUser();
    TRACE_LOCAL(saved);
    if (saved == 2 || !DatabaseLoaded()) {
        keptAtLock_.reset();
        modMain::CloseCurUsDB();
    } else {
        // Dropping the database now would lose the changes: it stays open,
        // out of sight, until the user is back.
        keptAtLock_ = modMain::CurUsDB;
        modMain::DbgPrint("Lock: the database could not be saved (result " + std::to_string(saved) +
                          "); it stays open until the password is given again");
    }
    ClearValueBox();
    ClearTree();
}

bool frmMain::CloseOtherWindows() {
    TRACE("CloseOtherWindows");
    // A label edit ends without its text, a drag and a popup menu without a
    // choice, so nothing reaches the database after it is saved.
    if (QTreeWidgetItem* editing = trvDatabase->currentItem(); editing && trvDatabase->isPersistentEditorOpen(editing))
        trvDatabase->closePersistentEditor(editing);
    CancelNodeDrag();
    while (QWidget* popup = QApplication::activePopupWidget()) {
        popup->close();
        if (QApplication::activePopupWidget() == popup) break;
    }
    // Dialogs and message boxes, innermost first; passes repeat while they
    // close something.
    std::size_t open = OpenWindows();
    TRACE_LOCAL(open);
    while (open > 0) {
        VbDialog::UnloadAllOpen();
        const std::size_t left = OpenWindows();
        if (left >= open) {
            modMain::DbgPrint("Lock: a window would not close; the lock waits");
            return false;
        }
        open = left;
    }
    if (m_frmSysTray) m_frmSysTray->hide();
    return true;
}

void frmMain::HideLocked() {
    TRACE("HideLocked");
    // Without an icon that can show it again a hidden window would be gone
    // for good: it is minimised instead.
    if (InTrayMode())
        hide();
    else
        showMinimized();
}

bool frmMain::KeptAtLock() const { return keptAtLock_ && keptAtLock_ == modMain::CurUsDB; }

void frmMain::ReopenKeptDatabase() {
    TRACE("ReopenKeptDatabase");
    keptAtLock_.reset();
    modMain::ResumeWithEnteredHash();
    ClearTree();
    ClearValueBox();
    modMain::ShowUsDBInTreeView(*modMain::CurUsDB, *this);
    SelectTreeNode(modMain::kRootKey);
    EnableButton("btnDelFolder", false);
    EnableButton("btnDelRec", false);
    if (modMain::SaveCurUser() != 2) qtplat::MsgBox(kKeptUnsaved, qtplat::vbExclamation);
}
