// The options file, the start-up choice of the options and the databases
// folder picker.
#include <gtest/gtest.h>

#include "CoreTestEnv.h"
#include "app/core/modMainStartup.h"
#include "platform/FileIO.h"
#include "platform/VbError.h"

namespace {

using coretest::CoreTest;
using coretest::DefaultOptions;
using coretest::JoinCrLf;

class modMainConfig : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        qpmtest::WriteBytes(appDir() + "/start.dat", JoinCrLf(DefaultOptions()));
    }
    std::vector<std::string> Options() const {
        std::vector<std::string> out;
        for (long i = 1; i <= modMain::ProgConfig.UBound(); ++i) out.push_back(modMain::ProgConfig(i));
        return out;
    }
    static std::vector<std::string> With(std::vector<std::string> options, long n, const std::string& value) {
        options[static_cast<std::size_t>(n - 1)] = value;
        return options;
    }
    void StartUp() {
        modMain::ProgConfig.ReDim(0, 0);
        modMain::startup::LoadProgramOptions();
    }
};

TEST_F(modMainConfig, OptionsRoundTripByteForByte) {
    std::vector<std::string> options = DefaultOptions();
    options[3] = "";              // no last user
    options[10] = "n15";          // lock switched off, 15 kept
    options[4] = "/d/Base\x87s";  // code-page bytes in a path
    const std::string bytes = JoinCrLf(options);
    qpmtest::WriteBytes(tmp.file("config.dat"), bytes);
    modMain::ProgConfig.ReDim(0, 0);
    EXPECT_EQ(modMain::LoadConfig(tmp.file("config.dat"), modMain::ProgConfig), 0);
    EXPECT_EQ(modMain::ProgConfig.LBound(), 1);
    EXPECT_EQ(Options(), options);
    modMain::SaveConfig(tmp.file("again.dat"));
    EXPECT_EQ(qpmtest::ReadBytes(tmp.file("again.dat")), bytes);
    EXPECT_EQ(trace::FStack.UBound(), 0);
}

TEST_F(modMainConfig, SavedOptionsAreTheOwnersAlone) {
    namespace fs = std::filesystem;
    const std::string path = tmp.file("config.dat");
    qpmtest::WriteBytes(path, "old\r\n");
    // A portable options file unpacked readable by everyone.
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                              fs::perms::group_write | fs::perms::others_read);
    SetOptions(DefaultOptions());
    modMain::SaveConfig(path);
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    modMain::SaveConfig(tmp.file("new.dat"));
    EXPECT_EQ(fs::status(tmp.file("new.dat")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(modMainConfig, AMissingFileGivesMinusTwoAndOneLogLine) {
    modMain::ProgConfig.ReDim(0, 0);
    EXPECT_EQ(modMain::LoadConfig(tmp.file("none.dat"), modMain::ProgConfig), -2);
    EXPECT_EQ(modMain::ProgConfig.UBound(), 0);
    EXPECT_EQ(LogMessages(), std::vector<std::string>{"LoadConfig = -2"});
}

TEST_F(modMainConfig, AFailedSaveLeavesTheOldFileAsItWas) {
    const std::string path = tmp.file("config.dat");
    qpmtest::WriteBytes(path, "old\r\n");
    SetOptions(DefaultOptions());
    {
        plat::ScopedWriteFaults faults({10, false});
        EXPECT_THROW(modMain::SaveConfigOrRaise(path), vb::VbError);
    }
    EXPECT_EQ(qpmtest::ReadBytes(path), "old\r\n");
    // Options that never loaded are not written over the file.
    trace::ResetStack();
    modMain::ProgConfig.ReDim(0, 0);
    modMain::SaveConfig(path);
    EXPECT_EQ(qpmtest::ReadBytes(path), "old\r\n");
}

TEST_F(modMainConfig, FirstPerUserStartMakesTheFolderTheOptionsAndTheDemoUser) {
    qpmtest::WriteBytes(appDir() + "/SampleUser.vdb", "demo bytes");
    StartUp();
    const std::string folder = userFolder();
    const std::string databases = folder + "/DataBases";
    EXPECT_TRUE(std::filesystem::is_directory(databases));
    EXPECT_EQ(qpmtest::ReadBytes(databases + "/SampleUser.vdb"), "demo bytes");
    EXPECT_EQ(modMain::ProgCfgPath, folder + "/config.dat");
    EXPECT_EQ(Options(), With(DefaultOptions(), 5, databases));
    EXPECT_EQ(qpmtest::ReadBytes(folder + "/config.dat"), JoinCrLf(With(DefaultOptions(), 5, databases)));
    // Later saves of the run go to the same file.
    modMain::ProgConfig(4) = "alice";
    modMain::SaveConfig(modMain::ProgCfgPath);
    EXPECT_EQ(qpmtest::ReadBytes(folder + "/config.dat"),
              JoinCrLf(With(With(DefaultOptions(), 5, databases), 4, "alice")));
    // The next start reads them back.
    StartUp();
    EXPECT_EQ(Options()[3], "alice");
}

TEST_F(modMainConfig, FirstStartWithoutTheDemoUserStillSetsUp) {
    StartUp();
    EXPECT_TRUE(std::filesystem::exists(userFolder() + "/config.dat"));
    EXPECT_FALSE(std::filesystem::exists(userFolder() + "/DataBases/SampleUser.vdb"));
    EXPECT_TRUE(shown.empty());
}

TEST_F(modMainConfig, AConfigBesideTheProgramMakesItPortable) {
    const auto options = With(DefaultOptions(), 5, "/media/stick/DataBases");
    qpmtest::WriteBytes(appDir() + "/config.dat", JoinCrLf(options));
    StartUp();
    EXPECT_EQ(modMain::ProgCfgPath, appDir() + "/config.dat");
    EXPECT_EQ(Options(), options);
    EXPECT_FALSE(std::filesystem::exists(userFolder()));
}

TEST_F(modMainConfig, AUserFolderWithoutOptionsGetsThemAgainAndKeepsItsUsers) {
    qpmtest::WriteBytes(userFolder() + "/DataBases/bob.vdb", "bob's file");
    StartUp();
    EXPECT_EQ(qpmtest::ReadBytes(userFolder() + "/DataBases/bob.vdb"), "bob's file");
    EXPECT_EQ(Options(), With(DefaultOptions(), 5, userFolder() + "/DataBases"));
    EXPECT_TRUE(std::filesystem::exists(userFolder() + "/config.dat"));
}

TEST_F(modMainConfig, OptionsAFileLacksComeFromTheDefaults) {
    const std::vector<std::string> shortFile = {"False", "False", "1", "carol", "/db"};
    qpmtest::WriteBytes(userFolder() + "/config.dat", JoinCrLf(shortFile));
    StartUp();
    std::vector<std::string> expected = DefaultOptions();
    std::copy(shortFile.begin(), shortFile.end(), expected.begin());
    EXPECT_EQ(Options(), expected);
    // The file itself is only rewritten by the next save.
    EXPECT_EQ(qpmtest::ReadBytes(userFolder() + "/config.dat"), JoinCrLf(shortFile));
}

TEST_F(modMainConfig, ChangingTheDatabasesFolderStartsAtTheOldOneAndSavesTheChoice) {
    SetOptions(With(DefaultOptions(), 5, "/old/place/"));
    modMain::ProgCfgPath = tmp.file("config.dat");
    std::string selected;
    std::uint32_t flags = 0;
    std::optional<std::string> answer = "/new/place";
    qtplat::SetFolderChooserForTests([&](const qtplat::FolderRequest& request) -> std::optional<std::string> {
        struct Picker : qtplat::FolderPicker {
            std::string* into;
            void SelectFolder(const std::string& path) override { *into = path; }
        } picker;
        picker.into = &selected;
        flags = request.flags;
        EXPECT_EQ(request.callback(&picker, qtplat::BFFM_INITIALIZED, 0, 0), 0);
        return answer;
    });
    modMain::ChaneDBPath();
    EXPECT_EQ(selected, "/old/place/");
    EXPECT_EQ(flags, 1u + 16u + 64u);
    EXPECT_EQ(modMain::ProgConfig(5), "/new/place/");
    EXPECT_EQ(qpmtest::ReadBytes(tmp.file("config.dat")), JoinCrLf(With(DefaultOptions(), 5, "/new/place/")));
    // Cancelled, or a choice that is no path: nothing changes.
    for (std::optional<std::string> none : {std::optional<std::string>(), std::optional<std::string>("")}) {
        answer = none;
        modMain::ChaneDBPath();
        EXPECT_EQ(modMain::ProgConfig(5), "/new/place/");
    }
    EXPECT_EQ(trace::FStack.UBound(), 0);
}

}  // namespace
