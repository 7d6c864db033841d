// The start procedure: its steps and log lines, the second instance, and
// errors on the way.
#include <gtest/gtest.h>

#include <QLockFile>

#include "CoreTestSupport.h"
#include "app/core/clsDataFilesManager.h"
#include "app/core/clsDatabase.h"
#include "app/trace/Trace.h"

namespace {

using coretest::DefaultOptions;
using coretest::JoinCrLf;
using coretest::LibraryTest;

class modMainStart : public LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        qpmtest::WriteBytes(appDir() + "/start.dat", JoinCrLf(DefaultOptions()));
        qpmtest::WriteBytes(appDir() + "/Languages/English.lng", "3\r\n1=Exit?\r\n2=Already running\r\n");
    }
    std::string lockPath() const { return tmp.file("run") + "/QuellonPM/QuellonPM.lock"; }
    const std::string version = "===Version " + trace::VersionText() + "===";
};

TEST_F(modMainStart, StartsUpToTheLanguageTextsAndHandsOver) {
    int handedOver = 0;
    clock = 5000.0;
    EXPECT_EQ(modMain::Main([&] {
                  ++handedOver;
                  EXPECT_EQ(modLang::Texts(1), "Exit?");
                  // The database objects exist before the main window.
                  ASSERT_TRUE(modMain::MDFM);
                  ASSERT_TRUE(modMain::CurUsDB);
                  EXPECT_EQ(modMain::MDFM->GetLoadedDBNum(), 0);
                  EXPECT_EQ(modMain::CurUsDB->Name(), "");
                  EXPECT_EQ(modMain::CurUsDB->TabNum(), 0);
              }),
              modMain::StartResult::Started);
    EXPECT_EQ(handedOver, 1);
    const auto lines = LogLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[1], "========== Start Logging ==========");
    EXPECT_EQ(LogMessages(), (std::vector<std::string>{
                                 "",
                                 "========== Start Logging ==========",
                                 version,
                                 "Registering controls...",
                                 "Registering controls... Ok",
                                 "Common controls initialization...",
                                 "Common controls initialization... Ok",
                                 "Colors initializing...",
                                 "Colors initializing...Ok",
                                 "Configuration Loading...",
                                 "No SampleUser.vdb beside the program: no demo user",
                                 "Configuration Loading... Ok",
                                 "Language Loading...",
                                 "Language Loading... Ok",
                             }));
    EXPECT_EQ(modMain::CustomColors.LBound(), 0);
    EXPECT_EQ(modMain::CustomColors.UBound(), 63);
    for (std::uint8_t b : modMain::CustomColors.Items()) EXPECT_EQ(b, 0);
    EXPECT_EQ(modMain::ProgConfig(14), "English");
    EXPECT_EQ(modMain::ProgCfgPath, userFolder() + "/config.dat");
    // The inactivity check counts from the start.
    EXPECT_EQ(modMain::LastActive, 5000);
    EXPECT_EQ(trace::FStack.UBound(), 0);
    EXPECT_TRUE(trace::zeltHasInitialised);
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(std::filesystem::exists(lockPath()));
}

TEST_F(modMainStart, ASecondInstanceShowsOneMessageAndTouchesNoOptions) {
    std::filesystem::create_directories(tmp.file("run") + "/QuellonPM");
    QLockFile running(QString::fromStdString(lockPath()));
    ASSERT_TRUE(running.tryLock(0));
    bool handedOver = false;
    EXPECT_EQ(modMain::Main([&] { handedOver = true; }), modMain::StartResult::SecondInstance);
    EXPECT_FALSE(handedOver);
    EXPECT_EQ(LogMessages(), (std::vector<std::string>{"", "========== Start Logging ==========", version,
                                                       "PrevInstance detected", "Error #0001. TxtIdent = 2."}));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].prompt, "#Error in language module#");
    EXPECT_EQ(boxes[0].style, 64);
    EXPECT_FALSE(std::filesystem::exists(userFolder()));
    EXPECT_EQ(modMain::ProgConfig.Allocated(), false);
}

TEST_F(modMainStart, AControlFileThatIsNoLibraryIsLoggedAndSkipped) {
    qpmtest::WriteBytes(appDir() + "/Controls/mscomctl.ocx", "not a library");
    EXPECT_EQ(modMain::Main(), modMain::StartResult::Started);
    const auto messages = LogMessages();
    const auto first = std::find(messages.begin(), messages.end(), "Registering controls...");
    ASSERT_NE(first, messages.end());
    ASSERT_EQ(first[2], "Registering controls... Ok");
    EXPECT_NE(first[1].find("mscomctl.ocx"), std::string::npos) << first[1];
    EXPECT_NE(first[1].find("cannot be loaded"), std::string::npos) << first[1];
}

TEST_F(modMainStart, AMissingLanguageFileEndsTheProgramWithAReportOfTheLoad) {
    std::filesystem::remove(appDir() + "/Languages/English.lng");
    ExpectEnds([] { modMain::Main(); });
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find("Error Number: 53\r\n"), std::string::npos);
    EXPECT_NE(shown[0].find("Module Name: modLang\r\nBlock Name: LoadLang\r\n"), std::string::npos);
    EXPECT_NE(shown[0].find("Stack Trace: Name: modLang.LoadLang, Type: 1, Parameters: <LangFile>" + appDir() +
                            "/Languages/English.lng</LangFile>\r\n;-->\r\n"),
              std::string::npos)
        << shown[0];
    EXPECT_EQ(LogMessages().back(), "Language Loading...");
}

TEST_F(modMainStart, AnErrorInMainsOwnStepsIsReportedForMain) {
    // The private folder's place is taken by a file.
    std::filesystem::create_directories(tmp.file("blocked"));
    qpmtest::WriteBytes(tmp.file("blocked") + "/QuellonPM", "x");
    qpmtest::ScopedEnv runtimeDir("XDG_RUNTIME_DIR", tmp.file("blocked"));
    ExpectEnds([] { modMain::Main(); });
    ASSERT_EQ(shown.size(), 1u);
    const std::string& report = shown[0];
    EXPECT_NE(report.find("Module Name: modMain\r\nBlock Name: Main\r\n"), std::string::npos);
    EXPECT_NE(report.find("<LocalVariables>\r\n{None}</LocalVariables>"), std::string::npos);
    EXPECT_NE(report.find("<ModuleVariables>\r\n<DbgFile>1</DbgFile>\r\n"), std::string::npos) << report;
    EXPECT_NE(report.find("<Parameters>\r\n</Parameters>\r\nStack Trace: Empty Stack\r\nVersion: "), std::string::npos)
        << report;
}

}  // namespace
