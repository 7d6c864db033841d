#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/RegistryHiveFormat.h"

namespace {

using namespace plat::reg_internal;

const std::string kHead = "QuellonPM registry hive 1\n";

TEST(RegistryHiveFormat, EscapesOnlyPercentAndControlBytes) {
    struct Case {
        std::string plain;
        std::string escaped;
    };
    const Case cases[] = {
        {"", ""},
        {"plain text", "plain text"},
        {"100%", "100%25"},
        {"%41", "%2541"},  // an escape-looking text stays text
        {"a\tb\nc\rd", "a%09b%0Ac%0Dd"},
        {std::string("\x00\x1f\x20", 3), "%00%1F "},
        {"\x7f\x80\xff", "%7F\x80\xff"},  // code-page bytes stand as they are
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Escape(c.plain), c.escaped);
        EXPECT_EQ(Unescape(c.escaped), c.plain);
    }
    EXPECT_EQ(Unescape("%0a%7f"), "\n\x7f");  // lower-case hex is read too
}

TEST(RegistryHiveFormat, UnescapeRefusesWhatWeNeverWrite) {
    for (const char* bad : {"%", "%4", "ab%4", "%G1", "%1G", "raw\ttab", "raw\rcr", "\x7f"})
        EXPECT_EQ(Unescape(bad), std::nullopt) << bad;
}

// Each text parsed, then written again: what the store would keep of it.
TEST(RegistryHiveFormat, ParsesWellFormedRecordsAndFlagsTheRest) {
    struct Case {
        std::string text;
        bool damaged;
        std::string kept;  // the records, after the header
    };
    const Case cases[] = {
        {kHead, false, ""},
        {kHead + "K\tA\\B\nS\tA\tn\tv\nD\tA\\B\t\t4294967295\n", false,
         "K\tA\nS\tA\tn\tv\nK\tA\\B\nD\tA\\B\t\t4294967295\n"},
        {kHead + "S\t\tn\tv\n", false, "S\t\tn\tv\n"},  // a value of the hive itself
        {"", true, ""},
        {kHead.substr(0, kHead.size() - 1), true, ""},  // the header cut short
        {kHead + "K\tA\nK\tB", true, "K\tA\n"},         // never trusts an unterminated line
        {"S\tA\tn\tv\n", true, "K\tA\nS\tA\tn\tv\n"},   // no header: still reads what parses
        {kHead + "K\t\n", true, ""},
        {kHead + "K\t\\A\n", true, ""},  // only normalised keys
        {kHead + "K\tA\\\\B\n", true, ""},
        {kHead + "K\tA\r\n", true, ""},
        {kHead + "X\tA\n", true, ""},
        {kHead + "S\tA\tn\n", true, ""},
        {kHead + "S\tA\tn\tv\textra\n", true, ""},
        {kHead + "D\tA\tn\t4294967296\n", true, ""},
        {kHead + "D\tA\tn\t-1\n", true, ""},
        {kHead + "D\tA\tn\t\n", true, ""},
        {kHead + "S\tA\tn\t%4\nK\tB\n", true, "K\tB\n"},  // one bad line loses only itself
    };
    for (const Case& c : cases) {
        ParsedHive parsed = ParseHive(c.text);
        EXPECT_EQ(parsed.damaged, c.damaged) << c.text;
        EXPECT_EQ(SerializeHive(parsed.data), kHead + c.kept) << c.text;
    }
}

TEST(RegistryHiveFormat, SerializedHiveReadsBackUnchanged) {
    HiveData hive;
    std::string awkward;
    for (int c = 0; c < 256; ++c) awkward += static_cast<char>(c);
    SetValue(hive.Create("Key\twith\\odd %25 parts\x87"), "name\n%", awkward);
    SetValue(hive.Create("Key\twith"), "", std::uint32_t{0});
    SetValue(hive.Create(""), "top", "level");
    hive.Create("Empty");
    std::string text = SerializeHive(hive);
    ParsedHive parsed = ParseHive(text);
    EXPECT_FALSE(parsed.damaged);
    EXPECT_EQ(SerializeHive(parsed.data), text);
    Key* key = parsed.data.Find("KEY\tWITH\\ODD %25 PARTS\x87");
    ASSERT_NE(key, nullptr);
    ASSERT_NE(FindValue(*key, "NAME\n%"), nullptr);
    EXPECT_EQ(FindValue(*key, "NAME\n%")->data, plat::RegValue{awkward});
}

}  // namespace
