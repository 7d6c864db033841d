// The window's start, its layout from the options, closing and exit.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QStatusBar>
#include <QTest>
#include <QTextEdit>
#include <QToolBar>
#include <QWindow>
#include <filesystem>
#include <functional>

#include "MainWindowFixture.h"
#include "ScopedEnv.h"
#include "VEDataBase/ClassIds.h"
#include "VEDataBase/_clsRC4.h"
#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "app/core/modMainUsers.h"
#include "app/mainwindow/RecordTree.h"
#include "app/mainwindow/SplitterBar.h"
#include "app/mainwindow/WindowOptions.h"
#include "app/trace/Trace.h"
#include "platform/FileIO.h"
#include "platform/VbError.h"
#include "platform/com/Creation.h"
#include "platform/qt/AnsiText.h"

namespace guitest {
namespace {

TEST_F(MainWindowTest, StartWithoutLastUserAsksNothing) {
    Start();
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(forms.empty());
    EXPECT_EQ(w->trvDatabase->NodeCount(), 0);
    EXPECT_EQ(modMain::CurUser, "");
    // The start leaves its markers in the debug log, in order.
    std::vector<std::string> marks;
    for (const std::string& m : LogMessages())
        if (m.rfind("TESTPOINT", 0) == 0) marks.push_back(m);
    EXPECT_EQ(marks, (std::vector<std::string>{"TESTPOINT 1", "TESTPOINT 2", "TESTPOINT 3", "TESTPOINT 4",
                                               "TESTPOINT 5", "TESTPOINT 6"}));
}

TEST_F(MainWindowTest, StartWithLastUserButNoAutoLoginAsksNothing) {
    modMain::ProgConfig(4) = kUser;
    modMain::ProgConfig(7) = "False";
    Start(kPassword);
    EXPECT_TRUE(forms.empty());
    EXPECT_EQ(modMain::CurUser, "");
}

TEST_F(MainWindowTest, StartCancelledLeavesNobodyLoggedIn) {
    modMain::ProgConfig(4) = kUser;
    modMain::ProgConfig(7) = "True";
    Start();  // the dialog answers nothing: cancelled
    ASSERT_EQ(forms.size(), 1u);
    EXPECT_EQ(forms[0].form, "frmPassword");
    EXPECT_EQ(forms[0].input, kUser);
    EXPECT_EQ(modMain::CurUser, "");
    EXPECT_EQ(w->trvDatabase->NodeCount(), 0);
}

TEST_F(MainWindowTest, StartWithTheLastUserShowsItsTree) {
    StartLoggedIn();
    EXPECT_TRUE(modMain::FrmPaswEnetered.empty());
    EXPECT_EQ(modMain::CurUsPasw.str(), Md5Text(kPassword));
    QTreeWidgetItem* root = Node("0key");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(RecordTree::Text(root), kUser);
    EXPECT_TRUE(root->isExpanded());
    EXPECT_EQ(w->trvDatabase->SelectedItem(), root);
    // Every row of the sample is a node under its parent, with its title and type.
    clsDatabase& db = *modMain::CurUsDB;
    const std::int32_t tbl = db.FindTable("DataTable");
    const std::int32_t rows = db.GetTblRecNum(tbl);
    ASSERT_GT(rows, 3);
    EXPECT_EQ(w->trvDatabase->NodeCount(), rows + 1);
    for (std::int32_t r = 1; r <= rows; ++r) {
        QTreeWidgetItem* node = Node(db.GetTblFldValNm(tbl, r, "IndNum") + "key");
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(RecordTree::Text(node), db.GetTblFldValNm(tbl, r, "Title"));
        EXPECT_EQ(RecordTree::Tag(node), db.GetTblFldValNm(tbl, r, "Type"));
        const std::string parent = db.GetTblFldValNm(tbl, r, "Parent") + "key";
        EXPECT_EQ(RecordTree::Key(node->parent()), parent);
        EXPECT_FALSE(node->icon(0).isNull());
    }
    // The options remember the user.
    EXPECT_EQ(modMain::ProgConfig(4), kUser);
}

#ifdef QPM_SAMPLE_USER
// The sample user the program folder ships: logged in at start, its tree,
// a record's fields, the copy commands, and a change that an exit saves.
TEST_F(MainWindowTest, TheShippedSampleUser) {
    std::filesystem::copy_file(QPM_SAMPLE_USER, databases + "/SampleUser.vdb");
    StartLoggedIn(kSampleUser, kSamplePassword);
    clsDatabase& db = *modMain::CurUsDB;
    const std::int32_t rows = db.GetTblRecNum(1);
    ASSERT_GT(rows, 3);
    EXPECT_EQ(w->trvDatabase->NodeCount(), rows + 1);
    std::int32_t record = 0;
    for (std::int32_t r = 1; r <= rows; ++r) {
        QTreeWidgetItem* node = Node(db.GetTblFldValNm(1, r, "IndNum") + "key");
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(RecordTree::Text(node), db.GetTblFldValNm(1, r, "Title"));
        EXPECT_EQ(RecordTree::Key(node->parent()), db.GetTblFldValNm(1, r, "Parent") + "key");
        if (!record && db.GetTblFldValNm(1, r, "Type") == "2" && !db.GetTblFldValNm(1, r, "Password").empty())
            record = r;
    }
    ASSERT_NE(record, 0);
    const std::string key = db.GetTblFldValNm(1, record, "IndNum") + "key";
    ClickNode(key);
    EXPECT_TRUE(w->txtValue->toPlainText().contains(qtplat::AnsiToQString(db.GetTblFldValNm(1, record, "Title"))));
    w->mnuContextValCopyPasw->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), qtplat::AnsiToQString(db.GetTblFldValNm(1, record, "Password")));
    w->mnuContextTrvRename_Click();
    TypeLabel(QStringLiteral("Renamed sample"));
    Answer(6);
    w->mnuFileExit_Click();
    EXPECT_EQ(ended, 1);
    w.reset();

    modMain::CurUsDB = std::make_shared<clsDatabase>();
    StartLoggedIn(kSampleUser, kSamplePassword);
    EXPECT_EQ(RecordTree::Text(Node(key)), "Renamed sample");
}
#endif

// A database that could be read only in part is shown, and the user is told
// where the file as it was is kept.
TEST_F(MainWindowTest, StartWithADatabaseReadInPartTellsTheUser) {
    const std::string key = modMain::GetTruePasw(Md5Text("password1")).str();
    std::string text = modMain::NewUserTemplate();
    text.replace(text.find("UserDataBase"), 12, "lena");
    text += "stray line\r\n";
    com::CreateObject<vedb::_clsRC4>(vedb::kProgIdClsRC4)->CipherInPlace(text.data(), text.size(), key);
    qpmtest::WriteBytes(databases + "/lena.vdb", text);
    modMain::ProgConfig(4) = "lena";
    Start("password1");
    ASSERT_EQ(modMain::CurUser, "lena");
    ASSERT_NE(modMain::PartialLoadCopy, "");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].prompt.find("could not be read"), std::string::npos);
    EXPECT_NE(boxes[0].prompt.find(std::filesystem::path(modMain::PartialLoadCopy).filename().string()),
              std::string::npos);
    EXPECT_NE(w->trvDatabase->Find("0key"), nullptr);
}

// A right password whose file still does not load (it holds the mark line
// and nothing else): the user is told, and no password hash is left behind.
TEST_F(MainWindowTest, StartWhoseDatabaseDoesNotLoadTellsTheUser) {
    const std::string key = modMain::GetTruePasw(Md5Text("password1")).str();
    std::string text = "dzorvaLiL.ENC\r\n";
    com::CreateObject<vedb::_clsRC4>(vedb::kProgIdClsRC4)->CipherInPlace(text.data(), text.size(), key);
    qpmtest::WriteBytes(databases + "/nora.vdb", text);
    modMain::ProgConfig(4) = "nora";
    Start("password1");
    EXPECT_EQ(modMain::CurUser, "");
    EXPECT_TRUE(modMain::CurUsPasw.empty());
    EXPECT_TRUE(modMain::FrmPaswEnetered.empty());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].prompt.find("could not be loaded"), std::string::npos) << boxes[0].prompt;
    EXPECT_EQ(boxes[0].style, qtplat::vbCritical);
    EXPECT_EQ(w->trvDatabase->Find("0key"), nullptr);
}

// The layout follows the options: the design values place the tree at 600
// below the toolbar; without the toolbar it moves up to 135.
TEST_F(MainWindowTest, DoConfigPlacesTheWindowAndItsControls) {
    modMain::ProgConfig(16) = "9090";
    modMain::ProgConfig(17) = "8000";
    modMain::ProgConfig(18) = "1500";
    modMain::ProgConfig(19) = "900";
    modMain::ProgConfig(20) = "3015";
    Start();
    EXPECT_EQ(w->frameGeometry().width(), 606);
    EXPECT_EQ(w->frameGeometry().height(), 533);
    EXPECT_EQ(w->frameGeometry().topLeft(), QPoint(100, 60));
    EXPECT_EQ(w->trvDatabase->geometry(), QRect(2, 40, 201, w->client->height() - 33 - 7 - 17));
    EXPECT_EQ(w->picSepar->geometry().left(), 204);
    EXPECT_EQ(w->txtValue->geometry().left(), 210);
    EXPECT_EQ(w->tlbToolbar->height(), 33);
    EXPECT_EQ(w->stbStatusBar->height(), 17);
    // The geometry is stored back on every layout.
    EXPECT_EQ(modMain::ProgConfig(16), "9090");
    EXPECT_EQ(modMain::ProgConfig(17), "7995");
    EXPECT_EQ(modMain::ProgConfig(18), "1500");
    EXPECT_EQ(modMain::ProgConfig(19), "900");
    EXPECT_EQ(modMain::ProgConfig(20), "3015");

    w->mnuViewToolBar->trigger();
    EXPECT_EQ(modMain::ProgConfig(1), "False");
    EXPECT_FALSE(w->tlbToolbar->isVisible());
    EXPECT_EQ(w->trvDatabase->geometry().top(), 9);
    EXPECT_EQ(w->trvDatabase->height(), w->client->height() - 7 - 17);
    w->mnuViewToolBar->trigger();
    EXPECT_EQ(modMain::ProgConfig(1), "True");
    EXPECT_EQ(w->tlbToolbar->height(), 33);
    EXPECT_EQ(w->trvDatabase->geometry().top(), 40);

    w->mnuViewStatusbar->trigger();
    EXPECT_EQ(modMain::ProgConfig(2), "False");
    EXPECT_EQ(w->stbStatusBar->height(), 0);
    EXPECT_EQ(w->trvDatabase->height(), w->client->height() - 33 - 7);
}

// The options hold the outer size and place, and the window's frame comes
// only once it is shown: start after start, the window keeps the size and
// place it had, and never grows by its frame or creeps across the screen.
TEST_F(MainWindowTest, GeometryStaysTheSameFromStartToStart) {
    modMain::ProgConfig(16) = "9210";
    modMain::ProgConfig(17) = "6600";
    modMain::ProgConfig(18) = "1200";
    modMain::ProgConfig(19) = "1200";
    for (int start = 1; start <= 3; ++start) {
        SCOPED_TRACE(start);
        Start();
        QCoreApplication::processEvents();
        EXPECT_EQ(w->frameGeometry(), QRect(80, 80, 614, 440));
        EXPECT_NE(w->frameGeometry(), w->geometry());  // the window has a frame
        Answer(6);
        w->mnuFileExit_Click();
        ASSERT_EQ(ended, start);
        w.reset();
        EXPECT_EQ(modMain::ProgConfig(16), "9210");
        EXPECT_EQ(modMain::ProgConfig(17), "6600");
        EXPECT_EQ(modMain::ProgConfig(18), "1200");
        EXPECT_EQ(modMain::ProgConfig(19), "1200");
    }
}

// Once the frame has come, a move of the window (the user dragging its
// title bar, or the window manager placing it anew) leaves its size alone.
TEST_F(MainWindowTest, MovingTheWindowKeepsItsSize) {
    for (const char* width : {"9210", "wide"}) {
        SCOPED_TRACE(width);
        modMain::ProgConfig(16) = width;
        Start();
        QCoreApplication::processEvents();
        const QSize size = w->size();
        for (int step = 1; step <= 2; ++step) {
            w->move(w->pos() + QPoint(30, 20));
            QCoreApplication::processEvents();
            EXPECT_EQ(w->size(), size) << step;
        }
        Answer(6);
        w->mnuFileExit_Click();
        w.reset();
    }
}

// A window below its minimum size is of no use: a stored size below it is
// raised to it, and a size below it that the window system forces on the
// window is never stored, so the next start is usable again.
TEST_F(MainWindowTest, AGeometryBelowTheMinimumIsRaisedAndNeverStored) {
    const QSize minimum(frmMain::kMinimumWidth, frmMain::kMinimumHeight);
    modMain::ProgConfig(16) = "45";
    modMain::ProgConfig(17) = "660";
    modMain::ProgConfig(20) = "-43";
    Start();
    QCoreApplication::processEvents();
    EXPECT_EQ(w->size(), minimum);
    EXPECT_EQ(w->minimumSize(), minimum);
    EXPECT_EQ(modMain::ProgConfig(16), winopt::CStrSingle(static_cast<float>(w->frameGeometry().width() * 15)));
    EXPECT_EQ(modMain::ProgConfig(17), winopt::CStrSingle(static_cast<float>(w->frameGeometry().height() * 15)));

    w->resize(640, 480);
    QCoreApplication::processEvents();
    const auto options = [] {
        std::vector<std::string> v;
        for (long i = 16; i <= 20; ++i) v.push_back(modMain::ProgConfig(i));
        return v;
    };
    const std::vector<std::string> usable = options();
    const float treeWidth = w->TreeWidth();
    // The window system shrinks the window past its minimum.
    w->windowHandle()->resize(1, 19);
    QCoreApplication::processEvents();
    ASSERT_LT(w->width(), minimum.width());
    EXPECT_FLOAT_EQ(w->TreeWidth(), treeWidth);
    Answer(6);
    w->mnuFileExit_Click();
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(options(), usable);
}

// Options a person or an older program wrote badly never stop the start:
// the design values stand in.
TEST_F(MainWindowTest, BadOptionValuesStartWithTheDesignValues) {
    modMain::ProgConfig(1) = "sometimes";
    modMain::ProgConfig(2) = "";
    modMain::ProgConfig(3) = "x";
    modMain::ProgConfig(6) = "?";
    modMain::ProgConfig(7) = "maybe";
    modMain::ProgConfig(16) = "wide";
    modMain::ProgConfig(17) = "1e99";
    modMain::ProgConfig(18) = "left";
    modMain::ProgConfig(19) = "";
    modMain::ProgConfig(20) = "3015px";
    modMain::ProgConfig(4) = kUser;
    Start(kPassword);
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(w->tlbToolbar->isVisible());
    EXPECT_EQ(w->stbStatusBar->height(), 17);
    EXPECT_FALSE(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(w->client->width(), 606);
    EXPECT_EQ(w->client->height(), 490);
    EXPECT_FLOAT_EQ(w->TreeWidth(), 3015);
    EXPECT_TRUE(forms.empty());  // no auto-login on a bad option 7
    // Once laid out, the options hold usable values again.
    EXPECT_EQ(modMain::ProgConfig(20), "3015");
}

TEST_F(MainWindowTest, ShortOptionsFileStillStarts) {
    modMain::ProgConfig.ReDimPreserve(1, 14);
    Start();
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(modMain::ProgConfig.UBound(), 20);
    EXPECT_EQ(modMain::ProgConfig(20), "3015");
}

TEST_F(MainWindowTest, ZeroTreeWidthAndNarrowWindowAreClamped) {
    modMain::ProgConfig(20) = "0";
    Start();
    // 4 % of the client width + 1, and the tree 45 twips left of that.
    const float W = static_cast<float>(w->client->width() * 15);
    EXPECT_FLOAT_EQ(w->SplitterLeft(), 0.04f * W + 1);
    EXPECT_FLOAT_EQ(w->TreeWidth(), 0.04f * W + 1 - 45);

    modMain::ProgConfig(20) = "20000";
    w->DoConfig();
    EXPECT_FLOAT_EQ(w->SplitterLeft(), std::floor(0.96f * W));
    EXPECT_EQ(modMain::ProgConfig(20), winopt::CStrSingle(std::floor(0.96f * W) - 45));
}

TEST_F(MainWindowTest, SplitterDragStopsAt96Percent) {
    Start();
    const float W = static_cast<float>(w->client->width() * 15);
    w->picSepar_MouseMove(1, 0, 600, 0);  // not pressed: nothing moves
    EXPECT_FLOAT_EQ(w->TreeWidth(), 3015);
    w->picSepar_MouseDown(1, 0, 45, 0);
    EXPECT_TRUE(w->Splitting);
    w->picSepar_MouseMove(1, 0, 600, 0);
    EXPECT_FLOAT_EQ(w->SplitterLeft(), 3060 + 600);
    EXPECT_FLOAT_EQ(w->TreeWidth(), 3615);
    EXPECT_EQ(modMain::ProgConfig(20), "3615");
    w->picSepar_MouseMove(1, 0, 100000, 0);
    EXPECT_FLOAT_EQ(w->SplitterLeft(), 0.96f * W);
    w->picSepar_MouseUp(1, 0, 0, 0);
    EXPECT_FALSE(w->Splitting);
    w->picSepar_MouseMove(1, 0, -100000, 0);
    EXPECT_FLOAT_EQ(w->SplitterLeft(), 0.96f * W);
    // A right press does not start a drag.
    w->picSepar_MouseDown(2, 0, 45, 0);
    EXPECT_FALSE(w->Splitting);
}

// ---- Closing and exit ----

TEST_F(MainWindowTest, CloseBoxAsksAndNoKeepsTheWindow) {
    StartLoggedIn();
    Answer(7);
    EXPECT_FALSE(w->close());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].prompt, "T1");
    EXPECT_EQ(boxes[0].style, 4 | 32);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(ended, 0);
    EXPECT_FALSE(w->ForceExit);
}

TEST_F(MainWindowTest, ExitSavesOptionsAndDatabaseAndEnds) {
    StartLoggedIn();
    ClickNode("0key");
    w->tlbToolbar_ButtonClick(5, "btnAddFolder");
    const std::string newKey = RecordTree::Key(w->trvDatabase->SelectedItem());
    TypeLabel(QStringLiteral("Travel"));
    Answer(6);
    w->mnuFileExit->trigger();
    EXPECT_EQ(ended, 1);
    EXPECT_TRUE(w->ForceExit);
    EXPECT_TRUE(std::filesystem::exists(modMain::ProgCfgPath));
    w.reset();

    // A fresh start finds the new folder in the file.
    modMain::CurUsDB = std::make_shared<clsDatabase>();
    modMain::CurUser.clear();
    boxes.clear();
    StartLoggedIn();
    ASSERT_NE(w->trvDatabase->Find(newKey), nullptr);
    EXPECT_EQ(RecordTree::Text(w->trvDatabase->Find(newKey)), "Travel");
}

// The password prompt after a lock: a right password loads the user again,
// anything else logs out; a prompt already open is not opened twice.
TEST_F(MainWindowTest, PaintWhileLockedAsksForThePassword) {
    StartLoggedIn();
    forms.clear();
    w->IsProtected = true;
    modMain::FrmPaswShown = true;
    w->Form_Paint();
    EXPECT_TRUE(forms.empty());
    EXPECT_TRUE(w->IsProtected);

    modMain::FrmPaswShown = false;
    modMain::CurUsDB = std::make_shared<clsDatabase>();
    w->ClearTree();
    w->mnuTraySaveDB->setEnabled(false);
    w->Form_Paint();
    ASSERT_EQ(forms.size(), 1u);
    EXPECT_EQ(forms[0].input, kUser);
    EXPECT_FALSE(w->IsProtected);
    EXPECT_EQ(modMain::CurUser, kUser);
    EXPECT_NE(w->trvDatabase->Find("0key"), nullptr);
    EXPECT_TRUE(w->mnuTraySaveDB->isEnabled());

    passwordToGive.clear();  // cancelled
    w->IsProtected = true;
    w->Form_Paint();
    EXPECT_FALSE(w->IsProtected);
    EXPECT_EQ(modMain::CurUser, "");
    EXPECT_EQ(w->trvDatabase->NodeCount(), 0);
}

// A user file that is not as the core writes it loads all the same: a folder
// is not added to a table that lacks a column of its row, neither to the
// database nor to the tree, and the program goes on.
TEST_F(MainWindowTest, AFolderTheTableCannotHoldIsRefusedWithAMessage) {
    StartLoggedIn();
    vedb::DataBase record = modMain::CurUsDB->DB();
    record.Tables[0].Caption.fields[7].Name = "Picture";
    modMain::CurUsDB->DB(record);
    const std::int32_t rows = modMain::CurUsDB->GetTblRecNum(1);
    const std::string tag = modMain::CurUsDB->GetTblTag(1);
    const int nodes = w->trvDatabase->NodeCount();
    ClickNode("0key");
    w->tlbToolbar_ButtonClick(5, "btnAddFolder");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].prompt,
              "This item cannot be stored: the table \"DataTable\" has no column \"Image\". Nothing was changed.");
    EXPECT_EQ(modMain::CurUsDB->GetTblRecNum(1), rows);
    EXPECT_EQ(modMain::CurUsDB->GetTblTag(1), tag);
    EXPECT_EQ(w->trvDatabase->NodeCount(), nodes);
    EXPECT_EQ(ended, 0);
}

// An unexpected error in a handler reaches the error report with the
// window's procedure and its module variables.
TEST_F(MainWindowTest, AnErrorInAHandlerIsReportedForTheWindow) {
    StartLoggedIn();
    modMain::CurUsDB->SetTblTag(1, "not a number");
    ClickNode("0key");
    ExpectEnds([&] { w->tlbToolbar_ButtonClick(5, "btnAddFolder"); });
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find("Module Name: frmMain"), std::string::npos);
    EXPECT_NE(shown[0].find("Block Name: mnuContextTrvAddFolder_Click"), std::string::npos);
    EXPECT_NE(shown[0].find("<ForceExit>False</ForceExit>"), std::string::npos);
    EXPECT_NE(shown[0].find("<m_frmSysTray>{Cannot dump external UDTs}</m_frmSysTray>"), std::string::npos);
    trace::ResetStack();
}

// An error raised behind a control's own mouse or key event ends at the error
// report and the program's end; it never unwinds through the toolkit's event
// delivery. Each case runs in a child process, which the report ends.
TEST_F(MainWindowTest, AnErrorBehindAControlsEventIsReported) {
    StartLoggedIn();
    QWidget* tree = w->trvDatabase->viewport();
    const QPoint root = w->trvDatabase->visualItemRect(Node("0key")).center();
    auto raise = [] { throw vb::VbError(5, "Invalid procedure call or argument"); };
    const std::vector<std::pair<const char*, std::function<void()>>> cases = {
        {"tree click",
         [&] {
             w->trvDatabase->onClick = raise;
             QTest::mouseClick(tree, Qt::LeftButton, {}, root);
         }},
        {"tree double click",
         [&] {
             w->trvDatabase->onClick = {};
             w->trvDatabase->onDblClick = raise;
             QTest::mouseDClick(tree, Qt::LeftButton, {}, root);
         }},
        {"tree key",
         [&] {
             w->trvDatabase->onKeyUp = [&](int, int) { raise(); };
             QTest::keyClick(w->trvDatabase, Qt::Key_Insert);
         }},
        {"splitter press",
         [&] {
             w->picSepar->onMouseDown = [&](int, int, float, float) { raise(); };
             QTest::mousePress(w->picSepar, Qt::LeftButton, {}, QPoint(2, 2));
         }},
    };
    for (const auto& [name, send] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EXIT(
            {
                // The program's own error hooks: the report on stderr, then the end.
                trace::SetErrorHooks({});
                send();
            },
            ::testing::ExitedWithCode(1), "Invalid procedure call or argument");
    }
}

// F3: a save that fails at exit asks before the changes are dropped.
TEST_F(MainWindowTest, FailedSaveAtExitAsksBeforeEnding) {
    StartLoggedIn();
    const std::string before = *plat::ReadWholeFile(databases + "/TestUser.vdb");
    {
        coretest::ScopedLibraryWriteFaults faults({0, true});
        Answer(6);  // exit
        Answer(7);  // not without the changes
        EXPECT_FALSE(w->close());
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_NE(boxes[1].prompt.find("could not be saved"), std::string::npos);
        EXPECT_EQ(ended, 0);
        EXPECT_FALSE(w->ForceExit);
        EXPECT_TRUE(w->isVisible());
    }
    EXPECT_EQ(*plat::ReadWholeFile(databases + "/TestUser.vdb"), before);
    // Once the file can be written the exit saves and ends.
    Answer(6);
    w->mnuFileExit_Click();
    EXPECT_EQ(ended, 1);
}

// Tray mode counts only while a tray icon exists: without a notification
// area the close box asks as outside tray mode and the window never vanishes.
TEST_F(MainWindowTest, TrayModeWithoutTrayIconClosesAsOutsideTrayMode) {
    modMain::ProgConfig(12) = "1";
    trayAvailable = false;
    Start();
    EXPECT_TRUE(modMain::DoUnloadTIcon);
    EXPECT_FALSE(w->InTrayMode());
    Answer(7);
    EXPECT_FALSE(w->close());
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(w->isVisible());
    // With a notification area the close box only hides.
    trayAvailable = true;
    EXPECT_TRUE(w->InTrayMode());
    boxes.clear();
    EXPECT_FALSE(w->close());
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(ended, 0);
    // Exit still asks in tray mode, and ends on Yes without the icon.
    Answer(6);
    w->mnuTrayExit_Click();
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(modMain::DoUnloadTIcon);
}

TEST_F(MainWindowTest, ExitWhileMinimisedKeepsTheLastStoredGeometry) {
    Start();
    w->resize(500, 400);
    QCoreApplication::processEvents();
    const std::string width = modMain::ProgConfig(16);
    w->showMinimized();
    QCoreApplication::processEvents();
    w->setGeometry(w->x(), w->y(), 300, 300);
    Answer(6);
    w->mnuFileExit_Click();
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(modMain::ProgConfig(16), width);
}

}  // namespace
}  // namespace guitest
