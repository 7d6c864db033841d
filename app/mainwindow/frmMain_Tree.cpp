// The record tree's events and its node commands: add and delete folders
// and records.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QTextEdit>

#include "app/core/TreeKeys.h"
#include "app/core/clsDatabase.h"
#include "app/core/modLang.h"
#include "app/core/modMain.h"
#include "app/core/modMainDisplay.h"
#include "app/core/modMainTree.h"
#include "app/dialogs/VbDialog.h"
#include "app/mainwindow/RecordTree.h"
#include "app/mainwindow/TreeNodeKinds.h"
#include "app/mainwindow/Twips.h"
#include "app/mainwindow/frmMain.h"
#include "platform/VbStrings.h"
#include "platform/qt/AnsiText.h"
#include "platform/qt/Desktop.h"

namespace {

constexpr int kKeyInsert = 45;
constexpr int kKeyDelete = 46;

}  // namespace

void frmMain::SetStatusText(const std::string& text) { stbStatusBarPanel1->setText(qtplat::AnsiToQString(text)); }

void frmMain::trvDatabaseClick() try {
    TRACE("trvDatabaseClick");
    trvDatabase_Click();
}
TRACE_BOUNDARY

std::int32_t frmMain::CheckPointedNode(float x, float y) {
    TRACE("CheckPointedNode", TV(x), TV(y));
    return trvDatabase->HitTest(x, y) ? 1 : -1;
}

void frmMain::trvDatabase_Click() try {
    TRACE("trvDatabase_Click");
    if (trvDatabase->NodeCount() == 0) return;
    QTreeWidgetItem* selected = trvDatabase->SelectedItem();
    if (!selected) return;
    const std::int32_t n = RecordTree::Number(selected);
    TRACE_LOCAL(n);
    clsDatabase& db = *modMain::CurUsDB;
    const std::int32_t tbl = db.FindTable(modMain::kDataTable);
    const std::int32_t fld = db.FindField(tbl, "IndNum");
    std::int32_t start = 0;
    const std::int32_t row = db.GetRecNumFromVal(tbl, fld, vb::CStr(n), start);
    TRACE_LOCAL(row);
    if (row > 0 && modMain::RowTypeIs(db.GetTblFldValNm(tbl, row, "Type"), 2)) {
        SelectedRec = n;
        ClearValueBox();
        modMain::ShowDataInTextBox(db, row, tbl, *this);
    }
    if (IsRecordNode(selected)) {
        EnableButton("btnDelRec", true);
        EnableButton("btnDelFolder", false);
        EnableButton("btnAddFolder", false);
        EnableButton("btnAddRec", false);
    } else {
        ClearValueBox();
        EnableButton("btnDelRec", false);
        EnableButton("btnDelFolder", true);
        EnableButton("btnAddFolder", true);
        EnableButton("btnAddRec", true);
    }
    if (IsRootNode(selected)) {
        EnableButton("btnDelFolder", false);
        EnableButton("btnDelRec", false);
    }
    std::int32_t folders = 0;
    std::int32_t records = 0;
    modMain::GetStatBarData(db, vb::CStr(n), folders, records);
    SetStatusText(modLang::Texts(111) + " " + vb::CStr(folders) + ", " + modLang::Texts(112) + " " + vb::CStr(records));
}
TRACE_BOUNDARY

void frmMain::trvDatabase_AfterLabelEdit(QTreeWidgetItem* node, std::int32_t& Cancel, const QString& NewString) try {
    TRACE("trvDatabase_AfterLabelEdit", TV(Cancel));
    QString unmappable;
    const std::optional<std::string> text = qtplat::QStringToAnsi(NewString, &unmappable);
    if (!text) {
        // Never stored as "?": the user is told and the old name stays.
        qtplat::MsgBox(VbDialog::NotStorableText("name", &unmappable), qtplat::vbExclamation);
        Cancel = 1;
        return;
    }
    if (!IsRootNode(node))
        modMain::ChangeDataTableField("IndNum", vb::CStr(RecordTree::Number(node)), "Title", *text);
    else
        modMain::CurUsDB->Tag(*text);
}
TRACE_BOUNDARY

void frmMain::trvDatabase_DblClick() try {
    TRACE("trvDatabase_DblClick");
    if (trvDatabase->NodeCount() == 0) return;
    QTreeWidgetItem* hit = trvDatabase->HitTest(trvDatabase->PointerX(), trvDatabase->PointerY());
    QTreeWidgetItem* selected = trvDatabase->SelectedItem();
    // A double click on a folder or the root only opens or closes it.
    if (hit && hit == selected && IsRecordNode(selected)) {
        trvDatabase->SetDropHighlight(selected);
        mnuContextTrvEdit_Click();
    }
}
TRACE_BOUNDARY

void frmMain::trvDatabase_KeyUp(int KeyCode, int Shift) try {
    TRACE("trvDatabase_KeyUp", TV(KeyCode), TV(Shift));
    if (trvDatabase->NodeCount() == 0) return;
    QTreeWidgetItem* selected = trvDatabase->SelectedItem();
    if (!selected) return;
    if (KeyCode == kKeyInsert && (RecordTree::TagValue(selected) == 1 || IsRootNode(selected))) {
        trvDatabase->SetDropHighlight(selected);
        mnuContextTrvAddRec_Click();
    } else if (KeyCode == kKeyDelete && !IsRootNode(selected)) {
        trvDatabase->SetDropHighlight(selected);
        mnuContextTrvDelFolder_Click();
    }
}
TRACE_BOUNDARY

void frmMain::trvDatabase_MouseDown(int Button, int Shift, float x, float y) try {
    TRACE("trvDatabase_MouseDown", TV(Button), TV(Shift), TV(x), TV(y));
    trvDatabase->SetDropHighlight(trvDatabase->HitTest(x, y));
    const std::int32_t r = CheckPointedNode(x, y);
    TRACE_LOCAL(r);
    if (Button == 1 && r == 1) {
        QTreeWidgetItem* node = trvDatabase->HitTest(x, y);
        trvDatabase->SetSelectedItem(node);
        moDragNode = RecordTree::Key(node);
        mbIndrag = true;
        dragFromX_ = x;
        dragFromY_ = y;
    } else if (Button == 2 && trvDatabase->DropHighlight()) {
        QTreeWidgetItem* target = trvDatabase->DropHighlight();
        const bool record = IsRecordNode(target);
        Enable(mnuContextTrvAddFolder, !record);
        Enable(mnuContextTrvDelFolder, !record);
        Enable(mnuContextTrvAddRec, !record);
        Enable(mnuContextTrvDelRec, record);
        if (IsRootNode(target)) {
            Enable(mnuContextTrvDelFolder, false);
            Enable(mnuContextTrvEdit, false);
        } else {
            Enable(mnuContextTrvEdit, true);
        }
        // The chosen command runs before the menu returns.
        mnuContextTrv->exec(trvDatabase->viewport()->mapToGlobal(QPoint(twips::ToPixels(x), twips::ToPixels(y))));
    }
    trvDatabase->SetDropHighlight(nullptr);
}
TRACE_BOUNDARY

void frmMain::trvDatabase_MouseMove(int Button, int Shift, float x, float y) try {
    TRACE("trvDatabase_MouseMove", TV(Button), TV(Shift), TV(x), TV(y));
    // The drag starts once the pointer has gone the platform's drag distance
    // from the press with the left button held; a smaller move is a click.
    if (!mbIndrag || !(Button & 1)) return;
    const QPoint moved(twips::ToPixels(x - dragFromX_), twips::ToPixels(y - dragFromY_));
    if (moved.manhattanLength() < QApplication::startDragDistance()) return;
    trvDatabase->OLEDrag();
}
TRACE_BOUNDARY

void frmMain::trvDatabase_MouseUp(int Button, int Shift, float x, float y) try {
    TRACE("trvDatabase_MouseUp", TV(Button), TV(Shift), TV(x), TV(y));
    mbIndrag = false;
}
TRACE_BOUNDARY

void frmMain::mnuContextTrvAddFolder_Click() try {
    TRACE("mnuContextTrvAddFolder_Click");
    QTreeWidgetItem* target = trvDatabase->DropHighlight();
    if (!target) return;
    clsDatabase& db = *modMain::CurUsDB;
    // Refused before the node is made, so the tree never shows a folder the
    // database does not hold.
    if (modMain::TellRowRefusal(db, true, "frmMain")) return;
    const std::int32_t tbl = db.FindTable(modMain::kDataTable);
    db.SetTblTag(tbl, vb::CStr(vb::CLng(db.GetTblTag(tbl)) + 1));
    const std::string n = db.GetTblTag(tbl);
    TRACE_LOCAL(n);
    const std::string name = modMain::NewFolderText();
    QTreeWidgetItem* node = trvDatabase->AddNode(RecordTree::Key(target), RecordTree::tvwChild, modMain::NodeKey(n),
                                                 name, modMain::kFolderImage);
    RecordTree::SetTag(node, "1");
    modMain::AddFolderToDB(name, RecordTree::Number(target), n);
    trvDatabase->StartLabelEdit(node);
}
TRACE_BOUNDARY

void frmMain::mnuContextTrvDelFolder_Click() try {
    TRACE("mnuContextTrvDelFolder_Click");
    QTreeWidgetItem* target = trvDatabase->DropHighlight();
    if (!target) return;
    const std::string key = RecordTree::Key(target);
    const std::int32_t number = RecordTree::Number(target);
    if (qtplat::MsgBox(modLang::Texts(17) + " \"" + RecordTree::Text(target) + "\"",
                       qtplat::vbYesNo | qtplat::vbQuestion) != qtplat::vbYes)
        return;
    // The node is looked up again: it may have gone while the question was open.
    if (!trvDatabase->Find(key)) return;
    modMain::DelRecordTreeFromDataTable("IndNum", vb::CStr(number), "Parent");
    trvDatabase->RemoveNode(key);
}
TRACE_BOUNDARY

void frmMain::mnuContextTrvDelRec_Click() try {
    TRACE("mnuContextTrvDelRec_Click");
    mnuContextTrvDelFolder_Click();
}
TRACE_BOUNDARY

void frmMain::mnuContextTrvAddRec_Click() try {
    TRACE("mnuContextTrvAddRec_Click");
    modMain::DbgPrint("FUNC: mnuContextTrvAddRec_Click");
    QTreeWidgetItem* target = trvDatabase->DropHighlight();
    if (!target) return;
    const std::string rParent = vb::CStr(RecordTree::Number(target));
    modMain::DbgPrint("FUNC: mnuContextTrvAddRec_Click 1");
    ShowDialog("frmAddRecord", rParent);
    modMain::DbgPrint("FUNC: mnuContextTrvAddRec_Click 2");
}
TRACE_BOUNDARY
