// The add record dialog against a user logged in through the core: the new
// row, its node in the tree, the password taken from the generator, and
// what Cancel, a refused text and a database switched meanwhile leave.
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QWindow>
#include <algorithm>

#include "RecordDialogsTestSupport.h"
#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "app/core/modMainTree.h"
#include "app/core/modMainUsers.h"
#include "app/dialogs/frmAddRecord.h"
#include "app/dialogs/frmPaswGenerator.h"
#include "platform/CodePage.h"

namespace {

using recordtest::RecordDialogTest;
using Row = coretest::Row;

class AddRecordDialog : public RecordDialogTest {
protected:
    void Add(const std::string& parent, const std::function<void(frmAddRecord&)>& script) {
        frmAddRecord dialog(tree);
        dialog.rParent = parent;
        RunModal(dialog, [&] { script(dialog); });
    }

    static void Fill(frmAddRecord& d, const QString& title, const QString& login, const QString& password,
                     const QString& description) {
        d.txtTitle->setText(title);
        d.txtLogin->setText(login);
        d.txtPasw->setText(password);
        d.txtDesc->setPlainText(description);
    }

    // Generates `times` passwords in the generator the next dialog opens,
    // then closes it with Cancel; the passwords go to `generated`.
    static void GenerateInNextGenerator(int times, std::vector<std::string>& generated) {
        OnNextModal([times, &generated](QWidget* w) {
            auto* g = dynamic_cast<frmPaswGenerator*>(w);
            ASSERT_NE(g, nullptr);
            for (int i = 0; i < times; ++i) {
                g->cmdGenerate->click();
                generated.push_back(g->txtPasw->text().toStdString());
            }
            g->cmdCancel->click();
        });
    }
};

TEST_F(AddRecordDialog, ControlsCarryTheirNamesAndEntryLabelsEndInAColon) {
    frmAddRecord dialog(tree);
    EXPECT_EQ(dialog.windowTitle(), "Add Record");
    EXPECT_EQ(dialog.lblDescCap->text(), "Desription:");
    EXPECT_EQ(dialog.txtTitle->text().toStdString(), modMain::NewRecordText());
    dialog.rParent = "1";
    RunModal(dialog, [&] {
        EXPECT_EQ(dialog.windowTitle(), "T101");
        ExpectCaptions(dialog, {{"lblTitleCap", "T13:"},
                                {"lblLoginCap", "T14:"},
                                {"lblPaswCap", "T15:"},
                                {"lblDescCap", "T16:"},
                                {"cmdGenerate", "T60"},
                                {"cmdOk", "T25"},
                                {"cmdCancel", "T24"}});
        EXPECT_EQ(dialog.findChild<QLineEdit*>("txtPasw")->echoMode(), QLineEdit::Normal);
        EXPECT_NE(dialog.findChild<QPlainTextEdit*>("txtDesc"), nullptr);
        dialog.cmdCancel->click();
    });
    const auto log = LogMessages();
    EXPECT_NE(std::find(log.begin(), log.end(), "FUNC: frmAddRecord.Form_Load"), log.end());
}

TEST_F(AddRecordDialog, OkAddsTheRowAndItsNodeUnderTheFolder) {
    Add("3", [&](frmAddRecord& d) {
        Fill(d, "Shop", "me@example.org", "pa55word", "first line\nsecond line");
        d.cmdOk->click();
        EXPECT_FALSE(d.IsLoaded());
    });
    // The next identifier after the table's tag, which is raised to it.
    EXPECT_EQ(RowOf("5"),
              (Row{"5", "3", "2", "Shop", "me@example.org", "pa55word", "first line\r\nsecond line", "1key", "0|0"}));
    EXPECT_EQ(modMain::CurUsDB->GetTblTag(1), "5");
    const auto& node = tree.At("5key");
    EXPECT_EQ(node.parent, "3key");
    EXPECT_EQ(node.node.text, "Shop");
    EXPECT_EQ(node.node.image, "1key");
    EXPECT_EQ(node.node.tag, "2");
    EXPECT_EQ(node.node.colour, 0);
    EXPECT_FALSE(node.node.bold);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(AddRecordDialog, NothingIsValidated) {
    // All boxes empty: a record with an empty title; untouched: the title
    // the box starts with.
    Add("0", [&](frmAddRecord& d) {
        Fill(d, "", "", "", "");
        d.cmdOk->click();
    });
    // The fixed title is the code page's: English where the page has no
    // Cyrillic letters, never question marks.
    plat::SetAnsiCodePageForTests(1252);
    Add("1", [&](frmAddRecord& d) { d.cmdOk->click(); });
    plat::SetAnsiCodePageForTests(1251);
    Add("1", [&](frmAddRecord& d) { d.cmdOk->click(); });
    plat::SetAnsiCodePageForTests(0);
    EXPECT_EQ(RowOf("5"), (Row{"5", "0", "2", "", "", "", "", "1key", "0|0"}));
    EXPECT_EQ(tree.At("5key").node.text, "");
    EXPECT_EQ(tree.At("5key").parent, "0key");
    EXPECT_EQ(RowOf("6")[3], "New record");
    EXPECT_EQ(tree.At("6key").node.text, "New record");
    EXPECT_EQ(RowOf("7")[3], "\xCD\xEE\xE2\xE0\xFF \xC7\xE0\xEF\xE8\xF1\xFC");
    EXPECT_TRUE(boxes.empty());
}

TEST_F(AddRecordDialog, EveryCharacterTheCodePageHoldsIsStoredAsItsByte) {
    // A no-break space, the euro sign, a code point the code page leaves
    // undefined and a tab survive; the description's line breaks are CR LF.
    Add("1", [&](frmAddRecord& d) {
        Fill(d, QString::fromUtf8("caf\u00e9\u00a0\u20ac"), QString(QChar(0x81)), "a\tb",
             QString::fromUtf8("x\u00a0y\n\nz"));
        d.cmdOk->click();
    });
    const Row row = RowOf("5");
    ASSERT_EQ(row.size(), 9u);
    EXPECT_EQ(row[3], "caf\xE9\xA0\x80");
    EXPECT_EQ(row[4], "\x81");
    EXPECT_EQ(row[5], "a\tb");
    EXPECT_EQ(row[6], "x\xA0y\r\n\r\nz");
}

TEST_F(AddRecordDialog, ATextTheCodePageCannotHoldIsRefusedAndNothingIsLost) {
    const QString cyrillic = QString::fromUtf8("\u043f\u0430\u0440\u043e\u043b\u044c");
    // The message names the box; only the title's characters are shown.
    const std::pair<const char*, const char*> cases[] = {
        {"txtTitle", "The title holds"},
        {"txtLogin", "The login holds"},
        {"txtPasw", "The password holds"},
        {"txtDesc", "The description holds"},
    };
    for (const auto& [box, named] : cases) {
        SCOPED_TRACE(box);
        boxes.clear();
        Add("1", [&](frmAddRecord& d) {
            Fill(d, "Title", "login", "password", "description");
            if (auto* line = d.findChild<QLineEdit*>(box))
                line->setText(cyrillic);
            else
                d.txtDesc->setPlainText(cyrillic);
            d.cmdOk->click();
            EXPECT_TRUE(d.IsLoaded());
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].prompt.rfind(named, 0), 0u) << boxes[0].prompt;
            EXPECT_NE(boxes[0].prompt.find("cannot store"), std::string::npos) << boxes[0].prompt;
            EXPECT_EQ(boxes[0].prompt.find("U+043F") != std::string::npos, std::string(box) == "txtTitle")
                << boxes[0].prompt;
            EXPECT_EQ(RowCount(), 4);
            EXPECT_EQ(tree.nodes.count("5key"), 0u);
            d.cmdCancel->click();
        });
    }
    // Mended, the same dialog adds the record.
    Add("1", [&](frmAddRecord& d) {
        Fill(d, "Title", cyrillic, "password", "");
        d.cmdOk->click();
        EXPECT_TRUE(d.IsLoaded());
        d.txtLogin->setText("login");
        d.cmdOk->click();
        EXPECT_FALSE(d.IsLoaded());
    });
    EXPECT_EQ(RowOf("5")[4], "login");
}

TEST_F(AddRecordDialog, CancelAndEscAddNothing) {
    for (const char* control : {"", "txtTitle", "txtDesc", "cmdOk"}) {
        SCOPED_TRACE(control);
        Add("1", [&](frmAddRecord& d) {
            Fill(d, "Title", "login", "password", "description");
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
    EXPECT_EQ(RowCount(), 4);
    EXPECT_EQ(modMain::CurUsDB->GetTblTag(1), "4");
    EXPECT_EQ(tree.nodes.count("5key"), 0u);
}

TEST_F(AddRecordDialog, GenerateTakesTheLastPasswordTheGeneratorMade) {
    SetOption(10, "0");
    // A password from an earlier use of the generator is no answer.
    modMain::LastGenPasw = trace::Secret("earlier");
    std::vector<std::string> generated;
    Add("1", [&](frmAddRecord& d) {
        d.txtPasw->setText("typed");
        GenerateInNextGenerator(0, generated);
        d.cmdGenerate->click();
        EXPECT_EQ(d.txtPasw->text(), "typed") << "nothing generated: the box keeps its text";
        EXPECT_TRUE(modMain::LastGenPasw.empty());

        GenerateInNextGenerator(2, generated);
        d.cmdGenerate->click();
        ASSERT_EQ(generated.size(), 2u);
        EXPECT_NE(generated[0], generated[1]);
        EXPECT_EQ(d.txtPasw->text().toStdString(), generated[1]);
        d.cmdOk->click();
    });
    EXPECT_EQ(RowOf("5")[5], generated[1]);
}

TEST_F(AddRecordDialog, TheLockClosesTheGeneratorAndTheDialogAndNothingIsAdded) {
    Add("1", [&](frmAddRecord& d) {
        d.txtPasw->setText("typed");
        OnNextModal([](QWidget* w) {
            dynamic_cast<frmPaswGenerator&>(*w).cmdGenerate->click();
            VbDialog::UnloadAllOpen();
        });
        d.cmdGenerate->click();
        EXPECT_FALSE(d.IsLoaded());
    });
    EXPECT_EQ(RowCount(), 4);
    EXPECT_TRUE(VbDialog::OpenDialogs().empty());
}

TEST_F(AddRecordDialog, ADatabaseSwitchedWhileTheDialogIsOpenIsNotWrittenTo) {
    const std::shared_ptr<clsDatabase> alice = modMain::CurUsDB;
    Add("3", [&](frmAddRecord& d) {
        // Another user logs in meanwhile: folder 3 is not theirs.
        LogIn("bob", "bobspass1", {treetest::Folder("1", "0", "Bob's")});
        Fill(d, "Shop", "login", "password", "");
        d.cmdOk->click();
        EXPECT_FALSE(d.IsLoaded());
    });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].prompt.find("Nothing was changed"), std::string::npos) << boxes[0].prompt;
    EXPECT_EQ(RowCount(), 1);
    EXPECT_EQ(modMain::CurUsDB->GetTblTag(1), "1");
    EXPECT_EQ(alice->GetTblRecNum(1), 4);
    EXPECT_EQ(tree.nodes.count("2key"), 0u);
}

// A user file that is not as the core writes it loads all the same: a record
// is not added to a table that cannot hold its password, and what was typed
// stays in the dialog.
TEST_F(AddRecordDialog, ATableWithoutThePasswordColumnRefusesTheRecordAndKeepsWhatWasTyped) {
    vedb::DataBase record = modMain::CurUsDB->DB();
    record.Tables[0].Caption.fields[5].Name = "Pasword";
    modMain::CurUsDB->DB(record);
    Add("3", [&](frmAddRecord& d) {
        Fill(d, "Shop", "me", "pa55word", "");
        d.cmdOk->click();
        EXPECT_TRUE(d.IsLoaded());
        EXPECT_EQ(d.txtPasw->text(), "pa55word");
        d.cmdCancel->click();
    });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].prompt,
              "This item cannot be stored: the table \"DataTable\" has no column \"Password\". Nothing was changed.");
    EXPECT_EQ(RowCount(), 4);
    EXPECT_EQ(modMain::CurUsDB->GetTblTag(1), "4");
    EXPECT_EQ(tree.nodes.count("5key"), 0u);
}

TEST_F(AddRecordDialog, TheAddedRecordReachesTheFileWithTheUsersNextSave) {
    Add("1", [&](frmAddRecord& d) {
        Fill(d, "Shop", "login", "pa55word", "line 1\nline 2");
        d.cmdOk->click();
    });
    const trace::Secret hash = modMain::CurUsPasw;
    ASSERT_EQ(modMain::SaveUsDB(modMain::CurUsDB, modMain::GetTruePasw(hash)), 2);
    modMain::UnloadUser();
    ASSERT_EQ(modMain::FullUserLoad("alice", hash), std::nullopt);
    EXPECT_EQ(RowOf("5"), (Row{"5", "1", "2", "Shop", "login", "pa55word", "line 1\r\nline 2", "1key", "0|0"}));
    EXPECT_EQ(modMain::CurUsDB->GetTblTag(1), "5");
}

TEST_F(AddRecordDialog, StaysOnTopWhileTheOptionSaysSo) {
    for (const char* onTop : {"True", "False"}) {
        SetOption(6, onTop);
        Add("1", [&](frmAddRecord& d) {
            EXPECT_EQ((d.windowHandle()->flags() & Qt::WindowStaysOnTopHint) != 0, std::string(onTop) == "True");
            d.cmdCancel->click();
        });
    }
}

}  // namespace
