// The edit record dialog against a user logged in through the core: the row
// shown, the icon, colour and bold flag, what Save writes to the row and the
// node, and what Cancel, a missing row, a damaged row and a database switched
// meanwhile leave.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QWindow>

#include "RecordDialogsTestSupport.h"
#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "app/dialogs/frmEditRecord.h"
#include "app/dialogs/frmPaswGenerator.h"
#include "platform/qt/Choosers.h"

namespace {

using recordtest::RecordDialogTest;
using Row = coretest::Row;

class EditRecordDialog : public RecordDialogTest {
protected:
    void Edit(const std::string& key, const std::function<void(frmEditRecord&)>& script) {
        frmEditRecord dialog(tree);
        dialog.RecordID = key;
        RunModal(dialog, [&] { script(dialog); });
    }

    // Sets a field of record 2 ("Post").
    static void SetField(const char* name, const std::string& value) {
        clsDatabase& db = *modMain::CurUsDB;
        std::int32_t start = 0;
        db.SetTblFldValNm(1, db.GetRecNumFromVal(1, 1, "2", start), name, value);
    }

    // The colour dialog answers `answer`; the colours it started with are
    // kept in `offered`.
    void ColourDialogAnswers(std::optional<std::uint32_t> answer) {
        qtplat::SetColorChooserForTests([this, answer](QWidget*, std::uint32_t initial, qtplat::CustomColorTable&) {
            offered.push_back(initial);
            return answer;
        });
    }

    std::vector<std::uint32_t> offered;
};

TEST_F(EditRecordDialog, ShowsTheRowWithItsCaptionsFromTheLanguageFile) {
    SetField("Description", "line 1\r\nline 2");
    frmEditRecord dialog(tree);
    EXPECT_EQ(dialog.windowTitle(), "Edit Record");
    EXPECT_EQ(dialog.cmdSaveChanges->text(), "Save changes");
    dialog.RecordID = "2key";
    RunModal(dialog, [&] {
        EXPECT_EQ(dialog.windowTitle(), "T105");
        ExpectCaptions(dialog, {{"lblTitleCap", "T13:"},
                                {"lblLoginCap", "T14:"},
                                {"lblPaswCap", "T15:"},
                                {"lblDescCap", "T16:"},
                                {"lblIconCap", "T67:"},
                                {"lblColor", "T68:"},
                                {"cmdChangeCol", "T71"},
                                {"chkBold", "T70"},
                                {"cmdGenerate", "T60"},
                                {"cmdSaveChanges", "T69"},
                                {"cmdCancel", "T24"}});
        EXPECT_NE(dialog.findChild<ColorSwatch*>("picColor"), nullptr);
        EXPECT_EQ(dialog.txtTitle->text(), "Post");
        EXPECT_EQ(dialog.txtLogin->text(), "login-2");
        EXPECT_EQ(dialog.txtPasw->text(), "pw-2");
        EXPECT_EQ(dialog.txtPasw->echoMode(), QLineEdit::Normal);
        EXPECT_EQ(dialog.txtDesc->toPlainText(), "line 1\nline 2");
        dialog.cmdCancel->click();
    });
}

TEST_F(EditRecordDialog, ANewRecordOpensPlainAndBlackAndSavesUnchanged) {
    Edit("2key", [&](frmEditRecord& d) {
        // The tree's 43 pictures, each without text; the database's own
        // picture is no row's image.
        auto* icons = d.findChild<QComboBox*>("imcIcons");
        ASSERT_NE(icons, nullptr);
        ASSERT_EQ(icons->count(), 43);
        EXPECT_EQ(icons->itemData(42).toInt(), 43);
        EXPECT_TRUE(icons->itemText(0).isEmpty());
        EXPECT_FALSE(icons->itemIcon(0).isNull());
        EXPECT_EQ(icons->currentIndex(), 0);
        EXPECT_EQ(d.picColor->BackColor(), 0);
        EXPECT_FALSE(d.chkBold->isChecked());
        EXPECT_EQ(d.RecColor, 0);
        EXPECT_EQ(d.RecFlags, 0);
        d.cmdSaveChanges->click();
        EXPECT_FALSE(d.IsLoaded());
    });
    EXPECT_EQ(RowOf("2"), (Row{"2", "1", "2", "Post", "login-2", "pw-2", "", "1key", "0|0"}));
    ASSERT_EQ(tree.updates.size(), 1u);
    const TreeNode& node = tree.updates[0];
    EXPECT_EQ(node.key, "2key");
    EXPECT_EQ(node.text, "Post");
    EXPECT_EQ(node.image, "1key");
    EXPECT_EQ(node.colour, 0);
    EXPECT_FALSE(node.bold);
}

TEST_F(EditRecordDialog, SaveWritesEveryBoxToTheRowAndTheNode) {
    Edit("2key", [&](frmEditRecord& d) {
        d.txtTitle->setText("Postbox");
        d.txtLogin->setText("me");
        d.txtPasw->setText("n3w");
        d.txtDesc->setPlainText("a\nb");
        d.imcIcons->setCurrentIndex(6);
        d.chkBold->click();
        d.cmdSaveChanges->click();
    });
    EXPECT_EQ(RowOf("2"), (Row{"2", "1", "2", "Postbox", "me", "n3w", "a\r\nb", "7key", "0|1"}));
    const auto& node = tree.At("2key").node;
    EXPECT_EQ(node.text, "Postbox");
    EXPECT_EQ(node.image, "7key");
    EXPECT_TRUE(node.bold);
    EXPECT_EQ(node.tag, "2");
    EXPECT_EQ(tree.At("2key").parent, "1key");
}

TEST_F(EditRecordDialog, BoldIsOneBitAndTheOtherBitsSurvive) {
    const struct {
        const char* flags;
        bool bold;
        const char* saved;
    } cases[] = {{"255|3", true, "255|2"}, {"255|2", false, "255|3"}, {"16711680|0", false, "16711680|1"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.flags);
        SetField("Flags", c.flags);
        Edit("2key", [&](frmEditRecord& d) {
            EXPECT_EQ(d.chkBold->isChecked(), c.bold);
            EXPECT_EQ(d.picColor->BackColor(), d.RecColor);
            EXPECT_EQ(d.picColor->palette().color(QPalette::Window),
                      std::string(c.flags).starts_with("255|") ? QColor(255, 0, 0) : QColor(0, 0, 255));
            d.chkBold->click();
            d.cmdSaveChanges->click();
        });
        EXPECT_EQ(RowOf("2")[8], c.saved);
        EXPECT_EQ(tree.updates.back().bold, !c.bold);
        EXPECT_EQ(tree.updates.back().colour, std::stoi(c.flags));
    }
}

TEST_F(EditRecordDialog, TheColourDialogStartsAtTheRowsColourAndCancelKeepsIt) {
    SetField("Flags", "255|0");
    Edit("2key", [&](frmEditRecord& d) {
        ColourDialogAnswers(0x00FF00);
        d.cmdChangeCol->click();
        EXPECT_EQ(d.picColor->BackColor(), 0x00FF00);
        EXPECT_EQ(d.RecColor, 0x00FF00);
        // A double click on the swatch opens it too; cancelled, nothing moves.
        ColourDialogAnswers(std::nullopt);
        QTest::mouseDClick(d.picColor, Qt::LeftButton);
        EXPECT_EQ(d.picColor->BackColor(), 0x00FF00);
        d.cmdSaveChanges->click();
    });
    EXPECT_EQ(offered, (std::vector<std::uint32_t>{255, 0x00FF00}));
    EXPECT_EQ(RowOf("2")[8], "65280|0");
    EXPECT_EQ(tree.At("2key").node.colour, 0x00FF00);
}

TEST_F(EditRecordDialog, CancelAndEscChangeNothingEvenAfterAGeneratedPassword) {
    for (const char* control : {"", "txtTitle", "txtDesc", "imcIcons", "cmdSaveChanges"}) {
        SCOPED_TRACE(control);
        Edit("2key", [&](frmEditRecord& d) {
            d.txtTitle->setText("Changed");
            d.chkBold->click();
            OnNextModal([](QWidget* w) {
                auto& g = dynamic_cast<frmPaswGenerator&>(*w);
                g.cmdGenerate->click();
                g.cmdOk->click();
            });
            d.cmdGenerate->click();
            EXPECT_EQ(d.txtPasw->text().toStdString(), modMain::LastGenPasw.str());
            if (*control == '\0') {
                d.cmdCancel->click();
            } else {
                auto* widget = d.findChild<QWidget*>(control);
                widget->setFocus();
                QTest::keyClick(widget, Qt::Key_Escape);
            }
            EXPECT_FALSE(d.IsLoaded());
        });
    }
    EXPECT_EQ(RowOf("2"), (Row{"2", "1", "2", "Post", "login-2", "pw-2", "", "1key", "0|0"}));
    EXPECT_TRUE(tree.updates.empty());
}

TEST_F(EditRecordDialog, AGeneratedPasswordIsSavedWithTheRecord) {
    Edit("2key", [&](frmEditRecord& d) {
        OnNextModal([](QWidget* w) {
            auto& g = dynamic_cast<frmPaswGenerator&>(*w);
            g.cmdGenerate->click();
            g.cmdCancel->click();
        });
        d.cmdGenerate->click();
        d.cmdSaveChanges->click();
    });
    EXPECT_EQ(RowOf("2")[5], modMain::LastGenPasw.str());
    EXPECT_EQ(modMain::LastGenPasw.size(), 12u);
}

TEST_F(EditRecordDialog, AnImageThatIsNoTreePictureIsKeptUnlessOneIsChosen) {
    for (const char* image : {"44key", "0key", "DBIcon", "", "99999999999key"}) {
        SCOPED_TRACE(image);
        SetField("Image", image);
        tree.updates.clear();
        Edit("2key", [&](frmEditRecord& d) {
            EXPECT_EQ(d.imcIcons->currentIndex(), -1);
            d.cmdSaveChanges->click();
        });
        EXPECT_EQ(RowOf("2")[7], image);
        ASSERT_EQ(tree.updates.size(), 1u);
        EXPECT_EQ(tree.updates[0].image, "") << "the node keeps its picture";
        EXPECT_EQ(tree.At("2key").node.image, "1key");
    }
    Edit("2key", [&](frmEditRecord& d) {
        d.imcIcons->setCurrentIndex(42);
        d.cmdSaveChanges->click();
    });
    EXPECT_EQ(RowOf("2")[7], "43key");
}

TEST_F(EditRecordDialog, DamagedFlagsOpenBlackAndPlainAndAreWrittenWhole) {
    for (const char* flags : {"", "7", "red|1", "|1", "99999999999|0"}) {
        SCOPED_TRACE(flags);
        SetField("Flags", flags);
        Edit("2key", [&](frmEditRecord& d) {
            EXPECT_EQ(d.picColor->BackColor(), 0);
            EXPECT_FALSE(d.chkBold->isChecked());
            d.cmdSaveChanges->click();
        });
        EXPECT_EQ(RowOf("2")[8], "0|0");
        const auto log = LogMessages();
        EXPECT_NE(std::find(log.begin(), log.end(),
                            std::string("frmEditRecord: the flags \"") + flags +
                                "\" of \"2key\" cannot be read; shown black and plain"),
                  log.end());
    }
}

TEST_F(EditRecordDialog, AKeyNoRowHasIsRefusedWhenTheDialogOpens) {
    for (const char* key : {"0key", "99key", "key", ""}) {
        SCOPED_TRACE(key);
        boxes.clear();
        frmEditRecord dialog(tree);
        dialog.RecordID = key;
        EXPECT_TRUE(dialog.ShowModal());
        EXPECT_FALSE(dialog.IsLoaded());
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_NE(boxes[0].prompt.find("cannot be edited"), std::string::npos) << boxes[0].prompt;
    }
    EXPECT_TRUE(tree.updates.empty());
    EXPECT_EQ(RowCount(), 4);
}

TEST_F(EditRecordDialog, ARowGoneOrADatabaseSwitchedBeforeSaveIsNotWrittenTo) {
    // The row deleted while the dialog was open.
    Edit("2key", [&](frmEditRecord& d) {
        modMain::CurUsDB->DeleteRec(1, 2);
        d.cmdSaveChanges->click();
        EXPECT_FALSE(d.IsLoaded());
    });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].prompt.find("Nothing was changed"), std::string::npos) << boxes[0].prompt;
    EXPECT_EQ(RowCount(), 3);

    // Another user logged in meanwhile, whose record 1 has the same key.
    boxes.clear();
    Edit("4key", [&](frmEditRecord& d) {
        LogIn("bob", "bobspass1", {treetest::Record("4", "0", "Bob's")});
        d.txtTitle->setText("Changed");
        d.cmdSaveChanges->click();
        EXPECT_FALSE(d.IsLoaded());
    });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].prompt.find("Nothing was changed"), std::string::npos) << boxes[0].prompt;
    EXPECT_EQ(RowOf("4")[3], "Bob's");
    EXPECT_TRUE(tree.updates.empty());
}

TEST_F(EditRecordDialog, StoredBytesSurviveAnEditThatDoesNotTouchThem) {
    SetField("Title", "caf\xE9\xA0\x80");
    SetField("Login", "\x81\x8D");
    SetField("Description", "x\xA0y\r\n\r\n\tz");
    Edit("2key", [&](frmEditRecord& d) { d.cmdSaveChanges->click(); });
    const Row row = RowOf("2");
    EXPECT_EQ(row[3], "caf\xE9\xA0\x80");
    EXPECT_EQ(row[4], "\x81\x8D");
    EXPECT_EQ(row[6], "x\xA0y\r\n\r\n\tz");
    EXPECT_TRUE(boxes.empty());
}

TEST_F(EditRecordDialog, HasNoAlwaysOnTopStep) {
    SetOption(6, "True");
    Edit("2key", [&](frmEditRecord& d) {
        EXPECT_FALSE(d.windowHandle()->flags() & Qt::WindowStaysOnTopHint);
        d.cmdCancel->click();
    });
}

}  // namespace
