// The main window's controls, captions and commands, offscreen.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QWindow>

#include "MainWindowFixture.h"
#include "app/core/clsDatabase.h"
#include "app/core/modLang.h"
#include "app/core/modMain.h"
#include "app/core/modMainUsers.h"
#include "app/mainwindow/ImageList.h"
#include "app/mainwindow/RecordTree.h"
#include "platform/qt/AnsiText.h"

namespace guitest {
namespace {

QString Caption(QAction* a) { return a->text(); }

// Counts the events of one type that reach an object.
class EventCounter : public QObject {
public:
    EventCounter(QObject* watched, QEvent::Type type, int& count) : type_(type), count_(count) {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* /*watched*/, QEvent* e) override {
        if (e->type() == type_) ++count_;
        return false;
    }

private:
    QEvent::Type type_;
    int& count_;
};

TEST_F(MainWindowTest, EveryControlCarriesItsName) {
    QApplication::setQuitOnLastWindowClosed(true);
    Start();
    EXPECT_FALSE(QApplication::quitOnLastWindowClosed());
    for (const char* name : {"client", "trvDatabase", "txtValue", "picSepar", "tlbToolbar", "stbStatusBar",
                             "stbStatusBarPanel1", "picTrayHook"})
        EXPECT_NE(w->findChild<QWidget*>(name), nullptr) << name;
    for (const char* name : {"imlMainList", "imlToolBarList", "tmrTimer", "tmrAutobackup"})
        EXPECT_NE(w->findChild<QObject*>(name), nullptr) << name;
    for (const char* name : {"mnufile", "mnuView", "mnuTools", "mnuHelp", "mnuContextTrv", "mnuContextVal", "mnuTray"})
        EXPECT_NE(w->findChild<QMenu*>(name), nullptr) << name;
    EXPECT_EQ(w->tmrTimer->interval(), 100);
    EXPECT_EQ(w->tmrAutobackup->interval(), 60000);
    EXPECT_EQ(w->windowTitle(), QString::fromLatin1(frmMain::kCaption));
    EXPECT_EQ(w->imlMainList->Count(), 44);
    EXPECT_FALSE(w->imlMainList->Icon("43key").isNull());
    EXPECT_FALSE(w->imlMainList->Icon("DBIcon").isNull());
    EXPECT_FALSE(w->picTrayHook->isVisible());
    EXPECT_EQ(w->tlbToolbar->property("Tag").toString(), "495");
    EXPECT_EQ(w->stbStatusBar->property("Tag").toString(), "255");
}

// Every caption comes from its language text; the window caption and the
// popups themselves get none.
TEST_F(MainWindowTest, CaptionsComeFromTheLanguageTexts) {
    Start();
    const std::vector<std::pair<const char*, int>> items = {
        {"mnuFileAddUser", 30},        {"mnuFileDelCurUser", 31},
        {"mnuFileSelectUser", 32},     {"mnuFileChangeUsPasw", 33},
        {"mnuFileSaveDB", 34},         {"mnuFileExit", 35},
        {"mnuFileUnloadUser", 141},    {"mnuFileBackup", 142},
        {"mnuViewToolBar", 36},        {"mnuViewStatusbar", 37},
        {"mnuViewOnTop", 38},          {"mnuToolsClearClip", 40},
        {"mnuToolsFind", 41},          {"mnuToolsOptions", 42},
        {"mnuToolsGenerator", 39},     {"mnuToolsFlash", 143},
        {"mnuHelpContents", 43},       {"mnuHelpAbout", 46},
        {"mnuHelpAskSupport", 44},     {"mnuContextTrvAddFolder", 113},
        {"mnuContextTrvAddRec", 115},  {"mnuContextTrvDelFolder", 114},
        {"mnuContextTrvDelRec", 116},  {"mnuContextTrvEdit", 117},
        {"mnuContextTrvRename", 118},  {"mnuContextValCopyDesc", 121},
        {"mnuContextValCopyLog", 120}, {"mnuContextValCopyPasw", 119},
        {"mnuContextValCopyTit", 122}, {"mnuTraySelectUser", 126},
        {"mnuTrayExit", 127},          {"mnuTrayGenPasw", 124},
        {"mnuTraySaveDB", 125},        {"mnuTrayShow", 123}};
    for (const auto& [name, id] : items) {
        auto* a = w->findChild<QAction*>(name);
        ASSERT_NE(a, nullptr) << name;
        EXPECT_EQ(Caption(a), QStringLiteral("T%1").arg(id)) << name;
    }
    for (const auto& [name, id] :
         std::vector<std::pair<const char*, int>>{{"mnufile", 26}, {"mnuView", 27}, {"mnuTools", 28}, {"mnuHelp", 29}})
        EXPECT_EQ(w->findChild<QMenu*>(name)->title(), QStringLiteral("T%1").arg(id)) << name;
    // Toolbar tooltips by index; separators (4, 7, 10) get none.
    const std::vector<std::pair<int, int>> buttons = {{1, 47}, {2, 48}, {3, 49}, {5, 50},
                                                      {6, 51}, {8, 52}, {9, 53}, {11, 54}};
    for (const auto& [index, id] : buttons)
        EXPECT_EQ(w->ToolbarButton(index)->toolTip(), QStringLiteral("T%1").arg(id)) << index;
    for (int index : {4, 7, 10}) EXPECT_TRUE(w->ToolbarButton(index)->isSeparator()) << index;
    EXPECT_EQ(w->ToolbarButton("btnFind"), w->ToolbarButton(11));
    EXPECT_EQ(w->windowTitle(), QString::fromLatin1(frmMain::kCaption));
}

// Each menu holds its items in order ("-" a separator), each with its
// shortcut; the three popups stay off the menu bar.
TEST_F(MainWindowTest, MenusHoldTheirItemsInOrderWithTheirShortcuts) {
    Start();
    auto items = [&](const char* menu) {
        std::vector<std::string> out;
        for (QAction* a : w->findChild<QMenu*>(menu)->actions()) {
            std::string item = a->isSeparator() ? "-" : a->objectName().toStdString();
            if (!a->shortcut().isEmpty()) item += " " + a->shortcut().toString().toStdString();
            out.push_back(item);
        }
        return out;
    };
    using List = std::vector<std::string>;
    EXPECT_EQ(items("mnufile"), (List{"mnuFileAddUser Ctrl+N", "mnuFileDelCurUser Ctrl+T", "mnuFileSelectUser Ctrl+H",
                                      "mnuFileUnloadUser Ctrl+U", "-", "mnuFileChangeUsPasw Ctrl+G",
                                      "mnuFileSaveDB Ctrl+S", "-", "mnuFileBackup", "-", "mnuFileExit Ctrl+E"}));
    EXPECT_EQ(items("mnuView"), (List{"mnuViewToolBar", "mnuViewStatusbar", "-", "mnuViewOnTop"}));
    EXPECT_EQ(items("mnuTools"), (List{"mnuToolsGenerator Ctrl+R", "mnuToolsFlash", "mnuToolsClearClip Ctrl+P",
                                       "mnuToolsFind Ctrl+F", "-", "mnuToolsOptions Ctrl+O"}));
    EXPECT_EQ(items("mnuHelp"), (List{"mnuHelpContents", "mnuHelpAskSupport", "-", "mnuHelpAbout"}));
    EXPECT_EQ(items("mnuContextTrv"),
              (List{"mnuContextTrvAddFolder", "mnuContextTrvDelFolder", "-", "mnuContextTrvAddRec",
                    "mnuContextTrvDelRec", "-", "mnuContextTrvEdit", "mnuContextTrvRename Ctrl+M"}));
    EXPECT_EQ(items("mnuContextVal"),
              (List{"mnuContextValCopyPasw", "mnuContextValCopyLog", "mnuContextValCopyTit", "mnuContextValCopyDesc"}));
    EXPECT_EQ(items("mnuTray"),
              (List{"mnuTrayShow", "mnuTrayGenPasw", "mnuTraySaveDB", "mnuTraySelectUser", "-", "mnuTrayExit"}));
    List bar;
    for (QAction* a : w->menuBar()->actions()) bar.push_back(a->menu()->objectName().toStdString());
    EXPECT_EQ(bar, (List{"mnufile", "mnuView", "mnuTools", "mnuHelp"}));
    // The rename shortcut of the hidden tree menu works from the window.
    EXPECT_TRUE(w->actions().contains(w->mnuContextTrvRename));
}

TEST_F(MainWindowTest, MissingLanguageFileShowsTheErrorTextAndCommandsStillWork) {
    modLang::TxtMas.Erase();
    Start();
    EXPECT_EQ(w->mnuFileSaveDB->text(), QStringLiteral("#Error in language module#"));
    EXPECT_EQ(w->mnuContextValCopyPasw->text(), QStringLiteral("#Error in language module#"));
    w->mnuToolsClearClip->trigger();
    EXPECT_TRUE(QApplication::clipboard()->text().isEmpty());
}

// Logged in, every command is there to use; "add record" waits for a folder.
TEST_F(MainWindowTest, CommandsAreEnabledOnceLoggedIn) {
    StartLoggedIn();
    for (const char* name :
         {"mnuFileAddUser", "mnuFileDelCurUser", "mnuFileSelectUser", "mnuFileUnloadUser", "mnuFileChangeUsPasw",
          "mnuFileSaveDB", "mnuFileBackup", "mnuFileExit", "mnuViewToolBar", "mnuViewStatusbar", "mnuViewOnTop",
          "mnuToolsGenerator", "mnuToolsFlash", "mnuToolsClearClip", "mnuToolsFind", "mnuToolsOptions",
          "mnuHelpContents", "mnuHelpAskSupport", "mnuHelpAbout", "mnuContextTrvAddFolder", "mnuContextTrvDelFolder",
          "mnuContextTrvAddRec", "mnuContextTrvDelRec", "mnuContextTrvEdit", "mnuContextTrvRename",
          "mnuContextValCopyPasw", "mnuTrayShow", "mnuTrayGenPasw", "mnuTraySaveDB", "mnuTraySelectUser",
          "mnuTrayExit"})
        EXPECT_TRUE(w->findChild<QAction*>(name)->isEnabled()) << name;
    ClickNode("4key");  // a record
    EXPECT_FALSE(w->ToolbarButton("btnAddRec")->isEnabled());
    ClickNode("1key");  // a folder
    EXPECT_TRUE(w->ToolbarButton("btnAddRec")->isEnabled());
    for (const char* key : {"btnAddUser", "btnSelectUser", "btnAddFolder", "btnFind"})
        EXPECT_TRUE(w->ToolbarButton(key)->isEnabled()) << key;
}

TEST_F(MainWindowTest, HelpOpensTheReadmeAndSupportAMailLink) {
    Start();
    w->mnuHelpContents->trigger();
    w->mnuHelpAskSupport->trigger();
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], appDir() + "/readme.txt");
    EXPECT_EQ(opened[1].rfind("mailto:", 0), 0u);
}

TEST_F(MainWindowTest, ClearClipboardEmptiesIt) {
    Start();
    w->mnuToolsClearClip->trigger();
    EXPECT_TRUE(QApplication::clipboard()->text().isEmpty());
}

TEST_F(MainWindowTest, AlwaysOnTopStoresTrueOrFalseAndFollowsOptionsOneOrZero) {
    modMain::ProgConfig(6) = "1";
    Start();
    EXPECT_TRUE(w->mnuViewOnTop->isChecked());
    EXPECT_TRUE(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    w->mnuViewOnTop->trigger();
    EXPECT_EQ(modMain::ProgConfig(6), "False");
    EXPECT_FALSE(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(w->isVisible());
    w->mnuViewOnTop->trigger();
    EXPECT_EQ(modMain::ProgConfig(6), "True");
    EXPECT_TRUE(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

// Always on Top changes the window's place in the z-order only: the window
// is not hidden or made anew (a window manager would place and size a new
// one as it likes), and it keeps its size and place, as the options do.
TEST_F(MainWindowTest, AlwaysOnTopKeepsTheWindowAndItsGeometry) {
    Start();
    QCoreApplication::processEvents();
    const QWindow* handle = w->windowHandle();
    const WId id = w->winId();
    const QRect frame = w->frameGeometry();
    const auto options = [] {
        std::vector<std::string> v;
        for (long i = 16; i <= 20; ++i) v.push_back(modMain::ProgConfig(i));
        return v;
    };
    const std::vector<std::string> geometry = options();
    int hidden = 0;
    EventCounter hides(w.get(), QEvent::Hide, hidden);
    for (bool on : {true, false}) {
        SCOPED_TRACE(on);
        w->mnuViewOnTop->trigger();
        QCoreApplication::processEvents();
        EXPECT_EQ(w->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint), on);
        EXPECT_EQ(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint), on);
        EXPECT_EQ(w->windowHandle(), handle);
        EXPECT_EQ(w->winId(), id);
        EXPECT_EQ(hidden, 0);
        EXPECT_TRUE(w->isVisible());
        EXPECT_EQ(w->frameGeometry(), frame);
        EXPECT_EQ(options(), geometry);
    }
}

TEST_F(MainWindowTest, DeleteCurrentUserWithNobodyLoggedInOnlyTells) {
    Start();
    w->mnuFileDelCurUser->trigger();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].prompt, "T11");
    EXPECT_TRUE(std::filesystem::exists(databases + "/TestUser.vdb"));
}

TEST_F(MainWindowTest, DeleteCurrentUserAsksAndDeletesOnlyOnYes) {
    StartLoggedIn();
    Answer(7);
    w->mnuFileDelCurUser->trigger();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].prompt, "T4 \"TestUser\"");
    EXPECT_TRUE(std::filesystem::exists(databases + "/TestUser.vdb"));
    EXPECT_EQ(modMain::CurUser, kUser);

    Answer(6);
    w->mnuFileDelCurUser->trigger();
    EXPECT_FALSE(std::filesystem::exists(databases + "/TestUser.vdb"));
    EXPECT_EQ(modMain::CurUser, "");
    EXPECT_EQ(w->trvDatabase->NodeCount(), 0);
    EXPECT_EQ(modMain::ProgConfig(4), "");
}

TEST_F(MainWindowTest, UnloadUserAsksOkCancel) {
    StartLoggedIn();
    Answer(2);
    w->mnuFileUnloadUser->trigger();
    EXPECT_EQ(boxes.back().prompt, "T139");
    EXPECT_EQ(modMain::CurUser, kUser);
    Answer(1);
    w->mnuFileUnloadUser->trigger();
    EXPECT_EQ(modMain::CurUser, "");
    EXPECT_EQ(w->trvDatabase->NodeCount(), 0);
    EXPECT_TRUE(w->txtValue->toPlainText().isEmpty());
}

TEST_F(MainWindowTest, SaveTellsOnlyWhenSaved) {
    StartLoggedIn();
    w->mnuFileSaveDB->trigger();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].prompt, "T21");
    modMain::UnloadUser();
    w->mnuFileSaveDB->trigger();  // nothing loaded: the save fails, no message
    EXPECT_EQ(boxes.size(), 1u);
}

}  // namespace
}  // namespace guitest
