#pragma once
// The backup manager: lists the automatic backup copies of the users'
// database files ("<user>_<n>.vdb.BACKUP" in the folder "Backup" of the
// databases folder) with their last-write times, deletes a chosen copy, or
// restores one: the copy replaces the user's database file, the current user
// is logged out, and the copy's user is asked for the password and logged in.
//
// A restore never loses data: the logged-in user's database is saved first
// (or the user agrees to go on without it), and the copy is written beside
// the user's file and renamed over it only once it is complete, so a failed
// copy leaves the file, and the login, as they were.
#include <optional>
#include <string>

#include "app/dialogs/VbDialog.h"

class QLabel;
class QListWidget;
class QPushButton;

class frmRestore : public VbDialog {
public:
    // The main window opens it from its File menu, as the owner.
    frmRestore();

    // Shows the dialog modally over the main window.
    static void Show();

    // The user a backup file belongs to (its name in the file system's
    // form, without folder): the text before the last "_", as a safe user
    // name in the code page, when the name is the one the automatic backup
    // gives a copy of that user's file. Nothing otherwise.
    static std::optional<std::string> BackupUser(const std::string& fileName);

    void ShowFormLang() override;

    // Adds an item for every backup file in the folder DBPath (the caller's
    // variable gets Pt applied); the list is not cleared first.
    void ListDBsForRestore(std::string& DBPath);

    void cmdRestore_Click();
    void lstRestorDBs_DblClick();
    void cmdDelete_Click();
    void cmdBack_Click();

    QLabel* lblDBsCap;
    QListWidget* lstRestorDBs;
    QPushButton* cmdRestore;
    QPushButton* cmdDelete;
    QPushButton* cmdBack;

protected:
    void Form_Load() override;

private:
    // Pt(option 5) & "Backup/"; option 5 gets Pt applied.
    static std::string BackupFolder();
    // The selected backup's file name, or nothing after the message that
    // asks for a selection.
    std::optional<std::string> SelectedFile();
    void Relist();
    // Saves the logged-in user's database before the restore logs that user
    // out; false when it could not be saved and the user would rather stop.
    bool SaveCurrentUser();
};
