#pragma once
// The password dialog: asks the master password of one named user, hashes
// it (MD5 text, the input of the file key) and tests it against the user's
// file before anybody loads that file.
//
// Input: the caption of lblUserName (the user name). Results, in the program
// state: FrmPaswResult 1 and FrmPaswEnetered the hash after a right password;
// after any other close (Cancel, the close box, the program closing it)
// FrmPaswResult 3 and FrmPaswEnetered empty. 2 (wrong password or no user
// file) is only seen while the dialog is open. FrmPaswShown is True from its
// load to its unload. The typed password itself is never kept anywhere but
// in the box.
#include <string>

#include "app/dialogs/VbDialog.h"

class QLabel;
class QLineEdit;
class QPushButton;

class frmPassword : public VbDialog {
public:
    // The dialog never has an owner: the main window asks for the password
    // while it starts or is locked, the other callers are dialogs.
    frmPassword();

    // Asks the password of `userName` (code-page text): sets lblUserName and
    // shows the dialog modally. The answer is in the program state.
    static void Ask(const std::string& userName);

    void ShowFormLang() override;

    void cmdOk_Click();
    void cmdCancel_Click();
    void txtPassword_KeyDown(int& KeyCode, int Shift);

    QLabel* lblEnterPas;
    QLabel* lblUserName;
    QLabel* lblPaswCap;
    QLineEdit* txtPassword;
    QLabel* lblCaution;
    QLabel* lblSamplePassword;
    QPushButton* cmdOk;
    QPushButton* cmdCancel;

protected:
    void Form_Load() override;
    void Form_Activate() override;
    void Form_Unload(int& Cancel) override;

private:
    // The demo user's hint shows for that user only.
    void ShowDemoHint();

    bool passwordRight_ = false;
};
