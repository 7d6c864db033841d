// Checks the shipped English language file and help text with a reader of
// their own, written from the file rules rather than taken from the
// program's loader, so a fault in either shows up here.
#include <gtest/gtest.h>

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "TempDir.h"

namespace {

std::string Resource(const std::string& relative) {
    return qpmtest::ReadBytes(std::string(QPM_SOURCE_DIR) + "/resources/" + relative);
}

// A character that shows as itself in Windows-1252 text: printable ASCII or
// one of the code page's defined upper bytes. Control characters, DEL and
// the five bytes the code page leaves undefined are refused.
bool IsCp1252TextByte(unsigned char c) {
    if (c < 0x20 || c == 0x7F) return false;
    return c != 0x81 && c != 0x8D && c != 0x8F && c != 0x90 && c != 0x9D;
}

// Splits text whose every line ends in CR LF. A lone CR or LF, a last line
// without its CR LF, or a byte that is no Windows-1252 text is an error.
::testing::AssertionResult SplitCrLfLines(const std::string& bytes, std::vector<std::string>& lines) {
    lines.clear();
    std::string line;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            lines.push_back(line);
            line.clear();
            ++i;
        } else if (!IsCp1252TextByte(c)) {
            return ::testing::AssertionFailure()
                   << "line " << lines.size() + 1 << ": byte 0x" << std::hex << int(c) << " at offset " << std::dec << i
                   << " is no text byte or a line end other than CR LF";
        } else {
            line += static_cast<char>(c);
        }
    }
    if (!line.empty()) return ::testing::AssertionFailure() << "the last line has no CR LF";
    return ::testing::AssertionSuccess();
}

bool IsDecimal(const std::string& s) {
    if (s.empty() || s.size() > 6) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

struct LanguageFile {
    long count = 0;
    std::map<long, std::string> texts;
};

// Reads a language file: the count N on the first line, then comment lines
// starting with "#" and text lines "n=text" (only the first "=" separates).
// Stricter than the loader where a shipped file must be: no number twice.
::testing::AssertionResult ParseLanguageFile(const std::string& bytes, LanguageFile& out) {
    out = {};
    std::vector<std::string> lines;
    if (auto split = SplitCrLfLines(bytes, lines); !split) return split;
    if (lines.empty() || !IsDecimal(lines[0])) return ::testing::AssertionFailure() << "the first line is no count";
    out.count = std::stol(lines[0]);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (!line.empty() && line[0] == '#') continue;
        const auto eq = line.find('=');
        const std::string number = line.substr(0, eq);
        if (eq == std::string::npos || !IsDecimal(number))
            return ::testing::AssertionFailure() << "line " << i + 1 << " is neither a comment nor n=text: " << line;
        const long n = std::stol(number);
        if (n < 1 || n > out.count)
            return ::testing::AssertionFailure() << "line " << i + 1 << ": number " << n << " outside 1.." << out.count;
        if (!out.texts.emplace(n, line.substr(eq + 1)).second)
            return ::testing::AssertionFailure() << "line " << i + 1 << ": number " << n << " given twice";
    }
    return ::testing::AssertionSuccess();
}

TEST(LanguageFileReader, RefusesBrokenFiles) {
    struct Case {
        const char* what;
        std::string bytes;
    };
    const std::vector<Case> broken = {
        {"bare LF", "2\r\n1=a\n2=b\r\n"},
        {"no CR LF at the end", "2\r\n1=a\r\n2=b"},
        {"empty line", "2\r\n1=a\r\n\r\n2=b\r\n"},
        {"no equals sign", "2\r\n1=a\r\n2 b\r\n"},
        {"number above the count", "2\r\n1=a\r\n3=b\r\n"},
        {"number zero", "2\r\n0=a\r\n2=b\r\n"},
        {"number twice", "2\r\n1=a\r\n1=b\r\n"},
        {"count not a number", "two\r\n1=a\r\n"},
        {"tab in a text", "1\r\n1=a\tb\r\n"},
        {"undefined code-page byte", "1\r\n1=a\x81\r\n"},
    };
    for (const auto& c : broken) {
        LanguageFile file;
        EXPECT_FALSE(ParseLanguageFile(c.bytes, file)) << c.what;
    }
    LanguageFile file;
    ASSERT_TRUE(ParseLanguageFile("3\r\n# comment\r\n2=x = y \r\n1=\xE9t\xE9\r\n", file));
    EXPECT_EQ(file.count, 3);
    EXPECT_EQ(file.texts.at(2), "x = y ");
    EXPECT_EQ(file.texts.at(1), "\xE9t\xE9");
}

class EnglishLanguageFile : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(ParseLanguageFile(Resource("Languages/English.lng"), file_)); }
    LanguageFile file_;
};

TEST_F(EnglishLanguageFile, CountIsTheHighestNumberAndEveryTextIsClean) {
    ASSERT_FALSE(file_.texts.empty());
    EXPECT_EQ(file_.count, file_.texts.rbegin()->first);
    for (const auto& [n, text] : file_.texts) {
        EXPECT_FALSE(text.empty()) << n;
        // The loader keeps blanks, so a stray one would show in the window.
        EXPECT_NE(text.front(), ' ') << n;
        EXPECT_NE(text.back(), ' ') << n;
    }
}

TEST_F(EnglishLanguageFile, KnownTextsReadAsTheWindowsShowThem) {
    const std::map<long, std::string> known = {
        {24, "Cancel"},
        {25, "Ok"},
        {26, "File"},
        {30, "Add New User"},
        {54, "Find"},
        {74, "Case sensetive"},
        {89, "Lenght:"},
        {108, "Enter password"},
        {119, "Copy Password"},
        {123, "Show"},
        {141, "Unload User"},
        {143, "Install to Removeable Device"},
        {146, "Backuped Databases:"},
        {148, "Load this user afret adding"},
        {149, "(For demo user SampleUser password is \"58203716\")"},
        // Field captions: the value box and the entry labels add the ":".
        {13, "Title"},
        {16, "Desription"},
        {63, "Confirm password"},
    };
    for (const auto& [n, text] : known) {
        const auto it = file_.texts.find(n);
        ASSERT_NE(it, file_.texts.end()) << n;
        EXPECT_EQ(it->second, text) << n;
    }
}

TEST(HelpText, IsCrLfCodePageTextThatNamesTheSampleUser) {
    const std::string bytes = Resource("readme.txt");
    std::vector<std::string> lines;
    ASSERT_TRUE(SplitCrLfLines(bytes, lines));
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(bytes.find("SampleUser"), std::string::npos);
    EXPECT_NE(bytes.find("58203716"), std::string::npos);
}

}  // namespace
