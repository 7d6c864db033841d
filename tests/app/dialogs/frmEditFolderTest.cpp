// The edit folder dialog: the record dialog's twin for a folder row, with
// the title, icon, colour and bold flag only.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "RecordDialogsTestSupport.h"
#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "app/core/modMainTree.h"
#include "app/dialogs/frmEditFolder.h"
#include "platform/qt/Choosers.h"

namespace {

using recordtest::RecordDialogTest;
using Row = coretest::Row;

class EditFolderDialog : public RecordDialogTest {
protected:
    void Edit(const std::string& key, const std::function<void(frmEditFolder&)>& script) {
        frmEditFolder dialog(tree);
        dialog.RecordID = key;
        RunModal(dialog, [&] { script(dialog); });
    }
};

TEST_F(EditFolderDialog, HasTheTitleIconColourAndBoldOnly) {
    frmEditFolder dialog(tree);
    EXPECT_EQ(dialog.windowTitle(), "Edit Folder");
    dialog.RecordID = "3key";
    RunModal(dialog, [&] {
        EXPECT_EQ(dialog.windowTitle(), "T104");
        for (const char* absent : {"txtLogin", "txtPasw", "txtDesc", "cmdGenerate", "lblLoginCap"})
            EXPECT_EQ(dialog.findChild<QWidget*>(absent), nullptr) << absent;
        ExpectCaptions(dialog, {{"lblTitleCap", "T13:"},
                                {"lblIconCap", "T67:"},
                                {"lblColor", "T68:"},
                                {"cmdChangeCol", "T71"},
                                {"chkBold", "T70"},
                                {"cmdSaveChanges", "T69"},
                                {"cmdCancel", "T24"}});
        EXPECT_EQ(dialog.txtTitle->text(), "Old");
        // A folder's picture is one of the same 43.
        EXPECT_EQ(dialog.imcIcons->count(), 43);
        EXPECT_EQ(dialog.imcIcons->currentIndex(), 1);
        // Esc is Cancel here too.
        QTest::keyClick(dialog.txtTitle, Qt::Key_Escape);
        EXPECT_FALSE(dialog.IsLoaded());
    });
    EXPECT_TRUE(tree.updates.empty());
}

TEST_F(EditFolderDialog, SaveWritesTheFolderRowAndItsNodeAndLeavesTheRestOfTheRow) {
    qtplat::SetColorChooserForTests(
        [](QWidget*, std::uint32_t, qtplat::CustomColorTable&) { return std::optional<std::uint32_t>(0x8000); });
    Edit("3key", [&](frmEditFolder& d) {
        d.txtTitle->setText("Archive");
        d.imcIcons->setCurrentIndex(11);
        d.cmdChangeCol->click();
        d.chkBold->click();
        d.cmdSaveChanges->click();
        EXPECT_FALSE(d.IsLoaded());
    });
    EXPECT_EQ(RowOf("3"), (Row{"3", "1", "1", "Archive", "", "", "", "12key", "32768|1"}));
    const auto& node = tree.At("3key");
    EXPECT_EQ(node.node.text, "Archive");
    EXPECT_EQ(node.node.image, "12key");
    EXPECT_EQ(node.node.colour, 0x8000);
    EXPECT_TRUE(node.node.bold);
    EXPECT_EQ(node.node.tag, "1");
    EXPECT_EQ(node.parent, "1key");
    // The records in it are not touched.
    EXPECT_EQ(RowOf("2"), (Row{"2", "1", "2", "Post", "login-2", "pw-2", "", "1key", "0|0"}));
}

TEST_F(EditFolderDialog, TheRootIsNoRowAndCannotBeEdited) {
    frmEditFolder dialog(tree);
    dialog.RecordID = modMain::kRootKey;
    dialog.ShowModal();
    EXPECT_FALSE(dialog.IsLoaded());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(tree.updates.empty());
    EXPECT_EQ(tree.At("0key").node.text, "alice");
}

}  // namespace
