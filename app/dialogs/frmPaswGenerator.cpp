#include "app/dialogs/frmPaswGenerator.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include "app/core/modMain.h"
#include "app/core/modMainDisplay.h"
#include "app/core/modMainOptions.h"
#include "app/dialogs/VbKeys.h"
#include "app/trace/Trace.h"
#include "platform/VbStrings.h"
#include "platform/qt/AnsiText.h"
#include "platform/qt/Clipboard.h"

namespace {

using modMain::Option;

constexpr int kLengthDigits = 2;

}  // namespace

frmPaswGenerator::frmPaswGenerator(Owner owner) : VbDialog("frmPaswGenerator", owner) {
    setWindowTitle(QStringLiteral("Password Generator"));
    lblLengthCap = Control<QLabel>("lblLengthCap");
    lblLengthCap->setText(QStringLiteral("Lenght:"));
    txtPaswLenght = Control<QLineEdit>("txtPaswLenght");
    txtPaswLenght->setText(QStringLiteral("12"));
    txtPaswLenght->setMaxLength(kLengthDigits);
    // Only digits go in, whether typed, pasted or dropped; Backspace, Delete
    // and the arrows edit as usual.
    txtPaswLenght->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), txtPaswLenght));
    lblLengthCap->setBuddy(txtPaswLenght);
    lblNote = Control<QLabel>("lblNote");
    lblNote->setText(QStringLiteral("Note: it's strongly recommended to set lenght not less than 8 characters."));
    lblNote->setWordWrap(true);
    lblPaswCap = Control<QLabel>("lblPaswCap");
    lblPaswCap->setText(QStringLiteral("New Password:"));
    txtPasw = Control<QLineEdit>("txtPasw");
    lblPaswCap->setBuddy(txtPasw);
    chkClipCopy = Control<QCheckBox>("chkClipCopy");
    chkClipCopy->setText(QStringLiteral("Copy Generated Password to clipboard"));
    cmdGenerate = Control<QPushButton>("cmdGenerate");
    cmdGenerate->setText(QStringLiteral("Generate it!"));
    cmdOk = Control<QPushButton>("cmdOk");
    cmdOk->setText(QStringLiteral("Ok"));
    cmdCancel = Control<QPushButton>("cmdCancel");
    cmdCancel->setText(QStringLiteral("Cancel"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(lblLengthCap, 0, 0);
    grid->addWidget(txtPaswLenght, 0, 1);
    grid->addWidget(cmdGenerate, 0, 2);
    // Tab goes from the length to the button beside it.
    setTabOrder(txtPaswLenght, cmdGenerate);
    grid->addWidget(lblNote, 1, 0, 1, 3);
    grid->addWidget(lblPaswCap, 2, 0);
    grid->addWidget(txtPasw, 2, 1, 1, 2);
    grid->addWidget(chkClipCopy, 3, 0, 1, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);
    grid->addLayout(buttons, 4, 0, 1, 3);
    txtPaswLenght->setMaximumWidth(txtPaswLenght->fontMetrics().horizontalAdvance(QStringLiteral("000000")));
    txtPasw->setMinimumWidth(260);

    connect(txtPaswLenght, &QLineEdit::textChanged, this, [this] { txtPaswLenght_Change(); });
    connect(chkClipCopy, &QCheckBox::toggled, this, [this] { chkClipCopy_Click(); });
    connect(cmdGenerate, &QPushButton::clicked, this, [this] { cmdGenerate_Click(); });
    connect(cmdOk, &QPushButton::clicked, this, [this] { cmdOk_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
}

void frmPaswGenerator::Show(Owner owner) {
    frmPaswGenerator dialog(owner);
    dialog.ShowModal();
}

std::optional<trace::Secret> frmPaswGenerator::GenerateForRecord() {
    modMain::LastGenPasw.clear();
    Show(Owner::None);
    if (modMain::LastGenPasw.empty()) return std::nullopt;
    return modMain::LastGenPasw;
}

std::string frmPaswGenerator::DumpModuleVars() const { return trace::DumpVariable("PrevLenght", PrevLenght); }

void frmPaswGenerator::Form_Load() {
    TRACE("Form_Load");
    TraceLoaded();
    DoConfig();
}

void frmPaswGenerator::DoConfig() {
    TRACE("DoConfig");
    // Each step stores its control's value back, as its handler does.
    {
        const QSignalBlocker quiet(txtPaswLenght);
        txtPaswLenght->setText(qtplat::AnsiToQString(modMain::OptionSlot(Option::GenLength)));
    }
    txtPaswLenght_Change();
    {
        const QSignalBlocker quiet(chkClipCopy);
        chkClipCopy->setChecked(modMain::OptionSlot(Option::GenClipCopy) == "1");
    }
    chkClipCopy_Click();
    ShowFormLang();
}

void frmPaswGenerator::ShowFormLang() {
    TRACE("ShowFormLang");
    SetTitle(109);
    SetCaption(lblLengthCap, 89);
    SetCaption(lblNote, 90);
    SetCaption(lblPaswCap, 93);
    SetCaption(chkClipCopy, 91);
    SetCaption(cmdGenerate, 92);
    SetCaption(cmdOk, 25);
    SetCaption(cmdCancel, 24);
}

void frmPaswGenerator::Form_Activate() {
    TRACE("Form_Activate");
    ApplyAlwaysOnTop();
}

void frmPaswGenerator::Form_KeyDown(int& KeyCode, int Shift) {
    TRACE("Form_KeyDown", TV(KeyCode), TV(Shift));
    if (KeyCode == vbkeys::vbKeyEscape) cmdCancel_Click();
}

void frmPaswGenerator::txtPaswLenght_Change() try {
    TRACE("txtPaswLenght_Change");
    // The box holds digits or the option's own bytes, which always convert.
    const std::optional<std::string> text = qtplat::QStringToAnsi(txtPaswLenght->text());
    if (!text) return;
    PrevLenght = modMain::OptionSlot(Option::GenLength);
    modMain::OptionSlot(Option::GenLength) = *text;
}
TRACE_BOUNDARY

void frmPaswGenerator::chkClipCopy_Click() try {
    TRACE("chkClipCopy_Click");
    modMain::OptionSlot(Option::GenClipCopy) = std::string(chkClipCopy->isChecked() ? "1" : "0");
}
TRACE_BOUNDARY

void frmPaswGenerator::cmdGenerate_Click() try {
    TRACE("cmdGenerate_Click");
    // The box holds at most two digits, so the length is 0 to 99.
    const double n = vb::Val(qtplat::QStringToAnsi(txtPaswLenght->text()).value_or(std::string()));
    TRACE_LOCAL(n);
    if (n < 1) return;
    trace::Secret password = modMain::GeneratePassword(vb::CLng(n));
    TRACE_LOCAL(password);
    txtPasw->setText(qtplat::AnsiToQString(password.str()));
    modMain::LastGenPasw = std::move(password);
    CopyToClipboard();
}
TRACE_BOUNDARY

void frmPaswGenerator::cmdOk_Click() try {
    TRACE("cmdOk_Click");
    // What the box shows now, so a password edited by hand is what the
    // clipboard gets; LastGenPasw keeps the generated one.
    CopyToClipboard();
    Unload();
}
TRACE_BOUNDARY

void frmPaswGenerator::cmdCancel_Click() try {
    TRACE("cmdCancel_Click");
    Unload();
}
TRACE_BOUNDARY

void frmPaswGenerator::CopyToClipboard() {
    TRACE("CopyToClipboard");
    if (!txtPasw->text().isEmpty() && chkClipCopy->isChecked()) qtplat::SetSecretClipboardText(txtPasw->text());
}
