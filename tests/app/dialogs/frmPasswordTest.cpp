// The password dialog against real user files made by the core, with the
// built library registered as the program finds it.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <filesystem>

#include "DialogTestSupport.h"
#include "VEDataBase/_clsMD5HASH.h"
#include "app/core/modMain.h"
#include "app/core/modMainUsers.h"
#include "app/dialogs/frmPassword.h"
#include "platform/CodePage.h"
#include "platform/com/Creation.h"
#include "platform/qt/Desktop.h"

namespace {

using dialogtest::DialogTest;

constexpr const char* kRight = "rightpass1";

std::string Md5Hex(const std::string& ansi) {
    return com::CreateObject<vedb::_clsMD5HASH>("VEDataBase.clsMD5HASH")->DigestStrToHexStr(ansi);
}

class PasswordDialog : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        MakeUser("alice", kRight);
    }

    void MakeUser(const std::string& name, const std::string& password) {
        ASSERT_EQ(modMain::AddUser(modMain::UserFilePath(name), name, trace::Secret(password)), modMain::kUserCreated);
    }

    // Shows the dialog for `user` and runs the script on it.
    void Ask(const std::string& user, const std::function<void(frmPassword&)>& script) {
        frmPassword dialog;
        dialog.lblUserName->setText(QString::fromStdString(user));
        RunModal(dialog, [&] { script(dialog); });
    }

    // Types into the password box; text beyond ASCII, which the test's key
    // events cannot carry, is put in as an input method would.
    static void Type(frmPassword& d, const QString& text) {
        d.txtPassword->clear();
        d.txtPassword->setFocus();
        const bool ascii = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
        if (ascii)
            QTest::keyClicks(d.txtPassword, text);
        else
            d.txtPassword->insert(text);
    }
    static void PressEnter(frmPassword& d) { QTest::keyClick(d.txtPassword, Qt::Key_Return); }
};

TEST_F(PasswordDialog, ControlsCarryTheirNamesAndTheirTextsFromTheLanguageFile) {
    frmPassword dialog;
    // The design texts stand until the load step sets the language's.
    EXPECT_EQ(dialog.windowTitle(), "Enter password");
    EXPECT_EQ(dialog.cmdOk->text(), "Ok");
    EXPECT_EQ(dialog.lblUserName->text(), "-----");
    dialog.lblUserName->setText("alice");
    RunModal(dialog, [&] {
        const std::pair<const char*, QString> captions[] = {
            {"lblEnterPas", "T88"}, {"lblUserName", "alice"},      {"lblPaswCap", "T15"},
            {"lblCaution", "T64"},  {"lblSamplePassword", "T149"},
        };
        for (const auto& [name, text] : captions) {
            auto* label = dialog.findChild<QLabel*>(name);
            ASSERT_NE(label, nullptr) << name;
            EXPECT_EQ(label->text(), text) << name;
        }
        EXPECT_EQ(dialog.findChild<QPushButton*>("cmdOk")->text(), "T25");
        EXPECT_EQ(dialog.findChild<QPushButton*>("cmdCancel")->text(), "T24");
        auto* box = dialog.findChild<QLineEdit*>("txtPassword");
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->echoMode(), QLineEdit::Password);
        EXPECT_EQ(dialog.windowTitle(), "T108");
        EXPECT_TRUE(modMain::FrmPaswShown);
        dialog.cmdCancel->click();
    });
    EXPECT_FALSE(modMain::FrmPaswShown);
}

TEST_F(PasswordDialog, AMissingTextShowsTheFailureTextAndTheDialogStillWorks) {
    LoadTexts(100, {24, 25, 88});
    Ask("alice", [&](frmPassword& d) {
        EXPECT_EQ(d.windowTitle(), "#Error in language module#");
        EXPECT_EQ(d.lblSamplePassword->text(), "#Error in language module#");
        EXPECT_EQ(d.lblPaswCap->text(), "");  // within the table, not in the file
        EXPECT_EQ(d.cmdOk->text(), "T25");
        Type(d, kRight);
        d.cmdOk->click();
    });
    EXPECT_EQ(modMain::FrmPaswResult, 1);
}

// The hint shows for the demo user only; for anyone else its row closes up,
// so the buttons follow the caution as closely as they follow the hint.
TEST_F(PasswordDialog, TheDemoHintShowsForTheDemoUserOnly) {
    const std::pair<const char*, bool> cases[] = {{"SampleUser", true}, {"sampleuser", false}, {"alice", false}};
    int gapAfterHint = -1;
    int heightWithHint = -1;
    for (const auto& [user, visible] : cases) {
        SCOPED_TRACE(user);
        Ask(user, [&](frmPassword& d) {
            EXPECT_EQ(d.lblSamplePassword->isVisible(), visible);
            const QWidget* above = visible ? d.lblSamplePassword : d.lblCaution;
            const int gap = d.cmdOk->geometry().top() - above->geometry().bottom();
            if (visible) {
                gapAfterHint = gap;
                heightWithHint = d.height();
            } else {
                EXPECT_EQ(gap, gapAfterHint);
                EXPECT_LT(d.height(), heightWithHint);
            }
            d.cmdCancel->click();
        });
    }
}

TEST_F(PasswordDialog, AWrongPasswordKeepsTheDialogOpenAndARightOneHandsBackItsHash) {
    Ask("alice", [&](frmPassword& d) {
        Type(d, "wrongpass");
        EXPECT_TRUE(modMain::FrmPaswEnetered.empty()) << "typing stores nothing";
        PressEnter(d);
        EXPECT_TRUE(d.IsLoaded());
        EXPECT_EQ(Prompts(), std::vector<std::string>{"T9"});
        EXPECT_EQ(boxes.back().style, qtplat::vbCritical);
        EXPECT_EQ(modMain::FrmPaswResult, 2);
        EXPECT_TRUE(modMain::FrmPaswEnetered.empty());
        EXPECT_EQ(d.txtPassword->text(), "wrongpass");

        // Enter again tests the same text again; an empty password is tested
        // like any other.
        PressEnter(d);
        Type(d, "");
        d.cmdOk->click();
        EXPECT_EQ(Prompts(), (std::vector<std::string>{"T9", "T9", "T9"}));
        EXPECT_TRUE(d.IsLoaded());

        Type(d, kRight);
        d.cmdOk->click();
        EXPECT_FALSE(d.IsLoaded());
    });
    EXPECT_EQ(modMain::FrmPaswResult, 1);
    const std::string hash = Md5Hex(kRight);
    EXPECT_EQ(hash.size(), 32u);
    EXPECT_EQ(modMain::FrmPaswEnetered.str(), hash);
    EXPECT_EQ(modMain::TestUsPasw(modMain::UserFilePath("alice"), modMain::FrmPaswEnetered), 1);
    EXPECT_FALSE(modMain::FrmPaswShown);
    EXPECT_EQ(boxes.size(), 3u);
}

TEST_F(PasswordDialog, EveryCloseButARightPasswordLeavesCancelAndNoHash) {
    enum How { CancelButton, CloseBox, ProgramUnload, Lock };
    for (How how : {CancelButton, CloseBox, ProgramUnload, Lock}) {
        for (bool wrongFirst : {false, true}) {
            SCOPED_TRACE(std::to_string(how) + (wrongFirst ? " after a wrong password" : ""));
            // What an earlier showing left behind is no answer of this one.
            modMain::FrmPaswResult = 1;
            modMain::FrmPaswEnetered = trace::Secret(Md5Hex(kRight));
            Ask("alice", [&](frmPassword& d) {
                EXPECT_EQ(modMain::FrmPaswResult, 3);
                EXPECT_TRUE(modMain::FrmPaswEnetered.empty());
                EXPECT_TRUE(modMain::FrmPaswShown);
                if (wrongFirst) {
                    Type(d, "wrongpass");
                    PressEnter(d);
                    EXPECT_EQ(modMain::FrmPaswResult, 2);
                } else {
                    Type(d, kRight);
                }
                switch (how) {
                    case CancelButton:
                        d.cmdCancel->click();
                        break;
                    case CloseBox:
                        d.close();
                        break;
                    case ProgramUnload:
                        d.Unload();
                        break;
                    case Lock:
                        VbDialog::UnloadAllOpen();
                        break;
                }
                EXPECT_FALSE(d.IsLoaded());
                EXPECT_TRUE(d.txtPassword->text().isEmpty());
            });
            EXPECT_EQ(modMain::FrmPaswResult, 3);
            EXPECT_TRUE(modMain::FrmPaswEnetered.empty());
            EXPECT_FALSE(modMain::FrmPaswShown);
        }
    }
}

TEST_F(PasswordDialog, TheLockDuringTheWrongPasswordMessageLeavesCancel) {
    qtplat::SetMsgBoxForTests([this](const std::string& prompt, int style, const std::string& title) {
        boxes.push_back({prompt, style, title});
        VbDialog::UnloadAllOpen();  // the inactivity lock fires while the box is up
        return static_cast<int>(qtplat::vbOK);
    });
    Ask("alice", [&](frmPassword& d) {
        Type(d, "wrongpass");
        d.cmdOk->click();
        EXPECT_FALSE(d.IsLoaded());
    });
    EXPECT_EQ(Prompts(), std::vector<std::string>{"T9"});
    EXPECT_EQ(modMain::FrmPaswResult, 3);
    EXPECT_FALSE(modMain::FrmPaswShown);
}

TEST_F(PasswordDialog, EscDoesNothing) {
    Ask("alice", [&](frmPassword& d) {
        Type(d, kRight);
        QTest::keyClick(d.txtPassword, Qt::Key_Escape);
        d.cmdCancel->setFocus();
        QTest::keyClick(d.cmdCancel, Qt::Key_Escape);
        EXPECT_TRUE(d.IsLoaded());
        EXPECT_EQ(d.txtPassword->text(), kRight);
        // Enter on a focused button clicks that button.
        QTest::keyClick(d.cmdCancel, Qt::Key_Return);
        EXPECT_FALSE(d.IsLoaded());
    });
    EXPECT_EQ(modMain::FrmPaswResult, 3);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(PasswordDialog, AMissingUserFileIsLookedUpAfreshAtEachTry) {
    Ask("bob", [&](frmPassword& d) {
        Type(d, "bobspassword");
        d.cmdOk->click();
        EXPECT_EQ(Prompts(), std::vector<std::string>{"T131"});
        EXPECT_EQ(boxes.back().style, qtplat::vbCritical);
        EXPECT_EQ(modMain::FrmPaswResult, 2);
        EXPECT_TRUE(d.IsLoaded());

        MakeUser("bob", "bobspassword");
        d.cmdOk->click();
        EXPECT_FALSE(d.IsLoaded());
    });
    EXPECT_EQ(modMain::FrmPaswResult, 1);
    EXPECT_EQ(modMain::FrmPaswEnetered.str(), Md5Hex("bobspassword"));
}

TEST_F(PasswordDialog, AFileNoPasswordCanOpenIsToldAsDamagedNotAsAWrongPassword) {
    qpmtest::WriteBytes(modMain::UserFilePath("empty"), "");
    std::filesystem::create_directory(modMain::UserFilePath("folder"));
    for (const char* user : {"empty", "folder"}) {
        boxes.clear();
        Ask(user, [&](frmPassword& d) {
            Type(d, kRight);
            d.cmdOk->click();
            ASSERT_EQ(boxes.size(), 1u) << user;
            EXPECT_NE(boxes.back().prompt.find("damaged or is not a file"), std::string::npos) << user;
            EXPECT_EQ(boxes.back().style, qtplat::vbCritical);
            EXPECT_EQ(modMain::FrmPaswResult, 2);
            EXPECT_TRUE(d.IsLoaded());
            d.cmdCancel->click();
        });
    }
    EXPECT_EQ(qpmtest::ReadBytes(modMain::UserFilePath("empty")), "");
}

TEST_F(PasswordDialog, ANameThatCannotBeAFileNameHasNoUserFile) {
    Ask("../DataBases/alice", [&](frmPassword& d) {
        Type(d, kRight);
        d.cmdOk->click();
        EXPECT_EQ(Prompts(), std::vector<std::string>{"T131"});
        EXPECT_TRUE(d.IsLoaded());
        d.cmdCancel->click();
    });
    EXPECT_EQ(modMain::FrmPaswResult, 3);
}

TEST_F(PasswordDialog, APasswordOutsideTheCodePageIsRefusedNeverCutToQuestionMarks) {
    plat::SetAnsiCodePageForTests(1252);
    // A user whose password is all question marks: a lossy conversion of a
    // Cyrillic password of the same length would open it.
    MakeUser("carol", "??????");
    MakeUser("dave", "p\xE4ssword");  // "pässword" in the code page
    Ask("carol", [&](frmPassword& d) {
        Type(d, QString::fromUtf8("\u043f\u0430\u0440\u043e\u043b\u044c"));
        d.cmdOk->click();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_NE(boxes[0].prompt.find("cannot store"), std::string::npos) << boxes[0].prompt;
        EXPECT_EQ(boxes[0].style, qtplat::vbCritical);
        EXPECT_TRUE(d.IsLoaded());
        EXPECT_EQ(modMain::FrmPaswResult, 2);
        d.cmdCancel->click();
    });
    EXPECT_EQ(modMain::FrmPaswResult, 3);
    Ask("dave", [&](frmPassword& d) {
        Type(d, QString::fromUtf8("p\u00e4ssword"));
        d.cmdOk->click();
    });
    EXPECT_EQ(modMain::FrmPaswResult, 1);
    EXPECT_EQ(modMain::FrmPaswEnetered.str(), Md5Hex("p\xE4ssword"));
    plat::SetAnsiCodePageForTests(0);
}

TEST_F(PasswordDialog, AskShowsTheDialogForTheNamedUser) {
    QTimer::singleShot(0, [] {
        const auto open = VbDialog::OpenDialogs();
        auto* d = open.size() == 1 ? dynamic_cast<frmPassword*>(open[0]) : nullptr;
        if (!d) {
            ADD_FAILURE() << "no password dialog is open";
            VbDialog::UnloadAllOpen();
            return;
        }
        EXPECT_EQ(d->lblUserName->text(), "alice");
        Type(*d, kRight);
        PressEnter(*d);
    });
    frmPassword::Ask("alice");
    EXPECT_EQ(modMain::FrmPaswResult, 1);
    EXPECT_EQ(modMain::FrmPaswEnetered.str(), Md5Hex(kRight));
}

}  // namespace
