#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "CoreTestSupport.h"
#include "TempDir.h"
#include "TreeTestSupport.h"
#include "app/core/clsDataFilesManager.h"
#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "app/core/modMainSession.h"
#include "app/core/modMainUsers.h"
#include "platform/FileIO.h"

namespace {

std::string Md5(const std::string& text) { return coretest::Md5Hex(text); }

class Session : public coretest::UserFolderTest {
protected:
    void SetUp() override {
        UserFolderTest::SetUp();
        modMain::SetMainView(&view);
        ASSERT_EQ(modMain::AddUser(UserFile("mira"), "mira", "password1"), modMain::kUserCreated);
        ASSERT_FALSE(modMain::FullUserLoad("mira", Md5("password1")).has_value());
        coretest::AddRow(*modMain::CurUsDB, {"1", "0", "2", "Bank", "login", "secret", "", "1key", "0|0"});
    }
    void TearDown() override {
        modMain::UnloadUser();
        modMain::SetMainView(nullptr);
        UserFolderTest::TearDown();
    }

    // Logs out and in again with a password: true when logged in, and then
    // the record added at the set-up is back when it was saved.
    bool LogInAgain(const std::string& password) {
        modMain::UnloadUser();
        return !modMain::FullUserLoad("mira", Md5(password)).has_value();
    }
    std::string File() const { return UserFile("mira"); }

    treetest::FakeView view;
};

TEST_F(Session, TheLoginHoldsTheKeyOfItsHashAndTheEnteredHashIsUsedOnce) {
    EXPECT_EQ(modMain::CurUsKey(), modMain::GetTruePasw(Md5("password1")));

    modMain::UnloadUser();
    modMain::FrmPaswEnetered = Md5("password1");
    ASSERT_FALSE(modMain::LogInWithEnteredHash("mira").has_value());
    EXPECT_TRUE(modMain::FrmPaswEnetered.empty());
    EXPECT_EQ(modMain::CurUser, "mira");
    EXPECT_EQ(modMain::CurUsPasw.str(), Md5("password1"));
    EXPECT_EQ(modMain::CurUsKey(), modMain::GetTruePasw(Md5("password1")));

    // A failed login from nobody logged in leaves no hash behind.
    modMain::UnloadUser();
    modMain::FrmPaswEnetered = Md5("wrong one");
    EXPECT_EQ(modMain::LogInWithEnteredHash("mira"), 100);
    EXPECT_TRUE(modMain::FrmPaswEnetered.empty());
    EXPECT_TRUE(modMain::CurUsPasw.empty());
    EXPECT_EQ(modMain::CurUser, "");
}

TEST_F(Session, SavingTheCurrentUserWritesAFileItsPasswordOpens) {
    ASSERT_EQ(modMain::SaveCurUser(), 2);
    EXPECT_EQ(modMain::TestUsPasw(File(), Md5("password1")), 1);
    ASSERT_TRUE(LogInAgain("password1"));
    EXPECT_EQ(modMain::CurUsDB->GetTblFldValNm(1, 1, "Title"), "Bank");
}

TEST_F(Session, AFailedSaveOfTheCurrentUserChangesNeitherTheFileNorTheSession) {
    const std::string before = qpmtest::ReadBytes(File());
    const std::shared_ptr<clsDatabase> db = modMain::CurUsDB;
    for (const plat::WriteFaults& fault :
         {plat::WriteFaults{0, false}, plat::WriteFaults{200, false}, plat::WriteFaults{.refuseRename = true}}) {
        {
            plat::ScopedWriteFaults faults(fault);
            EXPECT_NE(modMain::SaveCurUser(), 2) << fault.failAfterBytes;
        }
        EXPECT_EQ(qpmtest::ReadBytes(File()), before) << fault.failAfterBytes;
        EXPECT_EQ(modMain::CurUser, "mira");
        EXPECT_EQ(modMain::CurUsPasw.str(), Md5("password1"));
        EXPECT_EQ(modMain::CurUsKey(), modMain::GetTruePasw(Md5("password1")));
        EXPECT_EQ(modMain::CurUsDB, db);
        EXPECT_EQ(modMain::CurUsDB->GetTblRecNum(1), 1);
    }
    // Once the disk takes it again, the same session saves.
    EXPECT_EQ(modMain::SaveCurUser(), 2);
}

TEST_F(Session, AChangedPasswordOpensTheFileAndTheOldOneNoLonger) {
    ASSERT_EQ(modMain::ChangeCurUsPasw(Md5("password2")), 2);
    EXPECT_EQ(modMain::CurUsPasw.str(), Md5("password2"));
    EXPECT_EQ(modMain::CurUsKey(), modMain::GetTruePasw(Md5("password2")));
    // Later saves are under the new key.
    ASSERT_EQ(modMain::SaveCurUser(), 2);
    EXPECT_EQ(modMain::TestUsPasw(File(), Md5("password2")), 1);
    EXPECT_EQ(modMain::TestUsPasw(File(), Md5("password1")), 2);
    EXPECT_FALSE(LogInAgain("password1"));
    ASSERT_TRUE(LogInAgain("password2"));
    EXPECT_EQ(modMain::CurUsDB->GetTblFldValNm(1, 1, "Title"), "Bank");
}

TEST_F(Session, AFailedPasswordChangeKeepsTheOldPasswordWorking) {
    const std::string before = qpmtest::ReadBytes(File());
    {
        plat::ScopedWriteFaults faults({.refuseRename = true});
        EXPECT_NE(modMain::ChangeCurUsPasw(Md5("password2")), 2);
    }
    EXPECT_EQ(qpmtest::ReadBytes(File()), before);
    EXPECT_EQ(modMain::CurUsPasw.str(), Md5("password1"));
    EXPECT_EQ(modMain::CurUsKey(), modMain::GetTruePasw(Md5("password1")));
    // The next save is still under the old key.
    ASSERT_EQ(modMain::SaveCurUser(), 2);
    EXPECT_EQ(modMain::TestUsPasw(File(), Md5("password1")), 1);
    EXPECT_FALSE(LogInAgain("password2"));
    EXPECT_TRUE(LogInAgain("password1"));
}

TEST_F(Session, LoggingOutClearsTheSessionAndItsKey) {
    const trace::Secret key = modMain::CurUsKey();
    modMain::UnloadUser();
    EXPECT_EQ(modMain::CurUser, "");
    EXPECT_EQ(modMain::CurUsDBPath, "");
    EXPECT_TRUE(modMain::CurUsPasw.empty());
    EXPECT_EQ(modMain::CurUsDB->TabNum(), 0);
    EXPECT_FALSE(modMain::CurUsKey() == key);
    // Nothing is saved once logged out.
    const std::string before = qpmtest::ReadBytes(File());
    EXPECT_EQ(modMain::SaveCurUser(), modMain::kSaveNotLoaded);
    EXPECT_EQ(qpmtest::ReadBytes(File()), before);
}

TEST_F(Session, TheLockClosesTheDatabaseButKeepsTheUserForThePassword) {
    ASSERT_EQ(modMain::SaveCurUser(), 2);
    modMain::CloseCurUsDB();
    EXPECT_EQ(modMain::CurUsDB->TabNum(), 0);
    EXPECT_EQ(modMain::MDFM->GetLoadedDBNum(), 0);
    EXPECT_EQ(modMain::CurUser, "mira");
    EXPECT_EQ(modMain::CurUsPasw.str(), Md5("password1"));
    EXPECT_EQ(modMain::SaveCurUser(), modMain::kSaveNotLoaded);

    modMain::FrmPaswEnetered = Md5("password1");
    ASSERT_FALSE(modMain::LogInWithEnteredHash(modMain::CurUser).has_value());
    EXPECT_EQ(modMain::CurUsDB->GetTblFldValNm(1, 1, "Title"), "Bank");

    // A database kept open through the lock takes the dialog's hash back.
    modMain::FrmPaswEnetered = Md5("password1");
    modMain::ResumeWithEnteredHash();
    EXPECT_TRUE(modMain::FrmPaswEnetered.empty());
    EXPECT_EQ(modMain::CurUsPasw.str(), Md5("password1"));
    EXPECT_EQ(modMain::SaveCurUser(), 2);
}

}  // namespace
