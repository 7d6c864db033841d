// The state timer's enabling, the inactivity lock with what it closes and
// saves, the auto-backup count, and the exit work at the session's end. The
// ticks are called directly, with a fake clock and input state.
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidgetItem>
#include <filesystem>

#include "MainWindowFixture.h"
#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "app/core/modMainUsers.h"
#include "app/dialogs/VbDialog.h"
#include "app/mainwindow/RecordTree.h"
#include "app/trace/Trace.h"
#include "platform/FileIO.h"
#include "platform/VbError.h"
#include "platform/qt/InputState.h"

namespace guitest {
namespace {

// A dialog of the tests that runs `whileShown` once it is up.
class StackDialog : public VbDialog {
public:
    StackDialog(const char* name, std::function<void()> whileShown)
        : VbDialog(name, Owner::MainWindow), whileShown_(std::move(whileShown)) {}
    void ShowFormLang() override {}

protected:
    void Form_Load() override {
        TraceLoaded();
        QTimer::singleShot(0, this, [this] {
            if (whileShown_) whileShown_();
        });
    }

private:
    std::function<void()> whileShown_;
};

class LockTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        qtplat::SetInputProbeForTests({[this] {
                                           ++probes;
                                           return cursor;
                                       },
                                       [this] { return keys; }});
        modMain::LastCursorPos = {cursor.x, cursor.y};
    }

    // The test user logged in with a node selected; the timers tick only
    // when the test calls them.
    void StartSelected(const std::string& key = "0key") {
        StartLoggedIn();
        w->tmrTimer->stop();
        w->tmrAutobackup->stop();
        ClickNode(key);
    }
    // The lock time (option 11, 15 minutes) passes without input; one tick.
    void IdleAndTick(double seconds = 15 * 60 + 1) {
        clock += seconds;
        w->tmrTimer_Timer();
    }

    bool Locked() const {
        return w->IsProtected && w->trvDatabase->NodeCount() == 0 && w->txtValue->toPlainText().isEmpty();
    }

    qtplat::CursorPoint cursor{40, 30};
    qtplat::KeyState keys{};
    int probes = 0;
};

TEST_F(LockTest, TheTimersRunFromTheWindowsLoad) {
    w = std::make_unique<frmMain>();
    EXPECT_FALSE(w->tmrTimer->isActive());
    EXPECT_FALSE(w->tmrAutobackup->isActive());
    w->Show();
    EXPECT_TRUE(w->tmrTimer->isActive());
    EXPECT_TRUE(w->tmrAutobackup->isActive());
    EXPECT_EQ(w->tmrAutobackup->interval(), 60000);
    // The state timer's ticks reach the window: nobody is logged in, so the
    // database commands go off.
    w->ToolbarButton("btnDelUser")->setEnabled(true);
    QTest::qWait(300);
    EXPECT_FALSE(w->ToolbarButton("btnDelUser")->isEnabled());
}

TEST_F(LockTest, TheStateTickEnablesTheCommandsByStateAndNode) {
    Start();
    w->tmrTimer->stop();
    const char* buttons[] = {"btnDelRec", "btnDelFolder", "btnAddFolder", "btnAddRec", "btnFind", "btnDelUser"};
    for (const char* key : buttons) w->ToolbarButton(key)->setEnabled(true);
    w->tmrTimer_Timer();
    for (const char* key : buttons) EXPECT_FALSE(w->ToolbarButton(key)->isEnabled()) << key;
    for (QAction* item :
         {w->mnuFileDelCurUser, w->mnuFileSaveDB, w->mnuFileChangeUsPasw, w->mnuFileUnloadUser, w->mnuToolsFind})
        EXPECT_FALSE(item->isEnabled()) << item->objectName().toStdString();

    w.reset();
    StartSelected();
    w->tmrTimer_Timer();
    EXPECT_TRUE(w->ToolbarButton("btnDelUser")->isEnabled());
    for (QAction* item : {w->mnuFileDelCurUser, w->mnuFileSaveDB, w->mnuFileUnloadUser})
        EXPECT_TRUE(item->isEnabled()) << item->objectName().toStdString();

    // The node buttons follow the selected node: root, folder, record.
    struct Case {
        const char* node;
        bool delRec, delFolder, addFolder;
    };
    for (const Case& c :
         {Case{"0key", false, false, true}, Case{"1key", false, true, true}, Case{"4key", true, false, false}}) {
        SCOPED_TRACE(c.node);
        w->trvDatabase->SetSelectedItem(Node(c.node));
        for (const char* key : {"btnDelRec", "btnDelFolder", "btnAddFolder"})
            w->ToolbarButton(key)->setEnabled(!w->ToolbarButton(key)->isEnabled());
        w->tmrTimer_Timer();
        EXPECT_EQ(w->ToolbarButton("btnDelRec")->isEnabled(), c.delRec);
        EXPECT_EQ(w->ToolbarButton("btnDelFolder")->isEnabled(), c.delFolder);
        EXPECT_EQ(w->ToolbarButton("btnAddFolder")->isEnabled(), c.addFolder);
    }
    // Without a selected node the node buttons are left as they are.
    w->trvDatabase->SetSelectedItem(nullptr);
    w->ToolbarButton("btnAddFolder")->setEnabled(false);
    w->tmrTimer_Timer();
    EXPECT_FALSE(w->ToolbarButton("btnAddFolder")->isEnabled());
}

TEST_F(LockTest, TheLockComesAfterTheIdleTimeOnlyWithASelectedNode) {
    StartSelected();
    // Exactly the lock time is not more than it.
    IdleAndTick(15 * 60);
    EXPECT_FALSE(w->IsProtected);
    IdleAndTick(1);
    EXPECT_TRUE(Locked());

    // Input resets the time.
    w.reset();
    StartSelected();
    clock += 15 * 60 - 5;
    cursor.x += 1;
    w->tmrTimer_Timer();
    IdleAndTick(15 * 60);
    EXPECT_FALSE(w->IsProtected);

    // No selected node: the activity is not even looked at.
    w->trvDatabase->SetSelectedItem(nullptr);
    probes = 0;
    IdleAndTick(3600);
    EXPECT_EQ(probes, 0);
    EXPECT_FALSE(w->IsProtected);

    // The lock switched off, its minutes kept behind the "n".
    modMain::ProgConfig(11) = "n15";
    w->trvDatabase->SetSelectedItem(Node("0key"));
    IdleAndTick(24 * 3600);
    EXPECT_EQ(probes, 0);
    EXPECT_FALSE(w->IsProtected);
}

TEST_F(LockTest, TheLockSavesDropsAndHidesButKeepsTheUser) {
    StartSelected("4key");
    ASSERT_FALSE(w->txtValue->toPlainText().isEmpty());
    SetRowField(4, "Title", "Changed before the lock");
    w->mbIndrag = true;
    w->moDragNode = "4key";
    IdleAndTick();

    EXPECT_TRUE(Locked());
    EXPECT_FALSE(w->mbIndrag);
    EXPECT_TRUE(w->moDragNode.empty());
    EXPECT_EQ(modMain::CurUsDB->TabNum(), 0);
    EXPECT_EQ(modMain::CurUser, kUser);
    EXPECT_EQ(modMain::CurUsPasw.str(), Md5Text(kPassword));
    EXPECT_EQ(modMain::CurUsDBPath, databases + "/" + kUser + ".vdb");
    EXPECT_EQ(OnDisk(4, "Title"), "Changed before the lock");
    for (QAction* item : {w->mnuTraySaveDB, w->mnuTraySelectUser, w->mnuTrayGenPasw}) EXPECT_FALSE(item->isEnabled());
    // The database commands go off with the next tick, and nothing locks
    // again while the tree is empty.
    probes = 0;
    IdleAndTick();
    EXPECT_FALSE(w->mnuFileSaveDB->isEnabled());
    EXPECT_EQ(probes, 0);

    // The right password brings the user back.
    passwordToGive = kPassword;
    w->Form_Paint();
    EXPECT_FALSE(w->IsProtected);
    EXPECT_EQ(RowField(4, "Title"), "Changed before the lock");
    EXPECT_NE(w->trvDatabase->Find("4key"), nullptr);
    EXPECT_TRUE(w->mnuTraySaveDB->isEnabled());
}

// Without an icon that can bring the window back it is minimised, never
// hidden for good; with one it hides.
TEST_F(LockTest, TheLockHidesOnlyWhileATrayIconCanShowTheWindowAgain) {
    struct Case {
        const char* trayMode;
        bool trayAvailable;
        bool hidden;
    };
    for (const Case& c : {Case{"1", true, true}, Case{"1", false, false}, Case{"0", true, false}}) {
        SCOPED_TRACE(std::string(c.trayMode) + (c.trayAvailable ? " with a tray" : " without a tray"));
        modMain::ProgConfig(12) = c.trayMode;
        trayAvailable = c.trayAvailable;
        StartSelected();
        IdleAndTick();
        EXPECT_TRUE(Locked());
        if (c.hidden) {
            EXPECT_FALSE(w->isVisible());
        } else {
            EXPECT_TRUE(w->isVisible());
            EXPECT_TRUE(w->isMinimized());
        }
        w.reset();
        modMain::DoUnloadTIcon = false;
        modMain::ProgConfig(4) = kUser;
    }
}

// The lock closes what is open from the innermost out: message boxes,
// dialogs opened from dialogs, a popup menu, the tree's label edit and a
// drag, so nothing the user had not finished reaches the saved file.
TEST_F(LockTest, TheLockClosesEveryWindowFromTheInnermostOut) {
    modMain::ProgConfig(12) = "1";
    trayAvailable = true;
    StartSelected("1key");
    SetRowField(4, "Login", "changed.login");
    std::vector<std::string> log;
    StackDialog outer("frmOuter", [&] {
        StackDialog inner("frmInner", [&] {
            QMessageBox box(&inner);
            box.setText(QStringLiteral("a question"));
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            QTimer::singleShot(0, [&] {
                log.push_back("tick");
                IdleAndTick();
            });
            log.push_back(box.exec() == QMessageBox::Yes ? "box yes" : "box no");
        });
        inner.ShowModal();
        log.push_back(inner.IsLoaded() ? "inner loaded" : "inner gone");
        // Code after a dialog finds the database already dropped.
        log.push_back(modMain::CurUsDB->TabNum() == 0 ? "db dropped" : "db open");
    });
    outer.ShowModal();
    EXPECT_EQ(log, (std::vector<std::string>{"tick", "box no", "inner gone", "db dropped"}));
    EXPECT_FALSE(outer.IsLoaded());
    EXPECT_TRUE(VbDialog::OpenDialogs().empty());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(Locked());
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(OnDisk(4, "Login"), "changed.login");

    // A popup menu and a label edit: the menu returns no choice and the
    // typed text never reaches the file.
    passwordToGive = kPassword;
    w->show();
    w->Form_Paint();
    ASSERT_FALSE(w->IsProtected);
    bool edited = false;
    QTimer::singleShot(0, [&] {
        ClickNode("1key");
        w->trvDatabase->StartLabelEdit(Node("1key"));
        if (QLineEdit* editor = Editor()) {
            editor->setText(QStringLiteral("Typed, never confirmed"));
            edited = true;
        }
        IdleAndTick();
    });
    QAction* chosen = w->mnuContextTrv->exec(QPoint(10, 10));
    EXPECT_TRUE(edited);
    QCoreApplication::processEvents();
    EXPECT_EQ(chosen, nullptr);
    EXPECT_TRUE(Locked());
    EXPECT_EQ(OnDisk(1, "Title"), "Internet");
}

// F2: a lock whose save fails keeps the changes, out of sight, and says so
// once the user is back; a wrong password does not log them out unsaved.
TEST_F(LockTest, AFailedSaveAtTheLockKeepsTheChanges) {
    StartSelected();
    SetRowField(5, "Password", "New-Router-Pass");
    // A rename the user had not confirmed when the lock came.
    w->trvDatabase->StartLabelEdit(Node("1key"));
    ASSERT_NE(Editor(), nullptr);
    Editor()->setText(QStringLiteral("Typed, never confirmed"));
    {
        coretest::ScopedLibraryWriteFaults faults({0, true});
        IdleAndTick();
        EXPECT_TRUE(Locked());
        EXPECT_NE(modMain::CurUsDB->TabNum(), 0);
        EXPECT_EQ(RowField(1, "Title"), "Internet");
        EXPECT_NE(LogText().find("Lock: the database could not be saved"), std::string::npos);

        // A cancelled prompt while the changes still cannot be saved: the
        // program stays locked.
        passwordToGive.clear();
        boxes.clear();
        w->show();
        w->Form_Paint();
        EXPECT_TRUE(w->IsProtected);
        EXPECT_EQ(modMain::CurUser, kUser);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_NE(boxes[0].prompt.find("stays locked"), std::string::npos);
        EXPECT_TRUE(w->isMinimized());

        // The right password shows them again, still unsaved.
        boxes.clear();
        passwordToGive = kPassword;
        w->showNormal();
        w->Form_Paint();
        EXPECT_FALSE(w->IsProtected);
        EXPECT_EQ(RowField(5, "Password"), "New-Router-Pass");
        EXPECT_NE(w->trvDatabase->Find("5key"), nullptr);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_NE(boxes[0].prompt.find("could not be saved"), std::string::npos);
    }
    EXPECT_EQ(OnDisk(5, "Password"), "Router-Pass-2");
    // Once the file can be written, a lock and a cancelled prompt save them
    // before the user is logged out.
    ClickNode("0key");
    IdleAndTick();
    ASSERT_TRUE(Locked());
    passwordToGive.clear();
    boxes.clear();
    w->Form_Paint();
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(w->IsProtected);
    EXPECT_EQ(modMain::CurUser, "");
    EXPECT_EQ(OnDisk(5, "Password"), "New-Router-Pass");
}

// While an error report is shown nothing may change or save data: no lock,
// no backup count, no tray command, no session work.
TEST_F(LockTest, NothingRunsWhileAnErrorReportIsShown) {
    modMain::ProgConfig(12) = "1";
    StartSelected();
    ExpectEnds([] {
        try {
            throw vb::VbError(5, "Invalid procedure call or argument");
        } catch (...) {
            trace::Fail();
        }
    });
    ASSERT_TRUE(trace::Reporting());
    IdleAndTick();
    w->tmrAutobackup_Timer();
    w->m_frmSysTray_MenuClick(6, "Exit");
    w->Session_CommitData();
    EXPECT_FALSE(w->IsProtected);
    EXPECT_EQ(modMain::UpTime, 0);
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(modMain::DoUnloadTIcon);
    EXPECT_FALSE(w->ForceExit);
    trace::ResetReportingForTests();
    trace::FStack.ReDim(0, 0);
}

TEST_F(LockTest, TheAutoBackupRunsOnTheFirstCountedTickAndEverySixtieth) {
    auto backups = [&] {
        std::size_t n = 0;
        for (const std::string& line : LogMessages()) n += line == "!!!AUTOBACKUP!!!";
        return n;
    };
    Start();
    w->tmrAutobackup->stop();
    // Minutes without a database are not counted.
    w->tmrAutobackup_Timer();
    EXPECT_EQ(modMain::UpTime, 0);
    EXPECT_EQ(backups(), 0u);

    w.reset();
    StartSelected();
    w->tmrAutobackup_Timer();
    EXPECT_EQ(modMain::UpTime, 1);
    EXPECT_EQ(backups(), 1u);
    EXPECT_TRUE(std::filesystem::exists(databases + "/Backup/" + kUser + "_1.vdb.BACKUP"));
    for (int i = 2; i <= 60; ++i) w->tmrAutobackup_Timer();
    EXPECT_EQ(backups(), 1u);
    w->tmrAutobackup_Timer();
    EXPECT_EQ(modMain::UpTime, 61);
    EXPECT_EQ(backups(), 2u);

    // Switching users does not restart the count.
    modMain::UnloadUser();
    w->tmrAutobackup_Timer();
    EXPECT_EQ(modMain::UpTime, 61);
    ASSERT_FALSE(modMain::FullUserLoad(kUser, Md5Text(kPassword)).has_value());
    w->tmrAutobackup_Timer();
    EXPECT_EQ(modMain::UpTime, 62);
    EXPECT_EQ(backups(), 2u);
}

// F8: the session's end runs the exit work at once and asks nothing, also
// in tray mode with the window hidden and when the save fails; the close
// that follows ends the program.
TEST_F(LockTest, TheSessionEndSavesWithoutAsking) {
    modMain::ProgConfig(12) = "1";
    trayAvailable = true;
    StartSelected();
    ASSERT_TRUE(modMain::DoUnloadTIcon);
    w->close();  // tray mode: only hidden
    ASSERT_FALSE(w->isVisible());
    SetRowField(9, "Title", "Saved at the session's end");
    modMain::ProgConfig(16) = "1";
    w->Session_CommitData();
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(modMain::DoUnloadTIcon);
    EXPECT_EQ(w->m_frmSysTray, nullptr);
    EXPECT_EQ(OnDisk(9, "Title"), "Saved at the session's end");
    EXPECT_NE(modMain::ProgConfig(16), "1");  // the geometry was stored
    EXPECT_NE(qpmtest::ReadBytes(modMain::ProgCfgPath).find(modMain::ProgConfig(16)), std::string::npos);
    EXPECT_EQ(ended, 0);
    w->close();
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(ended, 1);

    // Outside tray mode, minimised, with a save that fails: still no question;
    // the geometry of before the minimise stays.
    w.reset();
    modMain::ProgConfig(12) = "0";
    StartSelected();
    w->showMinimized();
    QCoreApplication::processEvents();
    modMain::ProgConfig(16) = "1";
    {
        // The database cannot be written; the options file can.
        coretest::ScopedLibraryWriteFaults faults({0, true});
        plat::ClearWriteFaults();
        w->Session_CommitData();
        w->close();
    }
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(ended, 2);
    EXPECT_EQ(modMain::ProgConfig(16), "1");
    EXPECT_NE(LogText().find("Session end: the database could not be saved"), std::string::npos);
}

}  // namespace
}  // namespace guitest
