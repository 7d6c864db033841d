// The change password dialog against a real user file made and logged in by
// the core: the file is written again under the new password, or, when it
// cannot be, stays byte for byte and keeps opening with the old one.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QWindow>

#include "UserDialogTestSupport.h"
#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "app/core/modMainUsers.h"
#include "app/dialogs/frmChangeUsPasw.h"
#include "platform/CodePage.h"
#include "platform/qt/Desktop.h"

namespace {

using dialogtest::UserDialogTest;

constexpr const char* kOld = "oldpassword";

class ChangePasswordDialog : public UserDialogTest {
protected:
    void SetUp() override {
        UserDialogTest::SetUp();
        path = MakeUser("alice", kOld);
        LogIn("alice", kOld);
        AddRecord("Bank");
    }

    void Change(const std::function<void(frmChangeUsPasw&)>& script) {
        frmChangeUsPasw dialog;
        dialog.lblUserName->setText("alice");
        RunModal(dialog, [&] { script(dialog); });
    }
    static void Enter(frmChangeUsPasw& d, const QString& password, const QString& confirm) {
        Type(d.txtPassword, password);
        Type(d.txtConfirm, confirm);
    }

    // The user file opens with this password and holds the unsaved record.
    void ExpectFileOpensWith(const std::string& password) {
        EXPECT_EQ(modMain::TestUsPasw(path, trace::Secret(Md5(password))), 1);
        modMain::UnloadUser();
        LogIn("alice", password);
        ASSERT_EQ(modMain::CurUsDB->GetTblRecNum(1), 1);
        EXPECT_EQ(modMain::CurUsDB->GetTblFldValNm(1, 1, "Title"), "Bank");
    }

    std::string path;
};

TEST_F(ChangePasswordDialog, ControlsCarryTheirNamesAndTheirTextsFromTheLanguageFile) {
    SetOption(6, "True");
    frmChangeUsPasw dialog;
    EXPECT_EQ(dialog.windowTitle(), "Change User Password");
    EXPECT_EQ(dialog.lblCaution->text(), "Remeber that password is case-sensitive, so chek the Caps Lock state");
    dialog.lblUserName->setText("alice");
    RunModal(dialog, [&] {
        EXPECT_EQ(dialog.windowTitle(), "T103");
        // The entry labels take their texts as they are, with no ":".
        ExpectCaptions(dialog, {{"lblEnterPas", "T66"},
                                {"lblUserName", "alice"},
                                {"lblPaswCap", "T15"},
                                {"lblConfirmCap", "T63"},
                                {"lblCaution", "T64"},
                                {"cmdOk", "T25"},
                                {"cmdCancel", "T24"}});
        ExpectMasked(dialog, {"txtPassword", "txtConfirm"});
        // This dialog has no always-on-top step.
        EXPECT_FALSE(dialog.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
        dialog.cmdCancel->click();
    });
}

TEST_F(ChangePasswordDialog, RefusedPasswordsChangeNothingAndTheTypedTextsStay) {
    struct Case {
        const char* password;
        const char* confirm;
        const char* prompt;
    };
    // Too short is found before a mismatch.
    const Case cases[] = {
        {"seven77", "seven77", "T8"},   {"short", "other", "T8"}, {"", "", "T8"},
        {"eightchr", "eightchR", "T7"}, {"eightchr", "", "T7"},
    };
    const std::string before = qpmtest::ReadBytes(path);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.password) + " / " + c.confirm);
        boxes.clear();
        Change([&](frmChangeUsPasw& d) {
            Enter(d, c.password, c.confirm);
            d.cmdOk->click();
            EXPECT_TRUE(d.IsLoaded());
            EXPECT_EQ(d.txtPassword->text(), c.password);
            EXPECT_EQ(d.txtConfirm->text(), c.confirm);
            d.cmdCancel->click();
        });
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].prompt, c.prompt);
        EXPECT_EQ(boxes[0].style, qtplat::vbCritical);
        EXPECT_EQ(modMain::CurUsPasw.str(), Md5(kOld));
        EXPECT_EQ(qpmtest::ReadBytes(path), before);
    }
}

TEST_F(ChangePasswordDialog, OkWritesTheFileUnderTheNewPasswordOnly) {
    const std::string newPassword = "newpass8";  // exactly 8 characters
    Change([&](frmChangeUsPasw& d) {
        Enter(d, QString::fromStdString(newPassword), QString::fromStdString(newPassword));
        d.cmdOk->click();
        EXPECT_FALSE(d.IsLoaded());
        EXPECT_TRUE(d.txtPassword->text().isEmpty());
    });
    EXPECT_EQ(Prompts(), std::vector<std::string>{"T23"});
    EXPECT_EQ(boxes[0].style, qtplat::vbInformation);
    EXPECT_EQ(modMain::CurUsPasw.str(), Md5(newPassword));
    EXPECT_EQ(modMain::TestUsPasw(path, trace::Secret(Md5(kOld))), 2);
    EXPECT_EQ(coretest::FilesIn(dbFolder), std::vector<std::string>{"alice.vdb"});
    ExpectFileOpensWith(newPassword);
}

TEST_F(ChangePasswordDialog, AFailedSaveKeepsTheOldFileAndTheOldPasswordAndSaysSo) {
    const std::string before = qpmtest::ReadBytes(path);
    Change([&](frmChangeUsPasw& d) {
        Enter(d, "newpassword", "newpassword");
        // A full disk in the middle of the save, and a refused rename.
        for (const plat::WriteFaults faults : {plat::WriteFaults{100, false}, plat::WriteFaults{-1, true}}) {
            boxes.clear();
            {
                coretest::ScopedLibraryWriteFaults scoped(faults);
                d.cmdOk->click();
            }
            EXPECT_TRUE(d.IsLoaded());
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_NE(boxes[0].prompt.find("has not been changed"), std::string::npos) << boxes[0].prompt;
            EXPECT_EQ(boxes[0].style, qtplat::vbCritical);
            EXPECT_EQ(modMain::CurUsPasw.str(), Md5(kOld));
            EXPECT_EQ(qpmtest::ReadBytes(path), before);
            EXPECT_EQ(coretest::FilesIn(dbFolder), std::vector<std::string>{"alice.vdb"});
            EXPECT_EQ(d.txtPassword->text(), "newpassword");
        }
        // Once the disk has room again the same input goes through.
        boxes.clear();
        d.cmdOk->click();
        EXPECT_FALSE(d.IsLoaded());
    });
    EXPECT_EQ(Prompts(), std::vector<std::string>{"T23"});
    ExpectFileOpensWith("newpassword");
}

TEST_F(ChangePasswordDialog, WithNobodyLoggedInNothingIsWrittenAndNoSuccessIsClaimed) {
    modMain::UnloadUser();
    const std::string before = qpmtest::ReadBytes(path);
    Change([&](frmChangeUsPasw& d) {
        Enter(d, "newpassword", "newpassword");
        d.cmdOk->click();
        EXPECT_TRUE(d.IsLoaded());
        d.cmdCancel->click();
    });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].prompt, "T23");
    EXPECT_TRUE(modMain::CurUsPasw.empty());
    EXPECT_EQ(qpmtest::ReadBytes(path), before);
}

TEST_F(ChangePasswordDialog, CancelAndEscChangeNothingAndEnterDoesNotSubmit) {
    const std::string before = qpmtest::ReadBytes(path);
    for (const char* control : {"cmdCancel", "escInPassword", "escOnOk"}) {
        SCOPED_TRACE(control);
        Change([&](frmChangeUsPasw& d) {
            Enter(d, "newpassword", "newpassword");
            QTest::keyClick(d.txtPassword, Qt::Key_Return);
            QTest::keyClick(d.txtConfirm, Qt::Key_Return);
            EXPECT_TRUE(d.IsLoaded());
            if (std::string(control) == "cmdCancel") {
                d.cmdCancel->click();
            } else if (std::string(control) == "escInPassword") {
                QTest::keyClick(d.txtPassword, Qt::Key_Escape);
            } else {
                d.cmdOk->setFocus();
                QTest::keyClick(d.cmdOk, Qt::Key_Escape);
            }
            EXPECT_FALSE(d.IsLoaded());
        });
    }
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(modMain::CurUsPasw.str(), Md5(kOld));
    EXPECT_EQ(qpmtest::ReadBytes(path), before);
}

TEST_F(ChangePasswordDialog, APasswordOutsideTheCodePageIsRefusedNeverCutToQuestionMarks) {
    plat::SetAnsiCodePageForTests(1252);
    const std::string before = qpmtest::ReadBytes(path);
    Change([&](frmChangeUsPasw& d) {
        const QString cyrillic = QString::fromUtf8("\u043f\u0430\u0440\u043e\u043b\u044c12");
        Enter(d, cyrillic, cyrillic);
        d.cmdOk->click();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_NE(boxes[0].prompt.find("cannot store"), std::string::npos) << boxes[0].prompt;
        EXPECT_TRUE(d.IsLoaded());
        EXPECT_EQ(modMain::CurUsPasw.str(), Md5(kOld));
        EXPECT_EQ(qpmtest::ReadBytes(path), before);

        // A character the code page holds is taken as its byte.
        const QString umlaut = QString::fromUtf8("p\u00e4sswort");
        Enter(d, umlaut, umlaut);
        d.cmdOk->click();
        EXPECT_FALSE(d.IsLoaded());
    });
    EXPECT_EQ(modMain::CurUsPasw.str(), Md5("p\xE4sswort"));
    plat::SetAnsiCodePageForTests(0);
    ExpectFileOpensWith("p\xE4sswort");
}

}  // namespace
