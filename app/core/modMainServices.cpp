// Small services of the main module: the inactivity check, the autorun entry,
// the colour dialog, and string, array and file helpers.
#include <sys/stat.h>
#include <unistd.h>

#include "app/core/modMain.h"
#include "app/core/modMainOptions.h"
#include "app/core/modTimer.h"
#include "app/trace/Trace.h"
#include "platform/ProgramPath.h"
#include "platform/Registry.h"
#include "platform/VbError.h"
#include "platform/VbStrings.h"
#include "platform/qt/Choosers.h"
#include "platform/qt/InputState.h"

namespace modMain {
namespace {

constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kAutorunName = "Norvask Kessaro";

std::int32_t ClockSeconds() { return vb::CLng(modTimer::GetQueryPerf()); }

// The design's lock time, for a lock time that is no usable number.
constexpr std::int32_t kDefaultLockMinutes = 15;
// The unusable text last logged, so a tick every 100 ms logs it once.
std::optional<std::string> g_lockTextLogged;

// Option 11 as minutes. A text that is no number (or a negative one) is
// never taken as "no lock": the design's 15 minutes stand in, with a log line.
std::int32_t LockMinutes() {
    const std::optional<std::int32_t> minutes = OptionLong(Option::LockMinutes, IfUnusable::Quiet);
    if (minutes && *minutes >= 0) {
        g_lockTextLogged.reset();
        return *minutes;
    }
    const std::string text = OptionText(Option::LockMinutes);
    if (g_lockTextLogged != text) {
        g_lockTextLogged = text;
        DbgPrint("Option 11 = \"" + text + "\" is no number of minutes: the lock comes after " +
                 std::to_string(kDefaultLockMinutes));
    }
    return kDefaultLockMinutes;
}

std::string ProgramFileName() {
    const std::string file = plat::ProgramFile();
    return file.substr(file.find_last_of('/') + 1);
}

}  // namespace

std::int32_t CheckActivity() {
    TRACE_MOD(modMain, "CheckActivity");
    const qtplat::CursorPoint CurPos = qtplat::CursorPos();
    TRACE_LOCAL_VAR(TV_UDT(CurPos, "POINTAPI"));
    if (CurPos.x != LastCursorPos.x || CurPos.y != LastCursorPos.y) {
        LastActive = ClockSeconds();
        LastCursorPos = {CurPos.x, CurPos.y};
        return 1;
    }
    const qtplat::KeyState tmpKbdState = qtplat::KeyboardState();
    TRACE_LOCAL_VAR(TV_UDT(tmpKbdState, "KeyboardBytes"));
    std::int32_t result = 0;
    TRACE_LOCAL(result);
    for (std::size_t i = 0; i < tmpKbdState.size(); ++i) {
        if (tmpKbdState[i] != LastKbdState[i]) {
            LastKbdState[i] = tmpKbdState[i];
            result = 2;
            LastActive = ClockSeconds();
        }
    }
    // The caller never asks while the lock is switched off ("n" first); were
    // it to, nothing would lock.
    const bool lockOff = OptionText(Option::LockMinutes).starts_with('n');
    if (result == 0 && !lockOff && modTimer::GetQueryPerf() - LastActive > static_cast<double>(LockMinutes()) * 60.0)
        result = 3;
    return result;
}

void AutorunManagement(bool Autorun) {
    TRACE_MOD(modMain, "AutorunManagement", TV(Autorun));
    // Nothing here is reported: without the rights to write the entry the
    // program simply does not start with the desktop.
    plat::RegCreateKey(plat::HKEY_LOCAL_MACHINE, kRunKey);
    if (Autorun)
        plat::RegSetString(plat::HKEY_LOCAL_MACHINE, kRunKey, kAutorunName, Pt(AppPath()) + ProgramFileName());
    else
        plat::RegDeleteValue(plat::HKEY_LOCAL_MACHINE, kRunKey, kAutorunName);
}

std::int32_t ShowChooseColor(QWidget* hwnd, std::int32_t InitCol) {
    TRACE_MOD(modMain, "ShowChooseColor", TV_WIDGET(hwnd), TV(InitCol));
    if (!CustomColors.Allocated() || CustomColors.LBound() != 0 || CustomColors.UBound() != 63)
        CustomColors.ReDim(0, 63);
    qtplat::CustomColorTable cc{};
    TRACE_LOCAL_VAR(TV_UDT(cc, "CHOOSECOLORTYPE"));
    for (long i = 0; i < 16; ++i) {
        std::uint32_t c = 0;
        for (long b = 3; b >= 0; --b) c = (c << 8) | CustomColors(i * 4 + b);
        cc[static_cast<std::size_t>(i)] = c;
    }
    const std::optional<std::uint32_t> chosen = qtplat::ChooseColor(hwnd, static_cast<std::uint32_t>(InitCol), cc);
    if (!chosen) return -1;
    for (long i = 0; i < 16; ++i)
        for (long b = 0; b < 4; ++b)
            CustomColors(i * 4 + b) = static_cast<std::uint8_t>(cc[static_cast<std::size_t>(i)] >> (8 * b));
    return static_cast<std::int32_t>(*chosen);
}

void AddElemToStrMass(trace::VbArray<std::string>& pMass, const std::string& Elem) {
    TRACE_MOD(modMain, "AddElemToStrMass", TV(pMass), TV(Elem));
    // The same growth as the call stack's: (0 To 0) becomes (1 To 1).
    trace::StringArrayPush(pMass, Elem);
}

std::string StripNulls(std::string& OriginalStr) {
    TRACE_MOD(modMain, "StripNulls", TV(OriginalStr));
    RemoveNullChar(OriginalStr);
    return OriginalStr;
}

void RemoveNullChar(std::string& Text) {
    TRACE_MOD(modMain, "RemoveNullChar", TV(Text));
    const std::size_t nul = Text.find('\0');
    if (nul != std::string::npos) Text.erase(nul);
}

std::int32_t TrueKill(const std::string& Path) {
    TRACE_MOD(modMain, "TrueKill", TV_PATH(Path));
    if (!FileExist(Path)) return -2;
    struct stat st {};
    if (::lstat(Path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) vb::Raise(vb::errPathFileAccess, "modMain.TrueKill");
    // A read-only file is deleted all the same.
    if (!S_ISLNK(st.st_mode)) ::chmod(Path.c_str(), (st.st_mode & 07777) | S_IWUSR);
    if (::unlink(Path.c_str()) != 0) vb::Raise(vb::errPathFileAccess, "modMain.TrueKill");
    return 0;
}

std::intptr_t FnPtr(std::intptr_t Addr) {
    TRACE_MOD(modMain, "FnPtr", TV(Addr));
    return Addr;
}

void GetSepatRecOptns(const std::string& InpStr, std::int32_t& BufCol, std::int32_t& BufFlags) {
    TRACE_MOD(modMain, "GetSepatRecOptns", TV(InpStr), TV(BufCol), TV(BufFlags));
    const std::int64_t p = vb::InStr(1, InpStr, "|");
    TRACE_LOCAL(p);
    // Without "|" (or without a number before it) this raises, as the caller
    // expects of a damaged flags text.
    BufCol = vb::CLng(vb::Left(InpStr, p - 1));
    BufFlags = vb::CLng(vb::Val(vb::Mid(InpStr, p + 1)));
}

}  // namespace modMain
