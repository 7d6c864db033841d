// The file work behind the users: the side copies of a database that loaded
// only in part, and the scratch files through which deciphered text passes.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "CoreTestSupport.h"
#include "app/core/clsDataFilesManager.h"
#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "app/core/modMainUserFiles.h"
#include "app/core/modMainUsers.h"
#include "platform/FileIO.h"
#include "platform/SystemFolder.h"

namespace {

namespace fs = std::filesystem;
using coretest::FilesIn;

using coretest::Rc4;
std::string Md5(const std::string& text) { return coretest::Md5Hex(text); }

class UserFiles : public coretest::UserFolderTest {
protected:
    // Writes lena's file: a whole table, then a line the reader does not
    // know, so the load stops there with the result 0.
    std::string WritePartialUser(const std::string& strayLine) {
        std::string text = modMain::NewUserTemplate();
        text.replace(text.find("UserDataBase"), 12, "lena");
        text += strayLine + "\r\n";
        qpmtest::WriteBytes(Lena(), Rc4(text, modMain::GetTruePasw(Md5(kPassword)).str()));
        return qpmtest::ReadBytes(Lena());
    }
    std::string LogInPartly() {
        EXPECT_FALSE(modMain::FullUserLoad("lena", Md5(kPassword)).has_value());
        EXPECT_EQ(modMain::PartialLoadFile, Lena());
        return modMain::PartialLoadCopy;
    }
    std::vector<std::string> SideCopies() const {
        std::vector<std::string> copies;
        for (const std::string& name : FilesIn(folder))
            if (name.rfind("lena.vdb.intact-", 0) == 0) copies.push_back(name);
        return copies;
    }

    std::string Lena() const { return UserFile("lena"); }

    static constexpr const char* kPassword = "password1";
};

TEST_F(UserFiles, ADamagedFileLoadedAgainAndAgainKeepsOneSideCopyPerDistinctContent) {
    const std::string first = WritePartialUser("stray line");
    const std::string firstCopy = LogInPartly();
    ASSERT_NE(firstCopy, "");
    for (int again = 0; again < 3; ++again) EXPECT_EQ(LogInPartly(), firstCopy);
    EXPECT_EQ(SideCopies().size(), 1u);

    // Other damaged bytes are another original: kept too, the first stays.
    const std::string second = WritePartialUser("another stray line");
    const std::string secondCopy = LogInPartly();
    EXPECT_NE(secondCopy, firstCopy);
    EXPECT_EQ(qpmtest::ReadBytes(secondCopy), second);
    EXPECT_EQ(qpmtest::ReadBytes(firstCopy), first);

    // Back to the first bytes: its copy serves again.
    WritePartialUser("stray line");
    EXPECT_EQ(LogInPartly(), firstCopy);
    EXPECT_EQ(SideCopies().size(), 2u);

    // A copy of the same size whose bytes differ is no copy of the file.
    qpmtest::WriteBytes(firstCopy, std::string(first.size(), 'x'));
    const std::string thirdCopy = LogInPartly();
    EXPECT_NE(thirdCopy, firstCopy);
    EXPECT_EQ(qpmtest::ReadBytes(thirdCopy), first);
    EXPECT_EQ(SideCopies().size(), 3u);
}

TEST_F(UserFiles, TheScratchFileIsAMemoryFileTheLibraryReadsAndWritesByName) {
    std::string text = modMain::NewUserTemplate();
    {
        modMain::ScratchFile scratch;
        EXPECT_EQ(scratch.Path().rfind("/proc/self/fd/", 0), 0u);
        plat::ReplaceFile(scratch.Path(), text);
        EXPECT_EQ(qpmtest::ReadBytes(scratch.Path()), text);
        std::shared_ptr<clsDatabase> db;
        EXPECT_EQ(modMain::MDFM->LoadDB(scratch.Path(), db, ""), 1);
        EXPECT_EQ(db->FindTable("DataTable"), 1);

        // Filled from a file under a key, it holds the file deciphered.
        const std::string key = modMain::GetTruePasw(Md5(kPassword)).str();
        qpmtest::WriteBytes(Lena(), Rc4(text, key));
        EXPECT_TRUE(scratch.FillCiphered(Lena(), key));
        EXPECT_EQ(qpmtest::ReadBytes(scratch.Path()), text);
        EXPECT_FALSE(scratch.FillCiphered(folder, key));
        EXPECT_EQ(qpmtest::ReadBytes(scratch.Path()), "");
        modMain::MDFM->DeleteDBFromCol(scratch.Path());
    }
    EXPECT_EQ(FilesIn(plat::PrivateFolder()), std::vector<std::string>{});
    EXPECT_EQ(FilesIn(folder), std::vector<std::string>{"lena.vdb"});
}

}  // namespace
