#include "app/dialogs/frmEditFolder.h"

frmEditFolder::frmEditFolder(TreeNodeTarget& tree) : RowEditDialog("frmEditFolder", RowKind::Folder, 104, tree) {
    setWindowTitle(QStringLiteral("Edit Folder"));
}

void frmEditFolder::Show(const std::string& RecordID, TreeNodeTarget& tree) {
    frmEditFolder dialog(tree);
    dialog.RecordID = RecordID;
    dialog.ShowModal();
}
