// Dragging nodes of the record tree: the drag this tree starts, and the drag
// events of the tree as a drop target. Only the tree's own drags are taken.
#include <QDrag>
#include <QDropEvent>
#include <QMimeData>

#include "app/mainwindow/RecordTree.h"
#include "app/mainwindow/VbEvents.h"
#include "app/trace/Trace.h"

namespace {

// Drop effects as the handlers take them.
constexpr std::int32_t kEffectNone = 0;
constexpr std::int32_t kEffectCopy = 1;
constexpr std::int32_t kEffectMove = 2;
// Drag-over states.
constexpr int kStateEnter = 0;
constexpr int kStateOver = 2;

Qt::DropActions ToActions(std::int32_t effects) {
    Qt::DropActions actions;
    if (effects & kEffectCopy) actions |= Qt::CopyAction;
    if (effects & kEffectMove) actions |= Qt::MoveAction;
    return actions;
}

std::int32_t ToEffect(Qt::DropAction action) {
    switch (action) {
        case Qt::CopyAction:
            return kEffectCopy;
        case Qt::MoveAction:
            return kEffectMove;
        default:
            return kEffectNone;
    }
}

// A drag event's effect, buttons and shift state as the handlers take them.
struct DragArgs {
    std::int32_t effect;
    int button;
    int shift;
};

DragArgs ArgsOf(const QDropEvent* e) {
    return {ToEffect(e->proposedAction()), VbButtons(e->buttons()), VbShift(e->modifiers())};
}

}  // namespace

void RecordTree::OLEDrag() {
    auto* data = new QMimeData;
    std::int32_t allowed = kEffectCopy | kEffectMove;
    if (onOLEStartDrag) onOLEStartDrag(*data, allowed);
    std::int32_t effect = kEffectNone;
    if (const Qt::DropActions actions = ToActions(allowed)) {
        // The drag owns the data, and the drag manager deletes the drag once
        // it has ended.
        auto* drag = new QDrag(this);
        drag->setMimeData(data);
        dragging_ = true;
        const Qt::DropAction taken = drag->exec(actions, Qt::MoveAction);
        dragging_ = false;
        effect = ToEffect(taken);
    } else {
        delete data;
    }
    if (onOLECompleteDrag) onOLECompleteDrag(effect);
}

void RecordTree::CancelOLEDrag() {
    if (dragging_) QDrag::cancel();
}

void RecordTree::DragOverAt(QDragMoveEvent* e, int state) {
    NotePointer(e->position());
    DragArgs a = ArgsOf(e);
    bool defaultCursors = false;
    if (onOLEDragOver) onOLEDragOver(*e->mimeData(), a.effect, a.button, a.shift, PointerX(), PointerY(), state);
    if (onOLEGiveFeedback) onOLEGiveFeedback(a.effect, defaultCursors);
    // A refused point shows the platform's no-drop cursor and takes no drop.
    if (defaultCursors)
        e->acceptProposedAction();
    else
        e->ignore();
}

void RecordTree::dragEnterEvent(QDragEnterEvent* e) try {
    // Data from another window or program (files, text, another copy of the
    // program) is never taken.
    if (e->source() != this) {
        e->ignore();
        return;
    }
    DragOverAt(e, kStateEnter);
    // The tree keeps following the drag even where it refuses the drop.
    e->accept();
}
TRACE_BOUNDARY

void RecordTree::dragMoveEvent(QDragMoveEvent* e) try {
    // The view's own handling scrolls near the edges; it takes no drop.
    QTreeWidget::dragMoveEvent(e);
    if (e->source() != this) {
        e->ignore();
        return;
    }
    DragOverAt(e, kStateOver);
}
TRACE_BOUNDARY

void RecordTree::dragLeaveEvent(QDragLeaveEvent* e) try { QTreeWidget::dragLeaveEvent(e); }
TRACE_BOUNDARY

void RecordTree::dropEvent(QDropEvent* e) try {
    // The view's own drop would move its rows by itself: never called.
    stopAutoScroll();
    if (e->source() != this) {
        e->ignore();
        return;
    }
    NotePointer(e->position());
    DragArgs a = ArgsOf(e);
    if (onOLEDragOver) onOLEDragOver(*e->mimeData(), a.effect, a.button, a.shift, PointerX(), PointerY(), kStateOver);
    if (onOLEDragDrop) onOLEDragDrop(*e->mimeData(), a.effect, a.button, a.shift, PointerX(), PointerY());
    e->acceptProposedAction();
}
TRACE_BOUNDARY
