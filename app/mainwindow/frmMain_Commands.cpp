// The File, View, Tools, Help and tray menu commands and the toolbar.
#include <QAction>
#include <QClipboard>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <cmath>

#include "app/core/modLang.h"
#include "app/core/modMain.h"
#include "app/core/modMainOptions.h"
#include "app/core/modMainRemovable.h"
#include "app/core/modMainUsers.h"
#include "app/mainwindow/RecordTree.h"
#include "app/mainwindow/Twips.h"
#include "app/mainwindow/frmMain.h"
#include "platform/qt/Desktop.h"

using modMain::Option;

namespace {

// Where "Ask support" writes to.
constexpr const char* kSupportAddress = "support@quellon-pm.invalid";

// Told when the save command could not write the database.
constexpr const char* kNotSaved =
    "The database could not be saved. The file on disk is as it was before; your changes stay in the program.";

bool AskYesNo(const std::string& prompt) {
    return qtplat::MsgBox(prompt, qtplat::vbYesNo | qtplat::vbQuestion) == qtplat::vbYes;
}

const char* BoolText(bool b) { return b ? "True" : "False"; }

}  // namespace

void frmMain::mnuFileAddUser_Click() try {
    TRACE("mnuFileAddUser_Click");
    ShowDialog("frmAddUser");
}
TRACE_BOUNDARY

void frmMain::mnuFileDelCurUser_Click() try {
    TRACE("mnuFileDelCurUser_Click");
    if (modMain::CurUser.empty()) {
        qtplat::MsgBox(modLang::Texts(11), qtplat::vbInformation);
        return;
    }
    if (!AskYesNo(modLang::Texts(4) + " \"" + modMain::CurUser + "\"")) return;
    modMain::DeleteUser(modMain::CurUser, modMain::CurUsDBPath);
    modMain::UnloadUser();
}
TRACE_BOUNDARY

void frmMain::mnuFileSelectUser_Click() try {
    TRACE("mnuFileSelectUser_Click");
    ShowDialog("frmSelectUser");
}
TRACE_BOUNDARY

void frmMain::mnuFileUnloadUser_Click() try {
    TRACE("mnuFileUnloadUser_Click");
    if (qtplat::MsgBox(modLang::Texts(139), qtplat::vbOKCancel) == qtplat::vbOK) modMain::UnloadUser();
}
TRACE_BOUNDARY

void frmMain::mnuFileChangeUsPasw_Click() try {
    TRACE("mnuFileChangeUsPasw_Click");
    if (!AskYesNo(modLang::Texts(22))) return;
    ShowDialog("frmChangeUsPasw", modMain::CurUser);
}
TRACE_BOUNDARY

void frmMain::mnuFileSaveDB_Click() try {
    TRACE("mnuFileSaveDB_Click");
    const std::int32_t r = modMain::SaveCurUser();
    TRACE_LOCAL(r);
    if (r == 2)
        qtplat::MsgBox(modLang::Texts(21), qtplat::vbInformation);
    else
        TellIfNotSaved(r);
}
TRACE_BOUNDARY

void frmMain::TellIfNotSaved(std::int32_t saved) {
    if (saved != 2 && saved != modMain::kSaveNotLoaded) qtplat::MsgBox(kNotSaved, qtplat::vbExclamation);
}

void frmMain::mnuFileBackup_Click() try {
    TRACE("mnuFileBackup_Click");
    ShowDialog("frmRestore");
}
TRACE_BOUNDARY

void frmMain::mnuFileExit_Click() try {
    TRACE("mnuFileExit_Click");
    if (!AskYesNo(modLang::Texts(1))) return;
    ForceExit = true;
    close();
}
TRACE_BOUNDARY

void frmMain::mnuViewToolBar_Click() try {
    TRACE("mnuViewToolBar_Click");
    // The action has already turned its check mark over.
    modMain::SetOption(Option::Toolbar, BoolText(mnuViewToolBar->isChecked()));
    DoConfig();
}
TRACE_BOUNDARY

void frmMain::mnuViewStatusbar_Click() try {
    TRACE("mnuViewStatusbar_Click");
    modMain::SetOption(Option::StatusBar, BoolText(mnuViewStatusbar->isChecked()));
    DoConfig();
}
TRACE_BOUNDARY

void frmMain::mnuViewOnTop_Click() try {
    TRACE("mnuViewOnTop_Click");
    modMain::SetOption(Option::OnTop, BoolText(mnuViewOnTop->isChecked()));
    ApplyOnTop(mnuViewOnTop->isChecked());
}
TRACE_BOUNDARY

void frmMain::mnuToolsGenerator_Click() try {
    TRACE("mnuToolsGenerator_Click");
    ShowDialog("frmPaswGenerator");
}
TRACE_BOUNDARY

void frmMain::mnuToolsFlash_Click() try {
    TRACE("mnuToolsFlash_Click");
    // A plain folder choice: no edit box and no start folder.
    std::string path;
    if (!modMain::dlgBrowseFolder(this, path, "Choose removable device", false, false)) return;
    if (modMain::InstallToRemovableDevice(path) == 1) qtplat::MsgBox(modLang::Texts(132), qtplat::vbInformation);
}
TRACE_BOUNDARY

void frmMain::mnuToolsClearClip_Click() try {
    TRACE("mnuToolsClearClip_Click");
    QGuiApplication::clipboard()->clear();
}
TRACE_BOUNDARY

void frmMain::mnuToolsFind_Click() try {
    TRACE("mnuToolsFind_Click");
    ShowDialog("frmFind");
}
TRACE_BOUNDARY

void frmMain::mnuToolsOptions_Click() try {
    TRACE("mnuToolsOptions_Click");
    ShowDialog("frmOptions");
}
TRACE_BOUNDARY

void frmMain::mnuHelpContents_Click() try {
    TRACE("mnuHelpContents_Click");
    qtplat::ShellOpen(modMain::Pt(modMain::AppPath()) + "readme.txt");
}
TRACE_BOUNDARY

void frmMain::mnuHelpAskSupport_Click() try {
    TRACE("mnuHelpAskSupport_Click");
    qtplat::ShellOpen(std::string("mailto:") + kSupportAddress);
}
TRACE_BOUNDARY

void frmMain::mnuHelpAbout_Click() try {
    TRACE("mnuHelpAbout_Click");
    ShowDialog("frmAbout");
}
TRACE_BOUNDARY

void frmMain::mnuTrayShow_Click() try {
    TRACE("mnuTrayShow_Click");
    show();
    raise();
    activateWindow();
    trvDatabase->setFocus();
}
TRACE_BOUNDARY

void frmMain::mnuTrayGenPasw_click() try {
    TRACE("mnuTrayGenPasw_click");
    mnuToolsGenerator_Click();
}
TRACE_BOUNDARY

void frmMain::mnuTraySaveDB_Click() try {
    TRACE("mnuTraySaveDB_Click");
    mnuFileSaveDB_Click();
}
TRACE_BOUNDARY

void frmMain::mnuTraySelectUser_Click() try {
    TRACE("mnuTraySelectUser_Click");
    mnuFileSelectUser_Click();
}
TRACE_BOUNDARY

void frmMain::mnuTrayExit_Click() try {
    TRACE("mnuTrayExit_Click");
    mnuFileExit_Click();
}
TRACE_BOUNDARY

void frmMain::tlbToolbar_ButtonClick(int ButtonIndex, const std::string& ButtonKey) try {
    TRACE("tlbToolbar_ButtonClick", TV(ButtonIndex), TV(ButtonKey));
    if (ButtonKey == "btnAddUser") {
        mnuFileAddUser_Click();
    } else if (ButtonKey == "btnDelUser") {
        mnuFileDelCurUser_Click();
    } else if (ButtonKey == "btnSelectUser") {
        mnuFileSelectUser_Click();
    } else if (ButtonKey == "btnAddFolder") {
        trvDatabase->SetDropHighlight(trvDatabase->SelectedItem());
        mnuContextTrvAddFolder_Click();
    } else if (ButtonKey == "btnDelFolder") {
        trvDatabase->SetDropHighlight(trvDatabase->SelectedItem());
        mnuContextTrvDelFolder_Click();
    } else if (ButtonKey == "btnAddRec") {
        trvDatabase->SetDropHighlight(trvDatabase->SelectedItem());
        mnuContextTrvAddRec_Click();
    } else if (ButtonKey == "btnDelRec") {
        trvDatabase->SetDropHighlight(trvDatabase->SelectedItem());
        mnuContextTrvDelRec_Click();
    } else if (ButtonKey == "btnRename") {
        mnuContextTrvRename_Click();
    } else if (ButtonKey == "btnFind") {
        mnuToolsFind_Click();
    }
}
TRACE_BOUNDARY

void frmMain::picTrayHook_MouseDown(int Button, int Shift, float X, float Y) try {
    TRACE("picTrayHook_MouseDown", TV(Button), TV(Shift), TV(X), TV(Y));
    // A notification icon's message number arrives here in X.
    const long message = std::lround(X / twips::kPerPixel);
    if (message == 515)
        mnuTrayShow_Click();
    else if (message == 517)
        mnuTray->popup(QCursor::pos());
}
TRACE_BOUNDARY
