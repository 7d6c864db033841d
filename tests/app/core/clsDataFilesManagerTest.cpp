#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "CoreTestSupport.h"
#include "app/core/clsDataFilesManager.h"
#include "app/core/clsDatabase.h"
#include "app/core/modMainUsers.h"
#include "platform/FileIO.h"

namespace {

class FilesManager : public coretest::LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        plain = file("plain.txt");
        qpmtest::WriteBytes(plain, modMain::NewUserTemplate());
    }

    // A database of two tables "A" and "B" saved to `path` with the key.
    void SaveTwoTables(const std::string& path, const std::string& key) {
        vedb::DataBase record;
        record.Name = "Two";
        record.Version = "1";
        for (const char* name : {"A", "B"}) {
            vedb::Table t;
            t.Name = name;
            t.Caption.Num = 1;
            t.Caption.fields = {vedb::HeadField{"Col", 0, ""}};
            t.RecNum = 1;
            t.Records = {vedb::Record{{std::string("value of ") + name}}};
            record.Tables.push_back(t);
        }
        record.tabnum = 2;
        auto db = std::make_shared<clsDatabase>();
        db->DB(record);
        ASSERT_EQ(files.SaveDB(db, path, key, false), 2);
    }

    clsDataFilesManager files;
    std::string plain;
};

TEST_F(FilesManager, AnOpenPathIsHandedBackWithoutReadingTheFileAgain) {
    std::shared_ptr<clsDatabase> first;
    EXPECT_EQ(files.LoadDB(plain, first, ""), 1);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->Path(), plain);
    EXPECT_EQ(files.GetLoadedDBNum(), 1);

    qpmtest::WriteBytes(plain, "changed since");
    std::shared_ptr<clsDatabase> second;
    EXPECT_EQ(files.LoadDB(plain, second, ""), clsDataFilesManager::kAlreadyOpen);
    EXPECT_EQ(second, first);
    EXPECT_EQ(second->TabNum(), 1);

    // The same path in other letters is the same entry.
    std::shared_ptr<clsDatabase> third;
    std::string upper = plain;
    upper.replace(upper.size() - 9, 9, "PLAIN.TXT");
    EXPECT_EQ(files.LoadDB(upper, third, ""), clsDataFilesManager::kAlreadyOpen);
    EXPECT_EQ(third, first);
    EXPECT_EQ(files.GetLoadedDBNum(), 1);
}

TEST_F(FilesManager, AMissingFileIsLoggedAndNotRegistered) {
    std::shared_ptr<clsDatabase> db;
    EXPECT_EQ(files.LoadDB(file("none.vdb"), db, ""), clsDataFilesManager::kNoFile);
    EXPECT_FALSE(db);
    EXPECT_EQ(files.GetLoadedDBNum(), 0);
    EXPECT_NE(LogText().find("): ___LoadDB = -2\r\n"), std::string::npos);
}

TEST_F(FilesManager, AFailedLoadStaysRegisteredAndIsHandedBackNextTime) {
    const std::string path = file("keyed.txt");
    SaveTwoTables(path, "right key");
    std::shared_ptr<clsDatabase> db;
    EXPECT_EQ(files.LoadDB(path, db, "wrong key"), -6);
    ASSERT_TRUE(db);
    EXPECT_FALSE(db->Ready());
    EXPECT_EQ(files.IsDBLoaded(path), 1);
    std::shared_ptr<clsDatabase> again;
    EXPECT_EQ(files.LoadDB(path, again, "right key"), clsDataFilesManager::kAlreadyOpen);
    EXPECT_EQ(again, db);
}

TEST_F(FilesManager, UpdateAddAndDeleteKeepTheOrderOfTheCollection) {
    auto a = std::make_shared<clsDatabase>();
    auto b = std::make_shared<clsDatabase>();
    auto c = std::make_shared<clsDatabase>();
    EXPECT_EQ(files.AddDB(a, "/x/a"), 1);
    EXPECT_EQ(files.AddDB(b, "/x/b"), 1);
    EXPECT_EQ(files.AddDB(c, "/x/A"), 2);  // present: the old object stays
    std::shared_ptr<modMain::DBCollection> col;
    files.GetLoadedDBCol(col);
    ASSERT_TRUE(col);
    EXPECT_EQ(col->Items(), (std::vector<std::shared_ptr<clsDatabase>>{a, b}));

    EXPECT_EQ(files.UpdateDB(c, "/x/A"), 1);  // replaced and moved to the end
    EXPECT_EQ(col->Items(), (std::vector<std::shared_ptr<clsDatabase>>{b, c}));
    EXPECT_EQ(files.UpdateDB(a, "/x/new"), 2);
    EXPECT_EQ(files.GetLoadedDBNum(), 3);

    EXPECT_EQ(files.DeleteDBFromCol("/X/B"), 1);
    EXPECT_EQ(files.DeleteDBFromCol("/x/b"), 2);
    EXPECT_EQ(files.IsDBLoaded("/x/b"), 0);
    EXPECT_EQ(col->Items(), (std::vector<std::shared_ptr<clsDatabase>>{c, a}));  // the live collection
}

TEST_F(FilesManager, ReadTblsReadsOnlyTheNamedTablesOfAClosedFile) {
    const std::string path = file("two.txt");
    SaveTwoTables(path, "");
    std::shared_ptr<clsDatabase> part;
    EXPECT_EQ(files.ReadTbls(part, path, {"B"}), 2);
    ASSERT_TRUE(part);
    EXPECT_EQ(part->TabNum(), 1);
    EXPECT_EQ(part->GetTblName(1), "B");
    EXPECT_EQ(part->Path(), path);
    EXPECT_EQ(files.GetLoadedDBNum(), 0);

    std::shared_ptr<clsDatabase> open;
    ASSERT_EQ(files.LoadDB(path, open, ""), 1);
    std::shared_ptr<clsDatabase> whole;
    EXPECT_EQ(files.ReadTbls(whole, path, {"B"}), 1);
    EXPECT_EQ(whole, open);
    EXPECT_EQ(whole->TabNum(), 2);
}

TEST_F(FilesManager, SaveDbWritesACopyAndLeavesTheObjectAndAFailedTargetAlone) {
    auto db = std::make_shared<clsDatabase>();
    ASSERT_EQ(db->LoadDB(plain, ""), 1);
    db->Path("/somewhere/else");
    const vedb::DataBase before = db->DB();
    const std::string target = file("copy.txt");
    EXPECT_EQ(files.SaveDB(db, target, "key", false), 2);
    // What is saved is as a copy: the mark of an enciphered save stays in
    // the file and never reaches the object's record.
    EXPECT_EQ(db->DB(), before);
    EXPECT_EQ(db->Path(), "/somewhere/else");
    EXPECT_EQ(files.GetLoadedDBNum(), 0);
    const std::string saved = qpmtest::ReadBytes(target);
    EXPECT_EQ(saved.rfind("dzorvaLiL.ENC\r\n", 0), 0u);

    db->Name("Other");
    {
        coretest::ScopedLibraryWriteFaults faults({20, false});
        EXPECT_EQ(files.SaveDB(db, target, "key", false), -1);
    }
    EXPECT_EQ(qpmtest::ReadBytes(target), saved);
    EXPECT_EQ(coretest::FilesIn(workDir()), (std::vector<std::string>{"copy.txt", "plain.txt"}));
}

TEST_F(FilesManager, SaveAllAndSaveOnPathGoByTheObjectsPathNotTheKey) {
    std::shared_ptr<clsDatabase> db;
    ASSERT_EQ(files.LoadDB(plain, db, ""), 1);
    const std::string moved = file("moved.txt");
    db->Path(moved);
    files.SaveDBOnPath(plain, "", false);  // the key's text: no entry has that Path
    EXPECT_FALSE(plat::FileExists(moved));
    files.SaveDBOnPath(moved, "", false);
    EXPECT_TRUE(plat::FileExists(moved));
    std::remove(moved.c_str());
    files.SaveAllDB("", false);
    EXPECT_TRUE(plat::FileExists(moved));
}

TEST_F(FilesManager, TheReportListsTheOpenDatabases) {
    std::shared_ptr<clsDatabase> db;
    ASSERT_EQ(files.LoadDB(plain, db, ""), 1);
    EXPECT_EQ(files.DumpModuleVars(), "<DBFlsCol>\r\n  <DBFlsCol[1]>{clsDatabase}</DBFlsCol[1]>\r\n</DBFlsCol>\r\n");
}

}  // namespace
