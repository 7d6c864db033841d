#include "app/dialogs/frmEditRecord.h"

frmEditRecord::frmEditRecord(TreeNodeTarget& tree) : RowEditDialog("frmEditRecord", RowKind::Record, 105, tree) {
    setWindowTitle(QStringLiteral("Edit Record"));
}

void frmEditRecord::Show(const std::string& RecordID, TreeNodeTarget& tree) {
    frmEditRecord dialog(tree);
    dialog.RecordID = RecordID;
    dialog.ShowModal();
}
