#include <cstdio>

#include "platform/com/Unknown.h"

namespace com {
namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads `count` hex digits starting at `pos`; false on any non-hex character.
bool ReadHex(std::string_view text, std::size_t pos, std::size_t count, std::uint64_t& out) {
    out = 0;
    for (std::size_t i = 0; i < count; ++i) {
        int d = HexDigit(text[pos + i]);
        if (d < 0) return false;
        out = (out << 4) | static_cast<std::uint64_t>(d);
    }
    return true;
}

}  // namespace

std::optional<GUID> ParseGuid(std::string_view text) {
    if (text.size() == 38) {
        if (text.front() != '{' || text.back() != '}') return std::nullopt;
        text = text.substr(1, 36);
    }
    if (text.size() != 36) return std::nullopt;
    if (text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-') return std::nullopt;

    GUID g;
    std::uint64_t v = 0;
    if (!ReadHex(text, 0, 8, v)) return std::nullopt;
    g.Data1 = static_cast<std::uint32_t>(v);
    if (!ReadHex(text, 9, 4, v)) return std::nullopt;
    g.Data2 = static_cast<std::uint16_t>(v);
    if (!ReadHex(text, 14, 4, v)) return std::nullopt;
    g.Data3 = static_cast<std::uint16_t>(v);
    static constexpr std::size_t kBytePos[8] = {19, 21, 24, 26, 28, 30, 32, 34};
    for (std::size_t i = 0; i < 8; ++i) {
        if (!ReadHex(text, kBytePos[i], 2, v)) return std::nullopt;
        g.Data4[i] = static_cast<std::uint8_t>(v);
    }
    return g;
}

std::string GuidToString(const GUID& g) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2, g.Data3,
                  g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return buf;
}

}  // namespace com
