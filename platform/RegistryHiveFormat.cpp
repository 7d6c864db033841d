#include "platform/RegistryHiveFormat.h"

#include <cstdint>
#include <vector>

namespace plat::reg_internal {
namespace {

constexpr std::string_view kHeader = "QuellonPM registry hive 1";

bool NeedsEscape(unsigned char c) { return c == '%' || c < 0x20 || c == 0x7F; }

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::vector<std::string_view> SplitTabs(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        std::size_t tab = line.find('\t', start);
        if (tab == std::string_view::npos) {
            fields.push_back(line.substr(start));
            return fields;
        }
        fields.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
}

bool ParseDecimal(std::string_view s, std::uint32_t& out) {
    if (s.empty() || s.size() > 10) return false;
    std::uint64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (v > 0xFFFFFFFFull) return false;
    out = static_cast<std::uint32_t>(v);
    return true;
}

// One record line into the hive; false when it is malformed.
bool ParseLine(std::string_view line, HiveData& hive) {
    auto fields = SplitTabs(line);
    if (fields.empty() || fields[0].size() != 1) return false;
    char kind = fields[0][0];
    if (kind == 'K' && fields.size() == 2) {
        auto key = Unescape(fields[1]);
        if (!key) return false;
        auto norm = NormalizeKey(*key);
        if (!norm || norm->empty() || *norm != *key) return false;
        hive.Create(*norm);
        return true;
    }
    if ((kind == 'S' || kind == 'D') && fields.size() == 4) {
        auto key = Unescape(fields[1]);
        auto name = Unescape(fields[2]);
        if (!key || !name) return false;
        auto norm = NormalizeKey(*key);
        if (!norm || *norm != *key) return false;
        RegValue data;
        if (kind == 'S') {
            auto text = Unescape(fields[3]);
            if (!text) return false;
            data = std::move(*text);
        } else {
            std::uint32_t n = 0;
            if (!ParseDecimal(fields[3], n)) return false;
            data = n;
        }
        // Values of the hive itself live under the empty key.
        SetValue(hive.Create(*norm), *name, std::move(data));
        return true;
    }
    return false;
}

}  // namespace

std::string Escape(std::string_view s) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(s.size());
    for (char ch : s) {
        auto c = static_cast<unsigned char>(ch);
        if (NeedsEscape(c)) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += ch;
        }
    }
    return out;
}

std::optional<std::string> Unescape(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        auto c = static_cast<unsigned char>(s[i]);
        if (c == '%') {
            if (i + 2 >= s.size()) return std::nullopt;
            int hi = HexValue(s[i + 1]);
            int lo = HexValue(s[i + 2]);
            if (hi < 0 || lo < 0) return std::nullopt;
            out += static_cast<char>((hi << 4) | lo);
            i += 2;
        } else if (NeedsEscape(c)) {
            return std::nullopt;  // a raw control byte: the line was not written by us
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

ParsedHive ParseHive(std::string_view text) {
    ParsedHive parsed;
    std::string_view rest(text);
    bool first = true;
    while (!rest.empty()) {
        std::size_t nl = rest.find('\n');
        if (nl == std::string_view::npos) {
            // An unterminated last line may be cut short: never trust it.
            parsed.damaged = true;
            break;
        }
        std::string_view line = rest.substr(0, nl);
        rest.remove_prefix(nl + 1);
        if (first) {
            first = false;
            if (line == kHeader) continue;
            // Without our header the file may be anything: still take what
            // parses, as the header line itself may be what broke.
            parsed.damaged = true;
            ParseLine(line, parsed.data);
            continue;
        }
        if (!ParseLine(line, parsed.data)) parsed.damaged = true;
    }
    if (first) parsed.damaged = true;  // an empty file is no hive we wrote
    return parsed;
}

std::string SerializeHive(const HiveData& hive) {
    std::string out(kHeader);
    out += '\n';
    for (const auto& [folded, key] : hive.keys) {
        std::string path = Escape(key.path);
        if (!key.path.empty()) {
            out += "K\t";
            out += path;
            out += '\n';
        }
        for (const Value& v : key.values) {
            if (const auto* s = std::get_if<std::string>(&v.data)) {
                out += "S\t" + path + '\t' + Escape(v.name) + '\t' + Escape(*s) + '\n';
            } else {
                out += "D\t" + path + '\t' + Escape(v.name) + '\t' + std::to_string(std::get<std::uint32_t>(v.data)) +
                       '\n';
            }
        }
    }
    return out;
}

}  // namespace plat::reg_internal
