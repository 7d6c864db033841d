// The main road of the program, through the real password dialog: the start
// asks the last user's password (a wrong one, then the right one), the tree
// shows the user's folders and records, a click shows a record, its password
// goes to the clipboard from the value box's menu, a folder is added, renamed
// and another deleted through the tree's menu, the exit saves, and a fresh
// start shows the changes. The user is the shipped sample where the build
// makes it, else the tests' own user made by the program's code.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>
#include <utility>

#include "MainWindowFixture.h"
#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "app/dialogs/frmPassword.h"
#include "app/mainwindow/RecordTree.h"
#include "platform/qt/AnsiText.h"

namespace guitest {
namespace {

class MainRoadTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        // The program's own dialogs, as the program shows them.
        frmMain::ShowForm = {};
#ifdef QPM_SAMPLE_USER
        std::filesystem::copy_file(QPM_SAMPLE_USER, databases + "/SampleUser.vdb");
        user = kSampleUser;
        password = kSamplePassword;
#else
        user = kUser;
        password = kPassword;
#endif
        modMain::ProgConfig(4) = user;
        modMain::ProgConfig(7) = "True";
    }

    // Runs `script` on the password dialog once the start has it up and
    // active; a dialog the script leaves open is cancelled.
    void OnPasswordDialog(std::function<void(frmPassword&)> script) {
        auto* poll = new QTimer(&pollers);
        poll->setInterval(10);
        QObject::connect(poll, &QTimer::timeout, [this, poll, script = std::move(script)] {
            frmPassword* dialog = nullptr;
            for (VbDialog* open : VbDialog::OpenDialogs())
                if (auto* d = dynamic_cast<frmPassword*>(open); d && d->isVisible()) dialog = d;
            if (!dialog) return;
            poll->stop();
            poll->deleteLater();
            ++dialogsSeen;
            EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
            script(*dialog);
            if (dialog->IsLoaded()) {
                ADD_FAILURE() << "the password dialog is still open";
                dialog->cmdCancel->click();
            }
        });
        poll->start();
    }

    static void TypePassword(frmPassword& d, const std::string& text) {
        d.txtPassword->clear();
        QTest::keyClicks(d.txtPassword, QString::fromStdString(text));
        QTest::keyClick(d.txtPassword, Qt::Key_Return);
    }

    // Right-clicks `node` and chooses `item` from the tree's menu.
    void ChooseFromTreeMenu(const std::string& key, QAction* item) {
        QTreeWidgetItem* node = Node(key);
        ASSERT_NE(node, nullptr);
        w->trvDatabase->scrollToItem(node);
        ChooseFromMenu(w->mnuContextTrv, item, [&] {
            QTest::mouseClick(w->trvDatabase->viewport(), Qt::RightButton, {},
                              w->trvDatabase->visualItemRect(node).center());
        });
    }

    // Opens a popup menu with `open` and picks `item` with the keyboard.
    static void ChooseFromMenu(QMenu* menu, QAction* item, const std::function<void()>& open) {
        auto chosen = std::make_shared<bool>(false);
        QTimer::singleShot(0, menu, [menu, item, chosen] {
            auto* shown = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (shown != menu) {
                if (shown) shown->close();
                return;
            }
            EXPECT_TRUE(item->isEnabled());
            menu->setActiveAction(item);
            QTest::keyClick(menu, Qt::Key_Return);
            *chosen = true;
        });
        open();
        QCoreApplication::processEvents();
        EXPECT_TRUE(*chosen) << "the menu did not show";
    }

    void Click(const std::string& key) {
        QTreeWidgetItem* node = Node(key);
        ASSERT_NE(node, nullptr);
        w->trvDatabase->scrollToItem(node);
        QTest::mouseClick(w->trvDatabase->viewport(), Qt::LeftButton, {},
                          w->trvDatabase->visualItemRect(node).center());
    }

    // Folders and records directly under the row `parent` ("0": the root).
    static std::pair<int, int> Children(const std::string& parent) {
        clsDatabase& db = *modMain::CurUsDB;
        std::pair<int, int> n{0, 0};
        for (std::int32_t r = 1; r <= db.GetTblRecNum(1); ++r)
            if (db.GetTblFldValNm(1, r, "Parent") == parent)
                ++(db.GetTblFldValNm(1, r, "Type") == "2" ? n.second : n.first);
        return n;
    }

    std::string user;
    std::string password;
    int dialogsSeen = 0;
    QObject pollers;  // owns the pollers, so none outlives the test
};

TEST_F(MainRoadTest, LogInWorkWithTheTreeExitAndComeBack) {
    // ---- The start asks the password: a wrong one, then the right one ----
    OnPasswordDialog([&](frmPassword& d) {
        EXPECT_EQ(d.lblUserName->text().toStdString(), user);
        EXPECT_EQ(d.lblSamplePassword->isVisible(), user == kSampleUser);
        EXPECT_EQ(d.parentWidget(), nullptr);
        TypePassword(d, password + "x");
        EXPECT_TRUE(d.IsLoaded());
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].prompt, "T9");
        EXPECT_EQ(modMain::FrmPaswResult, 2);
        EXPECT_TRUE(modMain::FrmPaswEnetered.empty());
        TypePassword(d, password);
        EXPECT_FALSE(d.IsLoaded());
    });
    Start();
    ASSERT_EQ(dialogsSeen, 1);
    ASSERT_EQ(modMain::CurUser, user);
    EXPECT_EQ(modMain::CurUsPasw.str(), Md5Text(password));
    EXPECT_TRUE(modMain::FrmPaswEnetered.empty());
    EXPECT_FALSE(modMain::FrmPaswShown);

    // ---- The tree shows every folder and record under its parent ----
    clsDatabase& db = *modMain::CurUsDB;
    const std::int32_t rows = db.GetTblRecNum(1);
    ASSERT_GT(rows, 3);
    EXPECT_EQ(w->trvDatabase->NodeCount(), rows + 1);
    std::string record, folder;
    for (std::int32_t r = 1; r <= rows; ++r) {
        const std::string key = db.GetTblFldValNm(1, r, "IndNum") + "key";
        QTreeWidgetItem* node = Node(key);
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(RecordTree::Text(node), db.GetTblFldValNm(1, r, "Title"));
        EXPECT_EQ(RecordTree::Key(node->parent()), db.GetTblFldValNm(1, r, "Parent") + "key");
        EXPECT_EQ(RecordTree::Tag(node), db.GetTblFldValNm(1, r, "Type"));
        EXPECT_FALSE(node->icon(0).isNull()) << key;
        const bool isRecord = db.GetTblFldValNm(1, r, "Type") == "2";
        if (isRecord && record.empty() && !db.GetTblFldValNm(1, r, "Password").empty()) record = key;
        if (!isRecord && folder.empty() && node->childCount() > 0) folder = key;
    }
    ASSERT_FALSE(record.empty());
    ASSERT_FALSE(folder.empty());
    const std::int32_t recordNo = RecordTree::Number(Node(record));
    const std::string recordPassword = *RowField(recordNo, "Password");

    // ---- A click shows the record; the status bar counts a folder's children ----
    Click(record);
    EXPECT_EQ(w->SelectedRec, recordNo);
    EXPECT_TRUE(w->txtValue->toPlainText().contains(qtplat::AnsiToQString(*RowField(recordNo, "Title"))));
    EXPECT_TRUE(w->txtValue->toPlainText().contains(qtplat::AnsiToQString(recordPassword)));
    EXPECT_EQ(w->stbStatusBarPanel1->text(), QStringLiteral("T111 0, T112 0"));

    // ---- Its password goes to the clipboard from the value box's menu ----
    ChooseFromMenu(w->mnuContextVal, w->mnuContextValCopyPasw,
                   [&] { QTest::mouseClick(w->txtValue->viewport(), Qt::RightButton, {}, QPoint(20, 20)); });
    EXPECT_EQ(QApplication::clipboard()->text(), qtplat::AnsiToQString(recordPassword));
    ASSERT_NE(QApplication::clipboard()->mimeData(), nullptr);
    EXPECT_EQ(QApplication::clipboard()->mimeData()->data(QStringLiteral("x-kde-passwordManagerHint")), "secret");

    Click(folder);
    const auto [folders, records] = Children(std::to_string(RecordTree::Number(Node(folder))));
    EXPECT_EQ(w->stbStatusBarPanel1->text().toStdString(),
              "T111 " + std::to_string(folders) + ", T112 " + std::to_string(records));
    EXPECT_TRUE(w->txtValue->toPlainText().isEmpty());

    // ---- Add a folder under the root, name it, rename it ----
    const std::string added = std::to_string(std::stoi(db.GetTblTag(1)) + 1) + "key";
    ChooseFromTreeMenu("0key", w->mnuContextTrvAddFolder);
    ASSERT_NE(w->trvDatabase->Find(added), nullptr);
    EXPECT_EQ(RecordTree::Key(Node(added)->parent()), "0key");
    TypeLabel(QStringLiteral("Travel"));
    EXPECT_EQ(RowField(RecordTree::Number(Node(added)), "Title"), "Travel");
    ChooseFromTreeMenu(added, w->mnuContextTrvRename);
    TypeLabel(QStringLiteral("Journeys"));
    EXPECT_EQ(RowField(RecordTree::Number(Node(added)), "Title"), "Journeys");
    EXPECT_EQ(RecordTree::Text(Node(added)), "Journeys");

    // ---- Delete a folder with everything below it ----
    std::vector<std::string> gone{folder};
    for (int i = 0; i < Node(folder)->childCount(); ++i) gone.push_back(RecordTree::Key(Node(folder)->child(i)));
    Answer(6);
    ChooseFromTreeMenu(folder, w->mnuContextTrvDelFolder);
    EXPECT_EQ(boxes.back().prompt.rfind("T17 \"", 0), 0u);
    for (const std::string& key : gone) {
        EXPECT_EQ(w->trvDatabase->Find(key), nullptr) << key;
        EXPECT_FALSE(RowField(std::stoi(key), "Title")) << key;
    }
    // The value box still shows nothing to copy, and the record it showed is gone.
    QApplication::clipboard()->setText(QStringLiteral("sentinel"));
    w->mnuContextValCopyPasw->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("sentinel"));

    // ---- Exit saves ----
    Answer(6);
    w->mnuFileExit->trigger();
    ASSERT_EQ(ended, 1);
    w.reset();

    // ---- A fresh start shows the changes ----
    modMain::CurUsDB = std::make_shared<clsDatabase>();
    modMain::CurUser.clear();
    modMain::CurUsPasw.clear();
    boxes.clear();
    OnPasswordDialog([&](frmPassword& d) { TypePassword(d, password); });
    Start();
    ASSERT_EQ(dialogsSeen, 2);
    ASSERT_EQ(modMain::CurUser, user);
    EXPECT_TRUE(boxes.empty());
    ASSERT_NE(w->trvDatabase->Find(added), nullptr);
    EXPECT_EQ(RecordTree::Text(w->trvDatabase->Find(added)), "Journeys");
    for (const std::string& key : gone) EXPECT_EQ(w->trvDatabase->Find(key), nullptr) << key;
    EXPECT_EQ(w->trvDatabase->NodeCount(), modMain::CurUsDB->GetTblRecNum(1) + 1);
}

}  // namespace
}  // namespace guitest
