#include "app/dialogs/frmOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/core/modLang.h"
#include "app/core/modMain.h"
#include "app/core/modMainOptions.h"
#include "app/dialogs/VbKeys.h"
#include "app/trace/Trace.h"
#include "platform/VbError.h"
#include "platform/VbStrings.h"
#include "platform/qt/AnsiText.h"
#include "platform/qt/Desktop.h"

namespace {

using modMain::Option;

constexpr std::int32_t kLargestNumber = 999;

// Messages that have no language text.
constexpr const char* kMinutesNoNumber =
    "Please enter the minutes of inactivity after which the password is asked as a whole number from 1 to 999.";
constexpr const char* kCopiesNoNumber =
    "Please enter the number of backup copies to keep as a whole number from 1 to 999.";
constexpr const char* kNotSaved = "The options could not be saved: ";
constexpr const char* kNotSavedTail = ". The changes apply until the program ends.";

// The numeric value of an option's text, as the runtime reads a number from
// the start of a text; 0 for a text that holds none or too large a one.
double NumericValue(const std::string& text) {
    try {
        return vb::Val(text);
    } catch (const vb::VbError&) {
        return 0;
    }
}

std::string WithoutOffMark(std::string text) {
    if (text.starts_with('n')) text.erase(0, 1);
    return text;
}

}  // namespace

frmOptions::frmOptions(TrayIconTarget& tray) : VbDialog("frmOptions", Owner::MainWindow), tray_(tray) {
    setWindowTitle(QStringLiteral("Options"));
    framCanvas = Control<QFrame>("framCanvas");
    framCanvas->setFrameShape(QFrame::StyledPanel);
    picFrame = Control<QWidget>("picFrame");
    chkStartWithWin = Control<QCheckBox>("chkStartWithWin");
    chkStartWithWin->setText(QStringLiteral("Start at windows startup"));
    chkPaswProtect = Control<QCheckBox>("chkPaswProtect");
    chkPaswProtect->setText(QStringLiteral("Check password after period of inactivity"));
    txtInactMin = Control<QLineEdit>("txtInactMin");
    txtInactMin->setText(QStringLiteral("999"));
    lblInactMinCap = Control<QLabel>("lblInactMinCap");
    lblInactMinCap->setText(QStringLiteral("minutes"));
    chkLoadLUser = Control<QCheckBox>("chkLoadLUser");
    chkLoadLUser->setText(QStringLiteral("Load last user at startup"));
    chkTrayMode = Control<QCheckBox>("chkTrayMode");
    chkTrayMode->setText(QStringLiteral("Enable tray mode"));
    chkDBBackup = Control<QCheckBox>("chkDBBackup");
    chkDBBackup->setText(QStringLiteral("Enable databases autobackup"));
    txtBackCopies = Control<QLineEdit>("txtBackCopies");
    txtBackCopies->setText(QStringLiteral("999"));
    lblBackCopiesCap = Control<QLabel>("lblBackCopiesCap");
    lblBackCopiesCap->setText(QStringLiteral("copies"));
    lblDBPathCap = Control<QLabel>("lblDBPathCap");
    lblDBPathCap->setText(QStringLiteral("Databases path:"));
    txtDBPath = Control<QLineEdit>("txtDBPath");
    txtDBPath->setText(QStringLiteral("C:\\"));
    // The folder is chosen with the picker ("Change"); the box only shows it.
    txtDBPath->setReadOnly(true);
    txtDBPath->setMinimumWidth(260);
    cmdChangeDBPath = Control<QPushButton>("cmdChangeDBPath");
    cmdChangeDBPath->setText(QStringLiteral("Change"));
    lblLangCap = Control<QLabel>("lblLangCap");
    lblLangCap->setText(QStringLiteral("Interface language:"));
    cmbLang = Control<QComboBox>("cmbLang");
    cmdOk = Control<QPushButton>("cmdOk");
    cmdOk->setText(QStringLiteral("Save Changes"));
    cmdCancel = Control<QPushButton>("cmdCancel");
    cmdCancel->setText(QStringLiteral("Cancel"));
    for (QLineEdit* number : {txtInactMin, txtBackCopies}) number->setFixedWidth(48);

    auto* grid = new QGridLayout(picFrame);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(chkStartWithWin, 0, 0, 1, 3);
    grid->addWidget(chkPaswProtect, 1, 0);
    grid->addWidget(txtInactMin, 1, 1);
    grid->addWidget(lblInactMinCap, 1, 2);
    grid->addWidget(chkLoadLUser, 2, 0, 1, 3);
    grid->addWidget(chkTrayMode, 3, 0, 1, 3);
    grid->addWidget(chkDBBackup, 4, 0);
    grid->addWidget(txtBackCopies, 4, 1);
    grid->addWidget(lblBackCopiesCap, 4, 2);
    auto* path = new QHBoxLayout;
    path->addWidget(txtDBPath);
    path->addWidget(cmdChangeDBPath);
    auto* canvas = new QVBoxLayout(framCanvas);
    canvas->addWidget(picFrame);
    canvas->addWidget(lblDBPathCap);
    canvas->addLayout(path);
    canvas->addWidget(lblLangCap);
    canvas->addWidget(cmbLang);
    for (QWidget* w :
         std::initializer_list<QWidget*>{chkStartWithWin, chkPaswProtect, txtInactMin, lblInactMinCap, chkLoadLUser,
                                         chkTrayMode, chkDBBackup, txtBackCopies, lblBackCopiesCap})
        w->setParent(picFrame);
    for (QWidget* w :
         std::initializer_list<QWidget*>{picFrame, lblDBPathCap, txtDBPath, cmdChangeDBPath, lblLangCap, cmbLang})
        w->setParent(framCanvas);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);
    auto* form = new QVBoxLayout(this);
    form->addWidget(framCanvas);
    form->addLayout(buttons);

    // Connected before the load step: filling the controls from the options
    // runs their handlers, as it does in the original forms.
    connect(chkStartWithWin, &QCheckBox::toggled, this, [this] { chkStartWithWin_Click(); });
    connect(chkLoadLUser, &QCheckBox::toggled, this, [this] { chkLoadLUser_Click(); });
    connect(chkTrayMode, &QCheckBox::toggled, this, [this] { chkTrayMode_Click(); });
    connect(chkPaswProtect, &QCheckBox::toggled, this, [this] { chkPaswProtect_Click(); });
    connect(chkDBBackup, &QCheckBox::toggled, this, [this] { chkDBBackup_Click(); });
    connect(txtInactMin, &QLineEdit::textChanged, this, [this] { txtInactMin_Change(); });
    connect(txtBackCopies, &QLineEdit::textChanged, this, [this] { txtBackCopies_Change(); });
    connect(cmdChangeDBPath, &QPushButton::clicked, this, [this] { cmdChangeDBPath_Click(); });
    connect(cmdOk, &QPushButton::clicked, this, [this] { cmdOk_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
}

void frmOptions::Show(TrayIconTarget& tray) {
    frmOptions dialog(tray);
    dialog.ShowModal();
}

std::optional<std::int32_t> frmOptions::BoxNumber(const QString& text) {
    if (text.isEmpty() || text.size() > 3) return std::nullopt;
    if (!std::all_of(text.begin(), text.end(), [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }))
        return std::nullopt;
    const std::int32_t n = text.toInt();
    if (n < 1 || n > kLargestNumber) return std::nullopt;
    return n;
}

std::string frmOptions::DumpModuleVars() const { return modMain::DumpOptions("oldProgConfig", oldProgConfig); }

void frmOptions::Form_Load() {
    TRACE("Form_Load");
    TraceLoaded();
    oldProgConfig = modMain::ProgConfig;
    DoConfig();
}

void frmOptions::DoConfig() {
    TRACE("DoConfig");
    // A check box that changes runs its handler: with option 3 on, the
    // autorun entry is written again.
    chkStartWithWin->setChecked(NumericValue(modMain::OptionText(Option::Autorun)) != 0);
    chkLoadLUser->setChecked(NumericValue(modMain::OptionText(Option::AutoLogin)) != 0);
    chkTrayMode->setChecked(NumericValue(modMain::OptionText(Option::TrayMode)) != 0);
    txtDBPath->setText(qtplat::PathToQString(modMain::OptionText(Option::DBPath)));
    ShowNumberOption(Option::LockMinutes, chkPaswProtect, txtInactMin);
    ShowNumberOption(Option::BackupCopies, chkDBBackup, txtBackCopies);
    ShowFormLang();
}

void frmOptions::ShowNumberOption(Option n, QCheckBox* check, QLineEdit* box) {
    TRACE("ShowNumberOption", TV(n));
    const std::string option = modMain::OptionText(n);
    TRACE_LOCAL(option);
    const bool on = !option.starts_with('n');
    check->setChecked(on);
    box->setEnabled(on);
    // The number alone: a text after it is dropped (and, while the feature
    // is on, the option becomes the number through the box's handler).
    box->setText(QString::fromStdString(vb::CStr(NumericValue(WithoutOffMark(option)))));
}

void frmOptions::ShowFormLang() {
    TRACE("ShowFormLang");
    SetCaption(lblDBPathCap, 83);
    SetCaption(lblInactMinCap, 84);
    SetCaption(lblBackCopiesCap, 85);
    SetCaption(lblLangCap, 87);
    SetCaption(chkDBBackup, 82);
    SetCaption(chkLoadLUser, 80);
    SetCaption(chkPaswProtect, 79);
    SetCaption(chkStartWithWin, 78);
    SetCaption(chkTrayMode, 81);
    SetCaption(cmdChangeDBPath, 86);
    SetCaption(cmdOk, 69);
    SetCaption(cmdCancel, 24);
    SetTitle(107);
}

void frmOptions::Form_Activate() {
    TRACE("Form_Activate");
    ApplyAlwaysOnTop();
}

void frmOptions::Form_KeyDown(int& KeyCode, int Shift) {
    TRACE("Form_KeyDown", TV(KeyCode), TV(Shift));
    if (KeyCode == vbkeys::vbKeyEscape) cmdCancel_Click();
}

// ---- Plain options ----

void frmOptions::StoreCheck(Option n, const QCheckBox* box) {
    TRACE("StoreCheck", TV(n));
    modMain::OptionSlot(n) = box->isChecked() ? "1" : "0";
}

void frmOptions::chkStartWithWin_Click() try {
    TRACE("chkStartWithWin_Click");
    StoreCheck(Option::Autorun, chkStartWithWin);
    modMain::AutorunManagement(chkStartWithWin->isChecked());
}
TRACE_BOUNDARY

void frmOptions::chkLoadLUser_Click() try {
    TRACE("chkLoadLUser_Click");
    StoreCheck(Option::AutoLogin, chkLoadLUser);
}
TRACE_BOUNDARY

void frmOptions::chkTrayMode_Click() try {
    TRACE("chkTrayMode_Click");
    StoreCheck(Option::TrayMode, chkTrayMode);
}
TRACE_BOUNDARY

// ---- Options with a number ----

void frmOptions::NumberSwitchClick(Option n, const QCheckBox* check, QLineEdit* box) {
    TRACE("NumberSwitchClick", TV(n));
    if (!check->isChecked()) {
        // Off: the number stays behind the "n" for when it is on again.
        const std::optional<std::int32_t> typed = BoxNumber(box->text());
        modMain::OptionSlot(n) = "n" + (typed ? vb::CStr(*typed) : WithoutOffMark(modMain::OptionSlot(n)));
        box->setEnabled(false);
        return;
    }
    const std::string number = WithoutOffMark(modMain::OptionSlot(n));
    modMain::OptionSlot(n) = number;
    box->setText(qtplat::AnsiToQString(number));
    box->setEnabled(true);
}

void frmOptions::NumberBoxChange(Option n, const QCheckBox* check, const QLineEdit* box) {
    TRACE("NumberBoxChange", TV(n));
    // Only a number is taken; the feature keeps its on or off state.
    if (const std::optional<std::int32_t> typed = BoxNumber(box->text()))
        modMain::OptionSlot(n) = (check->isChecked() ? "" : "n") + vb::CStr(*typed);
}

void frmOptions::chkPaswProtect_Click() try {
    TRACE("chkPaswProtect_Click");
    NumberSwitchClick(Option::LockMinutes, chkPaswProtect, txtInactMin);
}
TRACE_BOUNDARY

void frmOptions::chkDBBackup_Click() try {
    TRACE("chkDBBackup_Click");
    NumberSwitchClick(Option::BackupCopies, chkDBBackup, txtBackCopies);
}
TRACE_BOUNDARY

void frmOptions::txtInactMin_Change() try {
    TRACE("txtInactMin_Change");
    NumberBoxChange(Option::LockMinutes, chkPaswProtect, txtInactMin);
}
TRACE_BOUNDARY

void frmOptions::txtBackCopies_Change() try {
    TRACE("txtBackCopies_Change");
    NumberBoxChange(Option::BackupCopies, chkDBBackup, txtBackCopies);
}
TRACE_BOUNDARY

// ---- Buttons ----

void frmOptions::cmdChangeDBPath_Click() try {
    TRACE("cmdChangeDBPath_Click");
    if (qtplat::MsgBox(modLang::Texts(19), qtplat::vbYesNo | qtplat::vbInformation) == qtplat::vbNo || !IsLoaded())
        return;
    setEnabled(false);
    // The picker belongs to this dialog, so it is never hidden behind it.
    modMain::ChaneDBPath(this);
    setEnabled(true);
    if (!IsLoaded()) return;
    txtDBPath->setText(qtplat::PathToQString(modMain::OptionText(Option::DBPath)));
}
TRACE_BOUNDARY

bool frmOptions::NumberIsValid(const QCheckBox* check, QLineEdit* box, const char* message) {
    TRACE("NumberIsValid");
    if (!check->isChecked() || BoxNumber(box->text())) return true;
    qtplat::MsgBox(message, qtplat::vbCritical);
    if (IsLoaded()) {
        box->setFocus();
        box->selectAll();
    }
    return false;
}

void frmOptions::cmdOk_Click() try {
    TRACE("cmdOk_Click");
    if (!NumberIsValid(chkPaswProtect, txtInactMin, kMinutesNoNumber)) return;
    if (!NumberIsValid(chkDBBackup, txtBackCopies, kCopiesNoNumber)) return;
    const std::string tray = modMain::OptionText(Option::TrayMode);
    TRACE_LOCAL(tray);
    if (tray == "1" && !modMain::DoUnloadTIcon)
        tray_.TrayIconManagement(1);
    else if (tray == "0" && modMain::DoUnloadTIcon)
        tray_.TrayIconManagement(2);
    try {
        modMain::SaveConfigOrRaise(modMain::ProgCfgPath);
    } catch (const vb::VbError& e) {
        // The old file stays as it was; the dialog stays open to try again
        // or cancel.
        trace_frame_.Recover();
        qtplat::MsgBox(kNotSaved + e.Description() + kNotSavedTail, qtplat::vbCritical);
        return;
    }
    Unload();
}
TRACE_BOUNDARY

void frmOptions::cmdCancel_Click() try {
    TRACE("cmdCancel_Click");
    modMain::ProgConfig = oldProgConfig;
    Unload();
}
TRACE_BOUNDARY
