#include "app/mainwindow/WindowOptions.h"

#include <cstdio>

#include "app/core/modMain.h"
#include "platform/VbError.h"
#include "platform/VbStrings.h"

namespace winopt {

namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        if ((ca | 0x20) != (cb | 0x20)) return false;
    }
    return true;
}

// A text the runtime takes as a number (its CLng fails only by overflow).
bool IsNumberText(std::string_view text) {
    try {
        (void)vb::CLng(text);
        return true;
    } catch (const vb::VbError& e) {
        return e.Number() == vb::errOverflow;
    }
}

void LogFallback(long index, const std::string& text) {
    modMain::DbgPrint("Option " + vb::CStr(index) + " = \"" + text + "\" is not usable; the design value is taken");
}

}  // namespace

std::optional<bool> CBoolText(std::string_view text) {
    const std::string t = vb::Trim(text);
    if (EqualsNoCase(t, "True")) return true;
    if (EqualsNoCase(t, "False")) return false;
    if (!IsNumberText(t)) return std::nullopt;
    return vb::Val(t) != 0;
}

std::optional<std::int32_t> CLngText(std::string_view text) {
    try {
        return vb::CLng(text);
    } catch (const vb::VbError&) {
        return std::nullopt;
    }
}

std::string CStrSingle(float value) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.7g", static_cast<double>(value));
    // Back through the runtime's own double form, which prints the shortest
    // text of the rounded value ("364.6", "9090", "1E+20").
    return vb::CStr(std::strtod(buf, nullptr));
}

std::string Get(long index) {
    const auto& cfg = modMain::ProgConfig;
    if (!cfg.Allocated() || cfg.Dimensions() != 1 || index < cfg.LBound() || index > cfg.UBound()) return {};
    return cfg(index);
}

void Set(long index, const std::string& value) {
    auto& cfg = modMain::ProgConfig;
    if (!cfg.Allocated() || cfg.Dimensions() != 1) {
        cfg.ReDimPreserve(1, index);
    } else if (index > cfg.UBound()) {
        cfg.ReDimPreserve(cfg.LBound(), index);
    }
    cfg(index) = value;
}

bool GetBool(long index, bool fallback, bool quiet) {
    const std::string text = Get(index);
    if (auto b = CBoolText(text)) return *b;
    if (!quiet) LogFallback(index, text);
    return fallback;
}

std::optional<std::int32_t> GetLong(long index) {
    if (auto n = modMain::OptionNumber(index)) return n;
    LogFallback(index, Get(index));
    return std::nullopt;
}

std::int32_t GetLong(long index, std::int32_t fallback) { return GetLong(index).value_or(fallback); }

bool TrayModeOption() { return Get(kTrayMode) == "1"; }

}  // namespace winopt
