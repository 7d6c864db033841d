// Moving folders and records by dragging them in the record tree. A drop
// makes the dragged node (with everything below it) the last child of the
// target, changes its row's Parent and writes the user's file once.
//
// What may go where: the root never moves; nothing is dropped onto a record
// (records hold no children), onto the dragged node itself or anywhere below
// it (the subtree would be cut off from the tree and lost on the next load).
// Only the drag this window started moves anything: data dragged in from
// another program or another copy of the program is refused.
//
// The pointer's shape during the drag is the drag's own: where a drop is
// refused the tree refuses the drag there and the platform shows its no-drop
// cursor, so no cursor of the window's own is set or restored.
#include <QCursor>
#include <QMimeData>
#include <utility>

#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "app/core/modMainTree.h"
#include "app/core/modMainUsers.h"
#include "app/mainwindow/RecordTree.h"
#include "app/mainwindow/TreeNodeKinds.h"
#include "app/mainwindow/Twips.h"
#include "app/mainwindow/frmMain.h"
#include "platform/VbStrings.h"

namespace {

// Drop effects.
constexpr std::int32_t kEffectCopy = 1;
constexpr std::int32_t kEffectMove = 2;

}  // namespace

bool frmMain::IsOwnDrag(const QMimeData& Data) const {
    return mbIndrag && !moDragNode.empty() && dragData_ && dragData_.data() == &Data;
}

bool frmMain::CheckPointerState(float x, float y) {
    TRACE("CheckPointerState", TV(x), TV(y));
    QTreeWidgetItem* dragged = trvDatabase->Find(moDragNode);
    if (!dragged || IsRootNode(dragged)) return true;
    // Empty space and the dragged node itself pass here; a drop there moves
    // nothing.
    QTreeWidgetItem* n = trvDatabase->HitTest(x, y);
    if (!n) return false;
    return IsRecordNode(n) || RecordTree::IsBelow(n, dragged);
}

void frmMain::trvDatabase_OLEStartDrag(QMimeData& Data, std::int32_t& AllowedEffects) try {
    TRACE("trvDatabase_OLEStartDrag", TV_EXT(Data), TV(AllowedEffects));
    AllowedEffects = kEffectCopy | kEffectMove;
    Data.clear();
    Data.setText(QString::fromStdString(moDragNode));
    dragData_ = &Data;
}
TRACE_BOUNDARY

void frmMain::trvDatabase_OLEDragOver(const QMimeData& Data, std::int32_t& Effect, int Button, int Shift, float x,
                                      float y, int State) try {
    TRACE("trvDatabase_OLEDragOver", TV_EXT(Data), TV(Effect), TV(Button), TV(Shift), TV(x), TV(y), TV(State));
    if (!IsOwnDrag(Data)) return;
    // Where no drop is allowed the dragged node itself is marked, so no
    // other node looks like a target.
    if (CheckPointerState(x, y))
        trvDatabase->SetDropHighlight(trvDatabase->Find(moDragNode));
    else
        trvDatabase->SetDropHighlight(trvDatabase->HitTest(x, y));
}
TRACE_BOUNDARY

void frmMain::trvDatabase_OLEGiveFeedback(std::int32_t& Effect, bool& DefaultCursors) try {
    TRACE("trvDatabase_OLEGiveFeedback", TV(Effect), TV(DefaultCursors));
    // Where the pointer is now, in twips of the tree.
    const QPoint at = trvDatabase->viewport()->mapFromGlobal(QCursor::pos());
    const float x = static_cast<float>(twips::FromPixels(at.x()));
    const float y = static_cast<float>(twips::FromPixels(at.y()));
    TRACE_LOCAL(x);
    TRACE_LOCAL(y);
    const bool refused = !mbIndrag || !dragData_ || CheckPointerState(x, y);
    DefaultCursors = !refused;
}
TRACE_BOUNDARY

void frmMain::trvDatabase_OLEDragDrop(const QMimeData& Data, std::int32_t& Effect, int Button, int Shift, float x,
                                      float y) try {
    TRACE("trvDatabase_OLEDragDrop", TV_EXT(Data), TV(Effect), TV(Button), TV(Shift), TV(x), TV(y));
    // While an error report is up the program is ending: nothing is saved.
    if (trace::Reporting() || !IsOwnDrag(Data)) return;
    QTreeWidgetItem* dragged = trvDatabase->Find(moDragNode);
    if (!dragged || IsRootNode(dragged)) {
        trvDatabase->SetDropHighlight(nullptr);
        mbIndrag = false;
        moDragNode.clear();
        return;
    }
    QTreeWidgetItem* target = trvDatabase->DropHighlight();
    if (!target) {
        mbIndrag = false;
        return;
    }
    const std::string number = vb::CStr(RecordTree::Number(dragged));
    const std::string parent = vb::CStr(RecordTree::Number(target));
    TRACE_LOCAL(number);
    TRACE_LOCAL(parent);
    const bool bold = RecordTree::Bold(dragged);
    const bool wasSelected = trvDatabase->SelectedItem() == dragged;
    // The tree refuses the node itself and its own subtree as the new parent.
    if (IsRecordNode(target) || !trvDatabase->MoveNode(moDragNode, RecordTree::Key(target))) {
        mbIndrag = false;
        trvDatabase->SetDropHighlight(nullptr);
        return;
    }
    modMain::ChangeDataTableField("IndNum", number, "Parent", parent);
    dropSaved_ = modMain::SaveCurUser();
    RecordTree::SetBold(dragged, bold);
    // The moved node stays the selected one, shown where it went.
    if (wasSelected) trvDatabase->SetSelectedItem(dragged);
    trvDatabase->SetDropHighlight(nullptr);
    mbIndrag = false;
    moDragNode.clear();
}
TRACE_BOUNDARY

void frmMain::trvDatabase_OLECompleteDrag(std::int32_t& Effect) try {
    TRACE("trvDatabase_OLECompleteDrag", TV(Effect));
    // The drag took the button's release: it is no longer armed. A drag that
    // ended anywhere but in a move leaves no node marked, for the node
    // commands act on the marked node.
    mbIndrag = false;
    dragData_ = nullptr;
    trvDatabase->SetDropHighlight(nullptr);
    TellIfNotSaved(std::exchange(dropSaved_, 2));
}
TRACE_BOUNDARY

void frmMain::CancelNodeDrag() {
    TRACE("CancelNodeDrag");
    mbIndrag = false;
    moDragNode.clear();
    dragData_ = nullptr;
    trvDatabase->SetDropHighlight(nullptr);
    trvDatabase->CancelOLEDrag();
}
