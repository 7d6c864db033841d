// The debug log and the path helpers.
#include <gtest/gtest.h>

#include "CoreTestEnv.h"

namespace {

using coretest::CoreTest;

class modMainLog : public CoreTest {};

// A log line: the date and time (not empty), ".(", the clock with exactly
// five decimals, "): " and the message.
bool HasLogShape(const std::string& line, const std::string& message) {
    const std::string tail = "): " + message;
    if (line.size() < tail.size() || line.compare(line.size() - tail.size(), tail.size(), tail) != 0) return false;
    const std::size_t open = line.find(".(");
    if (open == std::string::npos || open == 0) return false;
    const std::string clock = line.substr(open + 2, line.size() - tail.size() - open - 2);
    const std::size_t point = clock.rfind('.');
    if (point == std::string::npos || point == 0 || clock.size() - point - 1 != 5) return false;
    return clock.find_first_not_of("0123456789.,' ") == std::string::npos;
}

TEST_F(modMainLog, EachLineCarriesDateTimeAndClockAndTheFileGrowsAcrossCalls) {
    clock = 1234.5;
    modMain::DbgPrint("first");
    clock = 0.25;
    modMain::DbgPrint("second");
    const auto lines = LogLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(HasLogShape(lines[0], "first")) << lines[0];
    EXPECT_TRUE(HasLogShape(lines[1], "second")) << lines[1];
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
    EXPECT_TRUE(HasLogShape(lines[0], "")) << lines[0];
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
