#pragma once
// The add record dialog: takes the title, login, password and description of
// a new record, adds it as a row of the logged-in user's database under a
// given folder and adds its node to the main window's record tree. The file
// is not written here; the change is saved with the user's database later.
// Nothing is validated: an empty title is a record's title like any other.
#include <string>

#include "app/dialogs/RowDialog.h"

class CoreView;

class frmAddRecord : public RowDialog {
public:
    // `tree` is the main window's record tree, which gets the new node.
    explicit frmAddRecord(CoreView& tree);

    // Adds a record under the folder whose IndNum is `rParent` (its node is
    // in the tree): shows the dialog modally with the main window as owner.
    static void Show(const std::string& rParent, CoreView& tree);

    std::string DumpModuleVars() const override;
    void ShowFormLang() override;
    void cmdOk_Click();

    QPushButton* cmdOk;

    // The IndNum of the folder the record goes into, as text.
    std::string rParent;

protected:
    void Form_Load() override;
    void Form_Activate() override;

private:
    CoreView& tree_;
};
