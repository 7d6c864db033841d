#include "app/dialogs/VbDialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProxyStyle>
#include <QPushButton>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/core/modLang.h"
#include "app/core/modMain.h"
#include "app/core/modMainOptions.h"
#include "app/dialogs/VbKeys.h"
#include "app/trace/Trace.h"
#include "platform/CodePage.h"
#include "platform/VbError.h"
#include "platform/VbStrings.h"
#include "platform/qt/AnsiText.h"
#include "platform/qt/Desktop.h"

namespace {

std::vector<VbDialog*>& Registry() {
    static std::vector<VbDialog*> open;
    return open;
}

// Shows "*" for each character of a masked box, whatever the style's own
// mask character is.
class StarMaskStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_LineEdit_PasswordCharacter) return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

// Option n as a Boolean, as the runtime converts a text ("True"/"False" in
// any letter case, or a number: not 0 is True). An option that is missing or
// no Boolean counts as False and is logged: a damaged options file must not
// stop every dialog from opening.
bool OptionIsTrue(modMain::Option n) {
    const std::string text = modMain::OptionText(n);
    const std::string t = vb::UCase(vb::Trim(text));
    if (t == "TRUE") return true;
    if (t == "FALSE") return false;
    try {
        return vb::CLng(t) != 0 || vb::Val(t) != 0;
    } catch (const vb::VbError&) {
        modMain::DbgPrint("Option " + std::to_string(static_cast<long>(n)) + " is no Boolean: \"" + text + "\"");
        return false;
    }
}

std::string CodePoints(const QString& chars) {
    std::string out;
    for (char32_t ch : chars.toUcs4()) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(ch));
        if (!out.empty()) out += " ";
        out += buf;
    }
    return out;
}

}  // namespace

VbDialog::VbDialog(const char* formName, Owner owner)
    : QDialog(owner == Owner::MainWindow ? qtplat::MainWindow() : nullptr), formName_(formName) {
    setObjectName(QString::fromLatin1(formName));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);
}

VbDialog::~VbDialog() { Deregister(); }

std::vector<VbDialog*> VbDialog::OpenDialogs() { return Registry(); }

bool VbDialog::ShowModal() {
    if (!Load()) return false;
    // The load step may have given up on the dialog already.
    if (!loaded_) return true;
    FitToContents();
    exec();
    // The window went away without an unload (hidden from outside).
    if (loaded_) Unload();
    return true;
}

bool VbDialog::Load() {
    if (loaded_) return true;
    for (VbDialog* other : Registry()) {
        if (other != this && std::strcmp(other->formName_, formName_) == 0) {
            other->raise();
            other->activateWindow();
            return false;
        }
    }
    PrepareControls();
    loaded_ = true;
    Registry().push_back(this);
    Form_Load();
    return true;
}

bool VbDialog::Unload() { return RunUnload(vbFormCode); }

bool VbDialog::RunUnload(int unloadMode) {
    if (!loaded_ || unloading_) return false;
    unloading_ = true;
    int Cancel = 0;
    Form_QueryUnload(Cancel, unloadMode);
    if (Cancel == 0) Form_Unload(Cancel);
    unloading_ = false;
    if (Cancel != 0) return false;
    loaded_ = false;
    Deregister();
    finishing_ = true;
    QDialog::done(QDialog::Rejected);
    finishing_ = false;
    return true;
}

void VbDialog::done(int result) try {
    if (finishing_) {
        QDialog::done(result);
        return;
    }
    Unload();
}
TRACE_BOUNDARY

void VbDialog::UnloadAllOpen() {
    // Modal windows first, the innermost (the active one) each time: a
    // dialog waiting in a nested message box can only go once the box is
    // gone.
    while (QWidget* modal = QApplication::activeModalWidget()) {
        if (auto* dialog = qobject_cast<VbDialog*>(modal); dialog && dialog->IsLoaded())
            dialog->Unload();
        else if (auto* box = qobject_cast<QDialog*>(modal))
            box->reject();
        else
            modal->close();
        if (QApplication::activeModalWidget() == modal) break;  // it refused to go
    }
    // Then any dialog that is loaded but not shown, the last loaded first.
    auto& open = Registry();
    while (!open.empty()) {
        VbDialog* dialog = open.back();
        if (!dialog->Unload()) break;
    }
}

void VbDialog::Deregister() noexcept {
    auto& open = Registry();
    open.erase(std::remove(open.begin(), open.end(), this), open.end());
}

void VbDialog::PrepareControls() {
    // There are no default buttons: Enter in a text box is that box's, and
    // Enter on a button clicks that button only (keyPressEvent).
    for (QPushButton* button : findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    // Captions are plain text, whatever a language file holds.
    for (QLabel* label : findChildren<QLabel*>()) label->setTextFormat(Qt::PlainText);
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
}

// ---- Form events ----

void VbDialog::Form_KeyDown(int& /*KeyCode*/, int /*Shift*/) {}

void VbDialog::Form_QueryUnload(int& /*Cancel*/, int /*UnloadMode*/) {}

void VbDialog::Form_Unload(int& /*Cancel*/) {
    TRACE("Form_Unload");
    TraceUnloaded();
}

void VbDialog::TraceLoaded() { trace::TraceObjectLoaded(formName_, true, traceInstanceId_); }

void VbDialog::TraceUnloaded() { trace::TraceUnload(formName_, traceInstanceId_); }

// ---- Helpers ----

void VbDialog::OnKeyDown(QWidget* control, std::function<void(int& KeyCode, int Shift)> handler) {
    keyHandlers_.emplace_back(control, std::move(handler));
}

void VbDialog::FitToContents() {
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    adjustSize();
    setFixedSize(size());
}

void VbDialog::MaskWithStars(QLineEdit* box) {
    static QPointer<QStyle> style;
    if (!style) {
        style = new StarMaskStyle;
        style->setParent(qApp);
    }
    box->setStyle(style);
    box->setEchoMode(QLineEdit::Password);
}

void VbDialog::ApplyAlwaysOnTop() {
    if (!OptionIsTrue(modMain::Option::OnTop)) return;
    if (QWindow* window = windowHandle(); window && !(window->flags() & Qt::WindowStaysOnTopHint))
        window->setFlag(Qt::WindowStaysOnTopHint, true);
}

QString VbDialog::Txt(std::int32_t n) { return qtplat::AnsiToQString(modLang::Texts(n)); }

void VbDialog::SetCaption(QLabel* label, std::int32_t n, bool colon) {
    label->setText(colon ? Txt(n) + QLatin1Char(':') : Txt(n));
}

void VbDialog::SetCaption(QAbstractButton* button, std::int32_t n) { button->setText(Txt(n)); }

void VbDialog::SetTitle(std::int32_t n) { setWindowTitle(Txt(n)); }

std::string VbDialog::NotStorableText(const char* what, const QString* unmappable) {
    std::string text = std::string("The ") + what +
                       " holds characters that the program cannot store in the system's character set (code page " +
                       std::to_string(plat::AnsiCodePage().Number()) + ")";
    if (!unmappable) return text + ". Please use other characters.";
    return text + ": " + CodePoints(*unmappable) + ". Please remove them.";
}

std::optional<std::string> VbDialog::EnteredText(const QString& text, const char* what) {
    QString unmappable;
    if (auto ansi = qtplat::QStringToAnsi(text, &unmappable)) return ansi;
    qtplat::MsgBox(NotStorableText(what, &unmappable), qtplat::vbCritical);
    return std::nullopt;
}

std::optional<trace::Secret> VbDialog::EnteredSecret(const QString& text, const char* what) {
    if (auto ansi = qtplat::QStringToAnsi(text)) return trace::Secret(std::move(*ansi));
    qtplat::MsgBox(NotStorableText(what, nullptr), qtplat::vbCritical);
    return std::nullopt;
}

// ---- Qt ----

void VbDialog::changeEvent(QEvent* event) try {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && loaded_) Form_Activate();
}
TRACE_BOUNDARY

void VbDialog::closeEvent(QCloseEvent* event) try {
    // The program closes a dialog by Unload, which hides it without a close
    // event; a close event is the user's close box or window menu.
    event->ignore();
    if (loaded_) RunUnload(vbFormControlMenu);
}
TRACE_BOUNDARY

void VbDialog::keyPressEvent(QKeyEvent* event) try {
    switch (event->key()) {
        case Qt::Key_Escape:
            // What Esc does is the form's (Form_KeyDown); it never closes a
            // dialog on its own.
            event->accept();
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (auto* button = qobject_cast<QPushButton*>(focusWidget()); button && button->isEnabled())
                button->click();
            event->accept();
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}
TRACE_BOUNDARY

bool VbDialog::eventFilter(QObject* watched, QEvent* event) try {
    if (event->type() != QEvent::KeyPress || !loaded_ || dispatching_) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    int KeyCode = vbkeys::KeyCode(*key);
    if (KeyCode == 0) return false;
    const int Shift = vbkeys::ShiftState(key->modifiers());
    Form_KeyDown(KeyCode, Shift);
    for (auto& [control, handler] : keyHandlers_) {
        if (KeyCode == 0 || !loaded_) break;
        if (control == widget) handler(KeyCode, Shift);
    }
    if (KeyCode != 0 && loaded_) {
        // The key goes on to the control and, when the control leaves it, up
        // to the dialog. It is delivered here in one go, because a key
        // handed up to a parent passes the parent's filter again, and the
        // preview must run once per key.
        dispatching_ = true;
        QCoreApplication::sendEvent(widget, event);
        dispatching_ = false;
    }
    event->accept();
    return true;
}
TRACE_BOUNDARY
