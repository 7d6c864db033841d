#pragma once
// The fixed texts of the database text file and of the string form, and the
// text steps both share: the escapes of values and the splitting of lines.
// Everything works on code-page bytes; positions are 1-based as in the stored
// formats' own arithmetic.
#include <cstdint>
#include <string>
#include <string_view>

#include "VEDataBase/Types.h"

namespace vedb::fmt {

inline constexpr std::string_view kPlainMark = "dzorvaLiL";
inline constexpr std::string_view kEncryptedMark = "dzorvaLiL.ENC";
// Stands for SEP inside a stored value: "jds", form feed, "7", unit separator.
inline constexpr std::string_view kSepEscape =
    "jds\x0C"
    "7\x1F";
inline constexpr std::string_view kHelpTableMarker = "[VEHELPTABLE ";
inline constexpr std::string_view kHelpTablePrefix = "[VEHELPTABLE";
inline constexpr std::string_view kHelpTableTag = " vyht:";
inline constexpr std::string_view kHelpTableKey = "vyht:";
// The escape tokens of the three bytes a text line cannot hold.
inline constexpr std::string_view kTokenCR = "zbTo0c";
inline constexpr std::string_view kTokenLF = "zbTo1l";
inline constexpr std::string_view kTokenNUL = "zbTo2n";

inline constexpr std::string_view kSep{"\x87", 1};

// True when the text holds CR, LF or NUL (and, with `sep`, SEP). A plain
// loop: find_first_of searches its set once per byte.
bool HasControl(std::string_view text, bool sep = false);

// CR, LF and NUL become their tokens; appends to `out`.
void AppendControlsEscaped(std::string_view text, std::string& out);
// The tokens become CR, LF and NUL again; appends to `out`.
void AppendControlsUnescaped(std::string_view text, std::string& out);
std::string EscapeControls(std::string_view text);
// True when the text holds one of the three tokens.
bool HasToken(std::string_view text);
std::string UnescapeControls(std::string_view text);

// A stored value: SEP becomes kSepEscape, then the control bytes their tokens.
void AppendValueEscaped(std::string_view value, std::string& out);
std::string EscapeValue(std::string_view value);
// The reverse. `controls` false undoes only kSepEscape (the tokens stay, as in
// columns without the line-break flag).
std::string UnescapeValue(std::string_view stored, bool controls = true);
// UnescapeValue as a view: `stored` itself when it holds no escape, else
// `scratch`, which receives the unescaped value.
std::string_view UnescapedView(std::string_view stored, bool controls, std::string& scratch);
// Only SEP <-> kSepEscape (the string form's escape).
void AppendSepEscaped(std::string_view value, std::string& out);
std::string UnescapeSep(std::string_view stored);

// The splitters of the stored formats. `start` below 1 becomes 1 (written
// back); past the end the part is empty and the result is `start`; otherwise
// the part runs up to the separator and the result is the position after it,
// or the rest and len + 1 when there is none.
std::int64_t GetTextTillTail(std::string_view text, std::string& part, std::int64_t& start);
std::int64_t GetTextTillSepar(std::string_view text, std::string& part, std::string_view separ, std::int64_t& start);

// A whole number as the writer writes one: an optional minus sign and
// decimal digits, no blank, no leading zero, no "-0", within lo..hi. Any
// other text is no stored number.
bool ParseStoredInt(std::string_view text, std::int64_t lo, std::int64_t hi, std::int64_t& value);

// The text without blanks (0x20) at either end.
std::string_view TrimBlanks(std::string_view text);

// Equal length and equal ignoring ASCII letter case.
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);

// True when a name holds a byte that no stored line can carry in it.
bool HasLineBreaker(std::string_view name);

}  // namespace vedb::fmt
