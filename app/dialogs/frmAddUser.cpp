#include "app/dialogs/frmAddUser.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/core/modLang.h"
#include "app/core/modMain.h"
#include "app/core/modMainUsers.h"
#include "app/dialogs/VbKeys.h"
#include "app/dialogs/modMasterPasw.h"
#include "app/trace/Trace.h"
#include "platform/qt/Desktop.h"

namespace {

constexpr int kMaxNameLength = 40;

// The name is the user's file name, so it must be one that names a file of
// its own in the databases folder.
constexpr const char* kUnsafeName =
    "This name cannot be used: the user's database file is named after it. A name must not be \".\" or \"..\" "
    "and must not contain / \\ : * ? \" < > | or control characters.";
constexpr const char* kNotCreated =
    "The new user could not be created: the database file could not be written. Nothing has been changed.";
constexpr const char* kCurrentNotSaved =
    "The database of the user who is logged in could not be saved, so its changes since the last save would "
    "be lost.\r\nLog in the new user anyway?";

}  // namespace

frmAddUser::frmAddUser(Owner owner) : VbDialog("frmAddUser", owner) {
    setWindowTitle(QStringLiteral("New User"));
    lblEnterName = Control<QLabel>("lblEnterName");
    lblEnterName->setText(QStringLiteral("Please enter name and password of new user:"));
    lblNameCap = Control<QLabel>("lblNameCap");
    lblNameCap->setText(QStringLiteral("Name:"));
    txtNewUsName = Control<QLineEdit>("txtNewUsName");
    txtNewUsName->setMaxLength(kMaxNameLength);
    lblNameCap->setBuddy(txtNewUsName);
    lblPaswCap = Control<QLabel>("lblPaswCap");
    lblPaswCap->setText(QStringLiteral("Password:"));
    txtPasw = Control<QLineEdit>("txtPasw");
    MaskWithStars(txtPasw);
    lblPaswCap->setBuddy(txtPasw);
    lblConfirmCap = Control<QLabel>("lblConfirmCap");
    lblConfirmCap->setText(QStringLiteral("Confirm password:"));
    txtConfirm = Control<QLineEdit>("txtConfirm");
    MaskWithStars(txtConfirm);
    lblConfirmCap->setBuddy(txtConfirm);
    lblNotice = Control<QLabel>("lblNotice");
    lblNotice->setText(QStringLiteral("Remeber that password is case-sensitive, so chek the Caps Lock state"));
    lblNotice->setWordWrap(true);
    chkLoadAfterAdd = Control<QCheckBox>("chkLoadAfterAdd");
    chkLoadAfterAdd->setText(QStringLiteral("Load this user afret adding"));
    chkLoadAfterAdd->setChecked(true);
    cmdAddUser = Control<QPushButton>("cmdAddUser");
    cmdAddUser->setText(QStringLiteral("Add user"));
    cmdCancel = Control<QPushButton>("cmdCancel");
    cmdCancel->setText(QStringLiteral("Cancel"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(lblEnterName, 0, 0, 1, 2);
    grid->addWidget(lblNameCap, 1, 0);
    grid->addWidget(txtNewUsName, 1, 1);
    grid->addWidget(lblPaswCap, 2, 0);
    grid->addWidget(txtPasw, 2, 1);
    grid->addWidget(lblConfirmCap, 3, 0);
    grid->addWidget(txtConfirm, 3, 1);
    grid->addWidget(lblNotice, 4, 0, 1, 2);
    grid->addWidget(chkLoadAfterAdd, 5, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdAddUser);
    buttons->addWidget(cmdCancel);
    grid->addLayout(buttons, 6, 0, 1, 2);
    txtNewUsName->setMinimumWidth(220);

    connect(cmdAddUser, &QPushButton::clicked, this, [this] { cmdAddUser_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    OnKeyDown(txtConfirm, [this](int& KeyCode, int Shift) { txtConfirm_KeyDown(KeyCode, Shift); });
    txtNewUsName->setFocus();
}

void frmAddUser::Show(Owner owner) {
    frmAddUser dialog(owner);
    dialog.ShowModal();
}

void frmAddUser::Form_Load() {
    TRACE("Form_Load");
    TraceLoaded();
    ShowFormLang();
}

void frmAddUser::ShowFormLang() {
    TRACE("ShowFormLang");
    SetTitle(102);
    SetCaption(lblEnterName, 65);
    SetCaption(lblNameCap, 62, true);
    SetCaption(lblPaswCap, 15, true);
    SetCaption(lblConfirmCap, 63, true);
    SetCaption(lblNotice, 64);
    SetCaption(chkLoadAfterAdd, 148);
    SetCaption(cmdAddUser, 61);
    SetCaption(cmdCancel, 24);
}

void frmAddUser::Form_Activate() {
    TRACE("Form_Activate");
    ApplyAlwaysOnTop();
}

void frmAddUser::Form_KeyDown(int& KeyCode, int Shift) {
    TRACE("Form_KeyDown", TV(KeyCode), TV(Shift));
    if (KeyCode == vbkeys::vbKeyEscape) cmdCancel_Click();
}

void frmAddUser::txtConfirm_KeyDown(int& KeyCode, int Shift) {
    TRACE("txtConfirm_KeyDown", TV(KeyCode), TV(Shift));
    if (KeyCode == vbkeys::vbKeyReturn) cmdAddUser_Click();
}

void frmAddUser::cmdAddUser_Click() try {
    TRACE("cmdAddUser_Click");
    // The first check that fails says why; everything typed stays.
    const auto refuse = [](const std::string& prompt) { qtplat::MsgBox(prompt, qtplat::vbCritical); };
    if (txtNewUsName->text().isEmpty()) return refuse(modLang::Texts(6));
    if (txtPasw->text() != txtConfirm->text()) return refuse(modLang::Texts(7));
    const std::optional<std::string> typedName = EnteredText(txtNewUsName->text(), "user name");
    if (!typedName) return;
    const std::string UsName = *typedName;
    TRACE_LOCAL(UsName);
    if (!modMain::IsSafeUserName(UsName)) return refuse(kUnsafeName);
    const std::string UsPath = modMain::UserFilePath(UsName);
    TRACE_LOCAL_PATH(UsPath);
    if (modMain::FileExist(UsPath)) return refuse(modLang::Texts(3));
    if (txtPasw->text().length() < modMasterPasw::kMinPaswLength) return refuse(modLang::Texts(8));
    const std::optional<trace::Secret> Pasw = EnteredSecret(txtPasw->text(), "password");
    if (!Pasw) return;

    const std::int32_t r = modMain::AddUser(UsPath, UsName, *Pasw);
    TRACE_LOCAL(r);
    if (r == modMain::kUserFileExists) return refuse(modLang::Texts(3));
    if (r != modMain::kUserCreated) return refuse(kNotCreated);
    qtplat::MsgBox(modLang::Texts(147), qtplat::vbInformation);
    // The inactivity lock may have closed the dialog meanwhile: then nobody
    // is logged in behind the lock's back.
    if (!IsLoaded()) return;
    if (chkLoadAfterAdd->isChecked()) LoadNewUser(UsName, modMain::PaswHash(*Pasw));
    Unload();
}
TRACE_BOUNDARY

void frmAddUser::LoadNewUser(const std::string& UsName, const trace::Secret& UsPasw) {
    TRACE("LoadNewUser", TV(UsName), TV(UsPasw));
    if (!modMain::CurUser.empty()) {
        const std::int32_t saved = modMain::SaveCurUser();
        TRACE_LOCAL(saved);
        if (saved != 2 && saved != modMain::kSaveNotLoaded) {
            const int answer = qtplat::MsgBox(kCurrentNotSaved, qtplat::vbYesNo | qtplat::vbExclamation);
            if (!IsLoaded() || answer != qtplat::vbYes) return;
        }
    }
    modMain::UnloadUser();
    modMasterPasw::LogInUser(UsName, UsPasw);
}

void frmAddUser::cmdCancel_Click() try {
    TRACE("cmdCancel_Click");
    Unload();
}
TRACE_BOUNDARY

void frmAddUser::Form_Unload(int& Cancel) {
    TRACE("Form_Unload", TV(Cancel));
    txtPasw->clear();
    txtConfirm->clear();
    TraceUnloaded();
}
