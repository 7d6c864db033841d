#include "app/dialogs/frmChangeUsPasw.h"

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
#include "platform/qt/AnsiText.h"
#include "platform/qt/Desktop.h"

namespace {

// Told when the file could not be written under the new key: nothing has
// changed, so the user must not take the new password for the valid one.
constexpr const char* kNotChanged =
    "The password has not been changed: the database could not be saved under the new password. The database "
    "file is as it was and still opens with the old password.";

}  // namespace

frmChangeUsPasw::frmChangeUsPasw() : VbDialog("frmChangeUsPasw", Owner::MainWindow) {
    setWindowTitle(QStringLiteral("Change User Password"));
    lblEnterPas = Control<QLabel>("lblEnterPas");
    lblEnterPas->setText(QStringLiteral("Please, enter new password for user"));
    lblUserName = Control<QLabel>("lblUserName");
    lblUserName->setText(QStringLiteral("-----"));
    QFont bold = lblUserName->font();
    bold.setBold(true);
    lblUserName->setFont(bold);
    lblPaswCap = Control<QLabel>("lblPaswCap");
    lblPaswCap->setText(QStringLiteral("Password:"));
    txtPassword = Control<QLineEdit>("txtPassword");
    MaskWithStars(txtPassword);
    lblPaswCap->setBuddy(txtPassword);
    lblConfirmCap = Control<QLabel>("lblConfirmCap");
    lblConfirmCap->setText(QStringLiteral("Confirm password:"));
    txtConfirm = Control<QLineEdit>("txtConfirm");
    MaskWithStars(txtConfirm);
    lblConfirmCap->setBuddy(txtConfirm);
    lblCaution = Control<QLabel>("lblCaution");
    lblCaution->setText(QStringLiteral("Remeber that password is case-sensitive, so chek the Caps Lock state"));
    lblCaution->setWordWrap(true);
    cmdOk = Control<QPushButton>("cmdOk");
    cmdOk->setText(QStringLiteral("Ok"));
    cmdCancel = Control<QPushButton>("cmdCancel");
    cmdCancel->setText(QStringLiteral("Cancel"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(lblEnterPas, 0, 0, 1, 2);
    grid->addWidget(lblUserName, 1, 0, 1, 2);
    grid->addWidget(lblPaswCap, 2, 0);
    grid->addWidget(txtPassword, 2, 1);
    grid->addWidget(lblConfirmCap, 3, 0);
    grid->addWidget(txtConfirm, 3, 1);
    grid->addWidget(lblCaution, 4, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);
    grid->addLayout(buttons, 5, 0, 1, 2);
    txtPassword->setMinimumWidth(220);

    connect(cmdOk, &QPushButton::clicked, this, [this] { cmdOk_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    txtPassword->setFocus();
}

void frmChangeUsPasw::Show(const std::string& userName) {
    frmChangeUsPasw dialog;
    dialog.lblUserName->setText(qtplat::AnsiToQString(userName));
    dialog.ShowModal();
}

void frmChangeUsPasw::Form_Load() {
    TRACE("Form_Load");
    TraceLoaded();
    ShowFormLang();
}

void frmChangeUsPasw::ShowFormLang() {
    TRACE("ShowFormLang");
    SetTitle(103);
    SetCaption(lblEnterPas, 66);
    SetCaption(lblPaswCap, 15);
    SetCaption(lblConfirmCap, 63);
    SetCaption(lblCaution, 64);
    SetCaption(cmdOk, 25);
    SetCaption(cmdCancel, 24);
}

void frmChangeUsPasw::Form_KeyDown(int& KeyCode, int Shift) {
    TRACE("Form_KeyDown", TV(KeyCode), TV(Shift));
    if (KeyCode == vbkeys::vbKeyEscape) cmdCancel_Click();
}

void frmChangeUsPasw::cmdOk_Click() try {
    TRACE("cmdOk_Click");
    if (txtPassword->text().length() < modMasterPasw::kMinPaswLength) {
        qtplat::MsgBox(modLang::Texts(8), qtplat::vbCritical);
        return;
    }
    if (txtPassword->text() != txtConfirm->text()) {
        qtplat::MsgBox(modLang::Texts(7), qtplat::vbCritical);
        return;
    }
    const std::optional<trace::Secret> typed = EnteredSecret(txtPassword->text(), "password");
    if (!typed) return;

    // The new password is the logged-in one only once the file opens with it.
    const std::int32_t r = modMain::ChangeCurUsPasw(modMain::PaswHash(*typed));
    TRACE_LOCAL(r);
    if (r != 2) {
        qtplat::MsgBox(kNotChanged, qtplat::vbCritical);
        return;
    }
    qtplat::MsgBox(modLang::Texts(23), qtplat::vbInformation);
    Unload();
}
TRACE_BOUNDARY

void frmChangeUsPasw::cmdCancel_Click() try {
    TRACE("cmdCancel_Click");
    Unload();
}
TRACE_BOUNDARY

void frmChangeUsPasw::Form_Unload(int& Cancel) {
    TRACE("Form_Unload", TV(Cancel));
    txtPassword->clear();
    txtConfirm->clear();
    TraceUnloaded();
}
