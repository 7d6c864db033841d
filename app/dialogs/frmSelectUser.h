#pragma once
// The select user dialog: lists the users that have a database file in the
// databases folder and lets the user log one of them in (after the password
// dialog), add a user, delete a user's file, or change the databases folder.
// It stays open until Back (or Esc).
//
// A user is a file "<name>.vdb" in the databases folder (option 5); the list
// holds the names without the extension and is read again whenever a user is
// added or deleted and after the folder changes. A delete removes that user's
// file only, never anything else; when it is the logged-in user's file the
// user is logged out too, so no later save brings the file back.
#include <string>

#include "app/dialogs/VbDialog.h"

class QListWidget;
class QPushButton;

class frmSelectUser : public VbDialog {
public:
    // The main window opens it, as its owner.
    frmSelectUser();

    // Shows the dialog modally, as the main window's commands do.
    static void Show();

    void ShowFormLang() override;

    void cmdChooseUser_Click();
    void lstUsers_DblClick();
    void cmdAddUser_Click();
    void cmdDelUser_Click();
    void cmdChangePath_Click();
    void cmdExit_Click();

    QListWidget* lstUsers;
    QPushButton* cmdChooseUser;
    QPushButton* cmdAddUser;
    QPushButton* cmdDelUser;
    QPushButton* cmdChangePath;
    QPushButton* cmdExit;

protected:
    void Form_Load() override;
    void Form_Activate() override;
    void Form_KeyDown(int& KeyCode, int Shift) override;

private:
    // Fills the list from the databases folder; nothing is selected after.
    void ListUsers();
    // The selected name as code-page text; "" when none is selected.
    std::string SelectedUser() const;
    // Deletes the file of `UsName` (a name of the list).
    void DeleteUserFile(const std::string& UsName);
};
