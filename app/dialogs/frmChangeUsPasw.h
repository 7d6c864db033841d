#pragma once
// The change password dialog: sets a new master password for the logged-in
// user and at once writes that user's database file again under the key of
// the new password. The old password is not asked here (the main window asks
// whether to change it first).
//
// Input: the caption of lblUserName (only shown; the dialog always works on
// the logged-in user). Result: CurUsPasw holds the hash of the new password
// once the file has been written under it. When the file cannot be written
// the user is told, CurUsPasw keeps the old hash, the file stays as it was
// (it opens with the old password) and the dialog stays open.
#include <string>

#include "app/dialogs/VbDialog.h"

class QLabel;
class QLineEdit;
class QPushButton;

class frmChangeUsPasw : public VbDialog {
public:
    // The main window opens it, as its owner.
    frmChangeUsPasw();

    // Shows the dialog modally for the logged-in user `userName` (code-page
    // text), as the main window's change password command does.
    static void Show(const std::string& userName);

    void ShowFormLang() override;

    void cmdOk_Click();
    void cmdCancel_Click();

    QLabel* lblEnterPas;
    QLabel* lblUserName;
    QLabel* lblPaswCap;
    QLineEdit* txtPassword;
    QLabel* lblConfirmCap;
    QLineEdit* txtConfirm;
    QLabel* lblCaution;
    QPushButton* cmdOk;
    QPushButton* cmdCancel;

protected:
    void Form_Load() override;
    void Form_KeyDown(int& KeyCode, int Shift) override;
    void Form_Unload(int& Cancel) override;
};
