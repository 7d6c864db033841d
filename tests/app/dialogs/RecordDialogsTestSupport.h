#pragma once
// Shared set-up of the record, folder and generator dialog tests: a user
// logged in through the core with a few folders and records, the record tree
// built from that database into a recording window, language texts "T<n>"
// for the dialogs' numbers, the code page 1252, and a way to act on a dialog
// that another dialog opens.
#include <QString>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "DialogTestSupport.h"
#include "TreeTestSupport.h"
#include "app/dialogs/TreeNodeTarget.h"

class QWidget;

namespace recordtest {

using coretest::Row;

// The main window's tree as the dialogs see it: nodes added and updated.
class FakeTree : public treetest::FakeView, public TreeNodeTarget {
public:
    void UpdateTreeNode(const TreeNode& node) override;
    std::vector<TreeNode> updates;
};

class RecordDialogTest : public dialogtest::DialogTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Logs `name` in with `password` (a new user file holding `rows`); the
    // tree is then built from the loaded database.
    void LogIn(const std::string& name, const std::string& password, const std::vector<Row>& rows);
    // The row whose IndNum is `id`, as stored in the current database; empty
    // when there is none.
    Row RowOf(const std::string& id) const;
    int RowCount() const;

    // Each named control of `dialog` (a label, button or check box) shows
    // its text.
    static void ExpectCaptions(const QWidget& dialog, const std::vector<std::pair<const char*, QString>>& captions);

    // Runs `script` on the next modal window to open (a dialog that a
    // dialog opens), once it is active. A dialog still open afterwards is
    // unloaded and the test fails.
    static void OnNextModal(const std::function<void(QWidget*)>& script);

    // The rows every test starts with: folder 1 "Mail" under the root with
    // record 2 "Post" and folder 3 "Old" in it, record 4 "Bank" under the
    // root. The table's tag is 4.
    static std::vector<Row> StartRows();

    FakeTree tree;
};

}  // namespace recordtest
