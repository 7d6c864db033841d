#pragma once
// The ground every dialog of the program stands on.
//
// A dialog is a small fixed window for one task. The opener makes it on its
// own stack, sets its inputs (public controls or members) and calls
// ShowModal(), which loads it (Form_Load: its set-up, then ShowFormLang) and
// runs it modally until a handler, the close box or the program unloads it;
// the opener then reads the results from the program state. The object is
// never deleted while its exec() runs, and one object serves one showing.
//
// Unloading runs Form_QueryUnload(Cancel, UnloadMode) and Form_Unload(Cancel)
// as the close box (vbFormControlMenu) or the program (vbFormCode) asks for
// it. Every loaded dialog is in a registry, so the inactivity lock can close
// them all, with any message box they show, from the innermost out
// (UnloadAllOpen). The program never has two dialogs of one form open: a
// second ShowModal brings the open one to the front and returns.
//
// Keys: the dialog previews every key pressed in it (Form_KeyDown) before the
// focused control and that control's own KeyDown handler (OnKeyDown). Esc
// never closes a dialog by itself and Enter never clicks a default button:
// there are none; Enter on a focused button clicks that button.
//
// Texts typed into a dialog are taken as code-page bytes with EnteredText /
// EnteredSecret, which refuse, with a clear message, a text holding a
// character the code page cannot store: nothing stored or hashed ever has a
// character silently replaced.
#include <QDialog>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/trace/Dump.h"
#include "app/trace/Secret.h"

class QAbstractButton;
class QLabel;
class QLineEdit;

// Why a dialog is being unloaded, as Form_QueryUnload is told.
enum VbUnloadMode : int {
    vbFormControlMenu = 0,  // the user: the close box or the window menu
    vbFormCode = 1,         // the program
};

class VbDialog : public QDialog, public trace::Traced {
    Q_OBJECT

public:
    // The owner of a dialog: the main window when its menus, toolbar, tree or
    // tray open it; none when the main window asks for the password while it
    // starts or is locked, and none when another dialog opens it.
    enum class Owner { MainWindow, None };

    ~VbDialog() override;
    VbDialog(const VbDialog&) = delete;
    VbDialog& operator=(const VbDialog&) = delete;

    const char* TraceName() const override { return formName_; }

    // Loads the dialog and runs it modally until it is unloaded. False, and
    // the open one raised instead, when a dialog of the same form is open.
    bool ShowModal();
    // The program's close (vbFormCode). False when the dialog was not loaded
    // or a handler cancelled the unload.
    bool Unload();
    bool IsLoaded() const noexcept { return loaded_; }

    // Sets every caption of the dialog from the language texts.
    virtual void ShowFormLang() = 0;

    // Why a text typed for `what` cannot be stored: the code page, and the
    // characters it lacks by their code points unless they are a secret's
    // (`unmappable` null).
    static std::string NotStorableText(const char* what, const QString* unmappable);

    // The loaded dialogs in the order they were loaded (the innermost last).
    static std::vector<VbDialog*> OpenDialogs();
    // Closes every modal box and dialog, innermost first, as the program's
    // own close: message boxes and pickers are cancelled, dialogs unloaded
    // with vbFormCode.
    static void UnloadAllOpen();

    // Any close of the window (accept, reject, done) is an unload from code.
    void done(int result) override;

protected:
    VbDialog(const char* formName, Owner owner);

    // ---- The form's events; overrides are traced procedures ----

    // The dialog's set-up; ends with ShowFormLang. Starts with TraceLoaded.
    virtual void Form_Load() = 0;
    // Each time the dialog becomes the active window.
    virtual void Form_Activate() {}
    // Every key pressed while the dialog has the focus, before the focused
    // control. KeyCode := 0 keeps the key from the control.
    virtual void Form_KeyDown(int& KeyCode, int Shift);
    // Cancel := non-zero keeps the dialog loaded.
    virtual void Form_QueryUnload(int& Cancel, int UnloadMode);
    // The last step of an unload. This one only tells an outside debugger.
    virtual void Form_Unload(int& Cancel);

    // ---- Helpers for the forms ----

    // A control of the dialog with its name as objectName.
    template <class T>
    T* Control(const char* name) {
        T* w = new T(this);
        w->setObjectName(QString::fromLatin1(name));
        return w;
    }
    // A control's own KeyDown handler: keys that reach `control` after the
    // form's preview.
    void OnKeyDown(QWidget* control, std::function<void(int& KeyCode, int Shift)> handler);
    // A text box that shows "*" for each character typed.
    static void MaskWithStars(QLineEdit* box);
    // Gives the dialog the fixed size of its contents as they show now
    // (after a control was shown or hidden).
    void FitToContents();

    // Form_Load's first step: tells an outside debugger the form is loaded.
    void TraceLoaded();
    // Form_Unload's step: tells an outside debugger it is unloaded.
    void TraceUnloaded();

    // The always-on-top step of Form_Activate: with option 6 true the dialog
    // stays above other windows; false leaves it as it is (never lowered).
    void ApplyAlwaysOnTop();

    // Language text n for a widget; captions from it (`colon` appends ":").
    static QString Txt(std::int32_t n);
    static void SetCaption(QLabel* label, std::int32_t n, bool colon = false);
    static void SetCaption(QAbstractButton* button, std::int32_t n);
    void SetTitle(std::int32_t n);

    // What the user typed into the box for `what` ("title", "login", ...),
    // as code-page bytes; nothing, after a message box naming the box and
    // saying why, when it holds a character the code page cannot store. The
    // secret form never shows the characters.
    std::optional<std::string> EnteredText(const QString& text, const char* what);
    std::optional<trace::Secret> EnteredSecret(const QString& text, const char* what);

    // ---- Qt ----
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool Load();
    bool RunUnload(int unloadMode);
    void PrepareControls();
    void Deregister() noexcept;

    const char* formName_;
    bool loaded_ = false;
    bool unloading_ = false;
    bool finishing_ = false;
    bool dispatching_ = false;
    std::int16_t traceInstanceId_ = 0;
    std::vector<std::pair<QWidget*, std::function<void(int&, int)>>> keyHandlers_;
};
