#include "app/core/modLang.h"

#include "app/core/TextLines.h"
#include "app/core/modMain.h"
#include "app/trace/Trace.h"
#include "platform/VbError.h"
#include "platform/VbStrings.h"

namespace modLang {
namespace {

// A language file has a few hundred texts; a count beyond this is a damaged
// file, and the table is never sized from it.
constexpr std::int32_t kMaxTexts = 65535;

}  // namespace

trace::VbArray<std::string> TxtMas;

std::string DumpModuleVars() { return trace::DumpVariable("TxtMas", TxtMas); }

void LoadLang(const std::string& LangFile) {
    TRACE_MOD(modLang, "LoadLang", TV_PATH(LangFile));
    const std::vector<std::string> lines = coretext::ReadTextLines(LangFile);
    if (lines.empty()) vb::Raise(vb::errInputPastEnd, "modLang.LoadLang");
    const std::int32_t count = vb::CLng(lines.front());
    if (count > kMaxTexts) vb::Raise(vb::errOverflow, "modLang.LoadLang");
    // Filled aside and taken over whole, so a file that fails half way leaves
    // the texts loaded before it.
    trace::VbArray<std::string> texts(1, count);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (!line.empty() && line.front() == '#') continue;
        const std::int64_t eq = vb::InStr(1, line, "=");
        const std::int32_t n = vb::CLng(vb::Left(line, eq - 1));
        texts(n) = vb::Mid(line, eq + 1);
    }
    TxtMas = std::move(texts);
}

std::string Texts(std::int32_t TxtIdent) {
    TRACE_MOD(modLang, "Texts", TV(TxtIdent));
    try {
        return TxtMas(TxtIdent);
    } catch (const vb::VbError&) {
        trace_frame_.Recover();
    }
    modMain::DbgPrint("Error #0001. TxtIdent = " + std::to_string(TxtIdent) + ".");
    return "#Error in language module#";
}

}  // namespace modLang
