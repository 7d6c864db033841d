#pragma once
// The edit record dialog: edits a record: its title, login, password, description, icon, colour and bold flag (see
// RowEditDialog).
#include <string>

#include "app/dialogs/RowEditDialog.h"

class frmEditRecord : public RowEditDialog {
public:
    // `tree` is the main window's record tree, whose node the save updates.
    explicit frmEditRecord(TreeNodeTarget& tree);

    // Edits the row of the node keyed `RecordID` ("<IndNum>key"), the
    // selected node: shows the dialog modally with the main window as owner.
    static void Show(const std::string& RecordID, TreeNodeTarget& tree);
};
