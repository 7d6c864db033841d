#pragma once
// The options: what each slot of ProgConfig holds, and its readers and
// writers. The slots stay texts (the options file holds them byte for byte);
// the lenient readers give a fallback rather than stopping the program on an
// option that is missing, no Boolean or no number.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/core/modMain.h"

namespace modMain {

// The slots of ProgConfig (line N of the options file is slot N).
enum class Option : long {
    Toolbar = 1,        // toolbar shown: a Boolean's text
    StatusBar = 2,      // status bar shown: a Boolean's text
    Autorun = 3,        // start with the system: "0" / "1"
    LastUser = 4,       // the last logged-in user's name, or ""
    DBPath = 5,         // the databases folder, with or without a trailing "/"
    OnTop = 6,          // windows always on top: a Boolean's text
    AutoLogin = 7,      // log the last user in at start: "0" / "1"
    FindCaseSens = 8,   // find is case-sensitive: "0" / "1"
    FindScope = 9,      // find: "1" titles only, "0" every field
    GenClipCopy = 10,   // the generator copies its result: "0" / "1"
    LockMinutes = 11,   // inactivity lock minutes; "n" first = lock off
    TrayMode = 12,      // the window goes to the tray: "0" / "1"
    BackupCopies = 13,  // automatic backup copies; "n" first = backup off
    Language = 14,      // the language file's name without ".lng"
    GenLength = 15,     // the generator's password length, as typed
    Width = 16,         // the main window's width, height, left and top (twips)
    Height = 17,
    Left = 18,
    Top = 19,
    TreeWidth = 20,  // the record tree's width (twips)
};

// A valid options file has this many lines.
inline constexpr long kOptionCount = 20;

// The slot itself, as ProgConfig(n) gives it: a missing slot raises
// "Subscript out of range". For the readers to whom a missing option is an
// error (the databases folder, the language) and the writers that edit a
// slot the options must already have.
inline std::string& OptionSlot(Option n) { return ProgConfig(static_cast<long>(n)); }

// Whether a reader that falls back says so in the debug log.
enum class IfUnusable { Log, Quiet };

// The runtime's conversions of a text, or nothing where they would fail:
// "True"/"False" in any letter case or a number (not 0 = True) for a Boolean;
// a number rounded half to even within the 32-bit range for a Long.
std::optional<bool> CBoolText(std::string_view text);
std::optional<std::int32_t> CLngText(std::string_view text);

// Option `n` as it stands, or "" when the options lack it.
std::string OptionText(Option n);
// Sets option `n`, growing ProgConfig when it is shorter.
void SetOption(Option n, const std::string& value);

// Option `n` as a Boolean; `fallback` when it is missing or no Boolean.
bool OptionBool(Option n, bool fallback, IfUnusable how = IfUnusable::Log);
// Option `n` as a Long (the runtime's CLng of the text); nothing when it is
// missing or no number. Callers test the "n" prefix of options 11 and 13
// first.
std::optional<std::int32_t> OptionLong(Option n, IfUnusable how = IfUnusable::Log);
std::int32_t OptionLong(Option n, std::int32_t fallback);

// Tray mode: option 12 is exactly "1".
bool TrayModeOn();

}  // namespace modMain
