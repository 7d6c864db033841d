#pragma once
// The ANSI code page: the one-byte character set of stored texts. Each of the
// Windows code pages 1250 ... 1258 is a 256-entry table and its inverse, so
// every byte decodes to exactly one character and that character encodes back
// to the same byte. Bytes the code page leaves undefined decode as Windows
// decodes them: U+0080 + b for the C1 bytes 0x80-0x9F (U+0081 ... in cp1252)
// and the private-use character U+F700 + b for any other.
//
// Which code page is current follows the system locale as on Windows: the
// environment variable QUELLON_CODEPAGE (a number such as 1251) overrides;
// otherwise the language of LC_ALL, LC_CTYPE or LANG (the first that is set)
// picks the page; otherwise 1252.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace plat {

class CodePage {
public:
    // The table of a code page 1250 ... 1258, built once; nullptr for any
    // other number.
    static const CodePage* Get(int number);

    int Number() const noexcept { return number_; }

    char32_t ToUnicode(unsigned char byte) const noexcept { return toUnicode_[byte]; }
    // The byte of a character, or nothing when the page lacks it.
    std::optional<unsigned char> FromUnicode(char32_t ch) const noexcept;

    // Code-page bytes to UTF-8; never fails.
    std::string AnsiToUtf8(std::string_view ansi) const;
    // UTF-8 to code-page bytes. Fails, and never substitutes, when a character
    // is outside the page (or the text is not valid UTF-8, reported as
    // U+FFFD): stored texts and passwords must not collide. Each character
    // that failed is appended to `unmappable` once, in order of appearance.
    std::optional<std::string> Utf8ToAnsi(std::string_view utf8, std::u32string* unmappable = nullptr) const;
    // As Utf8ToAnsi, with "?" for what the page lacks. Only for the program's
    // own fixed texts and for the diagnostic text of an error report, never
    // for what the user enters or what is stored.
    std::string Utf8ToAnsiLossy(std::string_view utf8) const;

    // Case mapping through the page's characters: a byte maps to the byte of
    // its character's simple upper (lower) case when the page has that
    // character, else it stays as it is.
    unsigned char UpperByte(unsigned char byte) const noexcept { return upper_[byte]; }
    unsigned char LowerByte(unsigned char byte) const noexcept { return lower_[byte]; }
    std::string UCase(std::string_view ansi) const;
    std::string LCase(std::string_view ansi) const;

    explicit CodePage(int number);  // use Get()

private:
    int number_;
    std::array<char32_t, 256> toUnicode_{};
    // (character, byte) for the bytes 0x80-0xFF, sorted by character.
    std::vector<std::pair<char32_t, unsigned char>> fromUnicode_;
    std::array<unsigned char, 256> upper_{};
    std::array<unsigned char, 256> lower_{};
};

// The code page chosen from the environment now (QUELLON_CODEPAGE, then the
// locale variables, then 1252).
int ChooseAnsiCodePage();

// The current ANSI code page, chosen from the environment on first use.
const CodePage& AnsiCodePage();

// Makes `number` the current code page (0: choose again from the
// environment). For tests; an unknown number is ignored.
void SetAnsiCodePageForTests(int number);

// The current code page's conversions, for brevity at call sites.
std::string AnsiToUtf8(std::string_view ansi);
std::optional<std::string> Utf8ToAnsi(std::string_view utf8, std::u32string* unmappable = nullptr);
std::string Utf8ToAnsiLossy(std::string_view utf8);

}  // namespace plat
