// The dialogs the window's commands open, and what those dialogs are given
// of the window: the record tree for the find and edit dialogs, the tray
// icon for the options.
#include <QTreeWidgetItem>

#include "app/dialogs/FindTarget.h"
#include "app/dialogs/TreeNodeTarget.h"
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
#include "app/mainwindow/RecordTree.h"
#include "app/mainwindow/frmMain.h"

namespace {

// The record tree as the find dialog and the edit dialogs reach it. It is
// its own small class because the find dialog's select answers whether the
// node exists, while the core's select does not.
class TreeOfWindow final : public FindTarget, public TreeNodeTarget {
public:
    explicit TreeOfWindow(frmMain& window) : w_(window) {}

    bool SelectTreeNode(const std::string& key) override {
        if (!w_.trvDatabase->Find(key)) return false;
        w_.SelectTreeNode(key);
        return true;
    }

    void SetDropHighlight(const std::string& key) override {
        if (QTreeWidgetItem* node = w_.trvDatabase->Find(key)) w_.trvDatabase->SetDropHighlight(node);
    }

    void EnsureTreeNodeVisible(const std::string& key) override {
        QTreeWidgetItem* node = w_.trvDatabase->Find(key);
        if (!node) return;
        for (QTreeWidgetItem* p = node->parent(); p; p = p->parent()) p->setExpanded(true);
        w_.trvDatabase->scrollToItem(node);
    }

    void trvDatabaseClick() override { w_.trvDatabaseClick(); }

    void UpdateTreeNode(const TreeNode& row) override {
        QTreeWidgetItem* node = w_.trvDatabase->Find(row.key);
        // The node may have gone while the dialog was open.
        if (!node) return;
        w_.trvDatabase->SetText(node, row.text);
        RecordTree::SetForeColor(node, row.colour);
        RecordTree::SetBold(node, row.bold);
        if (!row.image.empty()) w_.trvDatabase->SetImage(node, row.image);
    }

private:
    frmMain& w_;
};

}  // namespace

void frmMain::ShowDialog(const char* form, const std::string& input) {
    if (ShowForm)
        ShowForm(*this, form, input);
    else
        ShowOwnDialog(form, input);
}

void frmMain::ShowOwnDialog(const std::string& form, const std::string& input) {
    TRACE("ShowOwnDialog", TV(form), TV(input));
    TreeOfWindow tree(*this);
    if (form == "frmPassword")
        frmPassword::Ask(input);
    else if (form == "frmAddUser")
        frmAddUser::Show(VbDialog::Owner::MainWindow);
    else if (form == "frmSelectUser")
        frmSelectUser::Show();
    else if (form == "frmChangeUsPasw")
        frmChangeUsPasw::Show(input);
    else if (form == "frmRestore")
        frmRestore::Show();
    else if (form == "frmPaswGenerator")
        frmPaswGenerator::Show(VbDialog::Owner::MainWindow);
    else if (form == "frmFind")
        frmFind::Show(tree);
    else if (form == "frmOptions")
        frmOptions::Show(*this);
    else if (form == "frmAbout")
        frmAbout::Show();
    else if (form == "frmAddRecord")
        frmAddRecord::Show(input, *this);
    else if (form == "frmEditRecord")
        frmEditRecord::Show(input, tree);
    else if (form == "frmEditFolder")
        frmEditFolder::Show(input, tree);
}
