// Moving folders and records by dragging them in the record tree: what may
// be dropped where, the row's Parent, the tree, the one write of the user's
// file per move, and data from anywhere but the tree's own drag refused.
//
// The offscreen platform runs no real drag, so the tests play a drag through
// the window's handlers as the tree calls them: the left press, the start,
// the moves over the tree, the drop and the end.
#include <sys/inotify.h>
#include <unistd.h>

#include <QApplication>
#include <QCursor>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <QTreeWidgetItemIterator>
#include <QUrl>
#include <map>

#include "MainWindowFixture.h"
#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "app/core/modMainUsers.h"
#include "app/mainwindow/RecordTree.h"
#include "app/trace/Trace.h"
#include "platform/FileIO.h"

namespace guitest {
namespace {

std::string Key(std::int32_t n) { return std::to_string(n) + "key"; }

// Counts the times a file is replaced in its folder (a save writes a new
// file beside it and renames it over the old one) or written in place.
class WriteCounter {
public:
    WriteCounter(const std::string& folder, std::string name) : name_(std::move(name)) {
        fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (fd_ >= 0) inotify_add_watch(fd_, folder.c_str(), IN_MOVED_TO | IN_CLOSE_WRITE);
    }
    ~WriteCounter() {
        if (fd_ >= 0) close(fd_);
    }
    WriteCounter(const WriteCounter&) = delete;
    WriteCounter& operator=(const WriteCounter&) = delete;

    bool Ok() const { return fd_ >= 0; }
    // The writes since the last call.
    int Take() {
        int count = 0;
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t n = read(fd_, buffer, sizeof buffer);
            if (n <= 0) return count;
            for (ssize_t at = 0; at < n;) {
                const auto* ev = reinterpret_cast<const inotify_event*>(buffer + at);
                if (ev->len > 0 && name_ == ev->name) ++count;
                at += static_cast<ssize_t>(sizeof(inotify_event) + ev->len);
            }
        }
    }

private:
    std::string name_;
    int fd_ = -1;
};

// The test user's rows (see the fixture) and four more: folder 10 "Sites"
// in folder 1, folder 11 in folder 10, record 12 in folder 11, and the empty
// folder 13 under the root.
//
//   root: 13, 3 (7, 8), 2 (6), 1 (10 (11 (12)), 4, 5), 9
class DragDropTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        ASSERT_FALSE(modMain::FullUserLoad(kUser, Md5Text(kPassword)).has_value());
        for (const coretest::Row& row : std::vector<coretest::Row>{
                 {"10", "1", "1", "Sites", "", "", "", "2key", "0|0"},
                 {"11", "10", "1", "Old sites", "", "", "", "2key", "0|0"},
                 {"12", "11", "2", "Deep", "deep", "Deep-Pass-5", "", "1key", "0|0"},
                 {"13", "0", "1", "Empty", "", "", "", "2key", "0|0"},
             })
            coretest::AddRow(*modMain::CurUsDB, row);
        modMain::CurUsDB->SetTblTag(1, "13");
        ASSERT_EQ(modMain::SaveUsDB(modMain::CurUsDB, modMain::GetTruePasw(modMain::CurUsPasw)), 2);
        modMain::UnloadUser();
        StartLoggedIn();
        w->trvDatabase->expandAll();
        ASSERT_EQ(RecordTree::Key(Node(Key(12))->parent()), Key(11));
        writes = std::make_unique<WriteCounter>(databases, std::string(kUser) + ".vdb");
        ASSERT_TRUE(writes->Ok());
    }

    // The middle of a node in twips of the tree; "" for empty space below
    // the last node.
    QPointF At(const std::string& key) {
        RecordTree& tree = *w->trvDatabase;
        QPoint px(20, tree.viewport()->height() - 3);
        if (!key.empty()) {
            tree.scrollToItem(Node(key));
            px = tree.visualItemRect(Node(key)).center();
        } else {
            EXPECT_EQ(tree.itemAt(px), nullptr);
        }
        return QPointF(px) * 15;
    }

    // The left press that arms the drag of `key` and the start of the drag.
    void StartDrag(const std::string& key, QMimeData& data) {
        const QPointF p = At(key);
        w->trvDatabase_MouseDown(1, 0, p.x(), p.y());
        ASSERT_TRUE(w->mbIndrag);
        std::int32_t allowed = 0;
        w->trvDatabase_OLEStartDrag(data, allowed);
        EXPECT_EQ(allowed, 3);
        EXPECT_EQ(data.text().toStdString(), key);
    }

    // The drag moves over `key`; answers whether the tree offers a drop there.
    bool Over(const QMimeData& data, const std::string& key) {
        const QPointF p = At(key);
        // The pointer is there: the feedback looks where it is.
        QCursor::setPos(w->trvDatabase->viewport()->mapToGlobal((p / 15).toPoint()));
        std::int32_t effect = 2;
        w->trvDatabase_OLEDragOver(data, effect, 1, 0, p.x(), p.y(), 2);
        bool defaultCursors = false;
        w->trvDatabase_OLEGiveFeedback(effect, defaultCursors);
        return defaultCursors;
    }

    void Drop(const QMimeData& data, const std::string& key) {
        const QPointF p = At(key);
        std::int32_t effect = 2;
        w->trvDatabase_OLEDragDrop(data, effect, 1, 0, p.x(), p.y());
    }

    void Complete() {
        std::int32_t effect = 2;
        w->trvDatabase_OLECompleteDrag(effect);
    }

    // A whole drag of `key` dropped on `target`, where a drop is offered.
    void DragTo(const std::string& key, const std::string& target) {
        QMimeData data;
        StartDrag(key, data);
        EXPECT_TRUE(Over(data, target));
        Drop(data, target);
        Complete();
    }

    // Every row's Parent by IndNum, in memory or as the user's file holds it.
    std::map<std::string, std::string> Parents() {
        clsDatabase& db = *modMain::CurUsDB;
        std::map<std::string, std::string> parents;
        for (std::int32_t r = 1; r <= db.GetTblRecNum(1); ++r)
            parents[db.GetTblFldValNm(1, r, "IndNum")] = db.GetTblFldValNm(1, r, "Parent");
        return parents;
    }
    std::map<std::string, std::string> StoredParents() {
        auto current = modMain::CurUsDB;
        EXPECT_EQ(modMain::LoadUser(databases + "/" + kUser + ".vdb", modMain::GetTruePasw(modMain::CurUsPasw)), 2);
        auto stored = Parents();
        modMain::CurUsDB = current;
        return stored;
    }
    // Every node's parent key, and its place among its parent's children.
    std::map<std::string, std::pair<std::string, int>> Shape() {
        std::map<std::string, std::pair<std::string, int>> shape;
        for (QTreeWidgetItemIterator it(w->trvDatabase); *it; ++it) {
            QTreeWidgetItem* p = (*it)->parent();
            shape[RecordTree::Key(*it)] = {p ? RecordTree::Key(p) : "", p ? p->indexOfChild(*it) : 0};
        }
        return shape;
    }
    // The rows' parents and the tree's shape, to show that nothing moved
    // and nothing was written since.
    struct Snapshot {
        std::map<std::string, std::string> parents;
        std::map<std::string, std::pair<std::string, int>> shape;
    };
    Snapshot Snap() {
        writes->Take();
        return {Parents(), Shape()};
    }
    void ExpectNothingMoved(const Snapshot& before) {
        EXPECT_EQ(Parents(), before.parents);
        EXPECT_EQ(Shape(), before.shape);
        EXPECT_EQ(writes->Take(), 0);
    }

    std::string Highlight() {
        QTreeWidgetItem* n = w->trvDatabase->DropHighlight();
        return n ? RecordTree::Key(n) : "";
    }

    std::unique_ptr<WriteCounter> writes;
};

struct MoveCase {
    const char* name;
    std::int32_t dragged;  // 0: the root
    const char* target;    // "": empty space
    bool offered;          // the tree offers a drop there
    bool moves;
};

// Allowed: the root, other folders (empty or not, however deep). Refused:
// the root itself, a record, the dragged node and anything below it.
const MoveCase kMoveCases[] = {
    {"FolderToRoot", 10, "0key", true, true},
    {"RecordToFolderWithChildren", 4, "3key", true, true},
    {"RecordToEmptyFolder", 4, "13key", true, true},
    {"FolderWithItsSubtreeToFolder", 1, "2key", true, true},
    {"FolderToDeepFolderElsewhere", 2, "11key", true, true},
    {"DeepRecordToRoot", 12, "0key", true, true},
    {"RootNeverMoves", 0, "2key", false, false},
    {"FolderOntoItself", 1, "1key", true, false},
    {"FolderIntoItsChild", 1, "10key", false, false},
    {"FolderIntoItsGrandchild", 1, "11key", false, false},
    {"FolderOntoARecordBelowIt", 1, "12key", false, false},
    {"FolderOntoARecord", 2, "9key", false, false},
    {"RecordOntoARecord", 4, "5key", false, false},
    {"FolderToEmptySpace", 2, "", true, false},
};

class DropRules : public DragDropTest, public ::testing::WithParamInterface<MoveCase> {};

TEST_P(DropRules, MovesTheNodeAndItsRowOrChangesNothing) {
    const MoveCase& c = GetParam();
    const std::string dragged = Key(c.dragged);
    const Snapshot before = Snap();
    const std::string fileBefore = *plat::ReadWholeFile(databases + "/" + kUser + ".vdb");

    QMimeData data;
    StartDrag(dragged, data);
    EXPECT_EQ(Over(data, c.target), c.offered);
    // Where no drop is allowed the dragged node itself is marked.
    EXPECT_EQ(Highlight(), c.offered ? std::string(c.target) : dragged);
    Drop(data, c.target);
    Complete();

    EXPECT_FALSE(w->mbIndrag);
    EXPECT_EQ(w->trvDatabase->DropHighlight(), nullptr);
    if (!c.moves) {
        ExpectNothingMoved(before);
        EXPECT_EQ(*plat::ReadWholeFile(databases + "/" + kUser + ".vdb"), fileBefore);
        return;
    }
    // The dragged row alone names the target as its parent (the root is 0),
    // in memory and in the file, written once.
    auto expected = before.parents;
    expected[std::to_string(c.dragged)] = std::to_string(RecordTree::Number(Node(c.target)));
    EXPECT_EQ(Parents(), expected);
    EXPECT_EQ(writes->Take(), 1);
    EXPECT_EQ(StoredParents(), expected);
    // In the tree it is the target's last child, with its subtree; every
    // other node keeps its parent.
    QTreeWidgetItem* node = Node(dragged);
    QTreeWidgetItem* target = Node(c.target);
    EXPECT_EQ(node->parent(), target);
    EXPECT_EQ(target->indexOfChild(node), target->childCount() - 1);
    const auto shape = Shape();
    for (const auto& [key, place] : before.shape) {
        if (key == dragged) continue;
        EXPECT_EQ(shape.at(key).first, place.first) << key;
    }
    EXPECT_EQ(w->trvDatabase->SelectedItem(), node);
    EXPECT_TRUE(w->moDragNode.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, DropRules, ::testing::ValuesIn(kMoveCases),
                         [](const ::testing::TestParamInfo<MoveCase>& info) { return info.param.name; });

// A move is written at once; when that write fails the user is told as by
// the save command once the drag is over, and the move stays in memory for a
// later save.
TEST_F(DragDropTest, ADropWhoseSaveFailsTellsTheUser) {
    const std::string file = databases + "/" + kUser + ".vdb";
    const std::string before = *plat::ReadWholeFile(file);
    boxes.clear();
    {
        coretest::ScopedLibraryWriteFaults library(plat::WriteFaults{0, true});
        plat::ScopedWriteFaults program({0, true});
        QMimeData data;
        StartDrag(Key(4), data);
        EXPECT_TRUE(Over(data, Key(3)));
        Drop(data, Key(3));
        EXPECT_TRUE(boxes.empty());
        Complete();
    }
    EXPECT_EQ(*plat::ReadWholeFile(file), before);
    EXPECT_EQ(Node(Key(4))->parent(), Node(Key(3)));
    EXPECT_EQ(Parents()["4"], "3");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].prompt.find("could not be saved"), std::string::npos) << boxes[0].prompt;
    EXPECT_EQ(boxes[0].style, qtplat::vbExclamation);

    // A drop that saves tells nothing.
    boxes.clear();
    DragTo(Key(5), Key(3));
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(StoredParents()["4"], "3");
}

TEST_F(DragDropTest, MovedNodesKeepTheirLookAndOpenSubtree) {
    // Record 6 is red and bold.
    ASSERT_TRUE(RecordTree::Bold(Node(Key(6))));
    const QBrush colour = Node(Key(6))->foreground(0);
    DragTo(Key(6), Key(3));
    EXPECT_EQ(Node(Key(6))->parent(), Node(Key(3)));
    EXPECT_TRUE(RecordTree::Bold(Node(Key(6))));
    EXPECT_EQ(Node(Key(6))->foreground(0), colour);

    Node(Key(11))->setExpanded(false);
    DragTo(Key(1), Key(13));
    EXPECT_EQ(Node(Key(1))->parent(), Node(Key(13)));
    EXPECT_TRUE(Node(Key(1))->isExpanded());
    EXPECT_TRUE(Node(Key(10))->isExpanded());
    EXPECT_FALSE(Node(Key(11))->isExpanded());
    EXPECT_EQ(writes->Take(), 2);
}

// Whatever marked the target, a node never goes into its own subtree: it
// would be cut off from the tree and from the root in the file.
TEST_F(DragDropTest, ANodeNeverGoesIntoItsOwnSubtree) {
    const Snapshot before = Snap();
    RecordTree& tree = *w->trvDatabase;
    for (std::int32_t target : {1, 10, 11, 12}) {
        EXPECT_FALSE(tree.MoveNode(Key(1), Key(target))) << target;
        QMimeData data;
        StartDrag(Key(1), data);
        tree.SetDropHighlight(Node(Key(target)));
        std::int32_t effect = 2;
        w->trvDatabase_OLEDragDrop(data, effect, 1, 0, 0, 0);
        Complete();
    }
    EXPECT_FALSE(tree.MoveNode(Key(1), "99key"));
    ExpectNothingMoved(before);
}

// A drop that arrives while an error report is up (the program is ending)
// moves and saves nothing.
TEST_F(DragDropTest, NoDropWhileAnErrorIsReported) {
    const Snapshot before = Snap();
    QMimeData data;
    StartDrag(Key(10), data);
    ASSERT_TRUE(Over(data, "0key"));
    trace::SetErrorHooks({[&](const std::string&) { Drop(data, "0key"); }, [] { throw tracetest::ProgramEnded{}; }});
    modMain::CurUsDB->SetTblTag(1, "not a number");
    ClickNode("0key");
    ExpectEnds([&] { w->tlbToolbar_ButtonClick(5, "btnAddFolder"); });
    trace::ResetStack();
    modMain::CurUsDB->SetTblTag(1, "13");
    ExpectNothingMoved(before);
}

// A drop is taken once: the same data dropped again (a drop reported twice)
// moves and writes nothing more.
TEST_F(DragDropTest, ADropIsTakenOnce) {
    QMimeData data;
    StartDrag(Key(10), data);
    ASSERT_TRUE(Over(data, "0key"));
    Drop(data, "0key");
    EXPECT_EQ(writes->Take(), 1);
    const Snapshot moved = Snap();
    Over(data, Key(2));
    Drop(data, Key(2));
    Complete();
    ExpectNothingMoved(moved);
}

// Data from anywhere but this tree's own drag (text or files from another
// program, the same node key from another copy of the program) is refused,
// whether or not a drag of the tree is armed.
TEST_F(DragDropTest, DataFromElsewhereIsRefused) {
    QMimeData text;
    text.setText(QString::fromStdString(Key(10)));
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/notes.txt"))});
    const Snapshot before = Snap();

    for (QMimeData* foreign : {&text, &files}) {
        // Nothing armed.
        EXPECT_FALSE(Over(*foreign, "0key"));
        EXPECT_EQ(Highlight(), "");
        Drop(*foreign, "0key");

        // The tree's own drag of node 10 runs and points at the root; the
        // foreign data neither moves the mark nor is dropped.
        QMimeData own;
        StartDrag(Key(10), own);
        ASSERT_TRUE(Over(own, "0key"));
        std::int32_t effect = 2;
        const QPointF p = At(Key(2));
        w->trvDatabase_OLEDragOver(*foreign, effect, 1, 0, p.x(), p.y(), 2);
        EXPECT_EQ(Highlight(), "0key");
        Drop(*foreign, "0key");
        EXPECT_TRUE(w->mbIndrag);
        Complete();
    }
    ExpectNothingMoved(before);
}

// The tree itself refuses drag events whose source is not its own drag,
// even when they carry the data of the drag it runs (taken, they would mark
// the root and move node 10 there).
TEST_F(DragDropTest, TheTreeRefusesDragEventsFromOtherSources) {
    QMimeData own;
    StartDrag(Key(10), own);
    const Snapshot before = Snap();
    QWidget* viewport = w->trvDatabase->viewport();
    const QPoint root = (At("0key") / 15).toPoint();
    QDragEnterEvent enter(root, Qt::CopyAction | Qt::MoveAction, &own, Qt::LeftButton, {});
    QCoreApplication::sendEvent(viewport, &enter);
    EXPECT_FALSE(enter.isAccepted());
    QDragMoveEvent move(root, Qt::CopyAction | Qt::MoveAction, &own, Qt::LeftButton, {});
    QCoreApplication::sendEvent(viewport, &move);
    EXPECT_FALSE(move.isAccepted());
    EXPECT_EQ(Highlight(), "");
    QDropEvent drop(root, Qt::CopyAction | Qt::MoveAction, &own, Qt::LeftButton, {});
    QCoreApplication::sendEvent(viewport, &drop);
    EXPECT_FALSE(drop.isAccepted());
    ExpectNothingMoved(before);
    Complete();
}

// A drag that ends without a move (dropped elsewhere, or Escape) leaves no
// node marked: the node commands would take the marked node as their target.
TEST_F(DragDropTest, ADragEndingWithoutADropLeavesNoTargetMarked) {
    const Snapshot before = Snap();
    QMimeData data;
    StartDrag(Key(4), data);
    ASSERT_TRUE(Over(data, Key(2)));
    ASSERT_EQ(Highlight(), Key(2));
    Complete();
    EXPECT_EQ(Highlight(), "");
    EXPECT_FALSE(w->mbIndrag);
    // The drag's data is dead with it.
    Drop(data, Key(2));
    ExpectNothingMoved(before);
}

// Cancelling (as the lock does before it empties the tree) ends the drag
// and drops nothing; a drag whose node has gone moves nothing either.
TEST_F(DragDropTest, ACancelledDragOrAVanishedNodeMovesNothing) {
    QMimeData data;
    StartDrag(Key(4), data);
    ASSERT_TRUE(Over(data, Key(2)));
    w->CancelNodeDrag();
    EXPECT_FALSE(w->mbIndrag);
    EXPECT_TRUE(w->moDragNode.empty());
    EXPECT_EQ(Highlight(), "");
    Drop(data, Key(2));
    Complete();

    QMimeData again;
    StartDrag(Key(5), again);
    ASSERT_TRUE(Over(again, Key(2)));
    w->trvDatabase->RemoveNode(Key(5));
    Drop(again, Key(2));
    Complete();
    EXPECT_EQ(Parents().at("4"), "1");
    EXPECT_EQ(Parents().at("5"), "1");
    EXPECT_EQ(writes->Take(), 0);
}

// With the left button held a move shorter than the platform's drag
// distance is still a click; a longer one runs the drag (which ends at once
// offscreen), and the node passed over never takes the selection.
TEST_F(DragDropTest, TheMouseStartsADragOnlyPastTheDragDistance) {
    QWidget* viewport = w->trvDatabase->viewport();
    const QPoint record = (At(Key(4)) / 15).toPoint();
    QTest::mousePress(viewport, Qt::LeftButton, {}, record);
    ASSERT_TRUE(w->mbIndrag);
    QTest::mouseMove(viewport, record + QPoint(1, 0));
    EXPECT_TRUE(w->mbIndrag);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, record + QPoint(1, 0));
    EXPECT_EQ(w->SelectedRec, 4);

    const QPoint below = (At(Key(5)) / 15).toPoint();
    ASSERT_GT(below.y() - record.y(), QApplication::startDragDistance());
    QTest::mousePress(viewport, Qt::LeftButton, {}, record);
    QTest::mouseMove(viewport, below);
    EXPECT_FALSE(w->mbIndrag);
    EXPECT_EQ(w->trvDatabase->SelectedItem(), Node(Key(4)));
    EXPECT_EQ(Highlight(), "");
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, below);
    EXPECT_EQ(Parents().at("4"), "1");
    EXPECT_EQ(writes->Take(), 0);
}

}  // namespace
}  // namespace guitest
