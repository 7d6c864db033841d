#include "app/dialogs/frmEditRecord.h"

frmEditRecord::frmEditRecord(RowNodeView& tree) : RowEditDialog("frmEditRecord", RowKind::Record, 105, tree) {
    setWindowTitle(QStringLiteral("Edit Record"));
}

void frmEditRecord::Show(const std::string& RecordID, RowNodeView& tree) {
    frmEditRecord dialog(tree);
    dialog.RecordID = RecordID;
    dialog.ShowModal();
}
