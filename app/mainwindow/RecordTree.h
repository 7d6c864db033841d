#pragma once
// The record tree control (trvDatabase): a tree of nodes, each with a unique
// key, a text, an image key and a tag, kept in the manner of the tree control
// the windows were written against: nodes are added relative to another node,
// found by key, drop-highlighted apart from the selection, hit-tested in
// twips, and renamed through a label edit that the owner may refuse.
//
// The control reports mouse, key, label-edit and drag events through
// callbacks with the arguments the window's handlers take (buttons 1/2, shift
// bits, twips, key codes, drop effects); it starts no command of its own.
#include <QBrush>
#include <QFont>
#include <QTreeWidget>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "app/core/CoreView.h"
#include "app/mainwindow/ImageList.h"
#include "app/mainwindow/RecordTreeIndex.h"
#include "app/mainwindow/RecordTreeLook.h"

class QMimeData;

class RecordTree : public QTreeWidget {
public:
    // Where a new node goes relative to its relative node.
    enum Relationship { tvwFirst = 0, tvwLast = 1, tvwNext = 2, tvwPrevious = 3, tvwChild = 4 };

    explicit RecordTree(QWidget* parent = nullptr);

    // The pictures the nodes' image keys name; an unknown key shows none.
    void SetImageList(const ImageList* images);

    // Adds a node. With no relative key the node is a top-level node
    // (appended). Raises run-time error 35602 for a key already in use and
    // 35601 for a relative key that is not there.
    QTreeWidgetItem* AddNode(const std::string& relativeKey, Relationship relationship, const std::string& key,
                             const std::string& text, const std::string& image);
    // Adds a node of the core's tree with everything it shows (text,
    // picture, tag, colour, bold) as the last child of parentKey, or as a
    // top-level node when parentKey is empty. Errors as AddNode.
    QTreeWidgetItem* AddTreeNode(const std::string& parentKey, const TreeNode& node);
    // Between BeginFill and EndFill the top-level nodes AddTreeNode adds wait
    // outside the tree, so their subtrees are built without the view hearing
    // of each node; EndFill puts them in, in the order they were added. Find
    // and the node data work on them meanwhile; AddNode, RemoveNode and
    // MoveNode end the fill first.
    void BeginFill();
    void EndFill() noexcept;
    // Removes the node with its subtree; nothing when the key is not there.
    void RemoveNode(const std::string& key);
    // Moves the node with its subtree to the end of newParent's children,
    // keeping which of its nodes are open. Refused (false, nothing changes)
    // when either key is not there, or when newParent is the node itself or
    // lies below it: the subtree would be cut off from the tree.
    bool MoveNode(const std::string& key, const std::string& newParentKey);
    // True when `node` lies strictly below `ancestor`.
    static bool IsBelow(const QTreeWidgetItem* node, const QTreeWidgetItem* ancestor);
    // Removes every node.
    void ClearNodes();
    QTreeWidgetItem* Find(const std::string& key) const;
    int NodeCount() const { return static_cast<int>(byKey_.Size()); }

    // The node data. Keys and texts are ANSI code-page bytes.
    static std::string Key(const QTreeWidgetItem* node);
    static std::string Tag(const QTreeWidgetItem* node);
    static void SetTag(QTreeWidgetItem* node, const std::string& tag);
    // The tag read as a number (Val), as the window compares it.
    static double TagValue(const QTreeWidgetItem* node);
    // The node's number: the leading decimal number of its key.
    static std::int32_t Number(const QTreeWidgetItem* node);
    static std::string Text(const QTreeWidgetItem* node);
    void SetText(QTreeWidgetItem* node, const std::string& text);
    std::string Image(const QTreeWidgetItem* node) const;
    void SetImage(QTreeWidgetItem* node, const std::string& image);
    static bool Bold(const QTreeWidgetItem* node);
    static void SetBold(QTreeWidgetItem* node, bool bold);
    // Text colour as a colour value: red in the low byte, then green, blue.
    static void SetForeColor(QTreeWidgetItem* node, std::int32_t colour);

    QTreeWidgetItem* SelectedItem() const;
    void SetSelectedItem(QTreeWidgetItem* node);
    // The drop-highlighted node (the target of the node commands); by key,
    // so a removed node is never left highlighted.
    QTreeWidgetItem* DropHighlight() const;
    void SetDropHighlight(QTreeWidgetItem* node);
    // The node at (x, y) twips of the tree's client area, or nullptr.
    QTreeWidgetItem* HitTest(float x, float y) const;
    // Starts the label edit of a node.
    void StartLabelEdit(QTreeWidgetItem* node);
    // Where the pointer was at the last mouse event, in twips.
    float PointerX() const { return pointerX_; }
    float PointerY() const { return pointerY_; }

    // The events. Buttons: 1 left, 2 right, 4 middle; shift bits: 1 Shift,
    // 2 Ctrl, 4 Alt; positions in twips.
    std::function<void(int button, int shift, float x, float y)> onMouseDown;
    std::function<void(int button, int shift, float x, float y)> onMouseMove;
    std::function<void(int button, int shift, float x, float y)> onMouseUp;
    std::function<void()> onClick;
    std::function<void()> onDblClick;
    std::function<void(int keyCode, int shift)> onKeyUp;
    // A finished label edit of `node`: the window stores the new text and
    // answers whether the node takes it (false keeps the old text). Escape
    // ends the edit without it.
    std::function<bool(QTreeWidgetItem* node, const QString& newString)> onAfterLabelEdit;

    // Dragging. OLEDrag runs a drag of this tree's data and returns when the
    // drag has ended: onOLEStartDrag fills the data and the allowed effects
    // (1 copy, 2 move), onOLECompleteDrag is told the effect taken (0 none).
    // While the drag is over the tree, onOLEDragOver (state 0 enter, 2 over)
    // then onOLEGiveFeedback run at each move; the tree takes a drop at that
    // point only while the feedback leaves the default cursors on. A drop
    // runs onOLEDragOver at its point, then onOLEDragDrop. Only drags this
    // tree started reach these handlers: data dragged in from another window
    // or program is refused before them.
    void OLEDrag();
    // Ends the drag OLEDrag runs, as if the user had pressed Escape.
    void CancelOLEDrag();
    std::function<void(QMimeData& data, std::int32_t& allowedEffects)> onOLEStartDrag;
    std::function<void(const QMimeData& data, std::int32_t& effect, int button, int shift, float x, float y, int state)>
        onOLEDragOver;
    std::function<void(std::int32_t& effect, bool& defaultCursors)> onOLEGiveFeedback;
    std::function<void(const QMimeData& data, std::int32_t& effect, int button, int shift, float x, float y)>
        onOLEDragDrop;
    std::function<void(std::int32_t& effect)> onOLECompleteDrag;

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dragLeaveEvent(QDragLeaveEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    friend class RecordTreeDelegate;
    // A new node with its key, text and picture, entered under its key but
    // not yet in the tree; raises the error of a key already in use.
    QTreeWidgetItem* NewNode(const std::string& key, const std::string& text, RecordTreeLookRef look);
    // The node of relativeKey (nullptr for ""); raises the error of a key
    // that is not there.
    QTreeWidgetItem* Relative(const std::string& relativeKey) const;
    void Insert(QTreeWidgetItem* node, QTreeWidgetItem* relative, Relationship relationship);
    // The text of an image key and its picture, made once per key: most
    // nodes share a few pictures, and shared values cost one copy.
    struct Picture {
        QString key;
        QIcon icon;
    };
    const Picture& PictureOf(const std::string& image);
    // A look that holds just the image key and its picture.
    RecordTreeLook PictureLook(const std::string& image);
    // The whole look of a node of the core's tree, made once for each
    // picture, tag, colour and weight: a fill of 100,000 nodes meets a
    // handful of them.
    const RecordTreeLookRef& LookOf(const TreeNode& node);
    struct LookKey {
        std::string image;
        std::string tag;
        std::int32_t colour;
        bool bold;
        bool operator==(const LookKey&) const = default;
    };
    struct LookKeyHash {
        std::size_t operator()(const LookKey& k) const {
            const std::hash<std::string> h;
            return h(k.image) ^ (h(k.tag) << 1) ^ (static_cast<std::size_t>(k.colour) << 2) ^ k.bold;
        }
    };
    const QString& SharedTag(const std::string& tag);
    const QBrush& BrushOf(std::int32_t colour);
    const QFont& FontOf(bool bold);
    void Forget(QTreeWidgetItem* node);
    // The key the index reads from a node it holds.
    static std::string_view IndexKey(const QTreeWidgetItem* node);
    bool CommitLabel(QTreeWidgetItem* node, const QString& text);
    void NotePointer(const QPointF& pos);
    // Runs the drag-over and feedback handlers for a drag of this tree at
    // the event's point and accepts or refuses a drop there.
    void DragOverAt(QDragMoveEvent* e, int state);

    const ImageList* images_ = nullptr;
    RecordTreeIndex byKey_{&RecordTree::IndexKey};
    QTreeWidgetItem* lastParent_ = nullptr;  // the node of lastParentKey_, or none
    std::string lastParentKey_;
    bool filling_ = false;
    QList<QTreeWidgetItem*> held_;  // top-level nodes added while filling
    std::unordered_map<std::string, Picture> pictures_;
    std::unordered_map<std::string, QString> tags_;
    std::unordered_map<std::int32_t, QBrush> brushes_;
    QFont fontBase_;  // the default font the two below were made from
    QFont fonts_[2];  // plain, bold
    std::unordered_map<LookKey, RecordTreeLookRef, LookKeyHash> looks_;  // made with these pictures and fonts
    std::string dropHighlight_;
    bool dragging_ = false;  // OLEDrag's drag is running
    float pointerX_ = 0;
    float pointerY_ = 0;
};
