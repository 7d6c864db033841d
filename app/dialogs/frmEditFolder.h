#pragma once
// The edit folder dialog: edits a folder: its title, icon, colour and bold flag (see RowEditDialog).
#include <string>

#include "app/dialogs/RowEditDialog.h"

class frmEditFolder : public RowEditDialog {
public:
    // `tree` is the main window's record tree, whose node the save updates.
    explicit frmEditFolder(TreeNodeTarget& tree);

    // Edits the row of the node keyed `RecordID` ("<IndNum>key"), the
    // selected node: shows the dialog modally with the main window as owner.
    static void Show(const std::string& RecordID, TreeNodeTarget& tree);
};
