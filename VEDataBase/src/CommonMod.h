#pragma once
// File and text helpers shared by the compression class and the loader.
#include <cstdint>
#include <string>

namespace vedb::CommonMod {

// The separator of the database text: U+2021 in the code page.
inline constexpr char SEP = '\x87';

// True when `path` names a file whose length can be read; any error gives
// False.
bool FileExists(const std::string& path);

// -2 when the file does not exist; otherwise removes it (read-only or not)
// and gives 0. Raises 75 when it cannot be removed.
std::int32_t DeleteFile(const std::string& path);

// Splits `text` at SEP, 1-based. A start below 1 becomes 1 and is written
// back. A start past the end gives an empty token and returns the start.
// Otherwise the token runs from the start to the next SEP (not included) and
// the result is the position after that SEP; without a further SEP the token
// is the rest and the result is the length + 1.
std::int32_t GetToken(const std::string& text, std::string& token, std::int32_t& start);

}  // namespace vedb::CommonMod
