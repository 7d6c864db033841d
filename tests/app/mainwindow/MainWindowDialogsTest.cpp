// The window's commands open the program's own dialogs, and the dialogs that
// act on the record tree reach the window's tree.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidgetItem>
#include <filesystem>
#include <functional>

#include "MainWindowFixture.h"
#include "TempDir.h"
#include "app/core/modMain.h"
#include "app/core/modMainRemovable.h"
#include "app/core/modMainUsers.h"
#include "app/dialogs/VbDialog.h"
#include "app/dialogs/frmChangeUsPasw.h"
#include "app/dialogs/frmEditRecord.h"
#include "app/dialogs/frmFind.h"
#include "app/dialogs/frmPassword.h"
#include "app/dialogs/frmSelectUser.h"
#include "app/mainwindow/RecordTree.h"
#include "platform/qt/AnsiText.h"
#include "platform/qt/Choosers.h"

namespace guitest {
namespace {

namespace fs = std::filesystem;

class MainWindowDialogsTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        StartLoggedIn();
        // From here on the program's own dialogs show.
        frmMain::ShowForm = {};
    }
    void TearDown() override {
        qtplat::SetFolderChooserForTests({});
        MainWindowTest::TearDown();
    }

    // Runs `command`; once the dialog it opens is up, `script` gets it. The
    // dialog is unloaded afterwards if the script left it open. Returns the
    // dialog's name, or "" when no dialog opened.
    static std::string Opened(const std::function<void()>& command,
                              const std::function<void(VbDialog&)>& script = {}) {
        std::string name;
        // Polls from inside the dialog's modal loop; it lives as long as the
        // command runs.
        QTimer look;
        look.setInterval(10);
        QObject::connect(&look, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<VbDialog*>(QApplication::activeModalWidget());
            if (!dialog || !name.empty()) return;
            name = dialog->objectName().toStdString();
            if (script) script(*dialog);
            if (dialog->IsLoaded()) dialog->Unload();
        });
        look.start();
        command();
        look.stop();
        return name;
    }

    void Highlight(const std::string& key) { w->trvDatabase->SetDropHighlight(Node(key)); }
};

TEST_F(MainWindowDialogsTest, EachCommandOpensItsDialog) {
    const struct {
        QAction* frmMain::*action;
        const char* dialog;
    } cases[] = {
        {&frmMain::mnuFileAddUser, "frmAddUser"},
        {&frmMain::mnuFileSelectUser, "frmSelectUser"},
        {&frmMain::mnuFileBackup, "frmRestore"},
        {&frmMain::mnuToolsGenerator, "frmPaswGenerator"},
        {&frmMain::mnuToolsFind, "frmFind"},
        {&frmMain::mnuToolsOptions, "frmOptions"},
        {&frmMain::mnuHelpAbout, "frmAbout"},
        {&frmMain::mnuTrayGenPasw, "frmPaswGenerator"},
        {&frmMain::mnuTraySelectUser, "frmSelectUser"},
    };
    for (const auto& c : cases) {
        QAction* action = w.get()->*c.action;
        EXPECT_TRUE(action->isEnabled()) << action->objectName().toStdString();
        EXPECT_EQ(Opened([&] { action->trigger(); }), c.dialog) << action->objectName().toStdString();
    }
    EXPECT_TRUE(VbDialog::OpenDialogs().empty());
}

TEST_F(MainWindowDialogsTest, ToolbarButtonsOpenTheirDialogs) {
    ClickNode("1key");  // a folder: "add record" is enabled
    const struct {
        const char* key;
        const char* dialog;
    } cases[] = {
        {"btnAddUser", "frmAddUser"},
        {"btnSelectUser", "frmSelectUser"},
        {"btnAddRec", "frmAddRecord"},
        {"btnFind", "frmFind"},
    };
    for (const auto& c : cases) {
        QAction* button = w->ToolbarButton(c.key);
        ASSERT_NE(button, nullptr) << c.key;
        EXPECT_TRUE(button->isEnabled()) << c.key;
        EXPECT_EQ(Opened([&] { button->trigger(); }), c.dialog) << c.key;
    }
}

TEST_F(MainWindowDialogsTest, ChangePasswordAsksFirstAndNamesTheUser) {
    Answer(7);
    EXPECT_EQ(Opened([&] { w->mnuFileChangeUsPasw->trigger(); }), "");
    Answer(6);
    std::string shownUser;
    EXPECT_EQ(Opened([&] { w->mnuFileChangeUsPasw->trigger(); },
                     [&](VbDialog& d) {
                         shownUser = static_cast<frmChangeUsPasw&>(d).lblUserName->text().toStdString();
                     }),
              "frmChangeUsPasw");
    EXPECT_EQ(shownUser, kUser);
}

TEST_F(MainWindowDialogsTest, TreeCommandsOpenTheDialogOfTheHighlightedNode) {
    Highlight("1key");
    EXPECT_EQ(Opened([&] { w->mnuContextTrvAddRec->trigger(); }), "frmAddRecord");
    Highlight("1key");
    EXPECT_EQ(Opened([&] { w->mnuContextTrvEdit->trigger(); }), "frmEditFolder");
    Highlight("4key");
    EXPECT_EQ(Opened([&] { w->mnuContextTrvEdit->trigger(); }), "frmEditRecord");
}

// The edit dialog's save shows in the window's node and in the value box.
TEST_F(MainWindowDialogsTest, EditingARecordUpdatesItsNodeAndTheValueBox) {
    Highlight("4key");
    Opened([&] { w->mnuContextTrvEdit->trigger(); },
           [](VbDialog& d) {
               auto& edit = static_cast<frmEditRecord&>(d);
               edit.txtTitle->setText(QStringLiteral("Forum, renamed"));
               edit.cmdSaveChanges->click();
           });
    EXPECT_EQ(RecordTree::Text(Node("4key")), "Forum, renamed");
    EXPECT_EQ(RowField(4, "Title"), "Forum, renamed");
    EXPECT_TRUE(w->txtValue->toPlainText().contains(QStringLiteral("Forum, renamed")));
}

// A hit of the find dialog is selected in the window's tree and shown.
TEST_F(MainWindowDialogsTest, FindSelectsTheHitInTheTree) {
    Opened([&] { w->mnuToolsFind->trigger(); },
           [](VbDialog& d) {
               auto& find = static_cast<frmFind&>(d);
               find.txtFindText->setText(QStringLiteral("Router"));
               find.cmdFind->click();
           });
    QTreeWidgetItem* selected = w->trvDatabase->SelectedItem();
    ASSERT_NE(selected, nullptr);
    EXPECT_EQ(RecordTree::Key(selected), "5key");
    EXPECT_TRUE(w->trvDatabase->DropHighlight() == selected);
    EXPECT_TRUE(selected->parent()->isExpanded());
    EXPECT_TRUE(w->txtValue->toPlainText().contains(QStringLiteral("Router")));
}

// Choosing another user in the select user dialog, with the right password
// in the password dialog it opens, shows that user's tree in the window.
TEST_F(MainWindowDialogsTest, SelectingAnotherUserShowsTheirTree) {
    ASSERT_EQ(modMain::AddUser(databases + "/Other.vdb", "Other", trace::Secret("other-pass-2")),
              modMain::kUserCreated);
    std::string inner;
    Opened([&] { w->mnuFileSelectUser->trigger(); },
           [&](VbDialog& d) {
               auto& select = static_cast<frmSelectUser&>(d);
               const auto items = select.lstUsers->findItems(QStringLiteral("Other"), Qt::MatchExactly);
               ASSERT_EQ(items.size(), 1);
               select.lstUsers->setCurrentItem(items[0]);
               inner = Opened([&] { select.cmdChooseUser->click(); },
                              [](VbDialog& p) {
                                  auto& password = static_cast<frmPassword&>(p);
                                  QTest::keyClicks(password.txtPassword, QStringLiteral("other-pass-2"));
                                  password.cmdOk->click();
                              });
           });
    EXPECT_EQ(inner, "frmPassword");
    EXPECT_EQ(modMain::CurUser, "Other");
    EXPECT_EQ(w->trvDatabase->Find("4key"), nullptr);
    EXPECT_NE(w->trvDatabase->Find("0key"), nullptr);
    EXPECT_TRUE(VbDialog::OpenDialogs().empty());
}

TEST_F(MainWindowDialogsTest, InstallToARemovableDeviceCopiesAndTellsOnlyWhenDone) {
    qpmtest::WriteBytes(appDir() + "/" + modMain::ProgramFileBaseName, "program");
    qpmtest::WriteBytes(appDir() + "/start.dat", "defaults\r\n");
    const std::string usb = appDir() + "/../usb";
    fs::create_directories(usb);

    std::vector<qtplat::FolderRequest> asked;
    std::optional<std::string> answer;  // cancelled first
    qtplat::SetFolderChooserForTests([&](const qtplat::FolderRequest& r) {
        asked.push_back(r);
        return answer;
    });
    w->mnuToolsFlash->trigger();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].title, "Choose removable device");
    EXPECT_EQ(asked[0].flags, qtplat::BIF_RETURNONLYFSDIRS);
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(fs::exists(usb + "/DataBases"));

    answer = usb;
    w->mnuToolsFlash->trigger();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].prompt, "T132");
    EXPECT_TRUE(fs::exists(usb + "/DataBases/" + std::string(kUser) + ".vdb"));
    EXPECT_TRUE(fs::exists(usb + "/config.dat"));
}

}  // namespace
}  // namespace guitest
