// Record filters and the text search.
#include <cstdio>
#include <optional>

#include "VEDataManager.h"
#include "platform/CodePage.h"
#include "platform/VbError.h"
#include "platform/VbStrings.h"

namespace vedb {
namespace {

template <typename T>
int Compare(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// Texts compare by character code, as the characters of the code page.
int CompareText(std::string_view a, std::string_view b) {
    const plat::CodePage& cp = plat::AnsiCodePage();
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        char32_t x = cp.ToUnicode(static_cast<unsigned char>(a[i]));
        char32_t y = cp.ToUnicode(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    return Compare(a.size(), b.size());
}

// "YYYY-MM-DD", optionally followed by " HH:MM" or " HH:MM:SS", as a number
// that orders like the moment it names; nothing when the text is no date.
std::optional<std::int64_t> DateKey(const std::string& text) {
    std::string t = vb::Trim(text);
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, used = 0;
    if (std::sscanf(t.c_str(), "%4d-%2d-%2d%n", &y, &mo, &d, &used) != 3 || used != 10) return std::nullopt;
    if (t.size() > 10) {
        int used2 = 0;
        if (std::sscanf(t.c_str() + 10, " %2d:%2d%n", &h, &mi, &used2) != 2) return std::nullopt;
        std::size_t end = 10 + static_cast<std::size_t>(used2);
        if (end < t.size()) {
            int used3 = 0;
            if (std::sscanf(t.c_str() + end, ":%2d%n", &s, &used3) != 1) return std::nullopt;
            end += static_cast<std::size_t>(used3);
        }
        if (end != t.size()) return std::nullopt;
    }
    if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59 || h < 0 || mi < 0 || s < 0)
        return std::nullopt;
    return ((((static_cast<std::int64_t>(y) * 13 + mo) * 32 + d) * 24 + h) * 60 + mi) * 60 + s;
}

}  // namespace

std::int32_t VEDataManager::FilterField(const std::string& FieldVal, const ReqField& FieldFilter) {
    if (FieldFilter.Value.empty()) return 1;
    int order = 0;
    if (FieldFilter.Type == 1) {
        order = Compare(vb::Val(FieldVal), vb::Val(FieldFilter.Value));
    } else if (FieldFilter.Type == 16) {
        // Dates compare the record's date with the filter's; a side that is
        // no date fails the condition.
        auto field = DateKey(FieldVal);
        auto filter = DateKey(FieldFilter.Value);
        if (!field || !filter) return 0;
        order = Compare(*field, *filter);
    } else {
        order = CompareText(FieldVal, FieldFilter.Value);
    }
    const std::string& op = FieldFilter.Operation;
    bool holds = false;
    if (op == "=") {
        holds = order == 0;
    } else if (op == ">") {
        holds = order > 0;
    } else if (op == "<") {
        holds = order < 0;
    } else if (op == ">=") {
        holds = order >= 0;
    } else if (op == "<=") {
        holds = order <= 0;
    } else {
        return 0;
    }
    return holds ? -1 : 0;
}

std::int32_t VEDataManager::FilterRecord(const Record& FRecord, const Request& Filter) {
    if (Filter.ReqFields.size() > FRecord.fields.size()) return 0;
    for (std::size_t i = 0; i < Filter.ReqFields.size(); ++i) {
        if (FilterField(std::string(FRecord.fields[i]), Filter.ReqFields[i]) == 0) return 0;
    }
    return 1;
}

std::int32_t VEDataManager::GetFilteredRecsNum(const Table& Tbl, const Request& Filter) {
    std::int32_t count = 0;
    for (std::int64_t r = 1; r <= Tbl.RecNum; ++r) {
        if (static_cast<std::uint64_t>(r) > Tbl.Records.size()) vb::Raise(vb::errSubscript);
        if (FilterRecord(Tbl.Records[static_cast<std::size_t>(r) - 1], Filter) != 0) ++count;
    }
    return count;
}

std::int32_t VEDataManager::FindRecord(const Table& Tbl, std::int32_t FldNum, const std::string& SText,
                                       std::int32_t& Start, bool CaseSens) {
    if (Start < 1) Start = 1;
    if (Start > Tbl.RecNum) return 0;
    const plat::CodePage& cp = plat::AnsiCodePage();
    const std::string needle = CaseSens ? SText : cp.UCase(SText);
    for (std::int64_t r = Start; r <= Tbl.RecNum; ++r) {
        if (static_cast<std::uint64_t>(r) > Tbl.Records.size()) vb::Raise(vb::errSubscript);
        const auto& fields = Tbl.Records[static_cast<std::size_t>(r) - 1].fields;
        if (FldNum < 1 || static_cast<std::size_t>(FldNum) > fields.size()) vb::Raise(vb::errSubscript);
        const std::string_view value = fields[static_cast<std::size_t>(FldNum) - 1];
        // An empty text is found in any value that is not empty.
        if (value.empty()) continue;
        if (CaseSens ? value.find(needle) != std::string::npos : cp.UCase(value).find(needle) != std::string::npos)
            return static_cast<std::int32_t>(r);
    }
    return 0;
}

}  // namespace vedb
