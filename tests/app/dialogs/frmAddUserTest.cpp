// The add user dialog against the core: the new user's file, the checks in
// their order, the name as a file name, and logging the new user in without
// dropping the logged-in user's changes.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QWindow>
#include <filesystem>
#include <optional>

#include "UserDialogTestSupport.h"
#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "app/core/modMainUsers.h"
#include "app/dialogs/frmAddUser.h"
#include "platform/CodePage.h"
#include "platform/qt/Desktop.h"

namespace {

using dialogtest::UserDialogTest;

class AddUserDialog : public UserDialogTest {
protected:
    void Add(const std::function<void(frmAddUser&)>& script) {
        frmAddUser dialog(VbDialog::Owner::None);
        RunModal(dialog, [&] { script(dialog); });
    }
    static void Enter(frmAddUser& d, const QString& name, const QString& password, const QString& confirm) {
        Type(d.txtNewUsName, name);
        Type(d.txtPasw, password);
        Type(d.txtConfirm, confirm);
    }
    // Alice is logged in with a record she has not saved.
    void AliceWithAnUnsavedRecord() {
        MakeUser("alice", "alicepass");
        LogIn("alice", "alicepass");
        AddRecord("Unsaved");
    }
    void ExpectAliceSavedHerRecord(bool saved) {
        modMain::UnloadUser();
        LogIn("alice", "alicepass");
        EXPECT_EQ(modMain::CurUsDB->GetTblRecNum(1), saved ? 1 : 0);
    }
};

TEST_F(AddUserDialog, ControlsCarryTheirNamesAndTheirTextsFromTheLanguageFile) {
    frmAddUser dialog(VbDialog::Owner::None);
    EXPECT_EQ(dialog.windowTitle(), "New User");
    EXPECT_EQ(dialog.chkLoadAfterAdd->text(), "Load this user afret adding");
    RunModal(dialog, [&] {
        EXPECT_EQ(dialog.windowTitle(), "T102");
        // The entry labels get ":" appended.
        ExpectCaptions(dialog, {{"lblEnterName", "T65"},
                                {"lblNameCap", "T62:"},
                                {"lblPaswCap", "T15:"},
                                {"lblConfirmCap", "T63:"},
                                {"lblNotice", "T64"},
                                {"chkLoadAfterAdd", "T148"},
                                {"cmdAddUser", "T61"},
                                {"cmdCancel", "T24"}});
        ExpectMasked(dialog, {"txtPasw", "txtConfirm"});
        EXPECT_EQ(dialog.txtNewUsName->echoMode(), QLineEdit::Normal);
        EXPECT_EQ(dialog.txtNewUsName->maxLength(), 40);
        EXPECT_TRUE(dialog.chkLoadAfterAdd->isChecked());
        dialog.cmdCancel->click();
    });
}

TEST_F(AddUserDialog, StaysOnTopWhenTheOptionSaysSo) {
    for (const char* onTop : {"False", "True"}) {
        SetOption(6, onTop);
        Add([&](frmAddUser& d) {
            EXPECT_EQ(d.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint), std::string(onTop) == "True");
            d.cmdCancel->click();
        });
    }
}

TEST_F(AddUserDialog, TheFirstFailingCheckSaysWhyAndNothingIsCreated) {
    MakeUser("alice", "alicepass");
    struct Case {
        const char* name;
        const char* password;
        const char* confirm;
        const char* prompt;  // or a part of a fixed text
    };
    const Case cases[] = {
        {"", "a", "b", "T6"},
        {"bob", "Abcdefgh", "abcdefgh", "T7"},
        {"bob", "abcdefgh", "", "T7"},
        {"alice", "12345", "12345", "T3"},  // the existing user is found before the short password
        {"bob", "1234567", "1234567", "T8"},
        {"bob", "", "", "T8"},
        // The name is the file name: one that names no file of its own is refused.
        {"../alice", "abcdefgh", "abcdefgh", "cannot be used"},
        {"a/b", "abcdefgh", "abcdefgh", "cannot be used"},
        {"..", "abcdefgh", "abcdefgh", "cannot be used"},
        {".", "abcdefgh", "abcdefgh", "cannot be used"},
        {"c:d", "abcdefgh", "abcdefgh", "cannot be used"},
        {"tab\there", "abcdefgh", "abcdefgh", "cannot be used"},
    };
    const std::string aliceBytes = qpmtest::ReadBytes(modMain::UserFilePath("alice"));
    const std::vector<std::string> outside = coretest::FilesIn(workDir());
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " / " + c.password + " / " + c.confirm);
        boxes.clear();
        Add([&](frmAddUser& d) {
            Enter(d, c.name, c.password, c.confirm);
            d.cmdAddUser->click();
            EXPECT_TRUE(d.IsLoaded());
            EXPECT_EQ(d.txtNewUsName->text(), c.name);
            EXPECT_EQ(d.txtPasw->text(), c.password);
            EXPECT_EQ(d.txtConfirm->text(), c.confirm);
            d.cmdCancel->click();
        });
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_NE(boxes[0].prompt.find(c.prompt), std::string::npos) << boxes[0].prompt;
        EXPECT_EQ(boxes[0].style, qtplat::vbCritical);
        EXPECT_EQ(coretest::FilesIn(dbFolder), std::vector<std::string>{"alice.vdb"});
        EXPECT_EQ(coretest::FilesIn(workDir()), outside);
        EXPECT_EQ(qpmtest::ReadBytes(modMain::UserFilePath("alice")), aliceBytes);
    }
}

TEST_F(AddUserDialog, UntickedTheUserIsCreatedAndTheLoggedInUserStays) {
    AliceWithAnUnsavedRecord();
    Add([&](frmAddUser& d) {
        // The name is taken as typed, blanks included; 8 characters are enough.
        Enter(d, " bob ", "bobpass8", "bobpass8");
        d.chkLoadAfterAdd->setChecked(false);
        d.cmdAddUser->click();
        EXPECT_FALSE(d.IsLoaded());
        EXPECT_TRUE(d.txtPasw->text().isEmpty());
    });
    EXPECT_EQ(Prompts(), std::vector<std::string>{"T147"});
    EXPECT_EQ(boxes[0].style, qtplat::vbInformation);
    EXPECT_EQ(modMain::TestUsPasw(modMain::UserFilePath(" bob "), trace::Secret(Md5("bobpass8"))), 1);
    EXPECT_EQ(modMain::CurUser, "alice");
    EXPECT_EQ(modMain::CurUsDB->GetTblRecNum(1), 1);
}

TEST_F(AddUserDialog, TickedTheLoggedInUsersChangesAreSavedBeforeTheNewUserIsLoggedIn) {
    AliceWithAnUnsavedRecord();
    Add([&](frmAddUser& d) {
        Enter(d, "bob", "bobpassword", "bobpassword");
        // Enter in the name and password boxes does nothing; in the
        // confirmation box it adds.
        QTest::keyClick(d.txtNewUsName, Qt::Key_Return);
        QTest::keyClick(d.txtPasw, Qt::Key_Return);
        EXPECT_TRUE(d.IsLoaded());
        EXPECT_TRUE(boxes.empty());
        QTest::keyClick(d.txtConfirm, Qt::Key_Return);
        EXPECT_FALSE(d.IsLoaded());
    });
    EXPECT_EQ(Prompts(), std::vector<std::string>{"T147"});
    EXPECT_EQ(modMain::CurUser, "bob");
    EXPECT_EQ(modMain::CurUsPasw.str(), Md5("bobpassword"));
    EXPECT_EQ(modMain::ProgConfig(4), "bob");
    EXPECT_EQ(modMain::CurUsDB->GetTblRecNum(1), 0);
    ExpectAliceSavedHerRecord(true);
}

TEST_F(AddUserDialog, WhenTheLoggedInUserCannotBeSavedTheUserChoosesWhetherToDropTheChanges) {
    for (const int answer : {static_cast<int>(qtplat::vbNo), static_cast<int>(qtplat::vbYes)}) {
        SCOPED_TRACE(answer);
        modMain::UnloadUser();
        for (const std::string& name : coretest::FilesIn(dbFolder)) std::filesystem::remove(dbFolder + name);
        AliceWithAnUnsavedRecord();
        const std::string aliceBytes = qpmtest::ReadBytes(modMain::UserFilePath("alice"));
        boxes.clear();
        // The disk is full from the new user's file written to the question.
        std::optional<dialogtest::LibraryOnlyWriteFaults> diskFull;
        Answer({qtplat::vbOK, answer}, [&] {
            if (boxes.back().prompt == "T147")
                diskFull.emplace(plat::WriteFaults{0, false});
            else
                diskFull.reset();
        });
        Add([&](frmAddUser& d) {
            Enter(d, "bob", "bobpassword", "bobpassword");
            d.cmdAddUser->click();
            EXPECT_FALSE(d.IsLoaded());
        });
        diskFull.reset();
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_EQ(boxes[0].prompt, "T147");
        EXPECT_NE(boxes[1].prompt.find("could not be saved"), std::string::npos) << boxes[1].prompt;
        EXPECT_EQ(boxes[1].style, qtplat::vbYesNo | qtplat::vbExclamation);
        EXPECT_EQ(qpmtest::ReadBytes(modMain::UserFilePath("alice")), aliceBytes);
        EXPECT_EQ(modMain::TestUsPasw(modMain::UserFilePath("bob"), trace::Secret(Md5("bobpassword"))), 1);
        if (answer == qtplat::vbNo) {
            // Alice stays, her changes with her.
            EXPECT_EQ(modMain::CurUser, "alice");
            EXPECT_EQ(modMain::CurUsDB->GetTblRecNum(1), 1);
        } else {
            EXPECT_EQ(modMain::CurUser, "bob");
            ExpectAliceSavedHerRecord(false);
        }
    }
}

TEST_F(AddUserDialog, AFileThatCannotBeWrittenIsNoCreatedUser) {
    Add([&](frmAddUser& d) {
        Enter(d, "bob", "bobpassword", "bobpassword");
        {
            dialogtest::LibraryOnlyWriteFaults diskFull({100, false});
            d.cmdAddUser->click();
        }
        EXPECT_TRUE(d.IsLoaded());
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_NE(boxes[0].prompt.find("could not be created"), std::string::npos) << boxes[0].prompt;
        EXPECT_EQ(boxes[0].style, qtplat::vbCritical);
        EXPECT_TRUE(coretest::FilesIn(dbFolder).empty());
        EXPECT_TRUE(modMain::CurUser.empty());
        // With room on the disk again the same input goes through.
        d.cmdAddUser->click();
        EXPECT_FALSE(d.IsLoaded());
    });
    EXPECT_EQ(Prompts().back(), "T147");
    EXPECT_EQ(modMain::CurUser, "bob");
}

TEST_F(AddUserDialog, CancelAndEscCreateNothing) {
    for (bool esc : {false, true}) {
        SCOPED_TRACE(esc);
        Add([&](frmAddUser& d) {
            Enter(d, "bob", "bobpassword", "bobpassword");
            if (esc)
                QTest::keyClick(d.txtPasw, Qt::Key_Escape);
            else
                d.cmdCancel->click();
            EXPECT_FALSE(d.IsLoaded());
        });
    }
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(coretest::FilesIn(dbFolder).empty());
}

TEST_F(AddUserDialog, TheLockDuringTheCreatedMessageLogsNobodyIn) {
    AliceWithAnUnsavedRecord();
    Answer({}, [] { VbDialog::UnloadAllOpen(); });
    Add([&](frmAddUser& d) {
        Enter(d, "bob", "bobpassword", "bobpassword");
        d.cmdAddUser->click();
        EXPECT_FALSE(d.IsLoaded());
    });
    EXPECT_EQ(Prompts(), std::vector<std::string>{"T147"});
    EXPECT_EQ(modMain::TestUsPasw(modMain::UserFilePath("bob"), trace::Secret(Md5("bobpassword"))), 1);
    EXPECT_EQ(modMain::CurUser, "alice");
    EXPECT_EQ(modMain::CurUsDB->GetTblRecNum(1), 1);
}

TEST_F(AddUserDialog, NamesAndPasswordsAreTakenInTheCodePageOrRefused) {
    plat::SetAnsiCodePageForTests(1252);
    const QString cyrillic = QString::fromUtf8("\u043f\u0430\u0440\u043e\u043b\u044c12");
    const std::pair<QString, QString> refused[] = {{cyrillic, "abcdefgh"}, {"bob", cyrillic}};
    for (const auto& [name, password] : refused) {
        boxes.clear();
        Add([&](frmAddUser& d) {
            Enter(d, name, password, password);
            d.cmdAddUser->click();
            EXPECT_TRUE(d.IsLoaded());
            d.cmdCancel->click();
        });
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_NE(boxes[0].prompt.find("cannot store"), std::string::npos) << boxes[0].prompt;
        EXPECT_TRUE(coretest::FilesIn(dbFolder).empty());
    }
    boxes.clear();
    Add([&](frmAddUser& d) {
        Enter(d, QString::fromUtf8("J\u00fcrgen"), QString::fromUtf8("p\u00e4sswort"),
              QString::fromUtf8("p\u00e4sswort"));
        d.cmdAddUser->click();
        EXPECT_FALSE(d.IsLoaded());
    });
    EXPECT_EQ(Prompts(), std::vector<std::string>{"T147"});
    EXPECT_EQ(modMain::CurUser, "J\xFCrgen");
    EXPECT_EQ(modMain::CurUsPasw.str(), Md5("p\xE4sswort"));
    EXPECT_EQ(coretest::FilesIn(dbFolder), std::vector<std::string>{"J\u00fcrgen.vdb"});
    plat::SetAnsiCodePageForTests(0);
}

}  // namespace
