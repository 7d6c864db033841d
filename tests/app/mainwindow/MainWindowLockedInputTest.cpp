// A locked window on a display without a window manager: minimising does
// not take it off the screen and it is never painted anew, so a click, a key
// or its activation is what asks for the password, once.
#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QMenuBar>
#include <QTest>
#include <QTreeWidgetItem>
#include <functional>

#include "SaveFaultFixture.h"
#include "app/core/modMain.h"
#include "app/mainwindow/RecordTree.h"

namespace guitest {
namespace {

void RunQueued() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

TEST_F(LockedWindowTest, AClickAKeyOrTheActivationOfTheLockedWindowAsksOnce) {
    struct Case {
        const char* name;
        std::function<void(frmMain&)> input;
    };
    const Case cases[] = {
        {"a click in the tree, twice",
         [](frmMain& w) {
             QTest::mouseClick(w.trvDatabase->viewport(), Qt::LeftButton);
             QTest::mouseClick(w.trvDatabase->viewport(), Qt::LeftButton);
         }},
        {"a click on the menu bar",
         [](frmMain& w) {
             QTest::mouseClick(w.menuBar(), Qt::LeftButton, {}, {5, 5});
         }},
        {"a key in the tree", [](frmMain& w) { QTest::keyClick(w.trvDatabase, Qt::Key_Down); }},
        {"a menu's shortcut (Exit)",
         [](frmMain& w) { QTest::keyClick(w.trvDatabase, Qt::Key_E, Qt::ControlModifier); }},
        {"the window becoming active",
         [](frmMain& w) {
             QWidget other;
             other.show();
             other.activateWindow();
             EXPECT_TRUE(QTest::qWaitForWindowActive(&other));
             w.activateWindow();
             EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StartSelected();
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
        IdleAndTick();
        ASSERT_TRUE(Locked());
        // As without a window manager: minimised, yet still on the screen.
        ASSERT_TRUE(w->isVisible());
        ASSERT_TRUE(w->isMinimized());
        RunQueued();
        ASSERT_TRUE(w->IsProtected) << "asked before any input";
        forms.clear();
        boxes.clear();
        passwordToGive = kPassword;
        c.input(*w);
        RunQueued();
        EXPECT_EQ(Prompts(), 1u);
        EXPECT_FALSE(w->IsProtected);
        EXPECT_FALSE(w->isMinimized());
        EXPECT_NE(w->trvDatabase->Find("9key"), nullptr);
        // The input went to the prompt, not to a command.
        EXPECT_TRUE(boxes.empty());
        EXPECT_FALSE(w->ForceExit);
        w.reset();
        DefaultOptions();
    }
}

}  // namespace
}  // namespace guitest
