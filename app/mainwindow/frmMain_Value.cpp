// The value box with its copy commands, the edit and rename commands, and
// what the core shows through the window (the tree, the value box, the
// toolbar).
#include <QMenu>
#include <QTextCursor>
#include <QTextEdit>

#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "app/core/modMainTree.h"
#include "app/mainwindow/RecordTree.h"
#include "app/mainwindow/Twips.h"
#include "app/mainwindow/frmMain.h"
#include "platform/VbStrings.h"
#include "platform/qt/AnsiText.h"
#include "platform/qt/Clipboard.h"

namespace {

QColor Colour(std::int32_t value) {
    const auto c = static_cast<std::uint32_t>(value);
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}

}  // namespace

void frmMain::txtValue_MouseDown(int Button, int Shift, float X, float Y) try {
    TRACE("txtValue_MouseDown", TV(Button), TV(Shift), TV(X), TV(Y));
    if (Button != 2) return;
    mnuContextVal->exec(txtValue->viewport()->mapToGlobal(QPoint(twips::ToPixels(X), twips::ToPixels(Y))));
}
TRACE_BOUNDARY

void frmMain::CopyField(const char* fieldName) {
    if (txtValue->toPlainText().isEmpty()) return;
    clsDatabase& db = *modMain::CurUsDB;
    const std::int32_t tbl = db.FindTable(modMain::kDataTable);
    const std::int32_t fld = db.FindField(tbl, "IndNum");
    std::int32_t start = 0;
    const std::int32_t row = db.GetRecNumFromVal(tbl, fld, vb::CStr(SelectedRec), start);
    // The record shown may have been deleted since: then there is nothing to
    // copy and the clipboard keeps what it holds.
    if (row <= 0) return;
    const trace::Secret value = db.GetTblFldValNm(tbl, row, fieldName);
    qtplat::SetSecretClipboardText(qtplat::AnsiToQString(value.str()));
}

void frmMain::mnuContextValCopyPasw_Click() try {
    TRACE("mnuContextValCopyPasw_Click");
    CopyField("Password");
}
TRACE_BOUNDARY

void frmMain::mnuContextValCopyLog_Click() try {
    TRACE("mnuContextValCopyLog_Click");
    CopyField("Login");
}
TRACE_BOUNDARY

void frmMain::mnuContextValCopyTit_Click() try {
    TRACE("mnuContextValCopyTit_Click");
    CopyField("Title");
}
TRACE_BOUNDARY

void frmMain::mnuContextValCopyDesc_Click() try {
    TRACE("mnuContextValCopyDesc_Click");
    CopyField("Description");
}
TRACE_BOUNDARY

void frmMain::mnuContextTrvEdit_Click() try {
    TRACE("mnuContextTrvEdit_Click");
    QTreeWidgetItem* node = trvDatabase->DropHighlight();
    if (!node) node = trvDatabase->SelectedItem();
    if (!node) return;
    trvDatabase->SetSelectedItem(node);
    const std::string key = RecordTree::Key(node);
    if (RecordTree::TagValue(node) == 2) {
        ShowDialog("frmEditRecord", key);
        trvDatabase_Click();
    } else {
        ShowDialog("frmEditFolder", key);
    }
}
TRACE_BOUNDARY

void frmMain::mnuContextTrvRename_Click() try {
    TRACE("mnuContextTrvRename_Click");
    QTreeWidgetItem* node = trvDatabase->DropHighlight();
    if (!node) node = trvDatabase->SelectedItem();
    if (!node) return;
    trvDatabase->StartLabelEdit(node);
}
TRACE_BOUNDARY

// ---- What the core shows through the window ----

void frmMain::ClearTree() {
    trvDatabase->ClearNodes();
    // The counts were of a node of this tree.
    SetStatusText({});
}

void frmMain::AddTreeNode(const std::string& parentKey, const TreeNode& node) {
    trvDatabase->AddTreeNode(parentKey, node);
}

void frmMain::BeginTreeFill() { trvDatabase->BeginFill(); }

void frmMain::EndTreeFill() noexcept { trvDatabase->EndFill(); }

void frmMain::ExpandTreeNode(const std::string& key) {
    if (QTreeWidgetItem* item = trvDatabase->Find(key)) item->setExpanded(true);
}

void frmMain::SelectTreeNode(const std::string& key) {
    if (QTreeWidgetItem* item = trvDatabase->Find(key)) trvDatabase->SetSelectedItem(item);
}

void frmMain::ClearValueBox() { txtValue->clear(); }

void frmMain::AppendValueText(const std::string& text, std::int32_t colour, std::int32_t styleBits) {
    QTextCursor cursor(txtValue->document());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat format;
    format.setForeground(Colour(colour));
    format.setFontItalic((styleBits & kStyleItalic) != 0);
    format.setFontUnderline((styleBits & kStyleUnderline) != 0);
    format.setFontWeight((styleBits & kStyleBold) != 0 ? QFont::Bold : QFont::Normal);
    cursor.insertText(qtplat::AnsiToQString(vb::Replace(text, "\r\n", "\n")), format);
    txtValue->moveCursor(QTextCursor::Start);
}

void frmMain::EnableToolbarButton(const std::string& key, bool enabled) { EnableButton(key, enabled); }
