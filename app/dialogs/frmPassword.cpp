#include "app/dialogs/frmPassword.h"

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

constexpr const char* kDemoUser = "SampleUser";
// Told when the user's file is no file or too short for any password to open.
constexpr const char* kNoUserFile =
    "The file of this user is damaged or is not a file, so no password can open it. The file has not been changed.";

}  // namespace

frmPassword::frmPassword() : VbDialog("frmPassword", Owner::None) {
    setWindowTitle(QStringLiteral("Enter password"));
    lblEnterPas = Control<QLabel>("lblEnterPas");
    lblEnterPas->setText(QStringLiteral("Please, enter password for user"));
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
    lblCaution = Control<QLabel>("lblCaution");
    lblCaution->setText(QStringLiteral("Remeber that password is case-sensitive, so check the Caps Lock state"));
    lblCaution->setWordWrap(true);
    lblSamplePassword = Control<QLabel>("lblSamplePassword");
    lblSamplePassword->setText(QStringLiteral("(For demo user SampleUser password is \"58203716\")"));
    lblSamplePassword->setWordWrap(true);
    cmdOk = Control<QPushButton>("cmdOk");
    cmdOk->setText(QStringLiteral("Ok"));
    cmdCancel = Control<QPushButton>("cmdCancel");
    cmdCancel->setText(QStringLiteral("Cancel"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(lblEnterPas, 0, 0, 1, 2);
    grid->addWidget(lblUserName, 1, 0, 1, 2);
    grid->addWidget(lblPaswCap, 2, 0);
    grid->addWidget(txtPassword, 2, 1);
    grid->addWidget(lblCaution, 3, 0, 1, 2);
    grid->addWidget(lblSamplePassword, 4, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);
    grid->addLayout(buttons, 5, 0, 1, 2);
    txtPassword->setMinimumWidth(220);

    connect(cmdOk, &QPushButton::clicked, this, [this] { cmdOk_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    OnKeyDown(txtPassword, [this](int& KeyCode, int Shift) { txtPassword_KeyDown(KeyCode, Shift); });
    txtPassword->setFocus();
}

void frmPassword::Ask(const std::string& userName) {
    frmPassword dialog;
    dialog.lblUserName->setText(qtplat::AnsiToQString(userName));
    dialog.ShowModal();
}

void frmPassword::Form_Load() {
    TRACE("Form_Load");
    TraceLoaded();
    modMain::FrmPaswShown = true;
    // Whatever an earlier showing left is no answer of this one.
    modMain::FrmPaswResult = 3;
    modMain::FrmPaswEnetered.clear();
    passwordRight_ = false;
    ShowFormLang();
    // Decided once before the dialog shows, so it opens at its right size;
    // the activation checks again.
    ShowDemoHint();
}

void frmPassword::ShowFormLang() {
    TRACE("ShowFormLang");
    SetTitle(108);
    SetCaption(lblEnterPas, 88);
    SetCaption(lblPaswCap, 15);
    SetCaption(lblCaution, 64);
    SetCaption(lblSamplePassword, 149);
    SetCaption(cmdOk, 25);
    SetCaption(cmdCancel, 24);
}

void frmPassword::Form_Activate() {
    TRACE("Form_Activate");
    ShowDemoHint();
    ApplyAlwaysOnTop();
}

void frmPassword::ShowDemoHint() {
    const bool demo = lblUserName->text() == QLatin1String(kDemoUser);
    if (lblSamplePassword->isVisibleTo(this) == demo) return;
    lblSamplePassword->setVisible(demo);
    // The hint's row closes up when it is hidden.
    FitToContents();
}

void frmPassword::txtPassword_KeyDown(int& KeyCode, int Shift) {
    TRACE("txtPassword_KeyDown", TV(KeyCode), TV(Shift));
    if (KeyCode == vbkeys::vbKeyReturn) cmdOk_Click();
}

void frmPassword::cmdOk_Click() try {
    TRACE("cmdOk_Click");
    // Any answer but a right password leaves the dialog open with 2.
    modMain::FrmPaswResult = 2;
    const std::optional<std::string> user = qtplat::QStringToAnsi(lblUserName->text());
    std::string UsPath;
    TRACE_LOCAL_PATH(UsPath);
    if (user && modMain::IsSafeUserName(*user)) UsPath = modMain::UserFilePath(*user);
    if (UsPath.empty() || !modMain::FileExist(UsPath)) {
        qtplat::MsgBox(modLang::Texts(131), qtplat::vbCritical);
        return;
    }
    const std::optional<trace::Secret> typed = EnteredSecret(txtPassword->text(), "password");
    if (!typed) return;
    trace::Secret hash = modMain::PaswHash(*typed);
    TRACE_LOCAL(hash);
    const std::int32_t tested = modMain::TestUsPasw(UsPath, hash);
    if (tested != 1) {
        qtplat::MsgBox(tested == modMain::kPaswNoUserFile ? kNoUserFile : modLang::Texts(9), qtplat::vbCritical);
        return;
    }
    modMain::FrmPaswResult = 1;
    modMain::FrmPaswEnetered = std::move(hash);
    passwordRight_ = true;
    Unload();
}
TRACE_BOUNDARY

void frmPassword::cmdCancel_Click() try {
    TRACE("cmdCancel_Click");
    modMain::FrmPaswResult = 3;
    modMain::FrmPaswEnetered.clear();
    Unload();
}
TRACE_BOUNDARY

void frmPassword::Form_Unload(int& Cancel) {
    TRACE("Form_Unload", TV(Cancel));
    // Only a right password hands a hash back; every other close is a
    // cancel, whoever closes the dialog.
    if (!passwordRight_) {
        modMain::FrmPaswResult = 3;
        modMain::FrmPaswEnetered.clear();
    }
    txtPassword->clear();
    modMain::FrmPaswShown = false;
    TraceUnloaded();
}
