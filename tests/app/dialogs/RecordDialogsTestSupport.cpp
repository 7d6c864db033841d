#include "RecordDialogsTestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include "VEDataBase/_clsMD5HASH.h"
#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "app/core/modMainTree.h"
#include "app/core/modMainUsers.h"
#include "app/dialogs/VbDialog.h"
#include "platform/CodePage.h"
#include "platform/com/Creation.h"

namespace recordtest {

void FakeTree::UpdateTreeNode(const TreeNode& node) {
    updates.push_back(node);
    ASSERT_EQ(nodes.count(node.key), 1u) << "no node " << node.key;
    TreeNode& shown = nodes[node.key].node;
    shown.text = node.text;
    shown.colour = node.colour;
    shown.bold = node.bold;
    if (!node.image.empty()) shown.image = node.image;
}

void RecordDialogTest::SetUp() {
    DialogTest::SetUp();
    plat::SetAnsiCodePageForTests(1252);
    // A log-in remembers the last user in the options file.
    modMain::ProgCfgPath = file("config.dat");
    LoadTexts(149, {13, 14, 15, 16, 24, 25, 60, 67, 68, 69, 70, 71, 89, 90, 91, 92, 93, 101, 104, 105, 109});
    LogIn("alice", "alicepass1", StartRows());
}

void RecordDialogTest::TearDown() {
    plat::SetAnsiCodePageForTests(0);
    DialogTest::TearDown();
}

std::vector<Row> RecordDialogTest::StartRows() {
    return {treetest::Folder("1", "0", "Mail"), treetest::Record("2", "1", "Post"), treetest::Folder("3", "1", "Old"),
            treetest::Record("4", "0", "Bank")};
}

void RecordDialogTest::LogIn(const std::string& name, const std::string& password, const std::vector<Row>& rows) {
    const std::string path = modMain::UserFilePath(name);
    ASSERT_EQ(modMain::AddUser(path, name, trace::Secret(password)), modMain::kUserCreated);
    const trace::Secret hash =
        com::CreateObject<vedb::_clsMD5HASH>("VEDataBase.clsMD5HASH")->DigestStrToHexStr(password);
    ASSERT_EQ(modMain::FullUserLoad(name, hash), std::nullopt);
    clsDatabase& db = *modMain::CurUsDB;
    for (const Row& row : rows) coretest::AddRow(db, row);
    db.SetTblTag(1, std::to_string(rows.size()));
    tree.ClearTree();
    modMain::ShowUsDBInTreeView(db, tree);
}

Row RecordDialogTest::RowOf(const std::string& id) const {
    clsDatabase& db = *modMain::CurUsDB;
    for (std::int32_t r = 1; r <= db.GetTblRecNum(1); ++r)
        if (db.GetTblFldValNm(1, r, "IndNum") == id) {
            const vedb::Fields f = db.GetTblRecord(1, r).fields;
            return Row(f.begin(), f.end());
        }
    return {};
}

int RecordDialogTest::RowCount() const { return modMain::CurUsDB->GetTblRecNum(1); }

void RecordDialogTest::ExpectCaptions(const QWidget& dialog,
                                      const std::vector<std::pair<const char*, QString>>& captions) {
    for (const auto& [name, text] : captions) {
        const QWidget* control = dialog.findChild<QWidget*>(name);
        ASSERT_NE(control, nullptr) << name;
        if (auto* label = qobject_cast<const QLabel*>(control))
            EXPECT_EQ(label->text(), text) << name;
        else if (auto* button = qobject_cast<const QAbstractButton*>(control))
            EXPECT_EQ(button->text(), text) << name;
        else
            ADD_FAILURE() << name << " has no caption";
    }
}

void RecordDialogTest::OnNextModal(const std::function<void(QWidget*)>& script) {
    QWidget* opener = QApplication::activeModalWidget();
    QTimer::singleShot(0, [opener, script] {
        QWidget* modal = nullptr;
        const bool opened = QTest::qWaitFor([&] {
            modal = QApplication::activeModalWidget();
            return modal && modal != opener && modal->isActiveWindow();
        });
        ASSERT_TRUE(opened) << "no dialog opened";
        script(modal);
        if (auto* dialog = qobject_cast<VbDialog*>(modal); dialog && dialog->IsLoaded()) {
            ADD_FAILURE() << "the nested dialog is still open after the script";
            dialog->Unload();
        }
    });
}

}  // namespace recordtest
