#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "Register/modMain.h"
#include "ScopedEnv.h"
#include "TempDir.h"
#include "platform/FileIO.h"
#include "platform/Registry.h"
#include "platform/VbError.h"

namespace fs = std::filesystem;

namespace {

TEST(AddBackslash, AddsTheSeparatorOnlyWhenMissing) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"/opt/quellon", "/opt/quellon/"},
        {"/opt/quellon/", "/opt/quellon/"},
        {"/", "/"},
        {"", "/"},
    };
    for (const Case& c : cases) EXPECT_EQ(modMain::AddBackslash(c.in), c.out) << c.in;
}

TEST(FileExists, OnlyFilesWhoseLengthCanBeRead) {
    qpmtest::TempDir dir;
    qpmtest::WriteBytes(dir.file("lib.so"), "x");
    EXPECT_TRUE(modMain::FileExists(dir.file("lib.so")));
    EXPECT_FALSE(modMain::FileExists(dir.file("missing.so")));
    EXPECT_FALSE(modMain::FileExists(dir.path().string()));
}

// A system folder and a registry of the test's own.
class RegisterComponentTest : public ::testing::Test {
protected:
    qpmtest::TempDir dir;
    std::string system = dir.file("system");
    qpmtest::ScopedEnv systemEnv{"QUELLON_SYSTEM_DIR", system};
    qpmtest::ScopedEnv registryEnv{"QUELLON_REGISTRY_ROOT", dir.file("registry")};

    std::string Installed() const { return system + "/libFixture.so"; }
    static std::string Registered(const char* name) {
        return plat::RegQueryString(plat::HKEY_CLASSES_ROOT, "RegisterFixture", name).value_or("");
    }
};

TEST_F(RegisterComponentTest, CopiesAnAbsentLibraryIntoANewSystemFolderAndRegistersTheCopy) {
    plat::RunResult run = modMain::RegisterComponent("libFixture.so", REGISTER_FIXTURE_A, 1);
    ASSERT_EQ(run.status, plat::RunStatus::Done) << run.detail;
    EXPECT_EQ(run.result, 0);
    EXPECT_NE(run.module, nullptr);
    EXPECT_EQ(qpmtest::ReadBytes(Installed()), qpmtest::ReadBytes(REGISTER_FIXTURE_A));
    EXPECT_EQ(Registered("Variant"), "A");
    EXPECT_EQ(fs::canonical(Registered("Path")), fs::canonical(Installed()));

    run = modMain::RegisterComponent("libFixture.so", REGISTER_FIXTURE_A, 0);
    ASSERT_EQ(run.status, plat::RunStatus::Done);
    EXPECT_FALSE(plat::RegKeyExists(plat::HKEY_CLASSES_ROOT, "RegisterFixture"));
}

TEST_F(RegisterComponentTest, AnExistingLibraryIsNeverReplacedAndIsTheOneRegistered) {
    const std::string existing = qpmtest::ReadBytes(REGISTER_FIXTURE_A);
    qpmtest::WriteBytes(Installed(), existing);
    plat::RunResult run = modMain::RegisterComponent("libFixture.so", REGISTER_FIXTURE_B, 1);
    ASSERT_EQ(run.status, plat::RunStatus::Done) << run.detail;
    EXPECT_EQ(qpmtest::ReadBytes(Installed()), existing);
    EXPECT_EQ(Registered("Variant"), "A");
}

TEST_F(RegisterComponentTest, AMissingSourceRaisesFileNotFoundAndRegistersNothing) {
    try {
        modMain::RegisterComponent("libFixture.so", dir.file("Controls/libFixture.so"), 1);
        FAIL() << "no error";
    } catch (const vb::VbError& e) {
        EXPECT_EQ(e.Number(), vb::errFileNotFound);
    }
    EXPECT_FALSE(fs::exists(Installed()));
    EXPECT_FALSE(plat::RegKeyExists(plat::HKEY_CLASSES_ROOT, "RegisterFixture"));
}

TEST_F(RegisterComponentTest, AFailedCopyLeavesNoHalfLibraryBehind) {
    {
        plat::ScopedWriteFaults faults({.failAfterBytes = 100});
        EXPECT_THROW(modMain::RegisterComponent("libFixture.so", REGISTER_FIXTURE_A, 1), vb::VbError);
    }
    ASSERT_TRUE(fs::exists(system));
    EXPECT_TRUE(fs::is_empty(system)) << "a partial copy or temporary file was left";
    // The next run installs the whole library.
    plat::RunResult run = modMain::RegisterComponent("libFixture.so", REGISTER_FIXTURE_A, 1);
    ASSERT_EQ(run.status, plat::RunStatus::Done);
    EXPECT_EQ(qpmtest::ReadBytes(Installed()), qpmtest::ReadBytes(REGISTER_FIXTURE_A));
}

TEST_F(RegisterComponentTest, ALibraryThatCannotBeLoadedOrLacksTheEntryIsReported) {
    qpmtest::WriteBytes(system + "/libBroken.so", "not a library");
    EXPECT_EQ(modMain::RegisterComponent("libBroken.so", REGISTER_FIXTURE_A, 1).status, plat::RunStatus::NotLoadable);
    // A component library without registration entry points.
    plat::RunResult run = modMain::RegisterComponent("libNoEntry.so", FAKE_COMPONENT_PATH, 1);
    EXPECT_EQ(run.status, plat::RunStatus::EntryMissing);
    EXPECT_NE(plat::DescribeRun(run, Installed(), "DllRegisterServer").find("has no entry point"), std::string::npos);
}

// The program itself, run as an installer would from a program folder of its
// own: the library beside it in Controls/ ends up in the system folder and its
// classes are registered with the system-folder copy's path.
class RegisterProgramTest : public ::testing::Test {
protected:
    qpmtest::TempDir dir;
    std::string program = dir.file("Program Files/Quellon");
    std::string system = dir.file("system");
    std::string registry = dir.file("registry");

    void SetUp() override {
        fs::create_directories(program + "/Controls");
        fs::copy_file(REGISTER_PROGRAM, program + "/Register");
        fs::permissions(program + "/Register", fs::perms::owner_all);
    }

    int Run() {
        std::string cmd = "QUELLON_SYSTEM_DIR='" + system + "' QUELLON_REGISTRY_ROOT='" + registry + "' '" + program +
                          "/Register' 2>'" + dir.file("stderr.txt") + "'";
        int status = std::system(cmd.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

TEST_F(RegisterProgramTest, InstallsAndRegistersTheLibrary) {
    fs::copy_file(VEDATABASE_LIBRARY, program + "/Controls/libVEDataBase.so");
    ASSERT_EQ(Run(), 0) << qpmtest::ReadBytes(dir.file("stderr.txt"));
    const std::string installed = system + "/libVEDataBase.so";
    EXPECT_EQ(qpmtest::ReadBytes(installed), qpmtest::ReadBytes(VEDATABASE_LIBRARY));

    qpmtest::ScopedEnv registryEnv{"QUELLON_REGISTRY_ROOT", registry};
    auto clsid = plat::RegQueryString(plat::HKEY_CLASSES_ROOT, "VEDataBase.clsRC4\\CLSID", "");
    ASSERT_TRUE(clsid);
    auto server = plat::RegQueryString(plat::HKEY_CLASSES_ROOT, "CLSID\\" + *clsid + "\\InprocServer32", "");
    ASSERT_TRUE(server);
    EXPECT_EQ(fs::canonical(*server), fs::canonical(installed));
}

TEST_F(RegisterProgramTest, AMissingLibraryEndsWithTheRunTimeErrorAndExitCode) {
    EXPECT_EQ(Run(), 1);
    std::string err = qpmtest::ReadBytes(dir.file("stderr.txt"));
    EXPECT_NE(err.find("Run-time error '53'"), std::string::npos) << err;
    EXPECT_NE(err.find("File not found"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(system + "/libVEDataBase.so"));
}

}  // namespace
