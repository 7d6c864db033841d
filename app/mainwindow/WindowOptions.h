#pragma once
// The main window's options in ProgConfig (1 toolbar, 2 status bar, 3 start
// with the system, 4 last user, 6 always on top, 7 log the last user in,
// 12 tray mode, 16-19 window width, height, left, top, 20 tree width), read
// leniently: a text that is no Boolean or no number, or an option the file
// did not have, gives the design value instead of stopping the program.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace winopt {

enum Index : long {
    kToolbar = 1,
    kStatusBar = 2,
    kAutorun = 3,
    kLastUser = 4,
    kOnTop = 6,
    kAutoLogin = 7,
    kTrayMode = 12,
    kWidth = 16,
    kHeight = 17,
    kLeft = 18,
    kTop = 19,
    kTreeWidth = 20,
};

// The runtime's conversions of a text, or nothing where they would fail:
// "True"/"False" in any letter case or a number (not 0 = True) for a Boolean;
// a number rounded half to even within the 32-bit range for a Long.
std::optional<bool> CBoolText(std::string_view text);
std::optional<std::int32_t> CLngText(std::string_view text);

// The text form of a single-precision value: up to 7 significant digits,
// "." as the decimal point, no decimals for a whole number ("9090", "364.6").
std::string CStrSingle(float value);

// Option `index`, "" when ProgConfig has no such element.
std::string Get(long index);
// Sets option `index`, growing ProgConfig when it is shorter.
void Set(long index, const std::string& value);
// Option `index` as a Boolean or a Long; `fallback` (with a debug-log line
// unless `quiet`) when it is not one.
bool GetBool(long index, bool fallback, bool quiet = false);
std::int32_t GetLong(long index, std::int32_t fallback);
// Option `index` as a Long; nothing (with a debug-log line) when it is not one.
std::optional<std::int32_t> GetLong(long index);

// Tray mode: option 12 is exactly "1".
bool TrayModeOption();

}  // namespace winopt
