#include "app/dialogs/RowDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>

#include "app/core/modMain.h"
#include "app/dialogs/VbKeys.h"
#include "app/dialogs/frmPaswGenerator.h"
#include "app/trace/Trace.h"
#include "platform/qt/AnsiText.h"
#include "platform/qt/Desktop.h"

namespace {

// The description box's text with its line breaks as they are stored: CR LF.
// The raw text keeps every character as typed (the plain text would turn a
// no-break space into a blank); its breaks are paragraph and line separators.
QString DescriptionText(const QPlainTextEdit& box) {
    QString text = box.document()->toRawText();
    text.replace(QChar(QChar::ParagraphSeparator), QStringLiteral("\r\n"));
    text.replace(QChar(QChar::LineSeparator), QStringLiteral("\r\n"));
    return text;
}

}  // namespace

RowDialog::RowDialog(const char* formName, RowKind kind)
    : VbDialog(formName, Owner::MainWindow), isRecord_(kind == RowKind::Record) {
    grid_ = new QGridLayout(this);
    lblTitleCap = Control<QLabel>("lblTitleCap");
    lblTitleCap->setText(QStringLiteral("Title:"));
    txtTitle = Control<QLineEdit>("txtTitle");
    txtTitle->setMinimumWidth(260);
    AddGridRow(lblTitleCap, txtTitle);
    if (isRecord_) {
        lblLoginCap = Control<QLabel>("lblLoginCap");
        lblLoginCap->setText(QStringLiteral("Login:"));
        txtLogin = Control<QLineEdit>("txtLogin");
        AddGridRow(lblLoginCap, txtLogin);
        lblPaswCap = Control<QLabel>("lblPaswCap");
        lblPaswCap->setText(QStringLiteral("Password:"));
        txtPasw = Control<QLineEdit>("txtPasw");
        cmdGenerate = Control<QPushButton>("cmdGenerate");
        cmdGenerate->setText(QStringLiteral("Generate Password"));
        AddGridRow(lblPaswCap, txtPasw, cmdGenerate);
        lblDescCap = Control<QLabel>("lblDescCap");
        lblDescCap->setText(QStringLiteral("Desription:"));
        txtDesc = Control<QPlainTextEdit>("txtDesc");
        txtDesc->setTabChangesFocus(true);
        // The vertical scroll bar shows once the text is longer than the box.
        txtDesc->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        txtDesc->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        AddGridRow(lblDescCap, txtDesc);
        connect(cmdGenerate, &QPushButton::clicked, this, [this] { cmdGenerate_Click(); });
    }
    for (auto [label, box] : {std::pair<QLabel*, QWidget*>{lblTitleCap, txtTitle},
                              {lblLoginCap, txtLogin},
                              {lblPaswCap, txtPasw},
                              {lblDescCap, txtDesc}})
        if (label) label->setBuddy(box);
    cmdCancel = Control<QPushButton>("cmdCancel");
    cmdCancel->setText(QStringLiteral("Cancel"));
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
}

void RowDialog::AddGridRow(QWidget* label, QWidget* field, QWidget* extra) {
    if (label) grid_->addWidget(label, nextRow_, 0, Qt::AlignLeft | Qt::AlignTop);
    grid_->addWidget(field, nextRow_, 1);
    if (extra) grid_->addWidget(extra, nextRow_, 2);
    ++nextRow_;
}

void RowDialog::AddButtonRow(QPushButton* confirm) {
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(confirm);
    buttons->addWidget(cmdCancel);
    grid_->addLayout(buttons, nextRow_++, 0, 1, 3);
    // Cancel was made before the rows the dialogs add, but Tab reaches it
    // last, after the confirming button: Enter clicks the focused button.
    setTabOrder(confirm, cmdCancel);
}

void RowDialog::ShowRowCaptions() {
    TRACE("ShowRowCaptions");
    SetCaption(lblTitleCap, 13, true);
    if (!isRecord_) return;
    SetCaption(lblLoginCap, 14, true);
    SetCaption(lblPaswCap, 15, true);
    SetCaption(lblDescCap, 16, true);
    SetCaption(cmdGenerate, 60);
}

std::optional<RowDialog::RowTexts> RowDialog::EnteredRowTexts() {
    TRACE("EnteredRowTexts");
    RowTexts texts;
    const std::optional<std::string> title = EnteredText(txtTitle->text(), "title");
    if (!title) return std::nullopt;
    texts.title = *title;
    if (!isRecord_) return texts;
    std::optional<trace::Secret> login = EnteredSecret(txtLogin->text(), "login");
    if (!login) return std::nullopt;
    std::optional<trace::Secret> password = EnteredSecret(txtPasw->text(), "password");
    if (!password) return std::nullopt;
    std::optional<trace::Secret> description = EnteredSecret(DescriptionText(*txtDesc), "description");
    if (!description) return std::nullopt;
    texts.login = std::move(*login);
    texts.password = std::move(*password);
    texts.description = std::move(*description);
    return texts;
}

void RowDialog::ShowRowTexts(const RowTexts& texts) {
    TRACE("ShowRowTexts");
    txtTitle->setText(qtplat::AnsiToQString(texts.title));
    if (!isRecord_) return;
    txtLogin->setText(qtplat::AnsiToQString(texts.login.str()));
    txtPasw->setText(qtplat::AnsiToQString(texts.password.str()));
    // A stored CR LF is one line break in the box.
    txtDesc->setPlainText(qtplat::AnsiToQString(texts.description.str()));
}

void RowDialog::NoteDatabase() { openedOn_ = modMain::CurUsDB; }

std::optional<RowDialog::Confirmed> RowDialog::Confirm() {
    TRACE("Confirm");
    const std::shared_ptr<clsDatabase> db = openedOn_.lock();
    if (!db || db != modMain::CurUsDB) {
        modMain::DbgPrint(std::string(TraceName()) + ": the database it was opened on is no longer the open one");
        qtplat::MsgBox("The database this window was opened for is no longer open. Nothing was changed.",
                       qtplat::vbExclamation);
        Unload();
        return std::nullopt;
    }
    std::optional<RowTexts> texts = EnteredRowTexts();
    if (!texts) return std::nullopt;
    return Confirmed{db.get(), std::move(*texts)};
}

void RowDialog::Form_KeyDown(int& KeyCode, int Shift) {
    TRACE("Form_KeyDown", TV(KeyCode), TV(Shift));
    if (KeyCode == vbkeys::vbKeyEscape) cmdCancel_Click();
}

void RowDialog::cmdGenerate_Click() try {
    TRACE("cmdGenerate_Click");
    std::optional<trace::Secret> generated = frmPaswGenerator::GenerateForRecord();
    TRACE_LOCAL(generated);
    // The inactivity lock may have closed this dialog meanwhile.
    if (!IsLoaded() || !generated) return;
    txtPasw->setText(qtplat::AnsiToQString(generated->str()));
}
TRACE_BOUNDARY

void RowDialog::cmdCancel_Click() try {
    TRACE("cmdCancel_Click");
    Unload();
}
TRACE_BOUNDARY
