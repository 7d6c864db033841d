#include <gtest/gtest.h>
#include <stdlib.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "TempDir.h"
#include "platform/VbError.h"
#include "platform/VbStrings.h"

namespace {

#define EXPECT_VB_ERROR(stmt, number)            \
    do {                                         \
        long got_ = 0;                           \
        try {                                    \
            (void)(stmt);                        \
        } catch (const vb::VbError& e) {         \
            got_ = e.Number();                   \
        }                                        \
        EXPECT_EQ(got_, number) << "for " #stmt; \
    } while (0)

TEST(Trim, RemovesBlanksOnlyNotTabsOrLineBreaks) {
    EXPECT_EQ(vb::Trim("  a b  "), "a b");
    EXPECT_EQ(vb::Trim("\t a \r\n"), "\t a \r\n");
    EXPECT_EQ(vb::Trim("    "), "");
    EXPECT_EQ(vb::Trim(""), "");
    EXPECT_EQ(vb::LTrim("  x  "), "x  ");
    EXPECT_EQ(vb::RTrim("  x  "), "  x");
    // 0xA0 is a character of the code page, not a blank.
    EXPECT_EQ(vb::Trim("\xA0x\xA0"), "\xA0x\xA0");
}

TEST(StrAndCStr, IntegersCarryABlankOnlyInStrForNonNegativeValues) {
    EXPECT_EQ(vb::Str(std::int64_t{69}), " 69");
    EXPECT_EQ(vb::Str(std::int64_t{0}), " 0");
    EXPECT_EQ(vb::Str(std::int64_t{-5}), "-5");
    EXPECT_EQ(vb::CStr(std::int64_t{69}), "69");
    EXPECT_EQ(vb::CStr(std::int64_t{-2147483648LL}), "-2147483648");
    // Other integer types need no cast.
    EXPECT_EQ(vb::Str(7), " 7");
    EXPECT_EQ(vb::Str(short{-3}), "-3");
    EXPECT_EQ(vb::Str(std::size_t{12}), " 12");
    EXPECT_EQ(vb::CStr(18446744073709551615ull), "18446744073709551615");
    EXPECT_EQ(vb::CStr(-9223372036854775807LL - 1), "-9223372036854775808");
}

TEST(StrAndCStr, DoublesUseFifteenSignificantDigitsWithoutTrailingZeros) {
    struct Case {
        double d;
        const char* cstr;
        const char* str;
    };
    const Case cases[] = {
        {0.0, "0", " 0"},
        {-0.0, "0", " 0"},
        {1.0, "1", " 1"},
        {2.5, "2.5", " 2.5"},
        {0.5, "0.5", " .5"},
        {-0.5, "-0.5", "-.5"},
        {0.1 + 0.2, "0.3", " .3"},
        {1.0 / 3.0, "0.333333333333333", " .333333333333333"},
        {123456789012345.0, "123456789012345", " 123456789012345"},
        {1e15, "1E+15", " 1E+15"},
        {1e20, "1E+20", " 1E+20"},
        {-1.5e100, "-1.5E+100", "-1.5E+100"},
        {0.0001, "0.0001", " .0001"},
        {0.00001, "1E-05", " 1E-05"},
        {1234.5678, "1234.5678", " 1234.5678"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(vb::CStr(c.d), c.cstr) << c.d;
        EXPECT_EQ(vb::Str(c.d), c.str) << c.d;
    }
}

// A program with a user interface sets the process locale from the
// environment; numbers in stored texts must still use ".".
TEST(StrAndCStr, DecimalPointDoesNotFollowTheProcessLocale) {
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    std::string saved = old ? old : "C";
    qpmtest::TempDir dir;
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) {
        // No German locale installed: compile one into a private folder.
        std::string cmd = "localedef -i de_DE -f UTF-8 '" + dir.file("de_DE.UTF-8") + "' >/dev/null 2>&1";
        if (std::system(cmd.c_str()) != 0) {
            GTEST_SKIP() << "no German locale and no localedef";
        }
        setenv("LOCPATH", dir.path().c_str(), 1);
        const char* set = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
        unsetenv("LOCPATH");
        if (!set) {
            GTEST_SKIP() << "the German locale could not be loaded";
        }
    }
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 2.5);
    EXPECT_STREQ(probe, "2,5");  // the locale really is in effect
    EXPECT_EQ(vb::CStr(2.5), "2.5");
    EXPECT_EQ(vb::Str(-0.25), "-.25");
    EXPECT_DOUBLE_EQ(vb::Val("2.5"), 2.5);
    EXPECT_DOUBLE_EQ(vb::Val("2,5"), 2);
    EXPECT_EQ(vb::CLng(std::string_view("2.5E1")), 25);
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(Val, ReadsTheLeadingNumber) {
    struct Case {
        const char* text;
        double value;
    };
    const Case cases[] = {
        {"  12 34abc", 1234},
        {"\t1\n2", 12},
        {"12\r34", 12},  // CR is not skipped
        {"&H1F", 31},
        {"&h1f", 31},
        {"  &H 1F", 31},
        {"&HFF", 255},
        {"&HFFFFFFFF", -1},
        {"&H7FFFFFFF", 2147483647},
        {"&H80000000", -2147483648.0},
        {"&H0000000001", 1},  // leading zeros do not count as width
        {"&HZZ", 0},
        {"&H", 0},
        {"&O17", 15},
        {"&O37777777777", -1},
        {"&O18", 1},
        {"&X12", 0},
        {"1e3", 1000},
        {"1E3", 1000},
        {"1D3", 1000},
        {"2.5E-1", 0.25},
        {"1e", 1},
        {"1e+", 1},
        {"1ex", 1},
        {"", 0},
        {"abc", 0},
        {"-", 0},
        {".", 0},
        {"-.5", -0.5},
        {"+7", 7},
        {" - 7", -7},
        {"5.", 5},
        {"1.2.3", 1.2},
        {"12abc34", 12},
        {"--5", 0},
        {"1e-400", 0},
        {"000123", 123},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(vb::Val(c.text), c.value) << '"' << c.text << '"';
    }
}

TEST(Val, OutOfRangeNumbersAreAnOverflow) {
    EXPECT_VB_ERROR(vb::Val("1e400"), vb::errOverflow);
    EXPECT_VB_ERROR(vb::Val("&H100000000"), vb::errOverflow);
    EXPECT_VB_ERROR(vb::Val("&O40000000000"), vb::errOverflow);
}

TEST(CLngCInt, RoundHalfToEven) {
    struct Case {
        double d;
        std::int32_t lng;
    };
    const Case cases[] = {
        {2.5, 2},
        {3.5, 4},
        {-2.5, -2},
        {-3.5, -4},
        {0.5, 0},
        {1.5, 2},
        {2.4999, 2},
        {2.6, 3},
        {-0.4, 0},
        {2147483647.4, 2147483647},
        {-2147483648.5, -2147483647 - 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(vb::CLng(c.d), c.lng) << c.d;
    }
    EXPECT_EQ(vb::CInt(32767.4), 32767);
    EXPECT_EQ(vb::CInt(-32768.5), -32768);
    EXPECT_EQ(vb::CInt(-1.5), -2);
}

TEST(CLngCInt, OutOfRangeIsAnOverflow) {
    EXPECT_VB_ERROR(vb::CLng(2147483647.6), vb::errOverflow);
    EXPECT_VB_ERROR(vb::CLng(-2147483649.0), vb::errOverflow);
    EXPECT_VB_ERROR(vb::CLng(1e300), vb::errOverflow);
    EXPECT_VB_ERROR(vb::CLng(std::numeric_limits<double>::quiet_NaN()), vb::errOverflow);
    EXPECT_VB_ERROR(vb::CInt(32767.5), vb::errOverflow);
    EXPECT_VB_ERROR(vb::CInt(-32769.0), vb::errOverflow);
    EXPECT_VB_ERROR(vb::CInt(std::numeric_limits<double>::infinity()), vb::errOverflow);
}

TEST(CLngCInt, TextsConvertWhenTheyAreWholeNumbers) {
    EXPECT_EQ(vb::CLng(std::string_view("42")), 42);
    EXPECT_EQ(vb::CLng(std::string_view("  -7\t")), -7);
    EXPECT_EQ(vb::CLng(std::string_view("2.5")), 2);
    EXPECT_EQ(vb::CLng(std::string_view("1e3")), 1000);
    EXPECT_EQ(vb::CLng(std::string_view("&HFF")), 255);
    EXPECT_EQ(vb::CLng(std::string_view("+.5")), 0);
    EXPECT_EQ(vb::CInt(std::string_view("-32768")), -32768);

    EXPECT_VB_ERROR(vb::CLng(std::string_view("")), vb::errTypeMismatch);
    EXPECT_VB_ERROR(vb::CLng(std::string_view("   ")), vb::errTypeMismatch);
    EXPECT_VB_ERROR(vb::CLng(std::string_view("12abc")), vb::errTypeMismatch);
    EXPECT_VB_ERROR(vb::CLng(std::string_view("1 2")), vb::errTypeMismatch);
    EXPECT_VB_ERROR(vb::CLng(std::string_view("&HG")), vb::errTypeMismatch);
    EXPECT_VB_ERROR(vb::CLng(std::string_view("abc")), vb::errTypeMismatch);
    EXPECT_VB_ERROR(vb::CLng(std::string_view("3000000000")), vb::errOverflow);
    EXPECT_VB_ERROR(vb::CInt(std::string_view("40000")), vb::errOverflow);
}

TEST(InStr, FindsOneBasedBytePositions) {
    EXPECT_EQ(vb::InStr(1, "abcabc", "bc"), 2);
    EXPECT_EQ(vb::InStr(3, "abcabc", "bc"), 5);
    EXPECT_EQ(vb::InStr(6, "abcabc", "bc"), 0);
    EXPECT_EQ(vb::InStr(1, "abc", "x"), 0);
    EXPECT_EQ(vb::InStr(1, "", "x"), 0);
    EXPECT_EQ(vb::InStr(99, "abc", "a"), 0);
    EXPECT_EQ(vb::InStr(1,
                        "a\x87"
                        "b",
                        "\x87"),
              2);
    EXPECT_EQ(vb::InStr(1, std::string_view("a\0b", 3), std::string_view("\0", 1)), 2);
    // An empty text is found at the start while the start lies within the text.
    EXPECT_EQ(vb::InStr(1, "abc", ""), 1);
    EXPECT_EQ(vb::InStr(4, "abc", ""), 4);
    EXPECT_EQ(vb::InStr(5, "abc", ""), 0);
    EXPECT_EQ(vb::InStr(1, "", ""), 1);
    EXPECT_VB_ERROR(vb::InStr(0, "abc", "a"), vb::errInvalidCall);
}

TEST(MidLeftRight, ClipToTheText) {
    EXPECT_EQ(vb::Mid("abcdef", 2, 3), "bcd");
    EXPECT_EQ(vb::Mid("abcdef", 4), "def");
    EXPECT_EQ(vb::Mid("abcdef", 5, 99), "ef");
    EXPECT_EQ(vb::Mid("abcdef", 7, 1), "");
    EXPECT_EQ(vb::Mid("abcdef", 1000000000000LL, 1), "");
    EXPECT_EQ(vb::Mid("abcdef", 2, 0), "");
    EXPECT_EQ(vb::Left("abc", 2), "ab");
    EXPECT_EQ(vb::Left("abc", 10), "abc");
    EXPECT_EQ(vb::Left("abc", 0), "");
    EXPECT_EQ(vb::Right("abc", 2), "bc");
    EXPECT_EQ(vb::Right("abc", 10), "abc");
    EXPECT_EQ(vb::Right("abc", 0), "");
    EXPECT_VB_ERROR(vb::Mid("abc", 0, 1), vb::errInvalidCall);
    EXPECT_VB_ERROR(vb::Left("abc", -1), vb::errInvalidCall);
    EXPECT_VB_ERROR(vb::Right("abc", -1), vb::errInvalidCall);
}

TEST(Replace, ReplacesLeftToRightWithoutOverlap) {
    EXPECT_EQ(vb::Replace("aaa", "aa", "b"), "ba");
    EXPECT_EQ(vb::Replace("a\x87"
                          "b\x87",
                          "\x87", "\x6A\x64\x73\x0C\x37\x1F"),
              "a\x6A\x64\x73\x0C\x37\x1F"
              "b\x6A\x64\x73\x0C\x37\x1F");
    EXPECT_EQ(vb::Replace("abc", "", "x"), "abc");
    EXPECT_EQ(vb::Replace("abc", "b", ""), "ac");
    EXPECT_EQ(vb::Replace("", "a", "b"), "");
    // The replacement is not searched again.
    EXPECT_EQ(vb::Replace("ab", "a", "aa"), "aab");
}

}  // namespace
