#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "CoreTestEnv.h"
#include "TempDir.h"
#include "app/core/modMain.h"
#include "app/core/modMainRemovable.h"
#include "app/trace/Trace.h"
#include "platform/FileIO.h"
#include "platform/VbError.h"

namespace {

namespace fs = std::filesystem;
using qpmtest::ReadBytes;
using qpmtest::WriteBytes;

// Every file and folder below `root`, as relative paths, sorted.
std::vector<std::string> Tree(const std::string& root) {
    std::vector<std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(root)) out.push_back(fs::relative(e.path(), root).string());
    std::sort(out.begin(), out.end());
    return out;
}

class Removable : public coretest::CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        app = appDir() + "/";
        dbs = tmp.file("data/DataBases");
        WriteBytes(app + "QuellonPasswordMngr",
                   "\x7f"
                   "ELF program");
        fs::permissions(app + "QuellonPasswordMngr", fs::perms::owner_all | fs::perms::group_read |
                                                         fs::perms::group_exec | fs::perms::others_read |
                                                         fs::perms::others_exec);
        WriteBytes(app + "start.dat", "defaults\r\n");
        WriteBytes(app + "Controls/libVEDataBase.so", "library");
        WriteBytes(app + "Languages/English.lng", "1\r\n1=Exit\r\n");
        WriteBytes(dbs + "/alice.vdb", "alice's records");
        WriteBytes(dbs + "/Backup/alice_1.vdb.BACKUP", "alice's backup");
        WriteBytes(dbs + "/notes.txt", "any other file");
        SetOptions(coretest::DefaultOptions());
        modMain::ProgConfig(5) = dbs;
        fs::create_directories(tmp.file("cfg"));
        modMain::ProgCfgPath = tmp.file("cfg/config.dat");
        target = tmp.file("usb");
        fs::create_directories(target);
    }
    std::string OptionLines(const std::string& option5) const {
        std::string text;
        for (long i = 1; i <= 20; ++i) text += (i == 5 ? option5 : modMain::ProgConfig(i)) + "\r\n";
        return text;
    }

    std::string app, dbs, target;
};

TEST_F(Removable, CopyDirCountsFilesAndFoldersAtEveryDepth) {
    const std::string empty = tmp.file("empty") + "/";
    fs::create_directories(empty);
    fs::create_directories(tmp.file("out1"));
    EXPECT_EQ(modMain::CopyDir(empty, tmp.file("out1") + "/"), 0);
    EXPECT_TRUE(Tree(tmp.file("out1")).empty());

    const std::string src = tmp.file("src") + "/";
    WriteBytes(src + "a.vdb", std::string("a\0b", 3));
    WriteBytes(src + ".hidden", "hidden files are copied too");
    WriteBytes(src + "sub/c.vdb.BACKUP", "c");
    fs::create_directories(tmp.file("out2"));
    EXPECT_EQ(modMain::CopyDir(src, tmp.file("out2") + "/"), 4);
    EXPECT_EQ(Tree(tmp.file("out2")), (std::vector<std::string>{".hidden", "a.vdb", "sub", "sub/c.vdb.BACKUP"}));
    EXPECT_EQ(ReadBytes(tmp.file("out2/a.vdb")), std::string("a\0b", 3));
    EXPECT_EQ(ReadBytes(tmp.file("out2/sub/c.vdb.BACKUP")), "c");

    // A second copy to the same place uses the folders already there.
    WriteBytes(src + "sub/c.vdb.BACKUP", "c, newer");
    EXPECT_EQ(modMain::CopyDir(src, tmp.file("out2") + "/"), 4);
    EXPECT_EQ(ReadBytes(tmp.file("out2/sub/c.vdb.BACKUP")), "c, newer");

    EXPECT_EQ(modMain::CopyDir(tmp.file("no such folder") + "/", tmp.file("out2") + "/"), 0);
    EXPECT_EQ(trace::FStack.UBound(), 0);
}

TEST_F(Removable, CopyDirNeverCopiesATargetIntoItselfNorFollowsLinksToFolders) {
    const std::string src = tmp.file("src") + "/";
    WriteBytes(src + "a.vdb", "a");
    WriteBytes(src + "deep/b.vdb", "b");
    fs::create_directories(src + "deep/usb");
    ASSERT_EQ(::symlink("..", (src + "deep/up").c_str()), 0);              // a loop back to the source
    ASSERT_EQ(::symlink("../a.vdb", (src + "deep/link.vdb").c_str()), 0);  // a link to a file
    ASSERT_EQ(::mkfifo((src + "pipe").c_str(), 0600), 0);                  // would block a reader

    // The target lies inside the source.
    EXPECT_EQ(modMain::CopyDir(src, src + "deep/usb/"), 4);  // a.vdb, deep, deep/b.vdb, deep/link.vdb
    EXPECT_EQ(Tree(src + "deep/usb"), (std::vector<std::string>{"a.vdb", "deep", "deep/b.vdb", "deep/link.vdb"}));
    EXPECT_EQ(ReadBytes(src + "deep/usb/deep/link.vdb"), "a");
    EXPECT_FALSE(fs::is_symlink(src + "deep/usb/deep/link.vdb"));

    // A folder copied onto itself is already there.
    EXPECT_EQ(modMain::CopyDir(src + "deep/", src + "deep/"), 0);
}

TEST_F(Removable, InstallCopiesAWorkingPortableInstallationAndLeavesTheRunningOptionsAlone) {
    const trace::VbArray<std::string> before = modMain::ProgConfig;
    ASSERT_EQ(modMain::InstallToRemovableDevice(target), 1);

    const std::string t = target + "/";
    EXPECT_EQ(ReadBytes(t + "QuellonPasswordMngr"), ReadBytes(app + "QuellonPasswordMngr"));
    EXPECT_TRUE((fs::status(t + "QuellonPasswordMngr").permissions() & fs::perms::owner_exec) != fs::perms::none);
    EXPECT_FALSE(fs::exists(t + "QuellonPasswordMngr.manifest")) << "no manifest to copy";
    EXPECT_EQ(ReadBytes(t + "start.dat"), "defaults\r\n");
    EXPECT_EQ(ReadBytes(t + "DataBases/alice.vdb"), "alice's records");
    EXPECT_EQ(ReadBytes(t + "DataBases/Backup/alice_1.vdb.BACKUP"), "alice's backup");
    EXPECT_EQ(ReadBytes(t + "DataBases/notes.txt"), "any other file");
    EXPECT_EQ(ReadBytes(t + "Controls/libVEDataBase.so"), "library");
    EXPECT_EQ(ReadBytes(t + "Languages/English.lng"), "1\r\n1=Exit\r\n");

    // The copy's options name its own databases folder (no trailing "/");
    // every other line is the running program's.
    EXPECT_EQ(ReadBytes(t + "config.dat"), OptionLines(t + "DataBases"));
    // The running program: the same options, the same options file, saved.
    EXPECT_EQ(modMain::ProgConfig.Items(), before.Items());
    EXPECT_EQ(modMain::ProgCfgPath, tmp.file("cfg/config.dat"));
    EXPECT_EQ(ReadBytes(modMain::ProgCfgPath), OptionLines(dbs));

    // A second copy to the same drive overwrites and succeeds; a manifest,
    // when there is one, goes with the program.
    WriteBytes(app + "QuellonPasswordMngr.manifest", "<assembly/>");
    WriteBytes(dbs + "/alice.vdb", "alice's records, changed");
    ASSERT_EQ(modMain::InstallToRemovableDevice(t), 1);
    EXPECT_EQ(ReadBytes(t + "QuellonPasswordMngr.manifest"), "<assembly/>");
    EXPECT_EQ(ReadBytes(t + "DataBases/alice.vdb"), "alice's records, changed");
    EXPECT_EQ(trace::FStack.UBound(), 0);
}

TEST_F(Removable, ATargetInsideTheDatabasesFolderIsNotCopiedIntoItself) {
    const std::string inside = dbs + "/usb";
    fs::create_directories(inside);
    ASSERT_EQ(modMain::InstallToRemovableDevice(inside), 1);
    EXPECT_EQ(Tree(inside + "/DataBases"),
              (std::vector<std::string>{"Backup", "Backup/alice_1.vdb.BACKUP", "alice.vdb", "notes.txt"}));
    EXPECT_EQ(ReadBytes(inside + "/config.dat"), OptionLines(inside + "/DataBases"));
}

TEST_F(Removable, AFailedCopyRaisesAndLeavesTheRunningOptionsAndTheirFileAsTheyWere) {
    plat::ReplaceFile(modMain::ProgCfgPath, "the running program's options\r\n");
    const trace::VbArray<std::string> before = modMain::ProgConfig;
    struct Case {
        const char* name;
        std::function<void()> breakIt;
        long error;
    };
    const Case cases[] = {
        {"the program file is missing", [&] { fs::remove(app + "QuellonPasswordMngr"); }, vb::errFileNotFound},
        {"the target's options file can't be written", [&] { fs::create_directories(target + "/config.dat"); },
         vb::errPathFileAccess},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.breakIt();
        try {
            modMain::InstallToRemovableDevice(target);
            ADD_FAILURE() << "the copy should have failed";
        } catch (const vb::VbError& e) {
            EXPECT_EQ(e.Number(), c.error);
        }
        trace::ResetStack();
        EXPECT_EQ(modMain::ProgConfig.Items(), before.Items());
        EXPECT_EQ(modMain::ProgCfgPath, tmp.file("cfg/config.dat"));
        EXPECT_EQ(ReadBytes(modMain::ProgCfgPath), "the running program's options\r\n");
        WriteBytes(app + "QuellonPasswordMngr",
                   "\x7f"
                   "ELF program");
    }

    // A full drive midway through the copy.
    fs::remove_all(target + "/config.dat");
    {
        plat::ScopedWriteFaults full({20, false});
        try {
            modMain::InstallToRemovableDevice(target);
            ADD_FAILURE() << "the copy should have failed";
        } catch (const vb::VbError& e) {
            EXPECT_EQ(e.Number(), vb::errPathFileAccess);
        }
        trace::ResetStack();
    }
    EXPECT_EQ(modMain::ProgConfig.Items(), before.Items());
    EXPECT_EQ(ReadBytes(modMain::ProgCfgPath), "the running program's options\r\n");
}

}  // namespace
