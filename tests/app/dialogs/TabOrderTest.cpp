// The Tab key walks every dialog's controls in reading order, with Cancel
// (or the dialog's way back) last: Enter clicks the focused button, so a
// Tab too many must never land on Cancel before the confirming button.
#include <QApplication>
#include <QTest>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "RecordDialogsTestSupport.h"
#include "app/dialogs/FindTarget.h"
#include "app/dialogs/TrayIconTarget.h"
#include "app/dialogs/frmAbout.h"
#include "app/dialogs/frmAddRecord.h"
#include "app/dialogs/frmAddUser.h"
#include "app/dialogs/frmChangeUsPasw.h"
#include "app/dialogs/frmEditFolder.h"
#include "app/dialogs/frmEditRecord.h"
#include "app/dialogs/frmFind.h"
#include "app/dialogs/frmOptions.h"
#include "app/dialogs/frmPassword.h"
#include "app/dialogs/frmPaswGenerator.h"
#include "app/dialogs/frmRestore.h"
#include "app/dialogs/frmSelectUser.h"

namespace recordtest {
namespace {

using Names = std::vector<std::string>;

class NoTree : public FindTarget {
public:
    bool SelectTreeNode(const std::string&) override { return false; }
    void SetDropHighlight(const std::string&) override {}
    void EnsureTreeNodeVisible(const std::string&) override {}
    void trvDatabaseClick() override {}
};

class NoTray : public TrayIconTarget {
public:
    void TrayIconManagement(std::int32_t) override {}
};

class TabOrderTest : public RecordDialogTest {
protected:
    // The names of the controls Tab visits, from the first control of
    // `order` round to it again.
    Names Walk(VbDialog& dialog, const std::string& first) {
        Names visited;
        RunModal(dialog, [&] {
            auto* start = dialog.findChild<QWidget*>(QString::fromStdString(first));
            ASSERT_NE(start, nullptr) << first;
            start->setFocus(Qt::TabFocusReason);
            for (int step = 0; step < 40; ++step) {
                QWidget* focused = QApplication::focusWidget();
                ASSERT_NE(focused, nullptr);
                if (step > 0 && focused == start) break;
                visited.push_back(focused->objectName().toStdString());
                QTest::keyClick(focused, Qt::Key_Tab);
            }
            dialog.Unload();
        });
        return visited;
    }

    NoTree findTarget;
    NoTray trayTarget;
};

TEST_F(TabOrderTest, TabFollowsTheLayoutWithCancelLast) {
    // Each dialog's focusable controls in reading order: row by row, left to
    // right; an exclusive group of option buttons is one stop.
    struct Case {
        const char* form;
        std::function<std::unique_ptr<VbDialog>()> make;
        Names order;
    };
    const Case cases[] = {
        {"frmAddRecord",
         [&] {
             auto d = std::make_unique<frmAddRecord>(tree);
             d->rParent = "1";
             return std::unique_ptr<VbDialog>(std::move(d));
         },
         {"txtTitle", "txtLogin", "txtPasw", "cmdGenerate", "txtDesc", "cmdOk", "cmdCancel"}},
        {"frmEditRecord",
         [&] {
             auto d = std::make_unique<frmEditRecord>(tree);
             d->RecordID = "2key";
             return std::unique_ptr<VbDialog>(std::move(d));
         },
         {"txtTitle", "txtLogin", "txtPasw", "cmdGenerate", "txtDesc", "imcIcons", "cmdChangeCol", "chkBold",
          "cmdSaveChanges", "cmdCancel"}},
        {"frmEditFolder",
         [&] {
             auto d = std::make_unique<frmEditFolder>(tree);
             d->RecordID = "1key";
             return std::unique_ptr<VbDialog>(std::move(d));
         },
         {"txtTitle", "imcIcons", "cmdChangeCol", "chkBold", "cmdSaveChanges", "cmdCancel"}},
        {"frmPaswGenerator",
         [] { return std::make_unique<frmPaswGenerator>(VbDialog::Owner::None); },
         {"txtPaswLenght", "cmdGenerate", "txtPasw", "chkClipCopy", "cmdOk", "cmdCancel"}},
        {"frmPassword", [] { return std::make_unique<frmPassword>(); }, {"txtPassword", "cmdOk", "cmdCancel"}},
        {"frmAddUser",
         [] { return std::make_unique<frmAddUser>(VbDialog::Owner::None); },
         {"txtNewUsName", "txtPasw", "txtConfirm", "chkLoadAfterAdd", "cmdAddUser", "cmdCancel"}},
        {"frmChangeUsPasw",
         [] { return std::make_unique<frmChangeUsPasw>(); },
         {"txtPassword", "txtConfirm", "cmdOk", "cmdCancel"}},
        {"frmFind",
         [&] { return std::make_unique<frmFind>(findTarget); },
         {"txtFindText", "optSearchTitles", "chkCaseSens", "cmdFind", "cmdCancel"}},
        {"frmOptions",
         [&] { return std::make_unique<frmOptions>(trayTarget); },
         {"chkStartWithWin", "chkPaswProtect", "txtInactMin", "chkLoadLUser", "chkTrayMode", "chkDBBackup",
          "txtBackCopies", "txtDBPath", "cmdChangeDBPath", "cmbLang", "cmdOk", "cmdCancel"}},
        {"frmRestore",
         [] { return std::make_unique<frmRestore>(); },
         {"lstRestorDBs", "cmdRestore", "cmdDelete", "cmdBack"}},
        {"frmSelectUser",
         [] { return std::make_unique<frmSelectUser>(); },
         {"lstUsers", "cmdChooseUser", "cmdAddUser", "cmdDelUser", "cmdChangePath", "cmdExit"}},
        {"frmAbout", [] { return std::make_unique<frmAbout>(); }, {"txtMail", "txtSite", "cmdBack"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.form);
        std::unique_ptr<VbDialog> dialog = c.make();
        const Names walked = Walk(*dialog, c.order.front());
        EXPECT_EQ(walked, c.order);
    }
}

}  // namespace
}  // namespace recordtest
