// The debug log and the options file against what a hostile or damaged
// folder holds: symbolic links, control characters in logged names, a huge
// option, a disk that is full.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "CoreTestEnv.h"
#include "CoreTestSupport.h"
#include "ScopedTmpfs.h"
#include "app/core/modMainStartup.h"
#include "platform/FileIO.h"
#include "platform/VbError.h"

namespace {

namespace fs = std::filesystem;
using coretest::CoreTest;
using coretest::DefaultOptions;
using coretest::JoinCrLf;
using qpmtest::ReadBytes;
using qpmtest::WriteBytes;

class LogAndOptionFiles : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        WriteBytes(appDir() + "/start.dat", JoinCrLf(DefaultOptions()));
    }
    // A file elsewhere that a link in the program folder points to.
    std::string Victim() {
        const std::string victim = tmp.file("elsewhere/victim.txt");
        WriteBytes(victim, "someone else's file\r\n");
        fs::permissions(
            victim, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
        return victim;
    }
    // The debug log's messages as one text.
    std::string LogText() const {
        std::string text;
        for (const std::string& m : LogMessages()) text += m + "\n";
        return text;
    }
    static void ExpectUntouched(const std::string& link, const std::string& victim) {
        EXPECT_TRUE(fs::is_symlink(link)) << link << " was replaced";
        EXPECT_EQ(ReadBytes(victim), "someone else's file\r\n");
        EXPECT_EQ(fs::status(victim).permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
    }
};

TEST_F(LogAndOptionFiles, TheLogNeverWritesThroughALink) {
    const std::string victim = Victim();
    const std::string log = appDir() + "/DbgFile.dat";
    fs::create_symlink(victim, log);
    modMain::DbgPrint("a line that must not reach the other file");
    ExpectUntouched(log, victim);
    // A hard link to a file outside is no log of the program's either.
    fs::remove(log);
    fs::create_hard_link(victim, log);
    modMain::DbgPrint("a line that must not reach the other file");
    EXPECT_EQ(ReadBytes(victim), "someone else's file\r\n");
    EXPECT_NE(fs::status(victim).permissions() & fs::perms::others_read, fs::perms::none);
}

TEST_F(LogAndOptionFiles, TheOptionsAreNeverWrittenThroughALink) {
    const std::string victim = Victim();
    const std::string config = appDir() + "/config.dat";
    fs::create_symlink(victim, config);
    SetOptions(DefaultOptions());
    EXPECT_EQ(coretest::ErrorOf([&] { modMain::SaveConfig(config); }), 0);
    ExpectUntouched(config, victim);
    EXPECT_NE(LogText().find("config.dat is a symbolic link"), std::string::npos);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].prompt.find("options could not be saved"), std::string::npos) << boxes[0].prompt;
    EXPECT_EQ(trace::FStack.UBound(), 0);
    // The writer a dialog calls raises, so the dialog can say it itself.
    EXPECT_EQ(coretest::ErrorOf([&] { modMain::SaveConfigOrRaise(config); }), vb::errPathFileAccess);
    trace::ResetStack();
    ExpectUntouched(config, victim);
}

TEST_F(LogAndOptionFiles, LoggedTextsAddNoLinesOfTheirOwn) {
    const std::pair<std::string, std::string> cases[] = {
        {"name\nInjected line", "name\\x0AInjected line"},
        {"name\r\nInjected line", "name\\x0D\\x0AInjected line"},
        {"tab\there", "tab\\x09here"},
        {std::string("nul\0byte", 8), "nul\\x00byte"},
        {"del\x7f", "del\\x7F"},
        {"code page \x87 bytes stay", "code page \x87 bytes stay"},
    };
    for (const auto& [text, logged] : cases) {
        fs::remove(appDir() + "/DbgFile.dat");
        modMain::DbgPrint("SaveUsDB: saving " + text + " failed");
        EXPECT_EQ(LogMessages(), std::vector<std::string>{"SaveUsDB: saving " + logged + " failed"});
        EXPECT_EQ(LogLines().size(), 1u);
    }
}

TEST_F(LogAndOptionFiles, AHugeOptionIsReadAsNoneAndTheOthersStay) {
    std::vector<std::string> options = DefaultOptions();
    options[3] = std::string(20 * 1024 * 1024, 'u');  // the last user
    options[13] = std::string(5000, 'l');             // the language
    options[4] = "/data/DataBases";
    options[6] = "1";
    WriteBytes(appDir() + "/config.dat", JoinCrLf(options));
    modMain::ProgConfig.ReDim(0, 0);
    modMain::startup::LoadProgramOptions();
    EXPECT_EQ(modMain::ProgConfig.UBound(), 20);
    EXPECT_EQ(modMain::ProgConfig(4), "");
    EXPECT_EQ(modMain::ProgConfig(14), "");
    EXPECT_EQ(modMain::ProgConfig(5), "/data/DataBases");
    EXPECT_EQ(modMain::ProgConfig(7), "1");
    EXPECT_EQ(modMain::ProgConfig(20), "3015");
    EXPECT_NE(LogText().find("line 4 of"), std::string::npos);
}

TEST_F(LogAndOptionFiles, TheLastUserIsAUserNameOfAtMostFortyCharacters) {
    for (const std::size_t length : {std::size_t{40}, std::size_t{41}, std::size_t{4000}}) {
        SCOPED_TRACE(length);
        std::vector<std::string> options = DefaultOptions();
        options[3] = std::string(length, 'a');
        WriteBytes(appDir() + "/config.dat", JoinCrLf(options));
        modMain::ProgConfig.ReDim(0, 0);
        modMain::startup::LoadProgramOptions();
        EXPECT_EQ(modMain::ProgConfig(4), length <= 40 ? options[3] : "");
    }
}

// Options that cannot be written are logged and told once, never raised; a
// save that works again ends the failure.
TEST_F(LogAndOptionFiles, OptionsThatCannotBeSavedAreToldOnceAndKeptInMemory) {
    qpmtest::ScopedTmpfs disk(tmp.file("disk"), 64 * 1024);
    if (!disk.mounted()) GTEST_SKIP() << "no tmpfs can be mounted here: " << disk.error();
    const std::string config = disk.folder() + "/config.dat";
    SetOptions(DefaultOptions());
    modMain::SaveConfig(config);
    const std::string before = ReadBytes(config);
    modMain::ProgConfig(4) = "alice";
    disk.Fill();
    for (int i = 0; i < 2; ++i) EXPECT_EQ(coretest::ErrorOf([&] { modMain::SaveConfig(config); }), 0);
    EXPECT_EQ(ReadBytes(config), before);
    EXPECT_EQ(modMain::ProgConfig(4), "alice");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].prompt.find("options could not be saved"), std::string::npos) << boxes[0].prompt;
    EXPECT_NE(LogText().find("config.dat could not be written"), std::string::npos);
    EXPECT_EQ(trace::FStack.UBound(), 0);
    disk.Free();
    modMain::SaveConfig(config);
    EXPECT_EQ(ReadBytes(config), JoinCrLf([] {
                  auto o = DefaultOptions();
                  o[3] = "alice";
                  return o;
              }()));
    disk.Fill();
    modMain::SaveConfig(config);
    EXPECT_EQ(boxes.size(), 2u);
    // The same through the file layer's seam.
    disk.Free();
    {
        plat::ScopedWriteFaults faults({.refuseRename = true});
        modMain::SaveConfig(config);
    }
    EXPECT_EQ(ReadBytes(config), JoinCrLf([] {
                  auto o = DefaultOptions();
                  o[3] = "alice";
                  return o;
              }()));
    for (const auto& e : fs::directory_iterator(disk.folder()))
        EXPECT_EQ(e.path().filename(), "config.dat") << "left over: " << e.path();
}

}  // namespace
