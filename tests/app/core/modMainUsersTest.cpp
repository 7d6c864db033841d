#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CoreTestSupport.h"
#include "TreeTestSupport.h"
#include "VEDataBase/ClassIds.h"
#include "VEDataBase/_clsMD5HASH.h"
#include "VEDataBase/_clsRC4.h"
#include "app/core/CoreView.h"
#include "app/core/clsDataFilesManager.h"
#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "app/core/modMainUsers.h"
#include "platform/FileIO.h"
#include "platform/SystemFolder.h"
#include "platform/com/Creation.h"

namespace {

namespace fs = std::filesystem;
using coretest::FilesIn;

// The MD5 text of "58203716" and the file key made from it.
constexpr const char* kSampleMd5 = "F13FAB06A740F667B3DBAA695713F9A8";
constexpr const char* kSampleKey = "F06738D7778E140C5DD14D0929ECF588F13FAB06A740F667B3DBAA695713F9A8";

using coretest::Rc4;
std::string Md5(const std::string& text) { return coretest::Md5Hex(text); }

// A window that shows something already: a node, value-box text and enabled
// delete buttons, as a previous login leaves it.
void ShowSomething(treetest::FakeView& view) {
    view.AddTreeNode({}, TreeNode{"0key", "previous", "DBIcon", "", 0, false});
    view.AddTreeNode("0key", TreeNode{"9key", "stale", "1key", "2", 0, false});
    view.SelectTreeNode("9key");
    view.AppendValueText("stale text", 0, 0);
    view.EnableToolbarButton("btnDelFolder", true);
    view.EnableToolbarButton("btnDelRec", true);
}

class Users : public coretest::UserFolderTest {
protected:
    void SetUp() override {
        UserFolderTest::SetUp();
        modMain::SetMainView(&view);
    }
    void TearDown() override {
        modMain::SetMainView(nullptr);
        UserFolderTest::TearDown();
    }

    std::string Add(const std::string& name, const std::string& password) {
        EXPECT_EQ(modMain::AddUser(UserFile(name), name, password), modMain::kUserCreated);
        return UserFile(name);
    }
    // Logs the user in and adds one record.
    void LogInAndAddRecord(const std::string& name, const std::string& password, const std::string& title) {
        ASSERT_FALSE(modMain::FullUserLoad(name, Md5(password)).has_value());
        coretest::AddRow(*modMain::CurUsDB, {"1", "0", "2", title, "login", "secret", "", "1key", "0|0"});
    }
    std::vector<std::string> PrivateFiles() const { return FilesIn(plat::PrivateFolder()); }

    treetest::FakeView view;
};

TEST_F(Users, TheNewUserTemplateIsThePlainTextOfAnEmptyRecordTable) {
    const std::string sep = "\x87";
    const std::vector<std::string> lines = {
        "dzorvaLiL",
        "UserDataBase" + sep + "0" + sep + "1.1a",
        "[DataTable]",
        "0" + sep + "0",
        "0",
        "IndNum 69" + sep + "Parent 5" + sep + "Type 5" + sep + "Title 66" + sep + "Login 2" + sep + "Password 2" +
            sep + "Description 2" + sep + "Image 5" + sep + "Flags 5",
        "[End DataTable]",
    };
    EXPECT_EQ(modMain::NewUserTemplate(), coretest::JoinCrLf(lines));
}

TEST_F(Users, TheFileKeyIsTwentyDigestsFollowedByThePasswordsDigest) {
    EXPECT_EQ(Md5("58203716"), kSampleMd5);
    const trace::Secret key = modMain::GetTruePasw(kSampleMd5);
    EXPECT_EQ(key.size(), 64u);
    EXPECT_EQ(key.str(), kSampleKey);
}

TEST_F(Users, ANewUsersFileIsEncipheredTwiceAndOpensWithItsPassword) {
    const std::string path = Add("anna", "correct horse");
    const std::string bytes = qpmtest::ReadBytes(path);
    EXPECT_NE(bytes.rfind("dzorvaLiL", 0), 0u);  // the outer layer hides the mark

    const std::string key = modMain::GetTruePasw(Md5("correct horse")).str();
    const std::string inner = Rc4(bytes, key);
    EXPECT_EQ(inner.rfind("dzorvaLiL.ENC\r\n" + Md5(key) + "\r\n", 0), 0u);
    EXPECT_EQ(inner.find("DataTable"), std::string::npos);  // the lines are enciphered too

    EXPECT_EQ(modMain::TestUsPasw(path, Md5("correct horse")), 1);
    EXPECT_EQ(modMain::TestUsPasw(path, Md5("wrong horse")), 2);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(FilesIn(folder), std::vector<std::string>{"anna.vdb"});
    EXPECT_EQ(PrivateFiles(), std::vector<std::string>{});
    EXPECT_EQ(modMain::MDFM->GetLoadedDBNum(), 0);
}

TEST_F(Users, AddUserRefusesUnsafeNamesAndNeverReplacesAFile) {
    for (const std::string name : {"", ".", "..", "a/b", "../up", "a\\b", "x:y", "tab\there", "q?", "p|q"}) {
        EXPECT_EQ(modMain::AddUser(folder + "/" + name + ".vdb", name, "password1"), modMain::kUserNameRefused) << name;
    }
    EXPECT_EQ(FilesIn(folder), std::vector<std::string>{});
    EXPECT_FALSE(fs::exists(file("up.vdb")));

    const std::string path = Add("bert", "password1");
    const std::string before = qpmtest::ReadBytes(path);
    EXPECT_EQ(modMain::AddUser(path, "bert", "other password"), modMain::kUserFileExists);
    EXPECT_EQ(qpmtest::ReadBytes(path), before);
    EXPECT_TRUE(modMain::IsSafeUserName("Anna Maria-2 (home)"));
    EXPECT_TRUE(modMain::IsSafeUserName("J\xFCrgen"));
}

TEST_F(Users, TheMarkLineDecidesThePasswordTestWithoutATemporaryFile) {
    const std::string key = modMain::GetTruePasw(kSampleMd5).str();
    struct Case {
        std::string plain;
        std::int32_t result;
    };
    const Case cases[] = {
        {"", modMain::kPaswNoUserFile},                 // empty: no password opens it
        {"dzorvaLiL.ENC", modMain::kPaswNoUserFile},    // too short for the mark line
        {"dzorvaLiL.ENC\r", modMain::kPaswNoUserFile},  // no line end
        {"dzorvaLiL.ENCX\r\n", 2},                      // another first line
        {"dzorvaLiL.ENC\r\n", 1},                       // the mark line alone
        {"dzorvaLiL.ENC\r\nanything else", 1},          // and what follows it
        {"dzorvaLiL\r\nplain text file", 2},
    };
    for (const Case& c : cases) {
        qpmtest::WriteBytes(UserFile("t"), Rc4(c.plain, key));
        EXPECT_EQ(modMain::TestUsPasw(UserFile("t"), kSampleMd5), c.result) << c.plain;
    }
    EXPECT_EQ(modMain::TestUsPasw(UserFile("missing"), kSampleMd5), 2);
    fs::create_directory(UserFile("folder"));
    EXPECT_EQ(modMain::TestUsPasw(UserFile("folder"), kSampleMd5), modMain::kPaswNoUserFile);
    EXPECT_EQ(PrivateFiles(), std::vector<std::string>{});
}

TEST_F(Users, LoggingInSetsTheStateSavesTheLastUserAndShowsTheTree) {
    const std::string path = Add("carla", "password1");
    modMain::CurUsDB = std::make_shared<clsDatabase>();
    ShowSomething(view);
    EXPECT_FALSE(modMain::FullUserLoad("carla", Md5("password1")).has_value());
    EXPECT_EQ(modMain::CurUser, "carla");
    EXPECT_EQ(modMain::CurUsDBPath, path);
    EXPECT_EQ(modMain::CurUsPasw.str(), Md5("password1"));
    EXPECT_EQ(modMain::CurUsDB->Path(), path);
    EXPECT_EQ(modMain::CurUsDB->Tag(), "carla");
    EXPECT_EQ(modMain::CurUsDB->Name(), "carla");
    EXPECT_EQ(modMain::CurUsDB->FindTable("DataTable"), 1);
    EXPECT_EQ(modMain::ProgConfig(4), "carla");
    EXPECT_NE(qpmtest::ReadBytes(modMain::ProgCfgPath).find("carla\r\n"), std::string::npos);
    // The window shows the new user's tree alone, its root selected, an empty
    // value box and no delete button.
    EXPECT_EQ(view.top, std::vector<std::string>{"0key"});
    EXPECT_EQ(view.nodes.size(), 1u);
    EXPECT_EQ(view.At("0key").node.text, "carla");
    EXPECT_TRUE(view.At("0key").expanded);
    EXPECT_EQ(view.selected, "0key");
    EXPECT_EQ(view.BoxText(), "");
    EXPECT_EQ(view.buttons, (std::map<std::string, bool>{{"btnDelFolder", false}, {"btnDelRec", false}}));
    EXPECT_EQ(view.told, std::vector<std::string>{});
    EXPECT_EQ(modMain::MDFM->GetLoadedDBNum(), 0);
    EXPECT_EQ(PrivateFiles(), std::vector<std::string>{});
    EXPECT_EQ(trace::FStack.UBound(), 0);

    ShowSomething(view = {});
    modMain::UnloadUser();
    EXPECT_EQ(modMain::CurUser, "");
    EXPECT_EQ(modMain::CurUsDBPath, "");
    EXPECT_TRUE(modMain::CurUsPasw.empty());
    EXPECT_EQ(modMain::CurUsDB->TabNum(), 0);
    EXPECT_EQ(modMain::ProgConfig(4), "");
    EXPECT_EQ(view.nodes.size(), 0u);
    EXPECT_EQ(view.top, std::vector<std::string>{});
    EXPECT_EQ(view.BoxText(), "");
}

TEST_F(Users, AFailedLoginKeepsTheUserStateButEmptiesTheDatabase) {
    Add("dora", "password1");
    ASSERT_FALSE(modMain::FullUserLoad("dora", Md5("password1")).has_value());
    ShowSomething(view = {});
    for (const auto& [name, password] : {std::pair<std::string, std::string>{"dora", "wrong one"},
                                         {"nobody", "password1"},
                                         {"../dora", "password1"}}) {
        EXPECT_EQ(modMain::FullUserLoad(name, Md5(password)), 100) << name;
        EXPECT_EQ(modMain::CurUser, "dora");
        EXPECT_EQ(modMain::CurUsPasw.str(), Md5("password1"));
        EXPECT_EQ(modMain::CurUsDB->TabNum(), 0);
    }
    // The window keeps what it showed.
    EXPECT_EQ(view.nodes.size(), 2u);
    EXPECT_EQ(view.selected, "9key");
    EXPECT_EQ(view.BoxText(), "stale text");
    EXPECT_TRUE(view.buttons["btnDelRec"]);
    EXPECT_EQ(modMain::ProgConfig(4), "dora");
    EXPECT_EQ(PrivateFiles(), std::vector<std::string>{});
    EXPECT_EQ(modMain::MDFM->GetLoadedDBNum(), 0);
}

TEST_F(Users, TheDecipheredTemporaryFileGoesAlsoWhenTheLoadFails) {
    const std::string path = Add("olga", "password1");
    modMain::MDFM.reset();  // the load fails after the file was deciphered
    EXPECT_EQ(
        coretest::ErrorOf([&] { static_cast<void>(modMain::LoadUser(path, modMain::GetTruePasw(Md5("password1")))); }),
        vb::errObjectNotSet);
    EXPECT_EQ(PrivateFiles(), std::vector<std::string>{});
}

TEST_F(Users, ADatabaseThatWasNeverLoadedIsNotSaved) {
    // As after a failed login: a user name is set, the database is empty.
    Add("emil", "password1");
    EXPECT_EQ(modMain::FullUserLoad("emil", Md5("wrong")), 100);
    EXPECT_EQ(modMain::SaveUsDB(modMain::CurUsDB, modMain::GetTruePasw(Md5("wrong"))), modMain::kSaveNotLoaded);
    EXPECT_EQ(FilesIn(folder), std::vector<std::string>{"emil.vdb"});
}

TEST_F(Users, SaveUsDBWritesTheChangesAndKeepsTheFileOpenable) {
    const std::string path = Add("fritz", "password1");
    LogInAndAddRecord("fritz", "password1", "Bank");
    const trace::Secret key = modMain::GetTruePasw(modMain::CurUsPasw);
    EXPECT_EQ(modMain::SaveUsDB(modMain::CurUsDB, key), 2);
    EXPECT_EQ(FilesIn(folder), std::vector<std::string>{"fritz.vdb"});

    modMain::UnloadUser();
    ASSERT_FALSE(modMain::FullUserLoad("fritz", Md5("password1")).has_value());
    EXPECT_EQ(modMain::CurUsDB->GetTblRecNum(1), 1);
    EXPECT_EQ(modMain::CurUsDB->GetTblFldValNm(1, 1, "Title"), "Bank");
    EXPECT_EQ(modMain::TestUsPasw(path, Md5("password1")), 1);
}

TEST_F(Users, AFailedSaveLeavesTheOldFileByteForByteAndNothingBeside) {
    const std::string path = Add("gerd", "password1");
    const std::string before = qpmtest::ReadBytes(path);
    LogInAndAddRecord("gerd", "password1", "Lost change");
    const trace::Secret key = modMain::GetTruePasw(modMain::CurUsPasw);
    // The library's save writes the inner text into memory, then the outer
    // layer is written beside the file and renamed over it: a fault in the
    // library's write, in the program's own write, or a refused rename must
    // all leave the old file.
    struct Fault {
        plat::WriteFaults faults;
        bool inLibrary;
    };
    for (const Fault& f : {Fault{{0, false}, true}, Fault{{100, false}, true}, Fault{{0, false}, false},
                           Fault{{100, false}, false}, Fault{{-1, true}, false}}) {
        {
            std::optional<coretest::ScopedLibraryWriteFaults> library;
            std::optional<plat::ScopedWriteFaults> program;
            if (f.inLibrary)
                library.emplace(f.faults);
            else
                program.emplace(f.faults);
            EXPECT_EQ(modMain::SaveUsDB(modMain::CurUsDB, key), -1) << f.faults.failAfterBytes << f.inLibrary;
        }
        EXPECT_EQ(qpmtest::ReadBytes(path), before);
        EXPECT_EQ(FilesIn(folder), std::vector<std::string>{"gerd.vdb"});
    }
    EXPECT_NE(LogText().find("SaveUsDB: saving " + path + " failed"), std::string::npos);
    EXPECT_EQ(modMain::SaveUsDB(modMain::CurUsDB, key), 2);
    EXPECT_GT(qpmtest::ReadBytes(path).size(), before.size());
}

TEST_F(Users, ASaveThatFailsAfterAnyNumberOfBytesLeavesTheOldFile) {
    const std::string path = Add("karl", "password1");
    LogInAndAddRecord("karl", "password1", "Saved");
    const trace::Secret key = modMain::GetTruePasw(modMain::CurUsPasw);
    ASSERT_EQ(modMain::SaveUsDB(modMain::CurUsDB, key), 2);
    const std::string before = qpmtest::ReadBytes(path);
    // One record more: every save below writes more bytes than `before` has.
    coretest::AddRow(*modMain::CurUsDB, {"2", "0", "2", "Lost change", "", "", "", "1key", "0|0"});
    const std::int64_t size = static_cast<std::int64_t>(before.size());
    std::vector<std::int64_t> counts;
    for (std::int64_t n = 0; n < size; n += std::max<std::int64_t>(1, size / 16)) counts.push_back(n);
    counts.push_back(size - 1);
    for (const std::int64_t n : counts) {
        SCOPED_TRACE("the write fails after " + std::to_string(n) + " of " + std::to_string(size) + " bytes");
        {
            plat::ScopedWriteFaults faults({.failAfterBytes = n});
            EXPECT_EQ(modMain::SaveUsDB(modMain::CurUsDB, key), -1);
        }
        EXPECT_EQ(qpmtest::ReadBytes(path), before);
        EXPECT_EQ(FilesIn(folder), std::vector<std::string>{"karl.vdb"});
    }
    EXPECT_EQ(modMain::SaveUsDB(modMain::CurUsDB, key), 2);
    EXPECT_GT(qpmtest::ReadBytes(path).size(), before.size());
}

TEST_F(Users, SavingGoesByTheStoredNameButNeverOverAnotherUsersFile) {
    Add("hans", "password1");
    const std::string ida = Add("ida", "password2");
    const std::string idaBytes = qpmtest::ReadBytes(ida);
    // hans's file renamed outside the program: it logs in as "henry" and
    // saves under the name stored inside it.
    fs::rename(UserFile("hans"), UserFile("henry"));
    LogInAndAddRecord("henry", "password1", "Mine");
    const trace::Secret key = modMain::GetTruePasw(modMain::CurUsPasw);
    EXPECT_EQ(modMain::SaveUsDB(modMain::CurUsDB, key), 2);
    EXPECT_EQ(FilesIn(folder), (std::vector<std::string>{"hans.vdb", "henry.vdb", "ida.vdb"}));

    // A file holding the name "ida" must not replace ida's own file: the
    // changes go back to the file the user logged in from. Such a file holds
    // the name as the program writes it: as its name and its root text.
    modMain::CurUsDB->Name("ida");
    modMain::CurUsDB->Tag("ida");
    coretest::AddRow(*modMain::CurUsDB, {"2", "0", "2", "Also mine", "", "", "", "1key", "0|0"});
    EXPECT_EQ(modMain::SaveUsDB(modMain::CurUsDB, key), 2);
    EXPECT_EQ(qpmtest::ReadBytes(ida), idaBytes);
    EXPECT_NE(LogText().find("SaveUsDB: " + ida + " belongs to another user; saved to " + UserFile("henry")),
              std::string::npos);
    modMain::UnloadUser();
    ASSERT_FALSE(modMain::FullUserLoad("henry", Md5("password1")).has_value());
    EXPECT_EQ(modMain::CurUsDB->GetTblRecNum(1), 2);
    EXPECT_EQ(modMain::CurUsDB->Name(), "ida");
    EXPECT_EQ(FilesIn(folder), (std::vector<std::string>{"hans.vdb", "henry.vdb", "ida.vdb"}));

    // A database that came from no user file has nowhere else to go.
    modMain::CurUsDB->Path(file("elsewhere.txt"));
    EXPECT_EQ(modMain::SaveUsDB(modMain::CurUsDB, key), modMain::kSaveOtherUsersFile);
    EXPECT_EQ(qpmtest::ReadBytes(ida), idaBytes);
    modMain::CurUsDB->Name("../escape");
    EXPECT_EQ(modMain::SaveUsDB(modMain::CurUsDB, key), modMain::kSaveUnsafeName);
    EXPECT_FALSE(fs::exists(file("escape.vdb")));
}

TEST_F(Users, SwitchingUsersSavesThePreviousUsersChangesFirst) {
    Add("jana", "password1");
    Add("karl", "password2");
    LogInAndAddRecord("jana", "password1", "Unsaved");
    ASSERT_FALSE(modMain::FullUserLoad("karl", Md5("password2")).has_value());
    ASSERT_FALSE(modMain::FullUserLoad("jana", Md5("password1")).has_value());
    EXPECT_EQ(modMain::CurUsDB->GetTblRecNum(1), 1);
    EXPECT_EQ(modMain::CurUsDB->GetTblFldValNm(1, 1, "Title"), "Unsaved");
}

TEST_F(Users, TheSaveBeforeASwitchNeverWritesTheFileUnderAnotherUsersKey) {
    // A caller that puts the next user's password hash in place before the
    // switch: the previous user's file must still open with its own password.
    const std::string jana = Add("jana", "password1");
    Add("karl", "password2");
    LogInAndAddRecord("jana", "password1", "Unsaved");
    const std::string before = qpmtest::ReadBytes(jana);
    modMain::CurUsPasw = Md5("password2");
    ASSERT_FALSE(modMain::FullUserLoad("karl", Md5("password2")).has_value());
    EXPECT_EQ(qpmtest::ReadBytes(jana), before);
    EXPECT_EQ(modMain::TestUsPasw(jana, Md5("password1")), 1);
    EXPECT_NE(LogText().find("FullUserLoad: the previous user's database was not saved"), std::string::npos);
}

TEST_F(Users, ADatabaseThatLoadsInPartIsKeptAsideBeforeItIsSavedOver) {
    // A whole table followed by a line the reader does not know: the load
    // stops there with the result 0.
    const std::string key = modMain::GetTruePasw(Md5("password1")).str();
    std::string text = modMain::NewUserTemplate();
    text.replace(text.find("UserDataBase"), 12, "lena");
    text += "stray line\r\n";
    const std::string path = UserFile("lena");
    qpmtest::WriteBytes(path, Rc4(text, key));
    const std::string original = qpmtest::ReadBytes(path);

    ASSERT_FALSE(modMain::FullUserLoad("lena", Md5("password1")).has_value());
    EXPECT_EQ(modMain::PartialLoadFile, path);
    ASSERT_NE(modMain::PartialLoadCopy, "");
    EXPECT_EQ(qpmtest::ReadBytes(modMain::PartialLoadCopy), original);
    const std::string copyName = fs::path(modMain::PartialLoadCopy).filename();
    EXPECT_EQ(copyName.rfind("lena.vdb.intact-", 0), 0u);
    EXPECT_NE(LogText().find("loaded only in part"), std::string::npos);
    // The login shows what could be read and tells the user where the
    // original is kept.
    EXPECT_EQ(view.top, std::vector<std::string>{"0key"});
    EXPECT_EQ(view.told, std::vector<std::string>{modMain::PartialLoadCopy});

    EXPECT_EQ(modMain::SaveUsDB(modMain::CurUsDB, key), 2);
    EXPECT_EQ(qpmtest::ReadBytes(modMain::PartialLoadCopy), original);
    trace::VbArray<std::string> users(0, 0);
    modMain::FindUsers(folder, users);
    EXPECT_EQ(users.UBound(), 1);  // the side copy is no user

    // Without a side copy the file is never saved over.
    modMain::PartialLoadCopy.clear();
    EXPECT_EQ(modMain::SaveUsDB(modMain::CurUsDB, key), modMain::kSaveDamagedOriginal);
    modMain::UnloadUser();
    EXPECT_EQ(modMain::PartialLoadFile, "");
}

TEST_F(Users, FindUsersListsPlainVdbFilesOnlySorted) {
    for (const char* name : {"zoe.vdb", "Adam.vdb", "bea.vdb", "upper.VDB", "anna_1.vdb.BACKUP",
                             "olaf.vdb.~save123-abcdef", "olaf.vdb.intact-20260101-120000", "notes.txt", ".vdb"})
        qpmtest::WriteBytes(folder + "/" + name, "x");
    fs::create_directory(folder + "/dir.vdb");
    trace::VbArray<std::string> users(0, 0);
    modMain::FindUsers(folder, users);
    ASSERT_EQ(users.LBound(), 1);
    EXPECT_EQ(users.Items(), (std::vector<std::string>{"Adam", "bea", "zoe"}));

    // It appends to what the array holds.
    modMain::FindUsers(folder + "/", users);
    EXPECT_EQ(users.UBound(), 6);
}

TEST_F(Users, FindUsersLogsAFolderItCannotList) {
    trace::VbArray<std::string> users(0, 0);
    modMain::FindUsers(file("absent"), users);
    EXPECT_EQ(users.UBound(), 0);
    EXPECT_NE(LogText().find("): Error#0003. FPath = " + file("absent") + "/\r\n"), std::string::npos);
}

TEST_F(Users, DeleteUserRemovesTheFileOrSaysItIsMissing) {
    const std::string path = Add("mia", "password1");
    EXPECT_EQ(modMain::DeleteUser("mia", path), 1);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(modMain::DeleteUser("mia", path), -2);
}

TEST_F(Users, TheSweepRemovesOnlyTemporaryFilesOfEndedProcesses) {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ASSERT_GT(child, 0);
    ::waitpid(child, nullptr, 0);
    const std::string priv = plat::PrivateFolder();
    const std::string dead = "psc" + std::to_string(child) + "-abcdef";
    const std::string mine = "psc" + std::to_string(::getpid()) + "-abcdef";
    for (const std::string& name : {dead, dead + ".~tmp-123456", mine, std::string("pscNotMine"), std::string("x")})
        qpmtest::WriteBytes(priv + "/" + name, "inner text");
    modMain::SweepTempFiles();
    EXPECT_EQ(PrivateFiles(), (std::vector<std::string>{mine, "pscNotMine", "x"}));
    for (const std::string& name : {mine, std::string("pscNotMine"), std::string("x")}) fs::remove(priv + "/" + name);
}

#ifdef QPM_SAMPLE_USER
TEST_F(Users, TheSampleUserOpensWithItsPasswordAndHoldsFoldersAndRecords) {
    fs::copy_file(QPM_SAMPLE_USER, UserFile("SampleUser"));
    EXPECT_EQ(modMain::TestUsPasw(UserFile("SampleUser"), kSampleMd5), 1);
    ASSERT_FALSE(modMain::FullUserLoad("SampleUser", kSampleMd5).has_value());
    clsDatabase& db = *modMain::CurUsDB;
    EXPECT_EQ(db.Tag(), "SampleUser");
    EXPECT_EQ(modMain::PartialLoadFile, "");
    const std::int32_t rows = db.GetTblRecNum(1);
    int folders = 0, records = 0;
    for (std::int32_t r = 1; r <= rows; ++r) (db.GetTblFldValNm(1, r, "Type") == "1" ? folders : records)++;
    EXPECT_GE(folders, 2);
    EXPECT_GE(records, 3);
    EXPECT_EQ(db.GetTblTag(1), db.GetTblFldValNm(1, rows, "IndNum"));
}
#endif

}  // namespace
