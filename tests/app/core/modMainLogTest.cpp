// The debug log and the path helpers.
#include <gtest/gtest.h>

#include <regex>

#include "CoreTestEnv.h"

namespace {

using coretest::CoreTest;

class modMainLog : public CoreTest {};

TEST_F(modMainLog, EachLineCarriesDateTimeAndClockAndTheFileGrowsAcrossCalls) {
    clock = 1234.5;
    modMain::DbgPrint("first");
    clock = 0.25;
    modMain::DbgPrint("second");
    const auto lines = LogLines();
    ASSERT_EQ(lines.size(), 2u);
    // The date and time in the locale's form, ".(", five decimals, "): ".
    const std::regex shape(R"(^.+\.\([0-9.,' ]*[0-9]\.[0-9]{5}\): (first|second)$)");
    EXPECT_TRUE(std::regex_match(lines[0], shape)) << lines[0];
    EXPECT_TRUE(std::regex_match(lines[1], shape)) << lines[1];
    EXPECT_NE(lines[0].find(".(1234.50000): first"), std::string::npos);
    EXPECT_NE(lines[1].find(".(0.25000): second"), std::string::npos);
    // The log never loses what earlier runs wrote, and nobody else reads it.
    modMain::DbgPrint("third");
    EXPECT_EQ(LogLines().size(), 3u);
    EXPECT_EQ(std::filesystem::status(appDir() + "/DbgFile.dat").permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_EQ(trace::FStack.UBound(), 0);
}

TEST_F(modMainLog, ALineBreakFirstInTheTextLeavesThePrefixAloneOnItsLine) {
    modMain::DbgPrint("\r\n========== Start Logging ==========");
    const auto lines = LogLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(std::regex_match(lines[0], std::regex(R"(^.+\.\([0-9.,]+\): $)"))) << lines[0];
    EXPECT_EQ(lines[1], "========== Start Logging ==========");
}

TEST_F(modMainLog, ALogThatCannotBeWrittenIsSkippedWithoutAnError) {
    modMain::SetAppPathForTests(tmp.file("no/such/folder"));
    EXPECT_NO_THROW(modMain::DbgPrint("lost"));
    EXPECT_FALSE(std::filesystem::exists(tmp.file("no")));
    EXPECT_TRUE(shown.empty());
}

TEST_F(modMainLog, PtAppendsTheSeparatorOnlyWhereItIsMissing) {
    const std::pair<std::string, std::string> cases[] = {
        {"/", "/"}, {"/home/u/", "/home/u/"}, {"/home/u", "/home/u/"}, {"DataBases", "DataBases/"}, {"", "./"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(modMain::Pt(in), out) << in;
}

TEST_F(modMainLog, FileExistAnswersForFilesAndFoldersAndNeverRaises) {
    qpmtest::WriteBytes(tmp.file("a.txt"), "x");
    EXPECT_TRUE(modMain::FileExist(tmp.file("a.txt")));
    EXPECT_TRUE(modMain::FileExist(tmp.path().string()));
    EXPECT_FALSE(modMain::FileExist(tmp.file("missing")));
    EXPECT_FALSE(modMain::FileExist(tmp.file("a.txt/below")));
    EXPECT_FALSE(modMain::FileExist(""));
    EXPECT_EQ(trace::FStack.UBound(), 0);
}

}  // namespace
