#include "VEDataManagerFormat.h"

#include <cstring>

namespace vedb::fmt {
namespace {

// Where the next token ("zbTo" and one of three endings) starts at or after
// `from`, or npos.
std::size_t FindToken(std::string_view text, std::size_t from, char& replacement) {
    for (;;) {
        std::size_t p = text.find("zbTo", from);
        if (p == std::string_view::npos || p + 6 > text.size()) return std::string_view::npos;
        std::string_view tail = text.substr(p + 4, 2);
        if (tail == "0c") {
            replacement = '\r';
            return p;
        }
        if (tail == "1l") {
            replacement = '\n';
            return p;
        }
        if (tail == "2n") {
            replacement = '\0';
            return p;
        }
        from = p + 1;
    }
}

}  // namespace

bool HasControl(std::string_view text, bool sep) {
    bool found = false;
    for (char c : text) found |= c == '\r' || c == '\n' || c == '\0' || (sep && c == SEP);
    return found;
}

void AppendControlsEscaped(std::string_view text, std::string& out) {
    std::size_t from = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c != '\r' && c != '\n' && c != '\0') continue;
        out.append(text.substr(from, i - from));
        out.append(c == '\r' ? kTokenCR : c == '\n' ? kTokenLF : kTokenNUL);
        from = i + 1;
    }
    out.append(text.substr(from));
}

void AppendControlsUnescaped(std::string_view text, std::string& out) {
    // No token overlaps another and a restored byte can never complete one, so
    // one pass gives what the three replacements in turn give.
    std::size_t from = 0;
    char replacement = 0;
    for (;;) {
        std::size_t p = FindToken(text, from, replacement);
        if (p == std::string_view::npos) break;
        out.append(text.substr(from, p - from));
        out.push_back(replacement);
        from = p + 6;
    }
    out.append(text.substr(from));
}

bool HasToken(std::string_view text) {
    char replacement = 0;
    return FindToken(text, 0, replacement) != std::string_view::npos;
}

std::string EscapeControls(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    AppendControlsEscaped(text, out);
    return out;
}

std::string UnescapeControls(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    AppendControlsUnescaped(text, out);
    return out;
}

void AppendSepEscaped(std::string_view value, std::string& out) {
    std::size_t from = 0;
    for (;;) {
        std::size_t p = value.find(SEP, from);
        if (p == std::string_view::npos) break;
        out.append(value.substr(from, p - from));
        out.append(kSepEscape);
        from = p + 1;
    }
    out.append(value.substr(from));
}

void AppendValueEscaped(std::string_view value, std::string& out) {
    if (!HasControl(value, true)) {
        out.append(value);
        return;
    }
    std::string sepDone;
    sepDone.reserve(value.size() + 8);
    AppendSepEscaped(value, sepDone);
    AppendControlsEscaped(sepDone, out);
}

std::string EscapeValue(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    AppendValueEscaped(value, out);
    return out;
}

std::string UnescapeSep(std::string_view stored) {
    std::string out;
    out.reserve(stored.size());
    std::size_t from = 0;
    for (;;) {
        std::size_t p = stored.find(kSepEscape, from);
        if (p == std::string_view::npos) break;
        out.append(stored.substr(from, p - from));
        out.push_back(SEP);
        from = p + kSepEscape.size();
    }
    out.append(stored.substr(from));
    return out;
}

std::string_view UnescapedView(std::string_view stored, bool controls, std::string& scratch) {
    // Neither escape can form or break the other, so the order is free; this
    // is the order the reader has always used.
    const bool hasSep = stored.find(kSepEscape) != std::string_view::npos;
    const bool hasToken = controls && stored.find("zbTo") != std::string_view::npos;
    if (!hasSep && !hasToken) return stored;
    if (!hasToken) {
        scratch = UnescapeSep(stored);
        return scratch;
    }
    scratch.clear();
    if (!hasSep) {
        AppendControlsUnescaped(stored, scratch);
        return scratch;
    }
    AppendControlsUnescaped(UnescapeSep(stored), scratch);
    return scratch;
}

std::string UnescapeValue(std::string_view stored, bool controls) {
    std::string scratch;
    return std::string(UnescapedView(stored, controls, scratch));
}

std::int64_t GetTextTillSepar(std::string_view text, std::string& part, std::string_view separ, std::int64_t& start) {
    if (start < 1) start = 1;
    const auto len = static_cast<std::int64_t>(text.size());
    if (start > len) {
        part.clear();
        return start;
    }
    const auto from = static_cast<std::size_t>(start - 1);
    std::size_t p = separ.empty() ? std::string_view::npos : text.find(separ, from);
    if (p == std::string_view::npos) {
        part.assign(text.substr(from));
        return len + 1;
    }
    part.assign(text.substr(from, p - from));
    return static_cast<std::int64_t>(p + separ.size()) + 1;
}

std::int64_t GetTextTillTail(std::string_view text, std::string& part, std::int64_t& start) {
    return GetTextTillSepar(text, part, kSep, start);
}

bool ParseStoredInt(std::string_view text, std::int64_t lo, std::int64_t hi, std::int64_t& value) {
    const bool negative = !text.empty() && text[0] == '-';
    const std::string_view digits = negative ? text.substr(1) : text;
    // 18 digits never overflow; longer texts are no count or flags anyway.
    if (digits.empty() || digits.size() > 18) return false;
    if (digits[0] == '0' && (digits.size() > 1 || negative)) return false;
    std::int64_t v = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    if (negative) v = -v;
    if (v < lo || v > hi) return false;
    value = v;
    return true;
}

std::string_view TrimBlanks(std::string_view text) {
    std::size_t b = text.find_first_not_of(' ');
    if (b == std::string_view::npos) return {};
    return text.substr(b, text.find_last_not_of(' ') - b + 1);
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 32);
        if (x != y) return false;
    }
    return true;
}

bool HasLineBreaker(std::string_view name) { return HasControl(name, true); }

}  // namespace vedb::fmt
