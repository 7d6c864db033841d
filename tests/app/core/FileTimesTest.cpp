#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <time.h>

#include <filesystem>

#include "ScopedEnv.h"
#include "TempDir.h"
#include "app/core/modMainBackup.h"
#include "app/trace/Trace.h"
#include "platform/VbError.h"

namespace {

using modMain::DateTime;
using modMain::FILETIME;
using namespace std::chrono;

DateTime At(int y, unsigned mo, unsigned d, int h = 0, int mi = 0, int s = 0) {
    return DateTime{local_days{year{y} / mo / d}} + hours{h} + minutes{mi} + seconds{s};
}

// The file time of a date-time (read as UTC) plus some 100-ns ticks, counted
// exactly in integers.
FILETIME FileTimeOf(DateTime d, std::uint64_t extraTicks = 0) {
    const auto secs = (d - At(1601, 1, 1)).count();
    const std::uint64_t ticks = static_cast<std::uint64_t>(secs) * 10000000u + extraTicks;
    return FILETIME{static_cast<std::uint32_t>(ticks), static_cast<std::uint32_t>(ticks >> 32)};
}

TEST(FileTimeToDate, ConvertsToTheNearestSecond) {
    struct Case {
        const char* name;
        FILETIME ft;
        DateTime expected;
    };
    const Case cases[] = {
        {"file time 0", {0, 0}, At(1601, 1, 1)},
        {"low half at 2^31 counts unsigned", {0x80000000u, 0}, At(1601, 1, 1, 0, 3, 35)},  // 214.748 s
        {"low half all ones", {0xFFFFFFFFu, 0}, At(1601, 1, 1, 0, 7, 9)},                  // 429.497 s
        {"half a second rounds to even (down)", {5000000u, 0}, At(1601, 1, 1)},
        {"one and a half seconds round to even (up)", {15000000u, 0}, At(1601, 1, 1, 0, 0, 2)},
        {"half an hour: hours round to even, the rest is added", FileTimeOf(At(1601, 1, 1, 0, 30)),
         At(1601, 1, 1, 0, 30)},
        {"an hour and a half", FileTimeOf(At(1601, 1, 1, 1, 30)), At(1601, 1, 1, 1, 30)},
        {"the turn of the century", FileTimeOf(At(2000, 1, 1)), At(2000, 1, 1)},
        {"a leap day, 0.4 s rounds down", FileTimeOf(At(2024, 2, 29, 12, 34, 56), 4000000u),
         At(2024, 2, 29, 12, 34, 56)},
        {"the last second of a year, 0.6 s rounds up", FileTimeOf(At(2023, 12, 31, 23, 59, 59), 6000000u),
         At(2024, 1, 1)},
        {"the last second a date can hold", FileTimeOf(At(9999, 12, 31, 23, 59, 59)), At(9999, 12, 31, 23, 59, 59)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(modMain::FileTimeToDate(c.ft), c.expected);
    }
}

TEST(FileTimeToDate, ATimeBeyondTheYear9999RaisesInvalidCall) {
    trace::ResetStack();
    for (FILETIME ft : {FileTimeOf(At(9999, 12, 31, 23, 59, 59), 10000000u), FILETIME{0xFFFFFFFFu, 0xFFFFFFFFu}}) {
        try {
            modMain::FileTimeToDate(ft);
            ADD_FAILURE() << "no error for " << ft.dwHighDateTime << ":" << ft.dwLowDateTime;
        } catch (const vb::VbError& e) {
            EXPECT_EQ(e.Number(), vb::errInvalidCall);
        }
        trace::ResetStack();
    }
}

// Sets a file's last-access and last-write times (UTC, whole seconds).
void SetTimes(const std::string& path, DateTime accessed, DateTime written) {
    const auto unixSeconds = [](DateTime d) { return static_cast<time_t>((d - At(1970, 1, 1)).count()); };
    const struct timespec times[2] = {{unixSeconds(accessed), 0}, {unixSeconds(written), 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

class FileTimes : public ::testing::Test {
protected:
    void SetUp() override { trace::ResetStack(); }
    void TearDown() override {
        EXPECT_EQ(trace::FStack.UBound(), 0) << "the trace stack was left unbalanced";
        ::tzset();
    }
    qpmtest::TempDir dir;
};

TEST_F(FileTimes, GivesTheAccessAndWriteTimesInUtcOrLocalTime) {
    const std::string file = dir.file("alice_1.vdb.BACKUP");
    qpmtest::WriteBytes(file, "copy");
    SetTimes(file, At(2021, 6, 1, 8, 0, 0), At(2020, 3, 4, 22, 30, 15));

    // A zone three hours east of UTC, without summer time.
    qpmtest::ScopedEnv tz("TZ", "XYZ-3");
    ::tzset();

    const DateTime untouched = At(1999, 9, 9);
    DateTime created = untouched, accessed = untouched, written = untouched;
    ASSERT_EQ(modMain::GetFileTimes(file, created, accessed, written, false), 0);
    EXPECT_EQ(accessed, At(2021, 6, 1, 8, 0, 0));
    EXPECT_EQ(written, At(2020, 3, 4, 22, 30, 15));
    EXPECT_NE(created, untouched);

    ASSERT_EQ(modMain::GetFileTimes(file, created, accessed, written, true), 0);
    EXPECT_EQ(accessed, At(2021, 6, 1, 11, 0, 0));
    EXPECT_EQ(written, At(2020, 3, 5, 1, 30, 15));
}

TEST_F(FileTimes, FailsWithMinusOneAndLeavesTheValuesForWhatIsNoReadableFile) {
    std::filesystem::create_directory(dir.file("x.vdb.BACKUP"));
    const std::string cases[] = {dir.file("missing.vdb.BACKUP"), dir.file("x.vdb.BACKUP"), ""};
    for (const std::string& path : cases) {
        SCOPED_TRACE(path);
        const DateTime untouched = At(1999, 9, 9);
        DateTime created = untouched, accessed = untouched, written = untouched;
        EXPECT_EQ(modMain::GetFileTimes(path, created, accessed, written, true), -1);
        EXPECT_EQ(created, untouched);
        EXPECT_EQ(accessed, untouched);
        EXPECT_EQ(written, untouched);
    }
}

}  // namespace
