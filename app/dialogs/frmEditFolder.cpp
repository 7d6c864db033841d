#include "app/dialogs/frmEditFolder.h"

frmEditFolder::frmEditFolder(RowNodeView& tree) : RowEditDialog("frmEditFolder", RowKind::Folder, 104, tree) {
    setWindowTitle(QStringLiteral("Edit Folder"));
}

void frmEditFolder::Show(const std::string& RecordID, RowNodeView& tree) {
    frmEditFolder dialog(tree);
    dialog.RecordID = RecordID;
    dialog.ShowModal();
}
