#include <gtest/gtest.h>
#include <stdlib.h>

#include <map>
#include <optional>
#include <set>
#include <string>

#include "platform/CodePage.h"
#include "platform/VbStrings.h"

namespace {

const int kPages[] = {1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258};

std::string AllBytes() {
    std::string s;
    for (int b = 0; b < 256; ++b) s.push_back(static_cast<char>(b));
    return s;
}

TEST(CodePage, EveryByteDecodesToItsOwnCharacterAndBack) {
    for (int n : kPages) {
        SCOPED_TRACE(n);
        const plat::CodePage* cp = plat::CodePage::Get(n);
        ASSERT_NE(cp, nullptr);
        EXPECT_EQ(cp->Number(), n);
        std::set<char32_t> seen;
        for (int b = 0; b < 256; ++b) {
            const auto byte = static_cast<unsigned char>(b);
            char32_t ch = cp->ToUnicode(byte);
            EXPECT_TRUE(seen.insert(ch).second) << "byte " << b << " shares its character";
            EXPECT_EQ(cp->FromUnicode(ch), std::optional<unsigned char>(byte)) << "byte " << b;
        }
        // The same through UTF-8 text.
        auto back = cp->Utf8ToAnsi(cp->AnsiToUtf8(AllBytes()));
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(*back, AllBytes());
    }
}

TEST(CodePage, KnownCharacters) {
    struct Case {
        int page;
        unsigned char byte;
        char32_t ch;
    };
    const Case cases[] = {
        // The separator is the double dagger in every page.
        {1250, 0x87, 0x2021},
        {1251, 0x87, 0x2021},
        {1252, 0x87, 0x2021},
        {1253, 0x87, 0x2021},
        {1254, 0x87, 0x2021},
        {1255, 0x87, 0x2021},
        {1256, 0x87, 0x2021},
        {1257, 0x87, 0x2021},
        {1258, 0x87, 0x2021},
        {1252, 0x41, U'A'},
        {1252, 0x00, 0x0000},
        {1252, 0x80, 0x20AC},
        {1252, 0xE9, 0x00E9},
        {1252, 0x9F, 0x0178},
        {1251, 0xC0, 0x0410},
        {1251, 0xA8, 0x0401},
        {1250, 0x8A, 0x0160},
        {1253, 0xC1, 0x0391},
        {1255, 0xE0, 0x05D0},
        {1256, 0xC7, 0x0627},
        {1258, 0xC3, 0x0102},
        {1258, 0x61, U'a'},  // a base letter alone, not held back for composition
        // Undefined bytes: C1 control for 0x80-0x9F, private use beyond.
        {1252, 0x81, 0x0081},
        {1252, 0x8D, 0x008D},
        {1252, 0x8F, 0x008F},
        {1252, 0x90, 0x0090},
        {1252, 0x9D, 0x009D},
        {1251, 0x98, 0x0098},
        {1253, 0xAA, 0xF7AA},
        {1253, 0xFF, 0xF7FF},
        {1255, 0xFB, 0xF7FB},
        {1257, 0xA1, 0xF7A1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(plat::CodePage::Get(c.page)->ToUnicode(c.byte), c.ch) << "page " << c.page << " byte " << int(c.byte);
    }
    EXPECT_EQ(plat::CodePage::Get(1249), nullptr);
    EXPECT_EQ(plat::CodePage::Get(1259), nullptr);
    EXPECT_EQ(plat::CodePage::Get(65001), nullptr);
}

TEST(CodePage, Utf8ToAnsiRefusesWhatThePageLacksAndReportsIt) {
    const plat::CodePage& cp1252 = *plat::CodePage::Get(1252);
    EXPECT_EQ(cp1252.Utf8ToAnsi("caf\xC3\xA9 \xE2\x82\xAC\xE2\x80\xA1"), std::string("caf\xE9 \x80\x87"));

    // "пароль" with a Latin "x": Cyrillic is not in cp1252. Refused, never
    // substituted, so two different passwords cannot become the same bytes.
    const std::string russian = "\xD0\xBF\xD0\xB0x\xD0\xBF";
    std::u32string bad;
    EXPECT_EQ(cp1252.Utf8ToAnsi(russian, &bad), std::nullopt);
    EXPECT_EQ(bad, std::u32string(U"\u043F\u0430"));
    EXPECT_EQ(cp1252.Utf8ToAnsi(russian), std::nullopt);
    EXPECT_EQ(cp1252.Utf8ToAnsiLossy(russian), "??x?");
    EXPECT_EQ(plat::CodePage::Get(1251)->Utf8ToAnsi(russian), std::string("\xEF\xE0x\xEF"));

    // Characters beyond the BMP and malformed UTF-8 are refused as well.
    std::u32string more;
    EXPECT_EQ(cp1252.Utf8ToAnsi("a\xF0\x9F\x94\x91", &more), std::nullopt);
    EXPECT_EQ(more, std::u32string(U"\U0001F511"));
    const char* malformed[] = {"\xC3", "\xC3(", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF", "\x80"};
    for (const char* m : malformed) {
        std::u32string r;
        EXPECT_EQ(cp1252.Utf8ToAnsi(m, &r), std::nullopt) << testing::PrintToString(std::string(m));
        EXPECT_EQ(r, std::u32string(U"\uFFFD"));
        EXPECT_EQ(cp1252.Utf8ToAnsiLossy(std::string("x") + m + "y").front(), 'x');
    }
    EXPECT_EQ(cp1252.Utf8ToAnsi(""), std::string());
}

TEST(CodePage, CaseFoldsThroughThePagesCharacters) {
    const plat::CodePage& cp = *plat::CodePage::Get(1252);
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        unsigned char up = byte;
        unsigned char low = byte;
        if ((b >= 'a' && b <= 'z') || (b >= 0xE0 && b <= 0xFE && b != 0xF7)) up = byte - 0x20;
        if ((b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDE && b != 0xD7)) low = byte + 0x20;
        if (b == 0x9A || b == 0x9C || b == 0x9E) up = byte - 0x10;
        if (b == 0x8A || b == 0x8C || b == 0x8E) low = byte + 0x10;
        if (b == 0xFF) up = 0x9F;
        if (b == 0x9F) low = 0xFF;
        EXPECT_EQ(cp.UpperByte(byte), up) << "byte " << b;
        EXPECT_EQ(cp.LowerByte(byte), low) << "byte " << b;
    }
    // A case partner outside the page leaves the byte alone (sharp s, micro).
    EXPECT_EQ(cp.UCase("\xDF\xB5"), "\xDF\xB5");

    const plat::CodePage& cyr = *plat::CodePage::Get(1251);
    EXPECT_EQ(cyr.UCase("\xEF\xE0\xF0\xEE\xEB\xFC \xB8"), "\xCF\xC0\xD0\xCE\xCB\xDC \xA8");
    EXPECT_EQ(cyr.LCase("\xCF\xC0\xD0\xCE\xCB\xDC \xA8"), "\xEF\xE0\xF0\xEE\xEB\xFC \xB8");
    // Dotless i of Turkish upper-cases to I, whose lower case is the dotted i.
    const plat::CodePage& tr = *plat::CodePage::Get(1254);
    EXPECT_EQ(tr.UpperByte(0xFD), 'I');
    EXPECT_EQ(tr.LowerByte('I'), 'i');
}

// Sets and restores the variables that choose the code page.
class CodePageEnvironment : public testing::Test {
protected:
    static constexpr const char* kVars[] = {"QUELLON_CODEPAGE", "LC_ALL", "LC_CTYPE", "LANG"};

    void SetUp() override {
        for (const char* v : kVars) {
            if (const char* old = getenv(v)) saved_[v] = old;
            unsetenv(v);
        }
    }
    void TearDown() override {
        for (const char* v : kVars) {
            auto it = saved_.find(v);
            if (it == saved_.end()) {
                unsetenv(v);
            } else {
                setenv(v, it->second.c_str(), 1);
            }
        }
        plat::SetAnsiCodePageForTests(0);
    }
    static void Set(const char* var, const char* value) { setenv(var, value, 1); }

    std::map<std::string, std::string> saved_;
};

TEST_F(CodePageEnvironment, LocaleLanguagePicksThePage) {
    struct Case {
        const char* lang;
        int page;
    };
    const Case cases[] = {
        {"ru_RU.UTF-8", 1251}, {"uk_UA.UTF-8", 1251}, {"be_BY", 1251},       {"bg_BG.UTF-8", 1251},
        {"sr_RS", 1251},       {"mk_MK.UTF-8", 1251}, {"sr_RS@latin", 1250}, {"cs_CZ.UTF-8", 1250},
        {"hu_HU", 1250},       {"pl_PL.UTF-8", 1250}, {"ro_RO", 1250},       {"hr_HR", 1250},
        {"sk_SK", 1250},       {"sl_SI", 1250},       {"sq_AL", 1250},       {"bs_BA.UTF-8", 1250},
        {"el_GR.UTF-8", 1253}, {"tr_TR.UTF-8", 1254}, {"az_AZ", 1254},       {"he_IL.UTF-8", 1255},
        {"ar_EG.UTF-8", 1256}, {"fa_IR", 1256},       {"ur_PK", 1256},       {"et_EE.UTF-8", 1257},
        {"lv_LV", 1257},       {"lt_LT.UTF-8", 1257}, {"vi_VN", 1258},       {"en_US.UTF-8", 1252},
        {"de_DE.UTF-8", 1252}, {"C", 1252},           {"POSIX", 1252},       {"C.UTF-8", 1252},
        {"russian", 1252},     {"r", 1252},
    };
    for (const auto& c : cases) {
        Set("LANG", c.lang);
        EXPECT_EQ(plat::ChooseAnsiCodePage(), c.page) << c.lang;
    }
}

TEST_F(CodePageEnvironment, FirstSetVariableWinsAndTheOverrideBeatsThem) {
    EXPECT_EQ(plat::ChooseAnsiCodePage(), 1252);

    Set("LANG", "el_GR.UTF-8");
    Set("LC_CTYPE", "ru_RU.UTF-8");
    EXPECT_EQ(plat::ChooseAnsiCodePage(), 1251);
    Set("LC_ALL", "pl_PL.UTF-8");
    EXPECT_EQ(plat::ChooseAnsiCodePage(), 1250);
    Set("LC_ALL", "");  // an empty variable counts as unset
    EXPECT_EQ(plat::ChooseAnsiCodePage(), 1251);
    // A set variable naming a language without a page of its own gives 1252,
    // whatever the variables after it say.
    Set("LC_CTYPE", "en_GB.UTF-8");
    EXPECT_EQ(plat::ChooseAnsiCodePage(), 1252);

    Set("QUELLON_CODEPAGE", "1257");
    EXPECT_EQ(plat::ChooseAnsiCodePage(), 1257);
    plat::SetAnsiCodePageForTests(0);
    EXPECT_EQ(plat::AnsiCodePage().Number(), 1257);
    EXPECT_EQ(plat::AnsiToUtf8("\xC0"), "\xC4\x84");  // A with ogonek

    // Overrides that are no known page are ignored.
    for (const char* bad : {"65001", "1251x", "", "abc", "-1252", "99999999999999999999"}) {
        Set("QUELLON_CODEPAGE", bad);
        EXPECT_EQ(plat::ChooseAnsiCodePage(), 1252) << bad;
    }
}

TEST_F(CodePageEnvironment, RuntimeCaseFunctionsFollowTheCurrentPage) {
    plat::SetAnsiCodePageForTests(1251);
    EXPECT_EQ(vb::UCase("abc \xE0\xFF"), "ABC \xC0\xDF");
    EXPECT_EQ(plat::Utf8ToAnsi("\xD0\xAF"), std::string("\xDF"));
    plat::SetAnsiCodePageForTests(1252);
    EXPECT_EQ(vb::UCase("abc \xE0\xFF"), "ABC \xC0\x9F");
    EXPECT_EQ(vb::LCase("ABC \xC0\x9F"), "abc \xE0\xFF");
    EXPECT_EQ(plat::Utf8ToAnsi("\xD0\xAF"), std::nullopt);
    EXPECT_EQ(
        plat::Utf8ToAnsiLossy("\xD0\x9D\xD0\xBE\xD0\xB2\xD0\xB0\xD1\x8F \xD0\xBF\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0"),
        "????? ?????");
    plat::SetAnsiCodePageForTests(4242);  // ignored
    EXPECT_EQ(plat::AnsiCodePage().Number(), 1252);
}

}  // namespace
