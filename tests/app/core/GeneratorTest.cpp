// Random passwords: length, alphabet, the share of each character class, and
// independence of calls.
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <set>
#include <string>

#include "CoreTestSupport.h"
#include "app/core/modMainDisplay.h"
#include "app/trace/Dump.h"

namespace {

class Generator : public coretest::CoreTest {};

TEST_F(Generator, ALengthBelowOneGivesNothing) {
    EXPECT_EQ(modMain::GeneratePassword(0).str(), "");
    EXPECT_EQ(modMain::GeneratePassword(-5).str(), "");
}

TEST_F(Generator, GivesTheLengthAskedFromDigitsAndLetters) {
    for (std::int32_t n : {1, 8, 12, 99}) {
        const std::string p = modMain::GeneratePassword(n).str();
        EXPECT_EQ(p.size(), static_cast<std::size_t>(n));
        for (char c : p) EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c))) << p;
    }
}

TEST_F(Generator, DrawsEveryDigitAndLetterInTheIntendedShares) {
    constexpr int kChars = 40000;
    const std::string p = modMain::GeneratePassword(kChars).str();
    std::map<char, int> seen;
    int digits = 0, lower = 0, upper = 0;
    for (char c : p) {
        ++seen[c];
        if (c >= '0' && c <= '9') ++digits;
        if (c >= 'a' && c <= 'z') ++lower;
        if (c >= 'A' && c <= 'Z') ++upper;
    }
    EXPECT_EQ(digits + lower + upper, kChars);
    EXPECT_NEAR(digits / double(kChars), 0.30, 0.02);
    EXPECT_NEAR(lower / double(kChars), 0.35, 0.02);
    EXPECT_NEAR(upper / double(kChars), 0.35, 0.02);
    // 10 + 26 + 26 characters, "9", "z" and "Z" among them.
    EXPECT_EQ(seen.size(), 62u);
    for (char c : {'9', 'z', 'Z'}) EXPECT_GT(seen[c], 0) << c;
    // Within a class every character is about equally likely.
    for (char c = '0'; c <= '9'; ++c) EXPECT_NEAR(seen[c], digits / 10.0, digits / 10.0 * 0.25) << c;
    for (char c = 'a'; c <= 'z'; ++c) EXPECT_NEAR(seen[c], lower / 26.0, lower / 26.0 * 0.35) << c;
}

TEST_F(Generator, CallsInTheSameSecondDiffer) {
    std::set<std::string> passwords;
    for (int i = 0; i < 50; ++i) passwords.insert(modMain::GeneratePassword(12).str());
    EXPECT_EQ(passwords.size(), 50u);
}

TEST_F(Generator, TheResultIsHiddenInAReport) {
    const trace::Secret p = modMain::GeneratePassword(12);
    const std::string dump = trace::DumpVariable("LastGenPasw", p);
    EXPECT_NE(dump.find("{Hidden}"), std::string::npos);
    EXPECT_EQ(dump.find(p.str()), std::string::npos);
}

}  // namespace
