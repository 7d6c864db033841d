#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "CoreTestSupport.h"
#include "ScopedTmpfs.h"
#include "TempDir.h"
#include "VEDataBase/ClassIds.h"
#include "VEDataBase/_clsMD5HASH.h"
#include "VEDataBase/_clsRC4.h"
#include "app/core/clsDataFilesManager.h"
#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "app/core/modMainBackup.h"
#include "app/core/modMainUsers.h"
#include "app/trace/Trace.h"
#include "platform/FileIO.h"
#include "platform/VbError.h"
#include "platform/VbStrings.h"
#include "platform/com/Creation.h"

namespace {

namespace fs = std::filesystem;
using qpmtest::ReadBytes;
using qpmtest::WriteBytes;

// File name -> content.
using Files = std::map<std::string, std::string>;

class Backup : public coretest::LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        dbs = file("DataBases") + "/";
        backups = dbs + "Backup/";
        fs::create_directories(dbs);
        WriteBytes(dbs + "alice.vdb", "alice's file as it is on disk");
        SetOptions(coretest::DefaultOptions());
        modMain::ProgConfig(5) = file("DataBases");  // no trailing "/": Pt adds it
        modMain::ProgConfig(13) = "3";
        db = std::make_shared<clsDatabase>();
        db->Name("alice");
        db->Path(dbs + "alice.vdb");  // logged in from its own file
        UsedSecondsAgo(7200);
    }
    void TearDown() override {
        db.reset();
        LibraryTest::TearDown();
    }
    // Marks the database as last used that many seconds ago.
    void UsedSecondsAgo(int s) { db->DBLastAccess(vb::CLng(clock) - s); }
    void PutBackups(const Files& files) {
        for (const auto& [name, content] : files) WriteBytes(backups + name, content);
    }
    Files BackupFolder() const {
        Files files;
        if (!fs::exists(backups)) return files;
        for (const auto& e : fs::directory_iterator(backups)) files[e.path().filename()] = ReadBytes(e.path());
        return files;
    }
    bool Logged(const std::string& message) const {
        const auto messages = LogMessages();
        return std::find(messages.begin(), messages.end(), message) != messages.end();
    }

    std::string dbs, backups;
    std::shared_ptr<clsDatabase> db;
};

TEST_F(Backup, RotatesTheNumberedCopies) {
    const std::string NEW = "alice's file as it is on disk";
    struct Case {
        const char* name;
        const char* option13;
        Files before;
        Files after;
    };
    const Case cases[] = {
        {"no copies yet", "3", {}, {{"alice_1.vdb.BACKUP", NEW}}},
        {"the set grows",
         "3",
         {{"alice_1.vdb.BACKUP", "c1"}},
         {{"alice_1.vdb.BACKUP", "c1"}, {"alice_2.vdb.BACKUP", NEW}}},
        {"full set of 3: 1 goes, 2 and 3 move down, the new copy is 3",
         "3",
         {{"alice_1.vdb.BACKUP", "c1"}, {"alice_2.vdb.BACKUP", "c2"}, {"alice_3.vdb.BACKUP", "c3"}},
         {{"alice_1.vdb.BACKUP", "c2"}, {"alice_2.vdb.BACKUP", "c3"}, {"alice_3.vdb.BACKUP", NEW}}},
        {"only copy 2: the new copy is 3, nothing moves",
         "3",
         {{"alice_2.vdb.BACKUP", "c2"}},
         {{"alice_2.vdb.BACKUP", "c2"}, {"alice_3.vdb.BACKUP", NEW}}},
        {"copies 1 and 3 (a gap): 1 goes, 3 becomes 2, the new copy is 3",
         "3",
         {{"alice_1.vdb.BACKUP", "c1"}, {"alice_3.vdb.BACKUP", "c3"}},
         {{"alice_2.vdb.BACKUP", "c3"}, {"alice_3.vdb.BACKUP", NEW}}},
        {"copies 2 and 3: the set counts as full",
         "3",
         {{"alice_2.vdb.BACKUP", "c2"}, {"alice_3.vdb.BACKUP", "c3"}},
         {{"alice_1.vdb.BACKUP", "c2"}, {"alice_2.vdb.BACKUP", "c3"}, {"alice_3.vdb.BACKUP", NEW}}},
        {"N = 0: copy 1 goes and the copy is number 0, every time",
         "0",
         {{"alice_0.vdb.BACKUP", "c0"}, {"alice_1.vdb.BACKUP", "c1"}},
         {{"alice_0.vdb.BACKUP", NEW}}},
        {"copies above N (from a larger option) are left alone",
         "2",
         {{"alice_1.vdb.BACKUP", "c1"}, {"alice_2.vdb.BACKUP", "c2"}, {"alice_5.vdb.BACKUP", "c5"}},
         {{"alice_1.vdb.BACKUP", "c2"}, {"alice_2.vdb.BACKUP", NEW}, {"alice_5.vdb.BACKUP", "c5"}}},
        {"other users' copies and names that are no copy number are left alone",
         "1",
         {{"alice_1.vdb.BACKUP", "c1"},
          {"bob_1.vdb.BACKUP", "b1"},
          {"alice_x_1.vdb.BACKUP", "x1"},
          {"alice_01.vdb.BACKUP", "zero-padded"},
          {"alice_1.vdb.backup", "other case"}},
         {{"alice_1.vdb.BACKUP", NEW},
          {"bob_1.vdb.BACKUP", "b1"},
          {"alice_x_1.vdb.BACKUP", "x1"},
          {"alice_01.vdb.BACKUP", "zero-padded"},
          {"alice_1.vdb.backup", "other case"}}},
        {"a huge number of copies costs nothing",
         "2147483647",
         {{"alice_1.vdb.BACKUP", "c1"}},
         {{"alice_1.vdb.BACKUP", "c1"}, {"alice_2.vdb.BACKUP", NEW}}},
        {"switched off (\"n\" and the number): no copy",
         "n3",
         {{"alice_1.vdb.BACKUP", "c1"}, {"alice_2.vdb.BACKUP", "c2"}, {"alice_3.vdb.BACKUP", "c3"}},
         {{"alice_1.vdb.BACKUP", "c1"}, {"alice_2.vdb.BACKUP", "c2"}, {"alice_3.vdb.BACKUP", "c3"}}},
        {"no number: no copy, and the program goes on",
         "three",
         {{"alice_1.vdb.BACKUP", "c1"}},
         {{"alice_1.vdb.BACKUP", "c1"}}},
        {"an empty option: no copy", "", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(backups);
        PutBackups(c.before);
        modMain::ProgConfig(13) = c.option13;
        modMain::DoAutobackup(db);
        EXPECT_EQ(BackupFolder(), c.after);
        EXPECT_EQ(trace::FStack.UBound(), 0);
    }
    EXPECT_TRUE(Logged("!!!AUTOBACKUP!!!"));
    EXPECT_TRUE(Logged("AUTOBACKUP skipped: the number of copies (option 13) is no number"));
}

TEST_F(Backup, TheNextBackupsKeepRotatingAFullSet) {
    modMain::ProgConfig(13) = "2";
    for (const char* content : {"v1", "v2", "v3", "v4"}) {
        WriteBytes(dbs + "alice.vdb", content);
        modMain::DoAutobackup(db);
    }
    EXPECT_EQ(BackupFolder(), (Files{{"alice_1.vdb.BACKUP", "v3"}, {"alice_2.vdb.BACKUP", "v4"}}));
}

// A backup that fails is logged and told once, never raised: the program
// and its open database go on, and the set of copies stays as it was.
TEST_F(Backup, AFailedCopyLeavesEveryExistingCopyInPlaceAndIsToldOnce) {
    const Files full = {{"alice_1.vdb.BACKUP", "c1"}, {"alice_2.vdb.BACKUP", "c2"}, {"alice_3.vdb.BACKUP", "c3"}};
    struct Case {
        const char* name;
        plat::WriteFaults faults;
        bool removeUserFile;
        long error;
    };
    const Case cases[] = {
        {"the disk fills midway", {4, false}, false, vb::errPathFileAccess},
        {"the copy can't be put in place", {-1, true}, false, vb::errPathFileAccess},
        {"the user file is missing", {}, true, vb::errFileNotFound},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(backups);
        PutBackups(full);
        WriteBytes(dbs + "alice.vdb", "alice's file as it is on disk");
        if (c.removeUserFile) fs::remove(dbs + "alice.vdb");
        {
            plat::ScopedWriteFaults faults(c.faults);
            EXPECT_EQ(coretest::ErrorOf([&] { modMain::DoAutobackup(db); }), 0);
        }
        EXPECT_EQ(trace::FStack.UBound(), 0);
        EXPECT_EQ(BackupFolder(), full) << "an existing copy was lost or a partial copy was left";
        const std::string log = LogText();
        EXPECT_NE(log.find("AUTOBACKUP failed: " + vb::StandardDescription(c.error) + " (error " +
                           std::to_string(c.error) + ")"),
                  std::string::npos)
            << log;
    }
    // Told once, though every hour failed.
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].prompt.find("automatic backup could not be made"), std::string::npos) << boxes[0].prompt;
    // A backup that works again ends the failure; the next one is told anew.
    WriteBytes(dbs + "alice.vdb", "alice's file as it is on disk");
    modMain::DoAutobackup(db);
    EXPECT_EQ(BackupFolder().size(), 3u);
    {
        plat::ScopedWriteFaults faults({0, false});
        modMain::DoAutobackup(db);
    }
    EXPECT_EQ(boxes.size(), 2u);
}

// Every step of a rotation can fail: the copy's write at any byte, the
// oldest copy leaving the set, each renumbering, and the new copy taking its
// number. Each failure puts the set back byte for byte, leaves nothing
// beside it and does not touch the user file or the open database.
TEST_F(Backup, AFailureAtAnyStepOfTheRotationPutsTheSetBackAsItWas) {
    const std::string userFile = "alice's file as it is on disk";
    struct Set {
        const char* name;
        const char* option13;
        Files copies;
        int renames;  // in a backup that works
        Files after;  // that backup's set
    };
    const Set sets[] = {
        {"a full set of 3",
         "3",
         {{"alice_1.vdb.BACKUP", "c1"}, {"alice_2.vdb.BACKUP", "c2"}, {"alice_3.vdb.BACKUP", "c3"}},
         4,
         {{"alice_1.vdb.BACKUP", "c2"}, {"alice_2.vdb.BACKUP", "c3"}, {"alice_3.vdb.BACKUP", userFile}}},
        {"a set that grows",
         "3",
         {{"alice_1.vdb.BACKUP", "c1"}},
         1,
         {{"alice_1.vdb.BACKUP", "c1"}, {"alice_2.vdb.BACKUP", userFile}}},
        {"a set of no copies",
         "0",
         {{"alice_0.vdb.BACKUP", "c0"}, {"alice_1.vdb.BACKUP", "c1"}},
         2,
         {{"alice_0.vdb.BACKUP", userFile}}},
    };
    for (const Set& set : sets) {
        std::vector<plat::WriteFaults> faults;
        for (int n = 1; n <= set.renames; ++n) faults.push_back({.refuseRenameNo = n});
        for (std::int64_t bytes : {0, 1, 14, 28}) faults.push_back({.failAfterBytes = bytes});
        modMain::ProgConfig(13) = set.option13;
        for (const plat::WriteFaults& f : faults) {
            SCOPED_TRACE(std::string(set.name) + ": rename " + std::to_string(f.refuseRenameNo) +
                         " refused, write fails after " + std::to_string(f.failAfterBytes));
            fs::remove_all(backups);
            PutBackups(set.copies);
            {
                plat::ScopedWriteFaults scoped(f);
                modMain::DoAutobackup(db);
            }
            EXPECT_EQ(BackupFolder(), set.copies);
            EXPECT_EQ(ReadBytes(dbs + "alice.vdb"), userFile);
            EXPECT_EQ(db->Name(), "alice");
            EXPECT_EQ(db->Path(), dbs + "alice.vdb");
            EXPECT_EQ(trace::FStack.UBound(), 0);
        }
        // One rename more than the backup makes: the backup is made.
        fs::remove_all(backups);
        PutBackups(set.copies);
        {
            plat::ScopedWriteFaults scoped({.refuseRenameNo = set.renames + 1});
            modMain::DoAutobackup(db);
        }
        EXPECT_EQ(BackupFolder(), set.after) << set.name;
    }
}

TEST_F(Backup, ACopyThatAnEndedProgramLeftHalfMadeIsRemoved) {
    const Files full = {{"alice_1.vdb.BACKUP", "c1"}, {"alice_2.vdb.BACKUP", "c2"}};
    PutBackups(full);
    // 99999999 runs nowhere; process 1 always runs.
    PutBackups({{"alice_2.vdb.BACKUP.pending99999999-a1b2c3", "half"}, {"alice_2.vdb.BACKUP.pending1-d4e5f6", "busy"}});
    modMain::ProgConfig(13) = "2";
    modMain::DoAutobackup(db);
    EXPECT_EQ(BackupFolder(), (Files{{"alice_1.vdb.BACKUP", "c2"},
                                     {"alice_2.vdb.BACKUP", "alice's file as it is on disk"},
                                     {"alice_2.vdb.BACKUP.pending1-d4e5f6", "busy"}}));
}

TEST_F(Backup, ARealFullDiskLeavesTheSetAsItWas) {
    qpmtest::ScopedTmpfs disk(backups.substr(0, backups.size() - 1), 64 * 1024);
    if (!disk.mounted()) GTEST_SKIP() << "no tmpfs could be mounted: " << disk.error();
    const Files full = {{"alice_1.vdb.BACKUP", "c1"}, {"alice_2.vdb.BACKUP", "c2"}, {"alice_3.vdb.BACKUP", "c3"}};
    PutBackups(full);
    disk.Fill();
    modMain::DoAutobackup(db);
    Files left = BackupFolder();
    left.erase(".filler");
    EXPECT_EQ(left, full);
    EXPECT_NE(LogText().find("AUTOBACKUP failed: "), std::string::npos);

    disk.Free();
    modMain::DoAutobackup(db);
    EXPECT_EQ(BackupFolder(), (Files{{"alice_1.vdb.BACKUP", "c2"},
                                     {"alice_2.vdb.BACKUP", "c3"},
                                     {"alice_3.vdb.BACKUP", "alice's file as it is on disk"}}));
    EXPECT_EQ(trace::FStack.UBound(), 0);
}

TEST_F(Backup, ANameThatIsNoSafeFileNameMakesNoBackup) {
    const std::string names[] = {"",
                                 ".",
                                 "..",
                                 "../alice",
                                 "a/b",
                                 "a\\b",
                                 std::string("a\0b", 3),
                                 "a\x01"
                                 "b",
                                 "line\nbreak",
                                 "del\x7f"};
    WriteBytes(file("alice.vdb"), "a file outside the databases folder");
    for (const std::string& name : names) {
        SCOPED_TRACE(testing::PrintToString(name));
        db->Name(name);
        modMain::DoAutobackup(db);
        EXPECT_FALSE(fs::exists(backups));
        EXPECT_FALSE(fs::exists(file("Backup")));
        EXPECT_EQ(trace::FStack.UBound(), 0);
    }
    EXPECT_TRUE(Logged("AUTOBACKUP skipped: the database's name is no safe file name"));
}

// A user logged in as the program does it, with a real, enciphered file.
class LoggedInBackup : public Backup {
protected:
    void SetUp() override {
        Backup::SetUp();
        modMain::ProgCfgPath = file("config.dat");
        modMain::MDFM = std::make_shared<clsDataFilesManager>();
        modMain::CurUsDB = std::make_shared<clsDatabase>();
    }
    void TearDown() override {
        modMain::PartialLoadFile.clear();
        modMain::PartialLoadCopy.clear();
        Backup::TearDown();
    }
    static std::string Md5(const std::string& text) {
        return com::CreateObject<vedb::_clsMD5HASH>(vedb::kProgIdClsMD5HASH)->DigestStrToHexStr(text);
    }
};

TEST_F(LoggedInBackup, ADatabaseUsedWithinTheLastHourIsSavedBeforeItIsCopied) {
    struct Case {
        const char* name;
        int usedSecondsAgo;
        bool saved;
    };
    const Case cases[] = {
        {"used 10 minutes ago", 600, true},
        {"used exactly an hour ago", 3600, false},
        {"used two hours ago: copied as it is on disk", 7200, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(backups);
        fs::remove(dbs + "bob.vdb");
        ASSERT_EQ(modMain::AddUser(dbs + "bob.vdb", "bob", trace::Secret("password1")), modMain::kUserCreated);
        ASSERT_FALSE(modMain::FullUserLoad("bob", Md5("password1")).has_value());
        const std::string onDisk = ReadBytes(dbs + "bob.vdb");
        coretest::AddRow(*modMain::CurUsDB, {"1", "0", "2", "Bank", "login", "secret", "", "1key", "0|0"});
        modMain::CurUsDB->DBLastAccess(vb::CLng(clock) - c.usedSecondsAgo);

        modMain::DoAutobackup(modMain::CurUsDB);
        const std::string now = ReadBytes(dbs + "bob.vdb");
        EXPECT_EQ(now != onDisk, c.saved);
        EXPECT_EQ(BackupFolder(), (Files{{"bob_1.vdb.BACKUP", now}}));
        EXPECT_EQ(trace::FStack.UBound(), 0);
    }
}

TEST_F(LoggedInBackup, TheCopiesFollowTheFileTheDatabaseIsSavedTo) {
    // hans's file renamed outside the program: logged in as "henry", it is
    // saved under the name stored inside it, and until then it is on disk
    // only as henry's file.
    ASSERT_EQ(modMain::AddUser(dbs + "hans.vdb", "hans", trace::Secret("password1")), modMain::kUserCreated);
    fs::rename(dbs + "hans.vdb", dbs + "henry.vdb");
    ASSERT_FALSE(modMain::FullUserLoad("henry", Md5("password1")).has_value());
    modMain::CurUsDB->DBLastAccess(vb::CLng(clock) - 7200);
    modMain::DoAutobackup(modMain::CurUsDB);
    EXPECT_EQ(BackupFolder(), (Files{{"hans_1.vdb.BACKUP", ReadBytes(dbs + "henry.vdb")}}));
    EXPECT_EQ(trace::FStack.UBound(), 0);

    // A stored name that is another user's: the save goes to the file the
    // user logged in from, and so do the copies; ida's set is left alone.
    fs::remove_all(backups);
    ASSERT_EQ(modMain::AddUser(dbs + "ida.vdb", "ida", trace::Secret("password2")), modMain::kUserCreated);
    const Files idas = {{"ida_1.vdb.BACKUP", "i1"}, {"ida_2.vdb.BACKUP", "i2"}, {"ida_3.vdb.BACKUP", "i3"}};
    PutBackups(idas);
    const std::string idaFile = ReadBytes(dbs + "ida.vdb");
    modMain::CurUsDB->Name("ida");
    coretest::AddRow(*modMain::CurUsDB, {"1", "0", "2", "Bank", "login", "secret", "", "1key", "0|0"});
    modMain::DoAutobackup(modMain::CurUsDB);
    EXPECT_EQ(ReadBytes(dbs + "ida.vdb"), idaFile);
    Files expected = idas;
    expected["henry_1.vdb.BACKUP"] = ReadBytes(dbs + "henry.vdb");
    EXPECT_EQ(BackupFolder(), expected);
    EXPECT_NE(ReadBytes(dbs + "henry.vdb").size(), 0u);
    EXPECT_EQ(trace::FStack.UBound(), 0);
}

TEST_F(LoggedInBackup, TheBackupsAreLeftAloneWhileADatabaseThatLoadedInPartIsOpen) {
    // A whole table followed by a line the reader does not know: the load
    // stops there with the result 0, and the file is kept aside.
    const std::string key = modMain::GetTruePasw(Md5("password1")).str();
    std::string text = modMain::NewUserTemplate();
    text.replace(text.find("UserDataBase"), 12, "lena");
    text += "stray line\r\n";
    std::string bytes = text;
    com::CreateObject<vedb::_clsRC4>(vedb::kProgIdClsRC4)->CipherInPlace(bytes.data(), bytes.size(), key);
    WriteBytes(dbs + "lena.vdb", bytes);
    const Files full = {{"lena_1.vdb.BACKUP", "l1"}, {"lena_2.vdb.BACKUP", "l2"}, {"lena_3.vdb.BACKUP", "l3"}};
    PutBackups(full);

    ASSERT_FALSE(modMain::FullUserLoad("lena", Md5("password1")).has_value());
    ASSERT_NE(modMain::PartialLoadFile, "");
    modMain::CurUsDB->DBLastAccess(vb::CLng(clock));  // just used: a backup would save it first

    modMain::DoAutobackup(modMain::CurUsDB);
    EXPECT_EQ(BackupFolder(), full);
    EXPECT_EQ(ReadBytes(dbs + "lena.vdb"), bytes);
    EXPECT_TRUE(Logged("AUTOBACKUP skipped: the open database loaded only in part; the backups are kept as they are"));

    // Once a whole database is open again, the backups rotate as before.
    modMain::UnloadUser();
    ASSERT_EQ(modMain::AddUser(dbs + "bob.vdb", "bob", trace::Secret("password1")), modMain::kUserCreated);
    ASSERT_FALSE(modMain::FullUserLoad("bob", Md5("password1")).has_value());
    modMain::DoAutobackup(modMain::CurUsDB);
    EXPECT_EQ(BackupFolder().count("bob_1.vdb.BACKUP"), 1u);
}

}  // namespace
