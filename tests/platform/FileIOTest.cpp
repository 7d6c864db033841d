#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <filesystem>

#include "TempDir.h"
#include "platform/FileIO.h"
#include "platform/VbError.h"

namespace {

using qpmtest::ReadBytes;
using qpmtest::TempDir;
using qpmtest::WriteBytes;

size_t FilesIn(const std::filesystem::path& dir) {
    size_t n = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir)) ++n;
    return n;
}

TEST(AtomicFile, ReplacesContentAndLeavesNoTemporaryFile) {
    TempDir dir;
    auto target = dir.file("data.vdb");
    WriteBytes(target, "old content");
    plat::ReplaceFile(target, std::string("new\0content", 11));
    EXPECT_EQ(ReadBytes(target), std::string("new\0content", 11));
    EXPECT_EQ(FilesIn(dir.path()), 1u);
}

TEST(AtomicFile, NewFileIsOwnerOnlyAndExistingModeIsKept) {
    TempDir dir;
    auto fresh = dir.file("fresh");
    plat::ReplaceFile(fresh, "x");
    EXPECT_EQ(std::filesystem::status(fresh).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    auto shared = dir.file("shared");
    WriteBytes(shared, "a");
    std::filesystem::permissions(shared, std::filesystem::perms::owner_all | std::filesystem::perms::group_read);
    plat::ReplaceFile(shared, "b");
    EXPECT_EQ(std::filesystem::status(shared).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all | std::filesystem::perms::group_read);
}

TEST(AtomicFile, InjectedFaultsLeaveTheOldFileByteIdentical) {
    struct Case {
        const char* name;
        plat::WriteFaults faults;
    };
    const Case cases[] = {
        {"disk full before any byte", {0, false}},
        {"disk full midway", {5, false}},
        {"rename refused", {-1, true}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        auto target = dir.file("user.vdb");
        WriteBytes(target, "precious old bytes");
        {
            plat::ScopedWriteFaults faults(c.faults);
            try {
                plat::ReplaceFile(target, "replacement that must not land");
                FAIL() << "the write should have failed";
            } catch (const vb::VbError& e) {
                EXPECT_EQ(e.Number(), vb::errPathFileAccess);
            }
        }
        EXPECT_EQ(ReadBytes(target), "precious old bytes");
        EXPECT_EQ(FilesIn(dir.path()), 1u) << "temporary file left behind";
    }
}

TEST(AtomicFile, MissingFolderRaisesPathNotFound) {
    TempDir dir;
    try {
        plat::ReplaceFile(dir.file("no/such/folder/file"), "x");
        FAIL();
    } catch (const vb::VbError& e) {
        EXPECT_EQ(e.Number(), vb::errPathNotFound);
    }
}

TEST(AtomicFile, AbandonedWriterKeepsTarget) {
    TempDir dir;
    auto target = dir.file("t");
    WriteBytes(target, "keep");
    {
        plat::AtomicFile f(target);
        f.Write("half");
    }
    EXPECT_EQ(ReadBytes(target), "keep");
    EXPECT_EQ(FilesIn(dir.path()), 1u);
}

TEST(AtomicFile, ACommitThatMayNotReplaceLeavesAnExistingTargetAndNothingBeside) {
    TempDir dir;
    const auto target = dir.file("user.vdb");
    {
        plat::AtomicFile file(target, 0600, ".~save1-");
        EXPECT_EQ(std::filesystem::path(file.TempPath()).filename().string().rfind("user.vdb.~save1-", 0), 0u);
        file.Write("first");
        file.Commit(false);
    }
    EXPECT_EQ(ReadBytes(target), "first");
    plat::AtomicFile second(target);
    second.Write("second");
    try {
        second.Commit(false);
        ADD_FAILURE() << "an existing file was replaced";
    } catch (const vb::VbError& e) {
        EXPECT_EQ(e.Number(), vb::errPathFileAccess);
    }
    EXPECT_EQ(ReadBytes(target), "first");
    EXPECT_EQ(FilesIn(dir.path()), 1u);
}

TEST(AtomicFile, ACommitThatMayNotReplaceGivesTheNewFileItsOwnModeAfterTheTargetMovedAway) {
    // A file staged for a name that is taken now and free by the commit (a
    // backup copy whose number is moved down meanwhile) gets the mode it was
    // made with, not the bits of the file that was there.
    TempDir dir;
    const auto target = dir.file("copy_3");
    WriteBytes(target, "older copy");
    std::filesystem::permissions(target, std::filesystem::perms::owner_all | std::filesystem::perms::group_read);
    plat::AtomicFile file(target, 0640);
    file.Write("new copy");
    file.Sync();
    plat::RenameFile(target, dir.file("copy_2"), false);
    file.Commit(false);
    EXPECT_EQ(ReadBytes(target), "new copy");
    EXPECT_EQ(
        std::filesystem::status(target).permissions() & std::filesystem::perms::all,
        std::filesystem::perms::owner_read | std::filesystem::perms::owner_write | std::filesystem::perms::group_read);
    EXPECT_EQ(FilesIn(dir.path()), 2u);
}

TEST(RenameFile, RenamesAndRefusesWithTheFileLayersErrorsLeavingBothNamesAsTheyWere) {
    struct Case {
        const char* name;
        bool targetExists;
        bool sourceExists;
        bool replace;
        plat::WriteFaults faults;
        long error;  // 0: renamed
    };
    const Case cases[] = {
        {"onto a free name", false, true, false, {}, 0},
        {"over an existing file, replacing", true, true, true, {}, 0},
        {"over an existing file, not replacing", true, true, false, {}, 58},
        {"a missing source", true, false, true, {}, vb::errFileNotFound},
        {"a missing source onto a free name", false, false, false, {}, vb::errFileNotFound},
        {"refused by the seam", true, true, true, {.refuseRename = true}, vb::errPathFileAccess},
        {"refused by the seam, not replacing", false, true, false, {.refuseRename = true}, vb::errPathFileAccess},
        {"only the first rename refused", false, true, false, {.refuseRenameNo = 1}, vb::errPathFileAccess},
        {"only the second rename refused", false, true, false, {.refuseRenameNo = 2}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const auto from = dir.file("from");
        const auto to = dir.file("to");
        if (c.sourceExists) WriteBytes(from, "moving");
        if (c.targetExists) WriteBytes(to, "staying");
        long error = 0;
        {
            plat::ScopedWriteFaults faults(c.faults);
            try {
                plat::RenameFile(from, to, c.replace);
            } catch (const vb::VbError& e) {
                error = e.Number();
            }
        }
        EXPECT_EQ(error, c.error);
        if (error == 0) {
            EXPECT_FALSE(std::filesystem::exists(from));
            EXPECT_EQ(ReadBytes(to), "moving");
        } else {
            EXPECT_EQ(std::filesystem::exists(from) ? ReadBytes(from) : "", c.sourceExists ? "moving" : "");
            EXPECT_EQ(std::filesystem::exists(to) ? ReadBytes(to) : "", c.targetExists ? "staying" : "");
        }
    }
}

TEST(RenameFile, TheSeamCountsACommitsRenameAndRenameFilesAlike) {
    TempDir dir;
    WriteBytes(dir.file("a"), "a");
    plat::ScopedWriteFaults faults({.refuseRenameNo = 2});
    plat::RenameFile(dir.file("a"), dir.file("b"), false);
    EXPECT_THROW(plat::ReplaceFile(dir.file("c"), "c"), vb::VbError);
    plat::ReplaceFile(dir.file("c"), "c");
    EXPECT_EQ(ReadBytes(dir.file("b")), "a");
    EXPECT_EQ(ReadBytes(dir.file("c")), "c");
    EXPECT_EQ(FilesIn(dir.path()), 2u);
}

TEST(AtomicFile, AProcessDescriptorIsWrittenInPlace) {
    // A memory file handed on by its descriptor's name has no folder to
    // stage a temporary file in.
    const int fd = ::memfd_create("test", MFD_CLOEXEC);
    ASSERT_GE(fd, 0);
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    EXPECT_TRUE(plat::IsOwnDescriptorPath(path));
    for (const char* other : {"/proc/self/fd/", "/proc/self/fd/1/x", "/proc/1/fd/3", "/tmp/x"})
        EXPECT_FALSE(plat::IsOwnDescriptorPath(other)) << other;
    plat::ReplaceFile(path, "a longer first content");
    plat::ReplaceFile(path, "second");
    EXPECT_EQ(plat::ReadWholeFile(path), "second");
    ::close(fd);
}

TEST(ReadWholeFile, MissingFileAndFolderGiveNothing) {
    TempDir dir;
    EXPECT_FALSE(plat::ReadWholeFile(dir.file("absent")).has_value());
    EXPECT_FALSE(plat::ReadWholeFile(dir.path().string()).has_value());
    EXPECT_FALSE(plat::FileExists(dir.path().string()));
    try {
        plat::ReadFileOrRaise(dir.file("absent"));
        FAIL();
    } catch (const vb::VbError& e) {
        EXPECT_EQ(e.Number(), vb::errFileNotFound);
    }
}

TEST(CopyFileAtomic, CopiesBytesAndTheSourceModeAndRaisesForAMissingSource) {
    TempDir dir;
    auto program = dir.file("program");
    WriteBytes(program, std::string("\x7f"
                                    "ELF\0\xff",
                                    6));
    std::filesystem::permissions(program, std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                                              std::filesystem::perms::group_exec);
    auto copy = dir.file("copy");
    plat::CopyFileAtomic(program, copy);
    EXPECT_EQ(ReadBytes(copy), ReadBytes(program));
    EXPECT_EQ(std::filesystem::status(copy).permissions() & std::filesystem::perms::all,
              std::filesystem::status(program).permissions() & std::filesystem::perms::all);

    try {
        plat::CopyFileAtomic(dir.file("missing"), dir.file("never"));
        FAIL() << "a missing source must raise";
    } catch (const vb::VbError& e) {
        EXPECT_EQ(e.Number(), vb::errFileNotFound);
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("never")));
}

}  // namespace
