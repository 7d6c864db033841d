// The options' lenient readers and the writer that grows ProgConfig.
#include "app/core/modMainOptions.h"

#include "app/trace/Trace.h"
#include "platform/VbError.h"
#include "platform/VbStrings.h"

namespace modMain {
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

// Slot N, or nothing when ProgConfig has no such element.
const std::string* HeldOption(long N) {
    const auto& cfg = ProgConfig;
    if (!cfg.Allocated() || cfg.Dimensions() != 1 || N < 1 || N < cfg.LBound() || N > cfg.UBound()) return nullptr;
    return &cfg(N);
}

std::string HeldText(Option N) {
    const std::string* text = HeldOption(static_cast<long>(N));
    return text ? *text : std::string();
}

void LogFallback(Option N, const std::string& text) {
    DbgPrint("Option " + vb::CStr(static_cast<long>(N)) + " = \"" + text +
             "\" is not usable; the design value is taken");
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

std::string OptionText(Option N) {
    TRACE_MOD(modMain, "OptionText", TV(N));
    return HeldText(N);
}

void SetOption(Option N, const std::string& value) {
    TRACE_MOD(modMain, "SetOption", TV(N), TV(value));
    const long i = static_cast<long>(N);
    auto& cfg = ProgConfig;
    if (!cfg.Allocated() || cfg.Dimensions() != 1) {
        cfg.ReDimPreserve(1, i);
    } else if (i > cfg.UBound()) {
        cfg.ReDimPreserve(cfg.LBound(), i);
    }
    cfg(i) = value;
}

bool OptionBool(Option N, bool fallback, IfUnusable how) {
    TRACE_MOD(modMain, "OptionBool", TV(N), TV(fallback));
    const std::string text = HeldText(N);
    if (auto b = CBoolText(text)) return *b;
    if (how == IfUnusable::Log) LogFallback(N, text);
    return fallback;
}

std::optional<std::int32_t> OptionLong(Option N, IfUnusable how) {
    TRACE_MOD(modMain, "OptionLong", TV(N));
    const std::string* text = HeldOption(static_cast<long>(N));
    std::optional<std::int32_t> value = text ? CLngText(*text) : std::nullopt;
    if (value) return value;
    // The conversion's error is handled here: it leaves nothing for a report.
    if (text) trace_frame_.Recover();
    if (how == IfUnusable::Log) LogFallback(N, text ? *text : std::string());
    return std::nullopt;
}

std::int32_t OptionLong(Option N, std::int32_t fallback) {
    TRACE_MOD(modMain, "OptionLong", TV(N), TV(fallback));
    return OptionLong(N).value_or(fallback);
}

bool TrayModeOn() {
    TRACE_MOD(modMain, "TrayModeOn");
    return HeldText(Option::TrayMode) == "1";
}

}  // namespace modMain
