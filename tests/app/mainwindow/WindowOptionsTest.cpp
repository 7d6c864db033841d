// The window's option texts: lenient Boolean and number reading, and the
// single-precision text form of the stored geometry.
#include <gtest/gtest.h>

#include "app/core/modMain.h"
#include "app/mainwindow/WindowOptions.h"

namespace {

TEST(WindowOptions, BooleanTexts) {
    struct Case {
        const char* text;
        std::optional<bool> want;
    };
    for (const Case& c :
         {Case{"True", true}, Case{"False", false}, Case{"true", true}, Case{"FALSE", false}, Case{"1", true},
          Case{"0", false}, Case{"-1", true}, Case{" 1 ", true}, Case{"2.5", true}, Case{"0.0", false},
          Case{"", std::nullopt}, Case{"yes", std::nullopt}, Case{"1x", std::nullopt}, Case{"99999999999999", true}})
        EXPECT_EQ(winopt::CBoolText(c.text), c.want) << '"' << c.text << '"';
}

TEST(WindowOptions, SingleTexts) {
    EXPECT_EQ(winopt::CStrSingle(9090), "9090");
    EXPECT_EQ(winopt::CStrSingle(319.6f), "319.6");
    EXPECT_EQ(winopt::CStrSingle(364.6f), "364.6");
    EXPECT_EQ(winopt::CStrSingle(0.5f), "0.5");
    EXPECT_EQ(winopt::CStrSingle(-120), "-120");
}

class WindowOptionsFile : public ::testing::Test {
protected:
    void SetUp() override { saved_ = modMain::ProgConfig; }
    void TearDown() override { modMain::ProgConfig = saved_; }
    trace::VbArray<std::string> saved_;
};

TEST_F(WindowOptionsFile, BadOrMissingValuesGiveTheFallback) {
    modMain::ProgConfig.ReDim(1, 17);
    modMain::ProgConfig(1) = "Yes please";
    modMain::ProgConfig(2) = "0";
    modMain::ProgConfig(16) = "wide";
    modMain::ProgConfig(17) = "6000";
    EXPECT_TRUE(winopt::GetBool(winopt::kToolbar, true));
    EXPECT_FALSE(winopt::GetBool(winopt::kStatusBar, true));
    EXPECT_EQ(winopt::GetLong(winopt::kWidth, 9090), 9090);
    EXPECT_EQ(winopt::GetLong(winopt::kHeight, 7350), 6000);
    // Option 20 is beyond the file's options.
    EXPECT_EQ(winopt::GetLong(winopt::kTreeWidth, 3015), 3015);
    EXPECT_EQ(winopt::Get(winopt::kTreeWidth), "");
}

TEST_F(WindowOptionsFile, SettingBeyondTheOptionsGrowsThem) {
    modMain::ProgConfig.ReDim(1, 14);
    modMain::ProgConfig(14) = "English";
    winopt::Set(winopt::kTreeWidth, "2000");
    EXPECT_EQ(modMain::ProgConfig.UBound(), 20);
    EXPECT_EQ(modMain::ProgConfig(14), "English");
    EXPECT_EQ(modMain::ProgConfig(20), "2000");
}

TEST_F(WindowOptionsFile, TrayModeIsExactlyOne) {
    modMain::ProgConfig.ReDim(1, 20);
    for (const char* text : {"0", "", "True", " 1", "n1"}) {
        modMain::ProgConfig(12) = text;
        EXPECT_FALSE(winopt::TrayModeOption()) << text;
    }
    modMain::ProgConfig(12) = "1";
    EXPECT_TRUE(winopt::TrayModeOption());
}

}  // namespace
