#include "platform/VbStrings.h"

#include <locale.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "platform/CodePage.h"
#include "platform/VbError.h"

namespace vb {

namespace {

constexpr char kBlank = ' ';

// Text of a double as the runtime gives it: up to 15 significant digits, no
// trailing zeros, and "1E+20" / "1E-05" once the decimal exponent leaves the
// range of the fixed form. Always "." as the decimal point: stored files must
// not depend on the user's locale.
std::string FormatDouble(double d) {
    if (std::isnan(d)) {
        return "NaN";
    }
    if (std::isinf(d)) {
        return d < 0 ? "-Infinity" : "Infinity";
    }
    if (d == 0.0) {
        return "0";  // also for -0.0
    }
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::general, 15);
    std::string out(buf, res.ptr);
    for (char& c : out) {
        if (c == 'e') {
            c = 'E';
        }
    }
    return out;
}

bool IsValSkipped(char c) { return c == ' ' || c == '\t' || c == '\n'; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// A decimal number in canonical form ("-12.5e3") read independently of the
// process locale. Raises 6 when it does not fit in a double.
double ParseDecimal(const std::string& text) {
    static locale_t cLocale = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(nullptr));
    char* end = nullptr;
    double v = cLocale ? strtod_l(text.c_str(), &end, cLocale) : std::strtod(text.c_str(), &end);
    if (std::isinf(v)) {
        Raise(errOverflow);
    }
    return v;
}

// Reads "&H..." or "&O..." digits from `digits` (the characters after the
// prefix letter). The runtime keeps such literals in 32 bits, so 8 hex or
// 11 octal digits are read as a signed 32-bit value ("&HFFFFFFFF" is -1);
// a value wider than 32 bits is an overflow.
double RadixValue(const std::string& digits, int radix) {
    std::uint64_t value = 0;
    for (char c : digits) {
        int dv = HexDigit(c);
        if (dv < 0 || dv >= radix) {
            break;
        }
        value = value * static_cast<unsigned>(radix) + static_cast<unsigned>(dv);
        if (value > 0xFFFFFFFFull) {
            Raise(errOverflow);
        }
    }
    return static_cast<double>(static_cast<std::int32_t>(static_cast<std::uint32_t>(value)));
}

// The number at the start of `s` (already stripped of what Val skips):
// the canonical decimal text, or nothing when no digit starts it.
// `used` receives how many characters the number took.
bool ScanDecimal(std::string_view s, std::string& canonical, std::size_t& used) {
    std::size_t i = 0;
    canonical.clear();
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        if (s[i] == '-') {
            canonical.push_back('-');
        }
        ++i;
    }
    std::size_t mantissaDigits = 0;
    while (i < s.size() && IsDigit(s[i])) {
        canonical.push_back(s[i++]);
        ++mantissaDigits;
    }
    if (i < s.size() && s[i] == '.') {
        std::size_t fracStart = i + 1;
        std::size_t j = fracStart;
        while (j < s.size() && IsDigit(s[j])) {
            ++j;
        }
        if (j > fracStart || mantissaDigits > 0) {
            if (mantissaDigits == 0) {
                canonical.push_back('0');
            }
            canonical.push_back('.');
            canonical.append(s.substr(fracStart, j - fracStart));
            mantissaDigits += j - fracStart;
            i = j;
        }
    }
    if (mantissaDigits == 0) {
        return false;
    }
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
        std::size_t j = i + 1;
        std::string exp = "e";
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) {
            exp.push_back(s[j]);
            ++j;
        }
        std::size_t expStart = j;
        while (j < s.size() && IsDigit(s[j])) {
            ++j;
        }
        if (j > expStart) {
            // Very long exponents: strtod saturates them correctly.
            exp.append(s.substr(expStart, j - expStart));
            canonical += exp;
            i = j;
        }
    }
    used = i;
    return true;
}

// The numeric value of a whole text, as the runtime converts a text to a
// number: blanks and tabs around it, a decimal number or an &H/&O literal.
// Raises 13 when the text is no number.
double TextToNumber(std::string_view s) {
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) {
        ++b;
    }
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) {
        --e;
    }
    std::string_view t = s.substr(b, e - b);
    if (t.size() >= 3 && t[0] == '&' && (t[1] == 'H' || t[1] == 'h' || t[1] == 'O' || t[1] == 'o')) {
        int radix = (t[1] == 'H' || t[1] == 'h') ? 16 : 8;
        std::string digits(t.substr(2));
        for (char c : digits) {
            int dv = HexDigit(c);
            if (dv < 0 || dv >= radix) {
                Raise(errTypeMismatch);
            }
        }
        return RadixValue(digits, radix);
    }
    std::string canonical;
    std::size_t used = 0;
    if (!ScanDecimal(t, canonical, used) || used != t.size()) {
        Raise(errTypeMismatch);
    }
    return ParseDecimal(canonical);
}

std::string_view Clip(std::string_view s, std::size_t b, std::size_t n) {
    if (b >= s.size()) {
        return {};
    }
    return s.substr(b, n);
}

}  // namespace

std::string Trim(std::string_view s) { return LTrim(RTrim(s)); }

std::string LTrim(std::string_view s) {
    std::size_t b = 0;
    while (b < s.size() && s[b] == kBlank) {
        ++b;
    }
    return std::string(s.substr(b));
}

std::string RTrim(std::string_view s) {
    std::size_t e = s.size();
    while (e > 0 && s[e - 1] == kBlank) {
        --e;
    }
    return std::string(s.substr(0, e));
}

std::string Str(std::int64_t n) { return n >= 0 ? " " + std::to_string(n) : std::to_string(n); }

std::string Str(double d) {
    std::string t = FormatDouble(d);
    // Str writes fractions without their leading zero: Str(0.5) = " .5".
    if (t.size() > 1 && t[0] == '0' && t[1] == '.') {
        t.erase(0, 1);
    } else if (t.size() > 2 && t[0] == '-' && t[1] == '0' && t[2] == '.') {
        t.erase(1, 1);
    }
    return t[0] == '-' ? t : " " + t;
}

std::string CStr(std::int64_t n) { return std::to_string(n); }

std::string CStr(double d) { return FormatDouble(d); }

double Val(std::string_view s) {
    std::string t;
    t.reserve(s.size());
    for (char c : s) {
        if (!IsValSkipped(c)) {
            t.push_back(c);
        }
    }
    if (t.size() >= 2 && t[0] == '&') {
        if (t[1] == 'H' || t[1] == 'h') {
            return RadixValue(t.substr(2), 16);
        }
        if (t[1] == 'O' || t[1] == 'o') {
            return RadixValue(t.substr(2), 8);
        }
        return 0;
    }
    std::string canonical;
    std::size_t used = 0;
    if (!ScanDecimal(t, canonical, used)) {
        return 0;
    }
    return ParseDecimal(canonical);
}

std::int32_t CLng(double d) {
    // nearbyint rounds halves to even in the default rounding mode.
    double r = std::nearbyint(d);
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) {
        Raise(errOverflow);
    }
    return static_cast<std::int32_t>(r);
}

std::int16_t CInt(double d) {
    double r = std::nearbyint(d);
    if (!(r >= -32768.0 && r <= 32767.0)) {
        Raise(errOverflow);
    }
    return static_cast<std::int16_t>(r);
}

std::int32_t CLng(std::string_view s) { return CLng(TextToNumber(s)); }

std::int16_t CInt(std::string_view s) { return CInt(TextToNumber(s)); }

std::int64_t InStr(std::int64_t start, std::string_view s, std::string_view what) {
    if (start < 1) {
        Raise(errInvalidCall);
    }
    const auto len = static_cast<std::int64_t>(s.size());
    if (what.empty()) {
        return start <= len + 1 ? start : 0;
    }
    if (start > len) {
        return 0;
    }
    std::size_t p = s.find(what, static_cast<std::size_t>(start - 1));
    return p == std::string_view::npos ? 0 : static_cast<std::int64_t>(p) + 1;
}

std::string Mid(std::string_view s, std::int64_t start, std::int64_t length) {
    if (start < 1) {
        Raise(errInvalidCall);
    }
    const auto b = static_cast<std::uint64_t>(start - 1);
    if (b >= s.size()) {
        return {};
    }
    std::size_t n = length < 0 ? std::string_view::npos : static_cast<std::size_t>(length);
    return std::string(Clip(s, static_cast<std::size_t>(b), n));
}

std::string Left(std::string_view s, std::int64_t length) {
    if (length < 0) {
        Raise(errInvalidCall);
    }
    return std::string(s.substr(0, static_cast<std::size_t>(std::min<std::uint64_t>(length, s.size()))));
}

std::string Right(std::string_view s, std::int64_t length) {
    if (length < 0) {
        Raise(errInvalidCall);
    }
    std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(length, s.size()));
    return std::string(s.substr(s.size() - n));
}

std::string UCase(std::string_view s) { return plat::AnsiCodePage().UCase(s); }

std::string LCase(std::string_view s) { return plat::AnsiCodePage().LCase(s); }

std::string Replace(std::string_view s, std::string_view from, std::string_view to) {
    if (from.empty()) {
        return std::string(s);
    }
    std::string out;
    out.reserve(s.size());
    std::size_t pos = 0;
    for (;;) {
        std::size_t hit = s.find(from, pos);
        if (hit == std::string_view::npos) {
            out.append(s.substr(pos));
            return out;
        }
        out.append(s.substr(pos, hit - pos));
        out.append(to);
        pos = hit + from.size();
    }
}

}  // namespace vb
