// The select user dialog against a real databases folder: the list, logging
// a user in through the password dialog, adding and deleting users, and
// changing the folder.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <filesystem>

#include "UserDialogTestSupport.h"
#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "app/core/modMainUsers.h"
#include "app/dialogs/frmAddUser.h"
#include "app/dialogs/frmPassword.h"
#include "app/dialogs/frmSelectUser.h"
#include "platform/qt/Choosers.h"
#include "platform/qt/Desktop.h"

namespace {

namespace fs = std::filesystem;
using dialogtest::UserDialogTest;
using Names = std::vector<std::string>;

class SelectUserDialog : public UserDialogTest {
protected:
    void SetUp() override {
        UserDialogTest::SetUp();
        MakeUser("carol", "carolpass");
        MakeUser("alice", "alicepass");
        MakeUser("bob", "bobspass");
        // Neither of these is a user.
        qpmtest::WriteBytes(dbFolder + "alice_1.vdb.BACKUP", "backup");
        fs::create_directories(dbFolder + "folder.vdb");
    }

    void Select(const std::function<void(frmSelectUser&)>& script) {
        frmSelectUser dialog;
        RunModal(dialog, [&] { script(dialog); });
    }

    static Names Listed(const frmSelectUser& d) {
        Names names;
        for (int i = 0; i < d.lstUsers->count(); ++i) names.push_back(d.lstUsers->item(i)->text().toStdString());
        std::sort(names.begin(), names.end());
        return names;
    }
    static void Pick(frmSelectUser& d, const QString& name) {
        const auto found = d.lstUsers->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        d.lstUsers->setCurrentItem(found.front());
    }
    // A name in the list that the folder did not give.
    static void Inject(frmSelectUser& d, const std::string& name) {
        auto* item = new QListWidgetItem(QString::fromStdString(name), d.lstUsers);
        item->setData(Qt::UserRole, QByteArray::fromStdString(name));
        d.lstUsers->setCurrentItem(item);
    }

    // Answers the password dialog that opens next.
    static void EnterPassword(const std::string& user, const std::string& password) {
        OnNextDialog<frmPassword>([user, password](frmPassword& p) {
            EXPECT_EQ(p.lblUserName->text().toStdString(), user);
            EXPECT_EQ(p.parentWidget(), nullptr) << "a dialog opened by a dialog has no owner";
            Type(p.txtPassword, QString::fromStdString(password));
            p.cmdOk->click();
        });
    }
    // Fails, and cancels it, when a password dialog opens on top of `d`.
    static void NoPasswordAsked(frmSelectUser& d) {
        QTimer::singleShot(0, &d, [] {
            for (VbDialog* open : VbDialog::OpenDialogs()) {
                if (auto* p = dynamic_cast<frmPassword*>(open)) {
                    ADD_FAILURE() << "the password was asked";
                    p->cmdCancel->click();
                }
            }
        });
    }
};

TEST_F(SelectUserDialog, ListsTheUsersOfTheDatabasesFolderWithTheLanguagesTexts) {
    SetOption(6, "True");
    frmSelectUser dialog;
    EXPECT_EQ(dialog.windowTitle(), "Select User");
    EXPECT_EQ(dialog.cmdExit->text(), "Back");
    RunModal(dialog, [&] {
        EXPECT_EQ(dialog.windowTitle(), "T110");
        ExpectCaptions(dialog, {{"cmdChooseUser", "T94"},
                                {"cmdAddUser", "T95"},
                                {"cmdDelUser", "T96"},
                                {"cmdChangePath", "T97"},
                                {"cmdExit", "T98"}});
        EXPECT_EQ(Listed(dialog), (Names{"alice", "bob", "carol"}));
        EXPECT_TRUE(dialog.lstUsers->selectedItems().isEmpty());
        EXPECT_TRUE(dialog.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
        dialog.cmdExit->click();
    });
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SelectUserDialog, ChooseAndDeleteWithNothingSelectedSayPleaseSelect) {
    Select([&](frmSelectUser& d) {
        NoPasswordAsked(d);
        d.cmdChooseUser->click();
        d.cmdDelUser->click();
        EXPECT_TRUE(d.IsLoaded());
        d.cmdExit->click();
    });
    EXPECT_EQ(Prompts(), (Names{"T140", "T140"}));
    for (const auto& box : boxes) EXPECT_EQ(box.style, qtplat::vbInformation);
    EXPECT_EQ(coretest::FilesIn(dbFolder).size(), 5u);
    EXPECT_TRUE(modMain::CurUser.empty());
}

TEST_F(SelectUserDialog, ChoosingAUserAsksThePasswordLogsInAndStaysOpen) {
    Select([&](frmSelectUser& d) {
        Pick(d, "bob");
        EnterPassword("bob", "bobspass");
        d.cmdChooseUser->click();
        EXPECT_TRUE(d.IsLoaded());
        EXPECT_EQ(modMain::CurUser, "bob");
        EXPECT_EQ(modMain::CurUsPasw.str(), Md5("bobspass"));
        EXPECT_TRUE(modMain::FrmPaswEnetered.empty()) << "the hash is not left behind";

        // The logged-in user again: no password is asked.
        NoPasswordAsked(d);
        d.cmdChooseUser->click();
        QTest::qWait(0);  // the guard is done before the next dialog opens
        EXPECT_EQ(Prompts(), Names{"T12"});
        EXPECT_EQ(boxes.back().style, qtplat::vbInformation);

        // A double click chooses too; Cancel in the password dialog changes
        // nothing.
        OnNextDialog<frmPassword>([](frmPassword& p) {
            EXPECT_EQ(p.lblUserName->text(), "carol");
            p.cmdCancel->click();
        });
        const auto carol = d.lstUsers->findItems("carol", Qt::MatchExactly).front();
        // The first click of a double click selects the item.
        d.lstUsers->setCurrentItem(carol);
        emit d.lstUsers->itemDoubleClicked(carol);
        EXPECT_EQ(modMain::CurUser, "bob");
        EXPECT_EQ(Prompts(), Names{"T12"});
        EXPECT_EQ(Listed(d), (Names{"alice", "bob", "carol"}));
        d.cmdExit->click();
    });
}

TEST_F(SelectUserDialog, ARightPasswordForAFileThatCannotBeLoadedIsToldAndTheFileKept) {
    // The file's start still deciphers under the right key; the rest is gone.
    const std::string path = modMain::UserFilePath("carol");
    const std::string cut = qpmtest::ReadBytes(path).substr(0, 20);
    qpmtest::WriteBytes(path, cut);
    LogIn("alice", "alicepass");
    Select([&](frmSelectUser& d) {
        Pick(d, "carol");
        EnterPassword("carol", "carolpass");
        d.cmdChooseUser->click();
        EXPECT_TRUE(d.IsLoaded());
        d.cmdExit->click();
    });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].prompt.find("could not be loaded"), std::string::npos) << boxes[0].prompt;
    EXPECT_EQ(boxes[0].style, qtplat::vbCritical);
    EXPECT_EQ(qpmtest::ReadBytes(path), cut);
    EXPECT_NE(modMain::CurUser, "carol");
}

TEST_F(SelectUserDialog, DeleteAsksFirstAndRemovesThatUsersFileOnly) {
    LogIn("alice", "alicepass");
    Answer({qtplat::vbNo, qtplat::vbYes});
    Select([&](frmSelectUser& d) {
        Pick(d, "bob");
        d.cmdDelUser->click();
        EXPECT_TRUE(fs::exists(dbFolder + "bob.vdb"));
        EXPECT_EQ(Listed(d), (Names{"alice", "bob", "carol"}));
        d.cmdDelUser->click();
        EXPECT_EQ(Listed(d), (Names{"alice", "carol"}));
        EXPECT_TRUE(d.IsLoaded());
        d.cmdExit->click();
    });
    ASSERT_EQ(boxes.size(), 2u);
    for (const auto& box : boxes) {
        EXPECT_EQ(box.prompt, "T4 \"bob\"");
        EXPECT_EQ(box.title, "T5");
        EXPECT_EQ(box.style, qtplat::vbYesNo | qtplat::vbQuestion);
    }
    EXPECT_EQ(coretest::FilesIn(dbFolder), (Names{"alice.vdb", "alice_1.vdb.BACKUP", "carol.vdb", "folder.vdb"}));
    EXPECT_EQ(modMain::CurUser, "alice");
}

TEST_F(SelectUserDialog, DeletingTheLoggedInUsersFileLogsThatUserOutSoNoSaveBringsItBack) {
    LogIn("alice", "alicepass");
    AddRecord("Unsaved");
    Answer({qtplat::vbYes});
    Select([&](frmSelectUser& d) {
        Pick(d, "alice");
        d.cmdDelUser->click();
        EXPECT_EQ(Listed(d), (Names{"bob", "carol"}));
        d.cmdExit->click();
    });
    EXPECT_TRUE(modMain::CurUser.empty());
    EXPECT_TRUE(modMain::CurUsPasw.empty());
    EXPECT_NE(modMain::SaveUsDB(modMain::CurUsDB, modMain::GetTruePasw(trace::Secret(Md5("alicepass")))), 2);
    EXPECT_FALSE(fs::exists(dbFolder + "alice.vdb"));
}

TEST_F(SelectUserDialog, ADeleteTouchesNothingButAUsersOwnFile) {
    qpmtest::WriteBytes(file("outside.vdb"), "not in the databases folder");
    const Names before = coretest::FilesIn(dbFolder);
    Answer({qtplat::vbYes, qtplat::vbYes, qtplat::vbYes});
    Select([&](frmSelectUser& d) {
        // A name that would reach out of the folder.
        Inject(d, "../outside");
        d.cmdDelUser->click();
        // A folder of a user's file name.
        Inject(d, "folder");
        d.cmdDelUser->click();
        // A file that went meanwhile: nothing to delete, the list is read again.
        Inject(d, "ghost");
        d.cmdDelUser->click();
        EXPECT_EQ(Listed(d), (Names{"alice", "bob", "carol"}));
        EXPECT_TRUE(d.IsLoaded());
        d.cmdExit->click();
    });
    ASSERT_EQ(boxes.size(), 5u);
    EXPECT_NE(boxes[1].prompt.find("nothing has been deleted"), std::string::npos) << boxes[1].prompt;
    EXPECT_NE(boxes[3].prompt.find("could not be deleted"), std::string::npos) << boxes[3].prompt;
    EXPECT_EQ(boxes[4].prompt, "T4 \"ghost\"");
    EXPECT_TRUE(fs::exists(file("outside.vdb")));
    EXPECT_TRUE(fs::is_directory(dbFolder + "folder.vdb"));
    EXPECT_EQ(coretest::FilesIn(dbFolder), before);
}

TEST_F(SelectUserDialog, TheLockDuringTheDeleteQuestionDeletesNothing) {
    Answer({qtplat::vbYes}, [] { VbDialog::UnloadAllOpen(); });
    Select([&](frmSelectUser& d) {
        Pick(d, "bob");
        d.cmdDelUser->click();
        EXPECT_FALSE(d.IsLoaded());
    });
    EXPECT_TRUE(fs::exists(dbFolder + "bob.vdb"));
}

TEST_F(SelectUserDialog, ChangingTheFolderAsksFirstAndListsTheNewFoldersUsers) {
    const std::string other = file("Other");
    fs::create_directories(other);
    qpmtest::WriteBytes(other + "/zoe.vdb", "zoe's file");
    std::vector<std::optional<std::string>> picks = {other, std::nullopt};
    int picked = 0;
    QWidget* pickerOwner = nullptr;
    qtplat::SetFolderChooserForTests([&](const qtplat::FolderRequest& request) {
        pickerOwner = request.owner;
        return picks.at(picked++);
    });
    Answer({qtplat::vbNo, qtplat::vbYes, qtplat::vbYes});
    Select([&](frmSelectUser& d) {
        d.cmdChangePath->click();
        EXPECT_EQ(picked, 0);
        d.cmdChangePath->click();
        EXPECT_EQ(Listed(d), Names{"zoe"});
        EXPECT_EQ(pickerOwner, &d) << "the picker is never hidden behind the dialog";
        // A cancelled pick keeps the folder and the list.
        d.cmdChangePath->click();
        EXPECT_EQ(Listed(d), Names{"zoe"});
        d.cmdExit->click();
    });
    EXPECT_EQ(picked, 2);
    EXPECT_EQ(Prompts(), (Names{"T19", "T19", "T19"}));
    EXPECT_EQ(boxes[0].style, qtplat::vbYesNo | qtplat::vbInformation);
    EXPECT_EQ(modMain::ProgConfig(5), other + "/");
}

TEST_F(SelectUserDialog, AddingAUserFromHereReadsTheListAgainWhateverTheAddDialogDid) {
    Select([&](frmSelectUser& d) {
        OnNextDialog<frmAddUser>([](frmAddUser& a) {
            EXPECT_EQ(a.parentWidget(), nullptr) << "a dialog opened by a dialog has no owner";
            Type(a.txtNewUsName, "dave");
            Type(a.txtPasw, "davepass");
            Type(a.txtConfirm, "davepass");
            a.chkLoadAfterAdd->setChecked(false);
            a.cmdAddUser->click();
        });
        d.cmdAddUser->click();
        EXPECT_EQ(Listed(d), (Names{"alice", "bob", "carol", "dave"}));

        OnNextDialog<frmAddUser>([this](frmAddUser& a) {
            MakeUser("erin", "erinpass");
            a.cmdCancel->click();
        });
        d.cmdAddUser->click();
        EXPECT_EQ(Listed(d), (Names{"alice", "bob", "carol", "dave", "erin"}));
        EXPECT_TRUE(d.IsLoaded());
        d.cmdExit->click();
    });
    EXPECT_EQ(Prompts(), Names{"T147"});
    EXPECT_TRUE(modMain::CurUser.empty());
}

TEST_F(SelectUserDialog, BackAndEscClose) {
    for (bool esc : {false, true}) {
        Select([&](frmSelectUser& d) {
            Pick(d, "bob");
            if (esc)
                QTest::keyClick(d.lstUsers, Qt::Key_Escape);
            else
                d.cmdExit->click();
            EXPECT_FALSE(d.IsLoaded());
        });
    }
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(modMain::CurUser.empty());
}

}  // namespace
