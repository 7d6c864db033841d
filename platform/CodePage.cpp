#include "platform/CodePage.h"

#include <iconv.h>
#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

namespace plat {

namespace {

constexpr int kFirstPage = 1250;
constexpr int kLastPage = 1258;
constexpr char32_t kPrivateBase = 0xF700;
constexpr char32_t kReplacement = 0xFFFD;

// One byte alone through iconv, or nothing when iconv leaves it undefined.
// Converting each byte alone, with the state flushed, keeps cp1255 and
// cp1258 from holding a base letter back to compose it with the next byte.
std::optional<char32_t> IconvByte(iconv_t cd, unsigned char byte) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char in[1] = {static_cast<char>(byte)};
    char out[16];
    char* inp = in;
    std::size_t inLeft = 1;
    char* outp = out;
    std::size_t outLeft = sizeof out;
    if (iconv(cd, &inp, &inLeft, &outp, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0) {
        return std::nullopt;
    }
    if (iconv(cd, nullptr, nullptr, &outp, &outLeft) == static_cast<std::size_t>(-1)) {
        return std::nullopt;
    }
    // Exactly one UTF-32 character: a byte that expands to more would not
    // round-trip.
    if (outp - out != 4) {
        return std::nullopt;
    }
    char32_t ch = 0;
    std::memcpy(&ch, out, 4);
    return ch;
}

// The character of an undefined byte, as Windows decodes it.
char32_t UndefinedByte(unsigned char byte) {
    return (byte >= 0x80 && byte <= 0x9F) ? char32_t{byte} : kPrivateBase + byte;
}

locale_t UnicodeCaseLocale() {
    static locale_t loc = [] {
        locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
        if (!l) {
            l = newlocale(LC_CTYPE_MASK, "C.utf8", static_cast<locale_t>(nullptr));
        }
        return l;
    }();
    return loc;
}

char32_t CaseMap(char32_t ch, bool upper) {
    if (ch < 0x80) {
        if (upper && ch >= 'a' && ch <= 'z') {
            return ch - 32;
        }
        if (!upper && ch >= 'A' && ch <= 'Z') {
            return ch + 32;
        }
        return ch;
    }
    locale_t loc = UnicodeCaseLocale();
    if (!loc) {
        return ch;  // without a Unicode locale only ASCII letters change case
    }
    return static_cast<char32_t>(upper ? towupper_l(static_cast<wint_t>(ch), loc)
                                       : towlower_l(static_cast<wint_t>(ch), loc));
}

void AppendUtf8(std::string& out, char32_t ch) {
    if (ch < 0x80) {
        out.push_back(static_cast<char>(ch));
    } else if (ch < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (ch >> 6)));
        out.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
    } else if (ch < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (ch >> 12)));
        out.push_back(static_cast<char>(0x80 | ((ch >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (ch >> 18)));
        out.push_back(static_cast<char>(0x80 | ((ch >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((ch >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
    }
}

// The next character of strict UTF-8 (no overlong forms, surrogates or values
// above U+10FFFF); an invalid sequence gives U+FFFD and skips one byte.
char32_t NextUtf8(std::string_view s, std::size_t& i, bool& valid) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    valid = true;
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    std::size_t len = 0;
    char32_t ch = 0;
    char32_t min = 0;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2;
        ch = b0 & 0x1F;
        min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3;
        ch = b0 & 0x0F;
        min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4;
        ch = b0 & 0x07;
        min = 0x10000;
    }
    if (len == 0 || i + len > s.size()) {
        valid = false;
        ++i;
        return kReplacement;
    }
    for (std::size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            valid = false;
            ++i;
            return kReplacement;
        }
        ch = (ch << 6) | (b & 0x3F);
    }
    if (ch < min || ch > 0x10FFFF || (ch >= 0xD800 && ch <= 0xDFFF)) {
        valid = false;
        ++i;
        return kReplacement;
    }
    i += len;
    return ch;
}

// The code page Windows gives a language (ISO 639 code of a POSIX locale
// name such as "ru_RU.UTF-8" or "sr_RS@latin"), 0 when it has none of its own.
int PageOfLocale(std::string_view name) {
    std::size_t end = name.find_first_of("_.@");
    std::string_view lang = name.substr(0, end);
    std::string_view modifier;
    if (auto at = name.find('@'); at != std::string_view::npos) {
        modifier = name.substr(at + 1);
    }
    auto in = [&](std::initializer_list<std::string_view> list) {
        return std::find(list.begin(), list.end(), lang) != list.end();
    };
    // Scripts written either way follow the modifier.
    if (lang == "sr") {
        return modifier == "latin" ? 1250 : 1251;
    }
    if (lang == "bs") {
        return modifier == "cyrillic" ? 1251 : 1250;
    }
    if (lang == "az" || lang == "uz") {
        return modifier == "cyrillic" ? 1251 : 1254;
    }
    if (in({"cs", "hu", "pl", "ro", "hr", "sk", "sl", "sq", "tk"})) {
        return 1250;
    }
    if (in({"ru", "uk", "be", "bg", "mk", "kk", "ky", "tt", "mn", "ba", "tg", "sah"})) {
        return 1251;
    }
    if (lang == "el") {
        return 1253;
    }
    if (lang == "tr") {
        return 1254;
    }
    if (lang == "he" || lang == "iw") {
        return 1255;
    }
    if (in({"ar", "fa", "ur", "ug"})) {
        return 1256;
    }
    if (in({"et", "lv", "lt"})) {
        return 1257;
    }
    if (lang == "vi") {
        return 1258;
    }
    return 0;
}

const char* SetEnv(const char* name) {
    const char* v = std::getenv(name);
    return (v && *v) ? v : nullptr;
}

std::atomic<const CodePage*> g_current{nullptr};
std::mutex g_chooseMutex;

}  // namespace

CodePage::CodePage(int number) : number_(number) {
    std::string name = "CP" + std::to_string(number);
    iconv_t cd = iconv_open("UTF-32LE", name.c_str());
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        std::optional<char32_t> ch;
        if (b < 0x80) {
            ch = char32_t(b);  // ASCII in every page
        } else if (cd != reinterpret_cast<iconv_t>(-1)) {
            ch = IconvByte(cd, byte);
        }
        toUnicode_[byte] = ch ? *ch : UndefinedByte(byte);
    }
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        // Without the converter every upper byte reads as its undefined
        // character: the text shows wrong, but every stored byte survives.
        std::fprintf(stderr, "QuellonPM: no converter for code page %d\n", number);
    } else {
        iconv_close(cd);
    }

    // Two bytes must never share a character; should a converter ever map two
    // bytes alike, the later one falls back to its own private character.
    for (int b = 0x80; b < 256; ++b) {
        for (int a = 0; a < b; ++a) {
            if (toUnicode_[a] == toUnicode_[b]) {
                toUnicode_[b] = kPrivateBase + static_cast<char32_t>(b);
                break;
            }
        }
    }
    for (int b = 0x80; b < 256; ++b) {
        fromUnicode_.emplace_back(toUnicode_[b], static_cast<unsigned char>(b));
    }
    std::sort(fromUnicode_.begin(), fromUnicode_.end());

    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        upper_[byte] = FromUnicode(CaseMap(toUnicode_[byte], true)).value_or(byte);
        lower_[byte] = FromUnicode(CaseMap(toUnicode_[byte], false)).value_or(byte);
    }
}

const CodePage* CodePage::Get(int number) {
    if (number < kFirstPage || number > kLastPage) {
        return nullptr;
    }
    static std::once_flag once[kLastPage - kFirstPage + 1];
    static std::unique_ptr<CodePage> pages[kLastPage - kFirstPage + 1];
    const int i = number - kFirstPage;
    std::call_once(once[i], [&] { pages[i] = std::make_unique<CodePage>(number); });
    return pages[i].get();
}

std::optional<unsigned char> CodePage::FromUnicode(char32_t ch) const noexcept {
    if (ch < 0x80) {
        return static_cast<unsigned char>(ch);
    }
    auto it =
        std::lower_bound(fromUnicode_.begin(), fromUnicode_.end(), std::make_pair(ch, static_cast<unsigned char>(0)));
    if (it != fromUnicode_.end() && it->first == ch) {
        return it->second;
    }
    return std::nullopt;
}

std::string CodePage::AnsiToUtf8(std::string_view ansi) const {
    std::string out;
    out.reserve(ansi.size());
    for (char c : ansi) {
        AppendUtf8(out, toUnicode_[static_cast<unsigned char>(c)]);
    }
    return out;
}

std::optional<std::string> CodePage::Utf8ToAnsi(std::string_view utf8, std::u32string* unmappable) const {
    std::string out;
    out.reserve(utf8.size());
    bool ok = true;
    for (std::size_t i = 0; i < utf8.size();) {
        bool valid = true;
        char32_t ch = NextUtf8(utf8, i, valid);
        std::optional<unsigned char> b = valid ? FromUnicode(ch) : std::nullopt;
        if (b) {
            out.push_back(static_cast<char>(*b));
            continue;
        }
        ok = false;
        if (!unmappable) {
            return std::nullopt;
        }
        if (unmappable->find(ch) == std::u32string::npos) {
            unmappable->push_back(ch);
        }
    }
    if (!ok) {
        return std::nullopt;
    }
    return out;
}

std::string CodePage::Utf8ToAnsiLossy(std::string_view utf8) const {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        bool valid = true;
        char32_t ch = NextUtf8(utf8, i, valid);
        std::optional<unsigned char> b = valid ? FromUnicode(ch) : std::nullopt;
        out.push_back(b ? static_cast<char>(*b) : '?');
    }
    return out;
}

std::string CodePage::UCase(std::string_view ansi) const {
    std::string out(ansi);
    for (char& c : out) {
        c = static_cast<char>(upper_[static_cast<unsigned char>(c)]);
    }
    return out;
}

std::string CodePage::LCase(std::string_view ansi) const {
    std::string out(ansi);
    for (char& c : out) {
        c = static_cast<char>(lower_[static_cast<unsigned char>(c)]);
    }
    return out;
}

int ChooseAnsiCodePage() {
    if (const char* v = SetEnv("QUELLON_CODEPAGE")) {
        char* end = nullptr;
        long n = std::strtol(v, &end, 10);
        if (end != v && *end == '\0' && n >= kFirstPage && n <= kLastPage) {
            return static_cast<int>(n);
        }
    }
    for (const char* var : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        if (const char* v = SetEnv(var)) {
            int page = PageOfLocale(v);
            return page ? page : 1252;
        }
    }
    return 1252;
}

const CodePage& AnsiCodePage() {
    const CodePage* cp = g_current.load(std::memory_order_acquire);
    if (!cp) {
        std::lock_guard lock(g_chooseMutex);
        cp = g_current.load(std::memory_order_acquire);
        if (!cp) {
            cp = CodePage::Get(ChooseAnsiCodePage());
            g_current.store(cp, std::memory_order_release);
        }
    }
    return *cp;
}

void SetAnsiCodePageForTests(int number) {
    std::lock_guard lock(g_chooseMutex);
    const CodePage* cp = CodePage::Get(number == 0 ? ChooseAnsiCodePage() : number);
    if (cp) {
        g_current.store(cp, std::memory_order_release);
    }
}

std::string AnsiToUtf8(std::string_view ansi) { return AnsiCodePage().AnsiToUtf8(ansi); }

std::optional<std::string> Utf8ToAnsi(std::string_view utf8, std::u32string* unmappable) {
    return AnsiCodePage().Utf8ToAnsi(utf8, unmappable);
}

std::string Utf8ToAnsiLossy(std::string_view utf8) { return AnsiCodePage().Utf8ToAnsiLossy(utf8); }

}  // namespace plat
