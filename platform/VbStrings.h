#pragma once
// The string and number conversions of the original runtime that stored
// files and texts depend on. Strings are code-page bytes (one byte per
// character), so lengths and positions are byte counts.
#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

namespace vb {

// Removes blanks (0x20 only) from both ends / the left / the right.
std::string Trim(std::string_view s);
std::string LTrim(std::string_view s);
std::string RTrim(std::string_view s);

// Decimal text with a leading blank for values >= 0: Str(69) = " 69",
// Str(-5) = "-5". Decimal numbers use "." whatever the process locale, with
// up to 15 significant digits: Str(0.5) = " .5", CStr(0.5) = "0.5",
// CStr(1E+20) = "1E+20".
std::string Str(std::int64_t n);
std::string Str(double d);
// Decimal text without the blank: CStr(69) = "69".
std::string CStr(std::int64_t n);
std::string CStr(double d);

// Any other integer type (int, long, std::size_t, ...), so Str(i) is not
// ambiguous between the overloads above.
template <std::integral T>
requires(!std::same_as<T, bool> && !std::same_as<T, char> && !std::same_as<T, std::int64_t>) std::string CStr(T n) {
    if constexpr (std::is_unsigned_v<T> && sizeof(T) >= sizeof(std::int64_t)) {
        return std::to_string(n);
    } else {
        return CStr(static_cast<std::int64_t>(n));
    }
}
template <std::integral T>
requires(!std::same_as<T, bool> && !std::same_as<T, char> && !std::same_as<T, std::int64_t>) std::string Str(T n) {
    if constexpr (std::is_unsigned_v<T>) {
        return " " + CStr(n);
    } else {
        return n >= 0 ? " " + CStr(n) : CStr(n);
    }
}

// The leading number of a text: blanks, tabs and LF are skipped anywhere;
// sign, digits, ".", an E or D exponent, &H and &O prefixes. No number gives 0.
// &H/&O literals are signed 32-bit values (Val("&HFFFFFFFF") = -1). Raises 6
// (overflow) for a number beyond the double range or an &H/&O literal wider
// than 32 bits.
double Val(std::string_view s);

// Round half to even; raise run-time error 6 (overflow) when out of range.
std::int32_t CLng(double d);
std::int16_t CInt(double d);
// CLng/CInt of a text: its number (as the runtime converts a numeric text;
// a text that is no number raises 13, type mismatch).
std::int32_t CLng(std::string_view s);
std::int16_t CInt(std::string_view s);

// The text functions raise 5 (invalid procedure call) for a start below 1 or a
// negative Left/Right length, as the runtime does.

// 1-based InStr: position of `what` in `s` from `start`, 0 when absent.
// An empty `what` gives `start` when start <= len(s) + 1.
std::int64_t InStr(std::int64_t start, std::string_view s, std::string_view what);
// 1-based Mid: `length` < 0 means to the end.
std::string Mid(std::string_view s, std::int64_t start, std::int64_t length = -1);
std::string Left(std::string_view s, std::int64_t length);
std::string Right(std::string_view s, std::int64_t length);
// Upper / lower case through the current ANSI code page (plat::AnsiCodePage):
// UCase("\xE9t\xE9") = "\xC9T\xC9" in cp1252.
std::string UCase(std::string_view s);
std::string LCase(std::string_view s);

// Replaces every occurrence of `from` by `to` (left to right, non-overlapping).
std::string Replace(std::string_view s, std::string_view from, std::string_view to);

}  // namespace vb
