#include "app/dialogs/frmSelectUser.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/core/modLang.h"
#include "app/core/modMain.h"
#include "app/core/modMainOptions.h"
#include "app/core/modMainUserFiles.h"
#include "app/core/modMainUsers.h"
#include "app/dialogs/VbKeys.h"
#include "app/dialogs/frmAddUser.h"
#include "app/dialogs/frmPassword.h"
#include "app/dialogs/modMasterPasw.h"
#include "app/trace/Trace.h"
#include "platform/VbError.h"
#include "platform/qt/AnsiText.h"
#include "platform/qt/Desktop.h"

namespace {

constexpr const char* kUnsafeName = "This name cannot be a user's file name; nothing has been deleted.";
constexpr const char* kNotDeleted = "The database file of this user could not be deleted.";

}  // namespace

frmSelectUser::frmSelectUser() : VbDialog("frmSelectUser", Owner::MainWindow) {
    setWindowTitle(QStringLiteral("Select User"));
    lstUsers = Control<QListWidget>("lstUsers");
    lstUsers->setSelectionMode(QAbstractItemView::SingleSelection);
    cmdChooseUser = Control<QPushButton>("cmdChooseUser");
    cmdChooseUser->setText(QStringLiteral("Select this user"));
    cmdAddUser = Control<QPushButton>("cmdAddUser");
    cmdAddUser->setText(QStringLiteral("Add new user"));
    cmdDelUser = Control<QPushButton>("cmdDelUser");
    cmdDelUser->setText(QStringLiteral("Delete this user"));
    cmdChangePath = Control<QPushButton>("cmdChangePath");
    cmdChangePath->setText(QStringLiteral("Change databases path"));
    cmdExit = Control<QPushButton>("cmdExit");
    cmdExit->setText(QStringLiteral("Back"));

    auto* row = new QHBoxLayout(this);
    row->addWidget(lstUsers, 1);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* button : {cmdChooseUser, cmdAddUser, cmdDelUser, cmdChangePath}) buttons->addWidget(button);
    buttons->addStretch();
    buttons->addWidget(cmdExit);
    row->addLayout(buttons);
    lstUsers->setMinimumSize(200, 220);

    connect(cmdChooseUser, &QPushButton::clicked, this, [this] { cmdChooseUser_Click(); });
    connect(lstUsers, &QListWidget::itemDoubleClicked, this, [this] { lstUsers_DblClick(); });
    connect(cmdAddUser, &QPushButton::clicked, this, [this] { cmdAddUser_Click(); });
    connect(cmdDelUser, &QPushButton::clicked, this, [this] { cmdDelUser_Click(); });
    connect(cmdChangePath, &QPushButton::clicked, this, [this] { cmdChangePath_Click(); });
    connect(cmdExit, &QPushButton::clicked, this, [this] { cmdExit_Click(); });
}

void frmSelectUser::Show() {
    frmSelectUser dialog;
    dialog.ShowModal();
}

void frmSelectUser::Form_Load() {
    TRACE("Form_Load");
    TraceLoaded();
    ListUsers();
    ShowFormLang();
}

void frmSelectUser::ListUsers() {
    TRACE("ListUsers");
    trace::VbArray<std::string> names;
    TRACE_LOCAL(names);
    modMain::FindUsers(modMain::OptionSlot(modMain::Option::DBPath), names);
    lstUsers->clear();
    if (!names.Allocated()) return;
    for (long i = 1; i <= names.UBound(); ++i) {
        auto* item = new QListWidgetItem(qtplat::AnsiToQString(names(i)), lstUsers);
        // The name as the folder gave it, whatever the display makes of it.
        item->setData(Qt::UserRole, QByteArray::fromStdString(names(i)));
    }
}

void frmSelectUser::ShowFormLang() {
    TRACE("ShowFormLang");
    SetTitle(110);
    SetCaption(cmdChooseUser, 94);
    SetCaption(cmdAddUser, 95);
    SetCaption(cmdDelUser, 96);
    SetCaption(cmdChangePath, 97);
    SetCaption(cmdExit, 98);
}

void frmSelectUser::Form_Activate() {
    TRACE("Form_Activate");
    ApplyAlwaysOnTop();
}

void frmSelectUser::Form_KeyDown(int& KeyCode, int Shift) {
    TRACE("Form_KeyDown", TV(KeyCode), TV(Shift));
    if (KeyCode == vbkeys::vbKeyEscape) cmdExit_Click();
}

std::string frmSelectUser::SelectedUser() const {
    TRACE("SelectedUser");
    const QList<QListWidgetItem*> selected = lstUsers->selectedItems();
    if (selected.isEmpty()) return {};
    return selected.front()->data(Qt::UserRole).toByteArray().toStdString();
}

void frmSelectUser::cmdChooseUser_Click() try {
    TRACE("cmdChooseUser_Click");
    const std::string UsName = SelectedUser();
    TRACE_LOCAL(UsName);
    if (UsName.empty()) {
        qtplat::MsgBox(modLang::Texts(140), qtplat::vbInformation);
        return;
    }
    if (UsName == modMain::CurUser) {
        qtplat::MsgBox(modLang::Texts(12), qtplat::vbInformation);
        return;
    }
    frmPassword::Ask(UsName);
    if (!IsLoaded() || modMain::FrmPaswResult != 1) return;
    // The hash is used once and not left in the dialog's result.
    const trace::Secret UsPasw = std::move(modMain::FrmPaswEnetered);
    TRACE_LOCAL(UsPasw);
    modMasterPasw::LogInUser(UsName, UsPasw);
}
TRACE_BOUNDARY

void frmSelectUser::lstUsers_DblClick() try {
    TRACE("lstUsers_DblClick");
    cmdChooseUser_Click();
}
TRACE_BOUNDARY

void frmSelectUser::cmdAddUser_Click() try {
    TRACE("cmdAddUser_Click");
    frmAddUser::Show(Owner::None);
    if (IsLoaded()) ListUsers();
}
TRACE_BOUNDARY

void frmSelectUser::cmdDelUser_Click() try {
    TRACE("cmdDelUser_Click");
    const std::string UsName = SelectedUser();
    TRACE_LOCAL(UsName);
    if (UsName.empty()) {
        qtplat::MsgBox(modLang::Texts(140), qtplat::vbInformation);
        return;
    }
    const int answer = qtplat::MsgBox(modLang::Texts(4) + " \"" + UsName + "\"", qtplat::vbYesNo | qtplat::vbQuestion,
                                      modLang::Texts(5));
    if (!IsLoaded() || answer == qtplat::vbNo) return;
    DeleteUserFile(UsName);
    if (IsLoaded()) ListUsers();
}
TRACE_BOUNDARY

void frmSelectUser::DeleteUserFile(const std::string& UsName) {
    TRACE("DeleteUserFile", TV(UsName));
    if (!modMain::IsSafeUserName(UsName)) {
        qtplat::MsgBox(kUnsafeName, qtplat::vbCritical);
        return;
    }
    const std::string UsPath = modMain::UserFilePath(UsName);
    TRACE_LOCAL_PATH(UsPath);
    // Once the logged-in user's file is gone the next save would write it
    // again: that user is logged out as well.
    const bool loggedIn = !modMain::CurUser.empty() && modMain::SameFile(UsPath, modMain::CurUsDBPath);
    try {
        modMain::DeleteUser(UsName, UsPath);
    } catch (const vb::VbError& e) {
        // A folder of that name, or a file the system keeps: nothing else is
        // touched and the user is told.
        if (e.Number() != vb::errPathFileAccess) throw;
        trace_frame_.Recover();
        qtplat::MsgBox(kNotDeleted, qtplat::vbCritical);
        return;
    }
    if (loggedIn) modMain::UnloadUser();
}

void frmSelectUser::cmdChangePath_Click() try {
    TRACE("cmdChangePath_Click");
    const int answer = qtplat::MsgBox(modLang::Texts(19), qtplat::vbYesNo | qtplat::vbInformation);
    if (!IsLoaded() || answer == qtplat::vbNo) return;
    // The picker belongs to this dialog, so it never opens behind it.
    modMain::ChaneDBPath(this);
    // The list shows the users of the folder the other buttons work on.
    if (IsLoaded()) ListUsers();
}
TRACE_BOUNDARY

void frmSelectUser::cmdExit_Click() try {
    TRACE("cmdExit_Click");
    Unload();
}
TRACE_BOUNDARY
