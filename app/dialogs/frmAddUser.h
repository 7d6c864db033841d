#pragma once
// The add user dialog: creates a new user, a new empty enciphered database
// file "<name>.vdb" in the databases folder, and, when the box is ticked,
// logs that user in at once.
//
// The name becomes the file name as typed (not trimmed), so a name that can
// be no file name of its own is refused, as is a password of fewer than 8
// characters or one the code page cannot hold. An existing file is never
// replaced. Before the new user is logged in, the logged-in user's database
// is saved; when it cannot be, the user is asked before its changes are
// dropped.
#include <string>

#include "app/dialogs/VbDialog.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frmAddUser : public VbDialog {
public:
    // The main window opens it as its owner; the select user dialog opens it
    // without one.
    explicit frmAddUser(Owner owner);

    // Shows the dialog modally.
    static void Show(Owner owner);

    void ShowFormLang() override;

    void cmdAddUser_Click();
    void cmdCancel_Click();
    void txtConfirm_KeyDown(int& KeyCode, int Shift);

    QLabel* lblEnterName;
    QLabel* lblNameCap;
    QLineEdit* txtNewUsName;
    QLabel* lblPaswCap;
    QLineEdit* txtPasw;
    QLabel* lblConfirmCap;
    QLineEdit* txtConfirm;
    QLabel* lblNotice;
    QCheckBox* chkLoadAfterAdd;
    QPushButton* cmdAddUser;
    QPushButton* cmdCancel;

protected:
    void Form_Load() override;
    void Form_Activate() override;
    void Form_KeyDown(int& KeyCode, int Shift) override;
    void Form_Unload(int& Cancel) override;

private:
    // Logs the new user in, after the logged-in user's database is saved.
    void LoadNewUser(const std::string& UsName, const trace::Secret& UsPasw);
};
