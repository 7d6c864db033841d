// The backup manager against real user files and backup copies made by the
// core, with the password dialog it opens driven while it runs.
#include <fcntl.h>
#include <sys/stat.h>

#include <QApplication>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <deque>
#include <filesystem>

#include "DialogTestSupport.h"
#include "VEDataBase/_clsMD5HASH.h"
#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "app/core/modMainTree.h"
#include "app/core/modMainUsers.h"
#include "app/dialogs/frmPassword.h"
#include "app/dialogs/frmRestore.h"
#include "platform/FileIO.h"
#include "platform/com/Creation.h"
#include "platform/qt/Desktop.h"

namespace {

using dialogtest::DialogTest;
namespace fs = std::filesystem;

std::string Md5Hex(const std::string& text) {
    return com::CreateObject<vedb::_clsMD5HASH>("VEDataBase.clsMD5HASH")->DigestStrToHexStr(text);
}

class RestoreDialog : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        LoadTexts(149, {9, 15, 24, 25, 64, 88, 98, 108, 128, 129, 130, 131, 140, 142, 144, 145, 146, 149});
        modMain::ProgCfgPath = file("config.dat");
        backups = dbFolder + "Backup/";
        fs::create_directories(backups);
        // Message boxes answer from the queue, Yes when it is empty.
        qtplat::SetMsgBoxForTests([this](const std::string& prompt, int style, const std::string& title) {
            boxes.push_back({prompt, style, title});
            if (answers.empty()) return static_cast<int>(qtplat::vbYes);
            const int answer = answers.front();
            answers.pop_front();
            return answer;
        });
    }

    static void MakeUser(const std::string& name, const std::string& password) {
        ASSERT_EQ(modMain::AddUser(modMain::UserFilePath(name), name, trace::Secret(password)), modMain::kUserCreated);
    }
    static void LogIn(const std::string& name, const std::string& password) {
        ASSERT_FALSE(modMain::FullUserLoad(name, trace::Secret(Md5Hex(password))).has_value());
    }
    static std::string AddRecord(const std::string& title) {
        return modMain::AddRecordToDB("0", title, trace::Secret(""), trace::Secret(""), trace::Secret(""),
                                      *modMain::CurUsDB);
    }
    // The titles of the records in a user's file, read back from the disk.
    static std::vector<std::string> TitlesOnDisk(const std::string& name, const std::string& password) {
        auto saved = modMain::CurUsDB;
        EXPECT_EQ(modMain::LoadUser(modMain::UserFilePath(name), modMain::GetTruePasw(Md5Hex(password))), 2);
        std::vector<std::string> titles;
        clsDatabase& db = *modMain::CurUsDB;
        const std::int32_t tbl = db.FindTable("DataTable");
        for (std::int32_t r = 1; r <= db.GetTblRecNum(tbl); ++r) titles.push_back(db.GetTblFldValNm(tbl, r, "Title"));
        modMain::CurUsDB = saved;
        return titles;
    }
    // A backup copy: the user's file as it is now.
    void Backup(const std::string& user, int n) const {
        fs::copy_file(modMain::UserFilePath(user), backups + user + "_" + std::to_string(n) + ".vdb.BACKUP",
                      fs::copy_options::overwrite_existing);
    }
    static std::string Bytes(const std::string& path) { return qpmtest::ReadBytes(path); }
    static void SaveCurrent() {
        ASSERT_EQ(modMain::SaveUsDB(modMain::CurUsDB, modMain::GetTruePasw(modMain::CurUsPasw)), 2);
    }
    // alice logged in, backed up as copy 1 and saved with one record more;
    // her file as it is then.
    std::string AliceNewerThanHerBackup() {
        MakeUser("alice", "alicepass1");
        Backup("alice", 1);
        LogIn("alice", "alicepass1");
        AddRecord("newer");
        SaveCurrent();
        return Bytes(modMain::UserFilePath("alice"));
    }

    // Runs the dialog; `script` acts on it while it is up.
    void Manage(const std::function<void(frmRestore&)>& script) {
        frmRestore dialog;
        RunModal(dialog, [&] { script(dialog); });
    }

    static QStringList Items(const frmRestore& d) {
        QStringList items;
        for (int i = 0; i < d.lstRestorDBs->count(); ++i) items << d.lstRestorDBs->item(i)->text();
        return items;
    }
    // The file names the list shows (each item's text up to " Date: ").
    static QStringList Names(const frmRestore& d) {
        QStringList names;
        for (const QString& item : Items(d)) names << item.left(item.indexOf(QStringLiteral(" Date: ")));
        return names;
    }
    static void Select(frmRestore& d, const QString& name) {
        const auto found = d.lstRestorDBs->findItems(name + " Date: ", Qt::MatchStartsWith);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        d.lstRestorDBs->setCurrentItem(found.front());
    }

    // Answers the password dialog that the next nested modal loop shows:
    // types `password` and presses Ok, or cancels when there is none.
    void AnswerPassword(frmRestore& restore, std::optional<std::string> password) {
        QTimer::singleShot(0, &restore, [this, password] {
            auto* dialog = dynamic_cast<frmPassword*>(QApplication::activeModalWidget());
            if (!dialog) {
                ADD_FAILURE() << "no password dialog";
                return;
            }
            askedFor = dialog->lblUserName->text().toStdString();
            EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
            if (password) {
                QTest::keyClicks(dialog->txtPassword, QString::fromStdString(*password));
                dialog->cmdOk->click();
            } else {
                dialog->cmdCancel->click();
            }
        });
    }

    std::string backups;
    std::deque<int> answers;
    std::string askedFor;
};

TEST_F(RestoreDialog, ListsTheBackupFilesOfTheFolderWithTheirTimes) {
    for (const char* name : {"alice_2.vdb.BACKUP", "alice_10.vdb.BACKUP", "bob_1.vdb.BACKUP", "alice_1.vdb.BACKUP",
                             "alice_1.vdb.backup", "alice.vdb", "notes.txt", "odd.vdb.BACKUP"})
        qpmtest::WriteBytes(backups + name, "x");
    fs::create_directories(backups + "x.vdb.BACKUP");
    Manage([&](frmRestore& d) {
        EXPECT_EQ(Names(d), (QStringList{"alice_1.vdb.BACKUP", "alice_2.vdb.BACKUP", "alice_10.vdb.BACKUP",
                                         "bob_1.vdb.BACKUP", "odd.vdb.BACKUP"}));
        EXPECT_EQ(d.windowTitle(), "T142");
        EXPECT_EQ(d.findChild<QLabel*>("lblDBsCap")->text(), "T146");
        const std::pair<const char*, QString> buttons[] = {
            {"cmdRestore", "T144"}, {"cmdDelete", "T145"}, {"cmdBack", "T98"}};
        for (const auto& [name, text] : buttons) EXPECT_EQ(d.findChild<QPushButton*>(name)->text(), text) << name;
        d.cmdBack->click();
    });
    EXPECT_TRUE(boxes.empty());
}

TEST_F(RestoreDialog, TheDateIsTheLastWriteTimeInLocalTimeWithoutATimeAtMidnight) {
    const struct {
        const char* name;
        QDateTime written;
        QString time;  // the time part, "" when none is shown
    } cases[] = {
        {"a_1.vdb.BACKUP", QDateTime(QDate(2021, 3, 4), QTime(5, 6, 7)), " 05:06:07"},
        {"a_2.vdb.BACKUP", QDateTime(QDate(2019, 12, 31), QTime(23, 59, 58)), " 23:59:58"},
        {"a_3.vdb.BACKUP", QDateTime(QDate(2020, 2, 29), QTime(0, 0, 0)), ""},
    };
    for (const auto& c : cases) {
        qpmtest::WriteBytes(backups + c.name, "x");
        const struct timespec times[2] = {{c.written.toSecsSinceEpoch(), 0}, {c.written.toSecsSinceEpoch(), 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, (backups + c.name).c_str(), times, 0), 0);
    }
    Manage([&](frmRestore& d) {
        const QStringList items = Items(d);
        ASSERT_EQ(items.size(), 3);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(items[i], QString::fromLatin1(cases[i].name) + " Date: " +
                                    QLocale::system().toString(cases[i].written.date(), QLocale::ShortFormat) +
                                    cases[i].time);
        d.cmdBack->click();
    });
}

TEST_F(RestoreDialog, WithoutABackupFolderTheListIsEmptyAndNothingCanBeChosen) {
    fs::remove_all(backups);
    Manage([&](frmRestore& d) {
        EXPECT_EQ(d.lstRestorDBs->count(), 0);
        d.cmdRestore->click();
        d.cmdDelete->click();
        EXPECT_EQ(Prompts(), (std::vector<std::string>{"T140", "T140"}));
        EXPECT_EQ(boxes.back().style, qtplat::vbInformation);
        d.cmdBack->click();
    });
    const auto log = LogMessages();
    EXPECT_NE(std::find(log.begin(), log.end(), "Error#0003. DBPath = " + backups), log.end());
}

TEST_F(RestoreDialog, RestoreReplacesTheUsersFileAndLogsTheUserInAgain) {
    MakeUser("alice", "alicepass1");
    LogIn("alice", "alicepass1");
    AddRecord("kept in the backup");
    SaveCurrent();
    Backup("alice", 2);
    const std::string backupBytes = Bytes(backups + "alice_2.vdb.BACKUP");
    AddRecord("after the backup");
    SaveCurrent();

    Manage([&](frmRestore& d) {
        Select(d, "alice_2.vdb.BACKUP");
        AnswerPassword(d, "alicepass1");
        d.cmdRestore->click();
        EXPECT_EQ(askedFor, "alice");
        EXPECT_EQ(Prompts(), (std::vector<std::string>{"T129", "T130"}));
        EXPECT_EQ(boxes[0].style, qtplat::vbYesNo);
        EXPECT_EQ(boxes[1].style, qtplat::vbOKOnly);
        EXPECT_EQ(Names(d), QStringList{"alice_2.vdb.BACKUP"});
        d.cmdBack->click();
    });
    EXPECT_EQ(Bytes(modMain::UserFilePath("alice")), backupBytes);
    EXPECT_EQ(modMain::CurUser, "alice");
    EXPECT_EQ(modMain::CurUsPasw.str(), Md5Hex("alicepass1"));
    EXPECT_TRUE(modMain::FrmPaswEnetered.empty());
    EXPECT_EQ(TitlesOnDisk("alice", "alicepass1"), std::vector<std::string>{"kept in the backup"});
    // No temporary copy is left beside the user's file.
    EXPECT_EQ(coretest::FilesIn(dbFolder), (std::vector<std::string>{"Backup", "alice.vdb"}));
}

TEST_F(RestoreDialog, CancellingThePasswordLeavesTheFileRestoredAndNobodyLoggedIn) {
    MakeUser("alice", "alicepass1");
    Backup("alice", 1);
    LogIn("alice", "alicepass1");
    Manage([&](frmRestore& d) {
        Select(d, "alice_1.vdb.BACKUP");
        AnswerPassword(d, std::nullopt);
        emit d.lstRestorDBs->itemDoubleClicked(d.lstRestorDBs->currentItem());
        EXPECT_EQ(askedFor, "alice") << "a double click restores as the button does";
        EXPECT_EQ(Prompts(), std::vector<std::string>{"T129"});
        d.cmdBack->click();
    });
    EXPECT_EQ(modMain::CurUser, "");
    EXPECT_TRUE(modMain::CurUsPasw.empty());
    EXPECT_EQ(modMain::ProgConfig(4), "");
}

TEST_F(RestoreDialog, AnsweringNoChangesNothing) {
    const std::string current = AliceNewerThanHerBackup();
    answers = {qtplat::vbNo};
    Manage([&](frmRestore& d) {
        Select(d, "alice_1.vdb.BACKUP");
        d.cmdRestore->click();
        d.cmdBack->click();
    });
    EXPECT_EQ(Prompts(), std::vector<std::string>{"T129"});
    EXPECT_EQ(Bytes(modMain::UserFilePath("alice")), current);
    EXPECT_EQ(modMain::CurUser, "alice");
}

TEST_F(RestoreDialog, TheUserIsTheNameBeforeTheLastUnderscore) {
    MakeUser("john", "johnpass1");
    MakeUser("john_doe", "johndoe12");
    Backup("john_doe", 2);
    const std::string john = Bytes(modMain::UserFilePath("john"));
    fs::remove(modMain::UserFilePath("john_doe"));
    Manage([&](frmRestore& d) {
        Select(d, "john_doe_2.vdb.BACKUP");
        AnswerPassword(d, "johndoe12");
        d.cmdRestore->click();
        EXPECT_EQ(askedFor, "john_doe");
        d.cmdBack->click();
    });
    EXPECT_EQ(Bytes(modMain::UserFilePath("john_doe")), Bytes(backups + "john_doe_2.vdb.BACKUP"));
    EXPECT_EQ(Bytes(modMain::UserFilePath("john")), john);
    EXPECT_EQ(modMain::CurUser, "john_doe");

    const std::pair<std::string, std::optional<std::string>> names[] = {
        {"john_doe_2.vdb.BACKUP", "john_doe"},
        {"alice_1.vdb.BACKUP", "alice"},
        {"alice_12.vdb.BACKUP", "alice"},
        {"alice_007.vdb.BACKUP",
         std::nullopt},  // never a name the backup writes     {"alice.vdb.BACKUP", std::nullopt},  // no copy number
        {"alice_.vdb.BACKUP", std::nullopt},
        {"alice_1x.vdb.BACKUP", std::nullopt},
        {"_1.vdb.BACKUP", std::nullopt},  // no user
        {"alice_1.vdb.backup", std::nullopt},
        {"a:b_1.vdb.BACKUP", std::nullopt},  // no safe file name
    };
    for (const auto& [file, user] : names) EXPECT_EQ(frmRestore::BackupUser(file), user) << file;
}

TEST_F(RestoreDialog, ABackupOfNoUserIsNotRestored) {
    qpmtest::WriteBytes(backups + "odd.vdb.BACKUP", "x");
    MakeUser("alice", "alicepass1");
    LogIn("alice", "alicepass1");
    Manage([&](frmRestore& d) {
        Select(d, "odd.vdb.BACKUP");
        d.cmdRestore->click();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_NE(boxes[0].prompt.find("cannot be restored"), std::string::npos) << boxes[0].prompt;
        EXPECT_EQ(boxes[0].style, qtplat::vbCritical);
        d.cmdBack->click();
    });
    EXPECT_EQ(modMain::CurUser, "alice");
    EXPECT_FALSE(fs::exists(dbFolder + "odd.vdb"));
}

TEST_F(RestoreDialog, AFailedCopyLeavesTheFileAndTheLoginAsTheyWere) {
    enum Failure { BackupGone, WriteRefused };
    for (Failure failure : {BackupGone, WriteRefused}) {
        SCOPED_TRACE(failure);
        fs::remove_all(dbFolder);
        fs::create_directories(backups);
        boxes.clear();
        MakeUser("alice", "alicepass1");
        Backup("alice", 1);
        LogIn("alice", "alicepass1");
        AddRecord("not saved yet");
        std::string before;
        Manage([&](frmRestore& d) {
            Select(d, "alice_1.vdb.BACKUP");
            if (failure == BackupGone) {
                // Removed after it was listed: the user's changes are saved,
                // then the copy fails.
                fs::remove(backups + "alice_1.vdb.BACKUP");
                d.cmdRestore->click();
                ASSERT_EQ(boxes.size(), 2u);
            } else {
                // Nothing can be renamed into place: neither the save nor the
                // copy; the user restores all the same.
                before = Bytes(modMain::UserFilePath("alice"));
                plat::ScopedWriteFaults faults({.refuseRename = true});
                coretest::ScopedLibraryWriteFaults libraryFaults({.refuseRename = true});
                d.cmdRestore->click();
                ASSERT_EQ(boxes.size(), 3u);
                EXPECT_NE(boxes[1].prompt.find("could not be saved"), std::string::npos);
            }
            EXPECT_EQ(boxes.back().style, qtplat::vbCritical);
            EXPECT_NE(boxes.back().prompt.find("could not be restored"), std::string::npos) << boxes.back().prompt;
            d.cmdBack->click();
        });
        EXPECT_EQ(modMain::CurUser, "alice");
        EXPECT_EQ(modMain::CurUsDB->GetTblRecNum(modMain::CurUsDB->FindTable("DataTable")), 1);
        if (failure == BackupGone)
            EXPECT_EQ(TitlesOnDisk("alice", "alicepass1"), std::vector<std::string>{"not saved yet"});
        else
            EXPECT_EQ(Bytes(modMain::UserFilePath("alice")), before);
        EXPECT_EQ(coretest::FilesIn(dbFolder), (std::vector<std::string>{"Backup", "alice.vdb"}));
        modMain::UnloadUser();
    }
}

TEST_F(RestoreDialog, TheLoggedInUsersChangesAreSavedBeforeTheLogOut) {
    MakeUser("alice", "alicepass1");
    MakeUser("bob", "bobspass1");
    Backup("bob", 1);
    LogIn("alice", "alicepass1");
    AddRecord("not saved yet");
    Manage([&](frmRestore& d) {
        Select(d, "bob_1.vdb.BACKUP");
        AnswerPassword(d, std::nullopt);
        d.cmdRestore->click();
        EXPECT_EQ(askedFor, "bob");
        d.cmdBack->click();
    });
    EXPECT_EQ(modMain::CurUser, "");
    EXPECT_EQ(TitlesOnDisk("alice", "alicepass1"), std::vector<std::string>{"not saved yet"});
}

TEST_F(RestoreDialog, WhenTheCurrentDatabaseCannotBeSavedTheUserDecides) {
    MakeUser("alice", "alicepass1");
    Backup("alice", 1);
    LogIn("alice", "alicepass1");
    AddRecord("not saved");
    const std::string current = Bytes(modMain::UserFilePath("alice"));
    answers = {qtplat::vbYes, qtplat::vbNo};
    Manage([&](frmRestore& d) {
        Select(d, "alice_1.vdb.BACKUP");
        {
            plat::ScopedWriteFaults faults({.refuseRename = true});
            coretest::ScopedLibraryWriteFaults libraryFaults({.refuseRename = true});
            d.cmdRestore->click();
        }
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_EQ(boxes[1].style, qtplat::vbYesNo | qtplat::vbExclamation);
        EXPECT_NE(boxes[1].prompt.find("could not be saved"), std::string::npos) << boxes[1].prompt;
        d.cmdBack->click();
    });
    EXPECT_EQ(Bytes(modMain::UserFilePath("alice")), current);
    EXPECT_EQ(modMain::CurUser, "alice");
    EXPECT_EQ(modMain::CurUsDB->GetTblRecNum(modMain::CurUsDB->FindTable("DataTable")), 1);
}

TEST_F(RestoreDialog, DeleteRemovesTheChosenCopyAfterTheQuestion) {
    for (const char* name : {"alice_1.vdb.BACKUP", "alice_2.vdb.BACKUP"}) qpmtest::WriteBytes(backups + name, "x");
    Manage([&](frmRestore& d) {
        d.cmdDelete->click();
        EXPECT_EQ(Prompts(), std::vector<std::string>{"T140"});
        answers = {qtplat::vbNo, qtplat::vbYes};
        Select(d, "alice_1.vdb.BACKUP");
        d.cmdDelete->click();
        EXPECT_TRUE(fs::exists(backups + "alice_1.vdb.BACKUP"));
        d.cmdDelete->click();
        EXPECT_EQ(Prompts(), (std::vector<std::string>{"T140", "T128", "T128"}));
        EXPECT_EQ(boxes[1].style, qtplat::vbYesNo);
        EXPECT_EQ(Names(d), QStringList{"alice_2.vdb.BACKUP"});
        d.cmdBack->click();
    });
    EXPECT_EQ(coretest::FilesIn(backups), std::vector<std::string>{"alice_2.vdb.BACKUP"});
}

TEST_F(RestoreDialog, EscDoesNothing) {
    Manage([&](frmRestore& d) {
        QTest::keyClick(d.lstRestorDBs, Qt::Key_Escape);
        EXPECT_TRUE(d.IsLoaded());
        d.close();
    });
}

TEST_F(RestoreDialog, StaysAnOrdinaryWindowWhateverOptionSixSays) {
    SetOption(6, "True");
    Manage([&](frmRestore& d) {
        EXPECT_FALSE(d.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
        d.cmdBack->click();
    });
}

TEST_F(RestoreDialog, TheLockDuringAQuestionStopsTheRestoreAndTheDelete) {
    const std::string current = AliceNewerThanHerBackup();
    // The inactivity lock fires while the question is up; the answer the
    // closed box leaves is not No.
    qtplat::SetMsgBoxForTests([this](const std::string& prompt, int style, const std::string& title) {
        boxes.push_back({prompt, style, title});
        VbDialog::UnloadAllOpen();
        return static_cast<int>(qtplat::vbYes);
    });
    for (bool restore : {true, false}) {
        Manage([&](frmRestore& d) {
            Select(d, "alice_1.vdb.BACKUP");
            (restore ? d.cmdRestore : d.cmdDelete)->click();
            EXPECT_FALSE(d.IsLoaded());
        });
    }
    EXPECT_EQ(Prompts(), (std::vector<std::string>{"T129", "T128"}));
    EXPECT_EQ(Bytes(modMain::UserFilePath("alice")), current);
    EXPECT_TRUE(fs::exists(backups + "alice_1.vdb.BACKUP"));
    EXPECT_EQ(modMain::CurUser, "alice");
}

TEST_F(RestoreDialog, ACopyThatCannotBeDeletedIsReported) {
    qpmtest::WriteBytes(backups + "alice_1.vdb.BACKUP", "x");
    Manage([&](frmRestore& d) {
        Select(d, "alice_1.vdb.BACKUP");
        // Replaced by a folder after it was listed.
        fs::remove(backups + "alice_1.vdb.BACKUP");
        fs::create_directory(backups + "alice_1.vdb.BACKUP");
        d.cmdDelete->click();
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_NE(boxes[1].prompt.find("could not be deleted"), std::string::npos) << boxes[1].prompt;
        EXPECT_EQ(boxes[1].style, qtplat::vbCritical);
        EXPECT_EQ(d.lstRestorDBs->count(), 0) << "listed again: folders are no copies";
        d.cmdBack->click();
    });
    EXPECT_TRUE(shown.empty());
}

TEST_F(RestoreDialog, ACopyThatOpensButCannotBeLoadedIsNotReportedAsRestored) {
    MakeUser("alice", "alicepass1");
    // Its beginning passes the password test; the rest of the file is gone.
    qpmtest::WriteBytes(backups + "alice_1.vdb.BACKUP", Bytes(modMain::UserFilePath("alice")).substr(0, 40));
    Manage([&](frmRestore& d) {
        Select(d, "alice_1.vdb.BACKUP");
        AnswerPassword(d, "alicepass1");
        d.cmdRestore->click();
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_NE(boxes[1].prompt.find("could not be loaded"), std::string::npos) << boxes[1].prompt;
        d.cmdBack->click();
    });
    EXPECT_EQ(modMain::CurUser, "");
    EXPECT_TRUE(modMain::CurUsPasw.empty());
}

}  // namespace
