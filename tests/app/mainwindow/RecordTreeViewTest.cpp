// The record tree and the value box with the sample user loaded: clicks,
// the copy commands, adding, renaming and deleting folders and records.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPixmap>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <functional>

#include "MainWindowFixture.h"
#include "ScopedEnv.h"
#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "app/core/modMainTree.h"
#include "app/core/modMainUsers.h"
#include "app/mainwindow/RecordTree.h"
#include "platform/CodePage.h"
#include "platform/VbError.h"
#include "platform/qt/AnsiText.h"

namespace guitest {
namespace {

// The test user's rows by IndNum (see the fixture): folder 1 holds the
// records 4 and 5; record 8 has an empty login.
constexpr std::int32_t kFolder = 1;
constexpr std::int32_t kRecord = 4;

std::string Key(std::int32_t n) { return std::to_string(n) + "key"; }

// A record's node as the core adds it.
TreeNode RecordNode(const std::string& key, const std::string& text, const std::string& image) {
    TreeNode node;
    node.key = key;
    node.text = text;
    node.image = image;
    node.tag = "2";
    return node;
}

class TreeViewTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        StartLoggedIn();
        ASSERT_EQ(RowField(kFolder, "Type"), "1");
        ASSERT_EQ(RowField(kRecord, "Type"), "2");
        ASSERT_EQ(RowField(kRecord, "Parent"), std::to_string(kFolder));
    }

    // The open label editor, after a rename or a new folder started one.
    QString Clipboard() { return QApplication::clipboard()->text(); }
    std::string Status() { return w->stbStatusBarPanel1->text().toStdString(); }
};

TEST_F(TreeViewTest, ClickingARecordShowsItsFieldsAndAFolderEmptiesTheBox) {
    ClickNode(Key(kRecord));
    EXPECT_EQ(w->SelectedRec, kRecord);
    const QString shown = w->txtValue->toPlainText();
    // Captions are texts 13-16 of the language; internal columns are not shown.
    for (const char* field : {"Title", "Login", "Password", "Description"})
        EXPECT_TRUE(shown.contains(qtplat::AnsiToQString(*RowField(kRecord, field)))) << field;
    EXPECT_TRUE(shown.startsWith(QStringLiteral("T13:\nExample forum\n\nT14:\n")));
    EXPECT_FALSE(shown.contains(QStringLiteral("IndNum")));
    EXPECT_TRUE(w->ToolbarButton("btnDelRec")->isEnabled());
    EXPECT_FALSE(w->ToolbarButton("btnDelFolder")->isEnabled());
    EXPECT_FALSE(w->ToolbarButton("btnAddFolder")->isEnabled());

    ClickNode(Key(kFolder));
    EXPECT_TRUE(w->txtValue->toPlainText().isEmpty());
    EXPECT_EQ(w->SelectedRec, kRecord);
    EXPECT_FALSE(w->ToolbarButton("btnDelRec")->isEnabled());
    EXPECT_TRUE(w->ToolbarButton("btnDelFolder")->isEnabled());

    ClickNode("0key");
    EXPECT_FALSE(w->ToolbarButton("btnDelFolder")->isEnabled());
    EXPECT_FALSE(w->ToolbarButton("btnDelRec")->isEnabled());
    EXPECT_TRUE(w->ToolbarButton("btnAddFolder")->isEnabled());
}

TEST_F(TreeViewTest, AMouseClickReachesTheClickHandler) {
    QTreeWidgetItem* node = Node(Key(kRecord));
    w->trvDatabase->scrollToItem(node);
    QTest::mouseClick(w->trvDatabase->viewport(), Qt::LeftButton, {}, w->trvDatabase->visualItemRect(node).center());
    EXPECT_EQ(w->trvDatabase->SelectedItem(), node);
    EXPECT_EQ(w->SelectedRec, kRecord);
    EXPECT_FALSE(w->txtValue->toPlainText().isEmpty());
    EXPECT_FALSE(w->mbIndrag);
}

TEST_F(TreeViewTest, StatusBarCountsTheDirectChildren) {
    // Folders and records directly under the root and under folder 1.
    auto count = [](const std::string& parent) {
        clsDatabase& db = *modMain::CurUsDB;
        std::pair<int, int> n{0, 0};
        for (std::int32_t r = 1; r <= db.GetTblRecNum(1); ++r) {
            if (db.GetTblFldValNm(1, r, "Parent") != parent) continue;
            (db.GetTblFldValNm(1, r, "Type") == "2" ? n.second : n.first)++;
        }
        return n;
    };
    ClickNode("0key");
    auto [folders, records] = count("0");
    EXPECT_EQ(Status(), "T111 " + std::to_string(folders) + ", T112 " + std::to_string(records));
    ClickNode(Key(kFolder));
    std::tie(folders, records) = count(std::to_string(kFolder));
    EXPECT_EQ(Status(), "T111 " + std::to_string(folders) + ", T112 " + std::to_string(records));
}

// The counts belong to the tree they were taken from: when the tree is
// emptied (another user logs in, the user logs out) they go with it.
TEST_F(TreeViewTest, StatusBarCountsGoWithTheirTree) {
    ClickNode("0key");
    ASSERT_FALSE(Status().empty());
    ASSERT_EQ(modMain::AddUser(modMain::UserFilePath("Other"), "Other", trace::Secret("other-pass-2")),
              modMain::kUserCreated);
    ASSERT_FALSE(modMain::FullUserLoad("Other", Md5Text("other-pass-2")).has_value());
    EXPECT_EQ(modMain::CurUser, "Other");
    EXPECT_EQ(Status(), "");
    ClickNode("0key");
    EXPECT_EQ(Status(), "T111 0, T112 0");
    modMain::UnloadUser();
    EXPECT_EQ(Status(), "");
}

// Each copy command puts its field of the shown record on the clipboard,
// taken from the row, marked as a secret for clipboard managers.
TEST_F(TreeViewTest, CopyCommandsPutTheRowsFieldOnTheClipboard) {
    ClickNode(Key(kRecord));
    const std::vector<std::pair<QAction*, const char*>> commands = {{w->mnuContextValCopyPasw, "Password"},
                                                                    {w->mnuContextValCopyLog, "Login"},
                                                                    {w->mnuContextValCopyTit, "Title"},
                                                                    {w->mnuContextValCopyDesc, "Description"}};
    for (const auto& [action, field] : commands) {
        QApplication::clipboard()->setText(QStringLiteral("sentinel"));
        action->trigger();
        EXPECT_EQ(Clipboard(), qtplat::AnsiToQString(*RowField(kRecord, field))) << field;
        const QMimeData* data = QApplication::clipboard()->mimeData();
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(data->data(QStringLiteral("x-kde-passwordManagerHint")), QByteArray("secret")) << field;
    }
    // An empty field is copied as empty text.
    ASSERT_EQ(RowField(8, "Login"), "");
    ClickNode(Key(8));
    QApplication::clipboard()->setText(QStringLiteral("sentinel"));
    w->mnuContextValCopyLog_Click();
    EXPECT_EQ(Clipboard(), QString());
}

TEST_F(TreeViewTest, CopyWithAnEmptyValueBoxLeavesTheClipboard) {
    ClickNode(Key(kFolder));
    w->mnuContextValCopyPasw_Click();
    EXPECT_EQ(Clipboard(), QStringLiteral("sentinel"));
}

// After the shown record was deleted the box still shows it; a copy then
// does nothing, and the program goes on.
TEST_F(TreeViewTest, CopyAfterTheShownRecordWasDeletedDoesNothing) {
    ClickNode(Key(kRecord));
    Answer(6);
    w->tlbToolbar_ButtonClick(9, "btnDelRec");
    ASSERT_FALSE(RowField(kRecord, "Title"));
    EXPECT_FALSE(w->txtValue->toPlainText().isEmpty());
    for (QAction* a :
         {w->mnuContextValCopyPasw, w->mnuContextValCopyLog, w->mnuContextValCopyTit, w->mnuContextValCopyDesc})
        a->trigger();
    EXPECT_EQ(Clipboard(), QStringLiteral("sentinel"));
}

TEST_F(TreeViewTest, RightClickOnTheValueBoxOpensTheCopyMenu) {
    ClickNode(Key(kRecord));
    bool shown = false;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        shown = menu == w->mnuContextVal;
        if (menu) menu->close();
    });
    QTest::mouseClick(w->txtValue->viewport(), Qt::RightButton, {}, QPoint(10, 10));
    EXPECT_TRUE(shown);
}

TEST_F(TreeViewTest, RightClickOnTheRootOffersNoDeleteOrEdit) {
    QTreeWidgetItem* root = Node("0key");
    bool checked = false;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == w->mnuContextTrv) {
            checked = true;
            EXPECT_FALSE(w->mnuContextTrvDelFolder->isEnabled());
            EXPECT_FALSE(w->mnuContextTrvDelRec->isEnabled());
            EXPECT_FALSE(w->mnuContextTrvEdit->isEnabled());
            EXPECT_TRUE(w->mnuContextTrvAddFolder->isEnabled());
            EXPECT_EQ(w->trvDatabase->DropHighlight(), Node("0key"));
        }
        if (menu) menu->close();
    });
    QTest::mouseClick(w->trvDatabase->viewport(), Qt::RightButton, {}, w->trvDatabase->visualItemRect(root).center());
    EXPECT_TRUE(checked);
    EXPECT_EQ(w->trvDatabase->DropHighlight(), nullptr);
    // A right click on empty space shows no menu.
    bool anyMenu = false;
    QTimer::singleShot(0, [&] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            anyMenu = true;
            popup->close();
        }
    });
    w->trvDatabase_MouseDown(2, 0, 15 * 500, 15 * 480);
    QCoreApplication::processEvents();
    EXPECT_FALSE(anyMenu);
}

TEST_F(TreeViewTest, AddRenameAndDeleteAFolder) {
    QTreeWidgetItem* folder = Node(Key(kFolder));
    const int children = folder->childCount();
    const std::string tag = modMain::CurUsDB->GetTblTag(1);
    ClickNode(Key(kFolder));
    w->tlbToolbar_ButtonClick(5, "btnAddFolder");
    const std::string n = std::to_string(std::stoi(tag) + 1);
    EXPECT_EQ(modMain::CurUsDB->GetTblTag(1), n);
    QTreeWidgetItem* added = Node(n + "key");
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->parent(), folder);
    EXPECT_EQ(folder->childCount(), children + 1);
    EXPECT_EQ(RecordTree::Tag(added), "1");
    EXPECT_EQ(RecordTree::Text(added), modMain::NewFolderText());
    EXPECT_EQ(RowField(std::stoi(n), "Parent"), std::to_string(kFolder));
    EXPECT_EQ(RowField(std::stoi(n), "Type"), "1");
    EXPECT_EQ(RowField(std::stoi(n), "Image"), "2key");
    EXPECT_EQ(w->trvDatabase->SelectedItem(), added);

    // The label edit is open on the new folder; the name typed is stored.
    TypeLabel(QStringLiteral("Banking"));
    EXPECT_EQ(RowField(std::stoi(n), "Title"), "Banking");
    EXPECT_EQ(added->text(0), QStringLiteral("Banking"));

    // A second folder gets the next number.
    ClickNode(Key(kFolder));
    w->tlbToolbar_ButtonClick(5, "btnAddFolder");
    EndLabelEdit(Qt::Key_Escape);  // Escape keeps the new name
    const std::string n2 = std::to_string(std::stoi(n) + 1);
    EXPECT_NE(w->trvDatabase->Find(n2 + "key"), nullptr);
    EXPECT_EQ(RowField(std::stoi(n2), "Title"), modMain::NewFolderText());

    // Delete asks with the node's name; No keeps it, Yes removes it and its rows.
    ClickNode(n + "key");
    Answer(7);
    w->tlbToolbar_ButtonClick(6, "btnDelFolder");
    EXPECT_EQ(boxes.back().prompt, "T17 \"Banking\"");
    EXPECT_TRUE(RowField(std::stoi(n), "Title"));
    Answer(6);
    w->tlbToolbar_ButtonClick(6, "btnDelFolder");
    EXPECT_FALSE(RowField(std::stoi(n), "Title"));
    EXPECT_EQ(w->trvDatabase->Find(n + "key"), nullptr);
}

TEST_F(TreeViewTest, DeletingAFolderRemovesEverythingBelowIt) {
    std::vector<std::int32_t> below;
    for (int i = 0; i < Node(Key(kFolder))->childCount(); ++i)
        below.push_back(RecordTree::Number(Node(Key(kFolder))->child(i)));
    ASSERT_FALSE(below.empty());
    ClickNode(Key(kFolder));
    Answer(6);
    QTest::keyClick(w->trvDatabase, Qt::Key_Delete);
    EXPECT_FALSE(RowField(kFolder, "Title"));
    for (std::int32_t n : below) {
        EXPECT_FALSE(RowField(n, "Title")) << n;
        EXPECT_EQ(w->trvDatabase->Find(Key(n)), nullptr) << n;
    }
    // Delete on the root does nothing.
    ClickNode("0key");
    const std::size_t asked = boxes.size();
    QTest::keyClick(w->trvDatabase, Qt::Key_Delete);
    EXPECT_EQ(boxes.size(), asked);
    EXPECT_NE(w->trvDatabase->Find("0key"), nullptr);
}

TEST_F(TreeViewTest, RenameAndDeleteARecord) {
    ClickNode(Key(kRecord));
    w->mnuContextTrvRename->trigger();
    TypeLabel(QStringLiteral("Another forum"));
    EXPECT_EQ(RowField(kRecord, "Title"), "Another forum");
    // An empty name is stored as it is.
    w->mnuContextTrvRename_Click();
    TypeLabel(QString());
    EXPECT_EQ(RowField(kRecord, "Title"), "");

    Answer(6);
    w->tlbToolbar_ButtonClick(9, "btnDelRec");
    EXPECT_FALSE(RowField(kRecord, "Title"));
    EXPECT_EQ(w->trvDatabase->Find(Key(kRecord)), nullptr);
    // Nothing was written: the delete is saved with the next save.
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(TreeViewTest, RenamingTheRootChangesTheDatabaseTag) {
    const std::int32_t rows = modMain::CurUsDB->GetTblRecNum(1);
    ClickNode("0key");
    w->mnuContextTrvRename_Click();
    TypeLabel(QStringLiteral("My passwords"));
    EXPECT_EQ(modMain::CurUsDB->Tag(), "My passwords");
    EXPECT_EQ(modMain::CurUsDB->GetTblRecNum(1), rows);
}

// A name the code page cannot hold is refused, never stored as "?".
TEST_F(TreeViewTest, ANameOutsideTheCodePageIsRefused) {
    qpmtest::ScopedEnv cp("QUELLON_CODEPAGE", "1252");
    plat::SetAnsiCodePageForTests(1252);
    ClickNode(Key(kRecord));
    const std::string before = *RowField(kRecord, "Title");
    w->mnuContextTrvRename_Click();
    TypeLabel(QStringLiteral("Почта"));
    EXPECT_EQ(RowField(kRecord, "Title"), before);
    EXPECT_EQ(RecordTree::Text(Node(Key(kRecord))), before);
    ASSERT_FALSE(boxes.empty());
    // The characters are named by their code points, never shown as "?".
    EXPECT_EQ(boxes.back().prompt.rfind("The name holds characters", 0), 0u) << boxes.back().prompt;
    EXPECT_NE(boxes.back().prompt.find("code page 1252): U+041F U+043E U+0447 U+0442 U+0430."), std::string::npos)
        << boxes.back().prompt;
    plat::SetAnsiCodePageForTests(0);
}

// The new folder's fixed name follows the code page: Cyrillic where the code
// page has it, English where it does not (never question marks); the tree
// shows what is stored.
TEST_F(TreeViewTest, NewFolderNameFollowsTheCodePage) {
    struct Case {
        int codePage;
        QString shown;
    };
    for (const Case& c : {Case{1251, QStringLiteral("Новая папка")}, Case{1252, QStringLiteral("New folder")}}) {
        qpmtest::ScopedEnv cp("QUELLON_CODEPAGE", std::to_string(c.codePage));
        plat::SetAnsiCodePageForTests(c.codePage);
        ClickNode("0key");
        w->tlbToolbar_ButtonClick(5, "btnAddFolder");
        QTreeWidgetItem* added = w->trvDatabase->SelectedItem();
        EndLabelEdit(Qt::Key_Escape);
        EXPECT_EQ(added->text(0), c.shown) << c.codePage;
        EXPECT_EQ(RowField(RecordTree::Number(added), "Title"), qtplat::QStringToAnsi(c.shown)) << c.codePage;
    }
    plat::SetAnsiCodePageForTests(0);
}

TEST_F(TreeViewTest, DoubleClickOnARecordEditsAndInsertOnARecordDoesNothing) {
    QTreeWidgetItem* record = Node(Key(kRecord));
    w->trvDatabase->scrollToItem(record);
    const QPoint at = w->trvDatabase->visualItemRect(record).center();
    QTest::mouseClick(w->trvDatabase->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(w->trvDatabase->viewport(), Qt::LeftButton, {}, at);
    ASSERT_FALSE(forms.empty());
    EXPECT_EQ(forms.back().form, "frmEditRecord");
    EXPECT_EQ(forms.back().input, Key(kRecord));

    const std::size_t opened = forms.size();
    QTest::keyClick(w->trvDatabase, Qt::Key_Insert);
    EXPECT_EQ(forms.size(), opened);
    ClickNode(Key(kFolder));
    QTest::keyClick(w->trvDatabase, Qt::Key_Insert);
    ASSERT_EQ(forms.size(), opened + 1);
    EXPECT_EQ(forms.back().form, "frmAddRecord");
    EXPECT_EQ(forms.back().input, std::to_string(kFolder));
}

TEST_F(TreeViewTest, AnUnknownImageKeyShowsNoIcon) {
    w->AddTreeNode("0key", RecordNode("900key", "Odd", "44key"));
    QTreeWidgetItem* item = Node("900key");
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(item->icon(0).isNull());
    EXPECT_EQ(RecordTree::Text(item), "Odd");
}

// A node the core adds shows just what the same node set up attribute by
// attribute shows (as the edit dialogs set them), and nodes that look alike
// stay apart: changing one leaves the others as they were.
TEST_F(TreeViewTest, NodesFromTheCoreShowTheirRowsAndStayApart) {
    struct Case {
        const char* image;
        const char* tag;
        std::int32_t colour;
        bool bold;
    };
    const Case cases[] = {{"2key", "1", 0, false},        {"1key", "2", 0, false}, {"1key", "2", 255, true},
                          {"7key", "2", 0x00FF00, false}, {"44key", "2", 0, true}, {"1key", "", 0xFF0000, false}};
    RecordTree& tree = *w->trvDatabase;
    int n = 900;
    for (const Case& c : cases) {
        TreeNode node;
        node.key = Key(n);
        node.text = "Node " + std::to_string(n);
        node.image = c.image;
        node.tag = c.tag;
        node.colour = c.colour;
        node.bold = c.bold;
        w->AddTreeNode("0key", node);
        QTreeWidgetItem* twin = tree.AddNode("0key", RecordTree::tvwChild, Key(n + 1), node.text, node.image);
        RecordTree::SetTag(twin, node.tag);
        RecordTree::SetForeColor(twin, node.colour);
        RecordTree::SetBold(twin, node.bold);
        QTreeWidgetItem* item = Node(Key(n));
        ASSERT_NE(item, nullptr);
        SCOPED_TRACE(node.image + std::string(" ") + std::to_string(c.colour));
        EXPECT_EQ(item->text(0), twin->text(0));
        EXPECT_EQ(RecordTree::Tag(item), c.tag);
        EXPECT_EQ(tree.Image(item), c.image);
        EXPECT_EQ(item->icon(0).cacheKey(), twin->icon(0).cacheKey());
        EXPECT_EQ(item->icon(0).isNull(), !w->imlMainList->Has(c.image));
        const auto rgb = static_cast<std::uint32_t>(c.colour);
        EXPECT_EQ(item->foreground(0).color(), QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF));
        EXPECT_EQ(item->foreground(0), twin->foreground(0));
        EXPECT_EQ(RecordTree::Bold(item), c.bold);
        EXPECT_EQ(item->font(0), twin->font(0));
        n += 2;
    }
    // 902 was black, plain and "1key" as others are: only it changes.
    RecordTree::SetForeColor(Node(Key(902)), 255);
    RecordTree::SetBold(Node(Key(902)), true);
    tree.SetImage(Node(Key(902)), "3key");
    EXPECT_EQ(Node(Key(902))->foreground(0).color(), QColor(255, 0, 0));
    EXPECT_TRUE(RecordTree::Bold(Node(Key(902))));
    EXPECT_EQ(Node(Key(900))->foreground(0).color(), QColor(0, 0, 0));
    EXPECT_FALSE(RecordTree::Bold(Node(Key(900))));
    EXPECT_EQ(tree.Image(Node(Key(904))), "1key");
    EXPECT_EQ(tree.Image(Node(Key(910))), "1key");
    EXPECT_EQ(Node(Key(910))->icon(0).cacheKey(), Node(Key(903))->icon(0).cacheKey());
}

// A key in use or a relative that is not there is refused with the tree's
// error, and the tree keeps what it had.
TEST_F(TreeViewTest, AddingUnderAKeyInUseOrBesideNoNodeRaisesAndChangesNothing) {
    RecordTree& tree = *w->trvDatabase;
    QTreeWidgetItem* record = Node(Key(kRecord));
    ASSERT_NE(record, nullptr);
    const std::string text = RecordTree::Text(record);
    const int count = tree.NodeCount();
    TreeNode twin;
    twin.key = Key(kRecord);
    twin.text = "Twin";
    const std::function<void()> adds[] = {
        [&] { tree.AddNode("0key", RecordTree::tvwChild, Key(kRecord), "Twin", "1key"); },
        [&] { w->AddTreeNode("0key", twin); },
        [&] { tree.AddNode("999key", RecordTree::tvwChild, "998key", "Orphan", "1key"); },
    };
    const long errors[] = {35602, 35602, 35601};
    for (std::size_t i = 0; i < std::size(adds); ++i) {
        SCOPED_TRACE(i);
        try {
            adds[i]();
            ADD_FAILURE() << "no error";
        } catch (const vb::VbError& e) {
            EXPECT_EQ(e.Number(), errors[i]);
        }
        EXPECT_EQ(tree.NodeCount(), count);
        EXPECT_EQ(tree.Find(Key(kRecord)), record);
        EXPECT_EQ(RecordTree::Text(record), text);
        EXPECT_EQ(tree.Find("998key"), nullptr);
    }
}

// Nodes the core adds after the tree was given other pictures show the new
// pictures, as the nodes already there do: nothing made for the old list is
// used again.
TEST_F(TreeViewTest, NodesAddedAfterANewImageListShowItsPictures) {
    RecordTree& tree = *w->trvDatabase;
    TreeNode node = RecordNode("900key", "Pictured", "1key");
    w->AddTreeNode("0key", node);
    ASSERT_TRUE(w->imlMainList->Has("1key"));
    ASSERT_FALSE(Node("900key")->icon(0).isNull());

    ImageList other;
    QPixmap green(16, 16);
    green.fill(Qt::green);
    other.Add("1key", QIcon(green));
    tree.SetImageList(&other);
    node.key = "901key";
    w->AddTreeNode("0key", node);
    for (const char* key : {"900key", "901key"}) {
        SCOPED_TRACE(key);
        EXPECT_EQ(Node(key)->icon(0).cacheKey(), other.Icon("1key").cacheKey());
        EXPECT_EQ(tree.Image(Node(key)), "1key");
    }
    tree.SetImageList(nullptr);
    node.key = "902key";
    w->AddTreeNode("0key", node);
    EXPECT_TRUE(Node("902key")->icon(0).isNull());
    EXPECT_TRUE(Node("900key")->icon(0).isNull());
    tree.SetImageList(w->imlMainList);
}

// A node keeps its own values compactly, but any value set through the
// item's general interface reads back as it was set, of whatever type, and
// each real change (and only that) tells the tree.
TEST_F(TreeViewTest, ANodesValuesReadBackAsSetAndOnlyChangesAreSignalled) {
    QTreeWidgetItem* item = Node(Key(kRecord));
    ASSERT_NE(item, nullptr);
    int changes = 0;
    QObject::connect(w->trvDatabase, &QTreeWidget::itemChanged, [&](QTreeWidgetItem* changed, int) {
        if (changed == item) ++changes;
    });
    const QString text = item->text(0);
    item->setText(0, text);
    EXPECT_EQ(changes, 0);
    item->setData(0, Qt::EditRole, QStringLiteral("Renamed"));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(item->text(0), QStringLiteral("Renamed"));
    EXPECT_EQ(item->data(0, Qt::EditRole).toString(), QStringLiteral("Renamed"));
    EXPECT_EQ(RecordTree::Text(item), "Renamed");

    const QVariant others[][2] = {{QVariant(Qt::DisplayRole), QVariant(42)},
                                  {QVariant(Qt::ForegroundRole), QVariant(QColor(1, 2, 3))},
                                  {QVariant(Qt::FontRole), QVariant(QStringLiteral("not a font"))},
                                  {QVariant(Qt::DecorationRole), QVariant(QColor(4, 5, 6))},
                                  {QVariant(Qt::UserRole + 1), QVariant(7.5)}};
    for (const auto& [role, value] : others) {
        SCOPED_TRACE(role.toInt());
        item->setData(0, role.toInt(), value);
        EXPECT_EQ(item->data(0, role.toInt()).metaType(), value.metaType());
        EXPECT_EQ(item->data(0, role.toInt()), value);
    }
    EXPECT_EQ(changes, 1 + static_cast<int>(std::size(others)));
    // Back to a value of the role's own type.
    RecordTree::SetTag(item, "2");
    item->setText(0, text);
    RecordTree::SetBold(item, true);
    EXPECT_EQ(RecordTree::Tag(item), "2");
    EXPECT_EQ(item->text(0), text);
    EXPECT_TRUE(RecordTree::Bold(item));
    EXPECT_EQ(RecordTree::Key(item), Key(kRecord));
    EXPECT_EQ(Node(Key(kRecord)), item);
}

}  // namespace
}  // namespace guitest
