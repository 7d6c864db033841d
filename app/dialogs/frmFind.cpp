#include "app/dialogs/frmFind.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/core/TreeKeys.h"
#include "app/core/clsDatabase.h"
#include "app/core/modLang.h"
#include "app/core/modMain.h"
#include "app/core/modMainDisplay.h"
#include "app/core/modMainOptions.h"
#include "app/core/modMainTree.h"
#include "app/dialogs/VbKeys.h"
#include "app/trace/Trace.h"
#include "platform/VbError.h"
#include "platform/VbStrings.h"
#include "platform/qt/AnsiText.h"
#include "platform/qt/Desktop.h"

using modMain::Option;

frmFind::frmFind(FindTarget& target) : VbDialog("frmFind", Owner::MainWindow), target_(target) {
    setWindowTitle(QStringLiteral("Find"));
    framCanvas = Control<QFrame>("framCanvas");
    framCanvas->setFrameShape(QFrame::StyledPanel);
    lblFindTextCap = Control<QLabel>("lblFindTextCap");
    lblFindTextCap->setText(QStringLiteral("Text to find:"));
    txtFindText = Control<QLineEdit>("txtFindText");
    txtFindText->setMinimumWidth(260);
    lblFindTextCap->setBuddy(txtFindText);
    framCanvas2 = Control<QGroupBox>("framCanvas2");
    framCanvas2->setTitle(QStringLiteral("Find Options"));
    picFrame = Control<QWidget>("picFrame");
    optSearchTitles = Control<QRadioButton>("optSearchTitles");
    optSearchTitles->setText(QStringLiteral("Search in titles"));
    optSearchEverywhere = Control<QRadioButton>("optSearchEverywhere");
    optSearchEverywhere->setText(QStringLiteral("Search everywhere"));
    picFrame2 = Control<QWidget>("picFrame2");
    chkCaseSens = Control<QCheckBox>("chkCaseSens");
    chkCaseSens->setText(QStringLiteral("Case sensetive"));
    cmdFind = Control<QPushButton>("cmdFind");
    cmdFind->setText(QStringLiteral("Find"));
    cmdCancel = Control<QPushButton>("cmdCancel");
    cmdCancel->setText(QStringLiteral("Cancel"));
    // The design state until the load step reads the options.
    optSearchTitles->setChecked(true);

    // The two scope buttons share picFrame, so selecting one clears the other.
    optSearchTitles->setParent(picFrame);
    optSearchEverywhere->setParent(picFrame);
    auto* scope = new QVBoxLayout(picFrame);
    scope->setContentsMargins(0, 0, 0, 0);
    scope->addWidget(optSearchTitles);
    scope->addWidget(optSearchEverywhere);
    chkCaseSens->setParent(picFrame2);
    auto* caseRow = new QVBoxLayout(picFrame2);
    caseRow->setContentsMargins(0, 0, 0, 0);
    caseRow->addWidget(chkCaseSens);
    picFrame->setParent(framCanvas2);
    picFrame2->setParent(framCanvas2);
    auto* options = new QHBoxLayout(framCanvas2);
    options->addWidget(picFrame);
    options->addWidget(picFrame2, 0, Qt::AlignTop);

    lblFindTextCap->setParent(framCanvas);
    txtFindText->setParent(framCanvas);
    framCanvas2->setParent(framCanvas);
    auto* canvas = new QVBoxLayout(framCanvas);
    canvas->addWidget(lblFindTextCap);
    canvas->addWidget(txtFindText);
    canvas->addWidget(framCanvas2);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdFind);
    buttons->addWidget(cmdCancel);
    auto* form = new QVBoxLayout(this);
    form->addWidget(framCanvas);
    form->addLayout(buttons);

    // Connected before the load step: filling the controls from the options
    // runs their handlers, as it does in the original forms.
    connect(txtFindText, &QLineEdit::textChanged, this, [this] { txtFindText_Change(); });
    connect(chkCaseSens, &QCheckBox::toggled, this, [this] { chkCaseSens_Click(); });
    connect(optSearchTitles, &QRadioButton::toggled, this, [this](bool on) {
        if (on) optSearchTitles_Click();
    });
    connect(optSearchEverywhere, &QRadioButton::toggled, this, [this](bool on) {
        if (on) optSearchEverywhere_Click();
    });
    connect(cmdFind, &QPushButton::clicked, this, [this] { cmdFind_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    OnKeyDown(optSearchEverywhere, [this](int& KeyCode, int Shift) { optSearchEverywhere_KeyDown(KeyCode, Shift); });
    txtFindText->setFocus();
}

void frmFind::Show(FindTarget& target) {
    frmFind dialog(target);
    dialog.ShowModal();
}

void frmFind::Form_Load() {
    TRACE("Form_Load");
    TraceLoaded();
    DoConfig();
}

void frmFind::DoConfig() {
    TRACE("DoConfig");
    // Options that are no number read as 0: a damaged options file leaves
    // the dialog usable.
    chkCaseSens->setChecked(modMain::OptionLong(Option::FindCaseSens, modMain::IfUnusable::Quiet).value_or(0) != 0);
    double titlesOnly = 0;
    TRACE_LOCAL(titlesOnly);
    try {
        titlesOnly = vb::Val(modMain::OptionText(Option::FindScope));
    } catch (const vb::VbError&) {
        trace_frame_.Recover();
    }
    if (titlesOnly != 0)
        optSearchTitles->setChecked(true);
    else
        optSearchEverywhere->setChecked(true);
    txtFindText->setText(qtplat::AnsiToQString(modMain::LastFindText.str()));
    ShowFormLang();
}

void frmFind::ShowFormLang() {
    TRACE("ShowFormLang");
    SetCaption(lblFindTextCap, 72);
    framCanvas2->setTitle(Txt(73));
    SetCaption(optSearchEverywhere, 76);
    SetCaption(optSearchTitles, 75);
    SetCaption(chkCaseSens, 74);
    SetCaption(cmdFind, 77);
    SetCaption(cmdCancel, 24);
    SetTitle(106);
}

void frmFind::Form_Activate() {
    TRACE("Form_Activate");
    ApplyAlwaysOnTop();
}

void frmFind::txtFindText_Change() try {
    TRACE("txtFindText_Change");
    // A text the code page cannot hold is not taken yet; Find says why.
    if (std::optional<std::string> text = qtplat::QStringToAnsi(txtFindText->text()))
        modMain::LastFindText = std::move(*text);
}
TRACE_BOUNDARY

void frmFind::chkCaseSens_Click() try {
    TRACE("chkCaseSens_Click");
    modMain::OptionSlot(Option::FindCaseSens) = chkCaseSens->isChecked() ? "1" : "0";
}
TRACE_BOUNDARY

void frmFind::optSearchTitles_Click() try {
    TRACE("optSearchTitles_Click");
    StoreScope();
}
TRACE_BOUNDARY

void frmFind::optSearchEverywhere_Click() try {
    TRACE("optSearchEverywhere_Click");
    StoreScope();
}
TRACE_BOUNDARY

void frmFind::StoreScope() {
    TRACE("StoreScope");
    modMain::OptionSlot(Option::FindScope) = optSearchTitles->isChecked() ? "1" : "0";
}

void frmFind::optSearchEverywhere_KeyDown(int& KeyCode, int Shift) {
    TRACE("optSearchEverywhere_KeyDown", TV(KeyCode), TV(Shift));
    if (KeyCode == vbkeys::vbKeyEscape) cmdCancel_Click();
}

void frmFind::cmdCancel_Click() try {
    TRACE("cmdCancel_Click");
    Unload();
}
TRACE_BOUNDARY

void frmFind::cmdFind_Click() try {
    TRACE("cmdFind_Click");
    if (txtFindText->text().isEmpty()) {
        qtplat::MsgBox(modLang::Texts(20), qtplat::vbCritical);
        return;
    }
    const std::optional<std::string> text = EnteredText(txtFindText->text(), "search text");
    if (!text) return;
    // Without a loaded database (no table) there is nothing to find.
    clsDatabase* db = modMain::CurUsDB.get();
    const std::int32_t tbl = db ? db->FindTable(modMain::kDataTable) : 0;
    TRACE_LOCAL(tbl);
    const bool everywhere = optSearchEverywhere->isChecked();
    const std::int32_t column = everywhere || tbl == 0 ? 0 : db->FindField(tbl, "Title");
    TRACE_LOCAL(column);
    std::string r = "-2";
    TRACE_LOCAL(r);
    if (tbl != 0)
        r = modMain::FindRecordInDB(*text, tbl, column, modMain::FindIndNum, *db, everywhere, chkCaseSens->isChecked());
    if (r == "-2") {
        qtplat::MsgBox(modLang::Texts(18), qtplat::vbExclamation);
        return;
    }
    ShowHit(tbl, vb::CLng(r));
}
TRACE_BOUNDARY

void frmFind::ShowHit(std::int32_t tbl, std::int32_t row) {
    TRACE("ShowHit", TV(tbl), TV(row));
    const std::string key = modMain::NodeKey(modMain::CurUsDB->GetTblFldValNm(tbl, row, "IndNum"));
    TRACE_LOCAL(key);
    // A row the tree does not show (its identifier is no usable number) has
    // no node to select; the search simply goes on past it next time.
    if (!target_.SelectTreeNode(key)) {
        modMain::DbgPrint("frmFind: the hit in row " + vb::CStr(row) + " has no node " + key + " in the tree");
        return;
    }
    target_.SetDropHighlight(key);
    target_.EnsureTreeNodeVisible(key);
    target_.trvDatabaseClick();
}
