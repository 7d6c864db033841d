#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "TempDir.h"
#include "ScopedEnv.h"
#include "platform/SystemFolder.h"
#include "platform/VbError.h"

namespace {

using qpmtest::ScopedEnv;
using qpmtest::TempDir;

TEST(DataHomeTest, FollowsXdgDataHomeOrFallsBackToHome) {
    TempDir tmp;
    {
        ScopedEnv data("XDG_DATA_HOME", tmp.path().string() + "/data/");
        EXPECT_EQ(plat::DataHome(), tmp.path().string() + "/data");
    }
    ScopedEnv data("XDG_DATA_HOME", "relative/path");
    ScopedEnv home("HOME", tmp.path().string());
    EXPECT_EQ(plat::DataHome(), tmp.path().string() + "/.local/share");
}

TEST(PrivateFolderTest, MadeOnceWithOwnerOnlyAccess) {
    TempDir tmp;
    ScopedEnv runtime("XDG_RUNTIME_DIR", tmp.path().string());
    const std::string dir = plat::PrivateFolder();
    EXPECT_EQ(dir, tmp.path().string() + "/QuellonPM");
    struct stat st {};
    ASSERT_EQ(::stat(dir.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ::chmod(dir.c_str(), 0755);
    EXPECT_EQ(plat::PrivateFolder(), dir);
    ASSERT_EQ(::stat(dir.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(PrivateFolderTest, WithoutRuntimeFolderUsesAPerUserFolderInTmpdir) {
    TempDir tmp;
    ScopedEnv runtime("XDG_RUNTIME_DIR", std::nullopt);
    ScopedEnv tmpdir("TMPDIR", tmp.path().string());
    EXPECT_EQ(plat::PrivateFolder(), tmp.path().string() + "/QuellonPM-" + std::to_string(::getuid()));
}

TEST(PrivateFolderTest, RefusesASymbolicLinkInItsPlace) {
    TempDir tmp;
    std::filesystem::create_directory(tmp.path() / "elsewhere");
    std::filesystem::create_directory_symlink(tmp.path() / "elsewhere", tmp.path() / "QuellonPM");
    ScopedEnv runtime("XDG_RUNTIME_DIR", tmp.path().string());
    EXPECT_THROW(plat::PrivateFolder(), vb::VbError);
}

}  // namespace
