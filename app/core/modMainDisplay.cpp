#include "app/core/modMainDisplay.h"

#include <sys/random.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <optional>
#include <string_view>
#include <vector>

#include "VEDataBase/Types.h"
#include "app/core/CoreView.h"
#include "app/core/clsDatabase.h"
#include "app/core/modLang.h"
#include "app/core/modMain.h"
#include "app/core/modMainTree.h"
#include "app/trace/Trace.h"
#include "platform/CodePage.h"
#include "platform/VbError.h"
#include "platform/VbStrings.h"

namespace modMain {

namespace {

// Head flag bit value of the columns the value box and the search skip.
constexpr std::int16_t kInternalColumn = 4;

// Uniform numbers from the operating system's random source, read in blocks.
class SystemRandom {
public:
    // Uniform in [0, n), n >= 1, without modulo bias.
    std::uint32_t Below(std::uint32_t n) {
        const std::uint32_t limit = UINT32_MAX - (UINT32_MAX % n + 1) % n;  // accept x <= limit
        for (;;) {
            const std::uint32_t x = Next();
            if (x <= limit) return x % n;
        }
    }

private:
    std::uint32_t Next() {
        if (pos_ + 4 > buf_.size()) Refill();
        std::uint32_t x = 0;
        for (int i = 0; i < 4; ++i) x = (x << 8) | buf_[pos_++];
        return x;
    }
    void Refill() {
        std::size_t got = 0;
        while (got < buf_.size()) {
            const ssize_t n = getrandom(buf_.data() + got, buf_.size() - got, 0);
            if (n < 0) {
                if (errno == EINTR) continue;
                throw vb::VbError(vb::errInvalidCall, "The system's random source failed");
            }
            got += static_cast<std::size_t>(n);
        }
        pos_ = 0;
    }

    std::array<unsigned char, 256> buf_{};
    std::size_t pos_ = buf_.size();
};

}  // namespace

void ShowDataInTextBox(clsDatabase& UsDB, std::int32_t RecNum, std::int32_t TblNum, CoreView& pTxt) {
    TRACE_MOD(modMain, "ShowDataInTextBox", TV_EXT(UsDB), TV(RecNum), TV(TblNum), TV_EXT(pTxt));
    // Only the column heads are needed, not a copy of every row.
    const vedb::Head head = UsDB.GetTblCaption(TblNum);
    for (const vedb::HeadField& column : head.fields) {
        if (column.flags & kInternalColumn) continue;
        AddColoredTxt(pTxt, GetTblTrueCapText(column.Name) + ":\r\n", kCaptionColour, kStyleBold);
        trace::Secret value = UsDB.GetTblFldValNm(TblNum, RecNum, column.Name);
        TRACE_LOCAL(value);
        AddColoredTxt(pTxt, trace::Secret(value.str() + "\r\n\r\n"), 0, 0);
    }
}

void AddColoredTxt(CoreView& TxtBox, const trace::Secret& Text, std::int32_t col, std::int32_t flags) {
    TRACE_MOD(modMain, "AddColoredTxt", TV_EXT(TxtBox), TV(Text), TV(col), TV(flags));
    TxtBox.AppendValueText(Text.str(), col, flags & (kStyleItalic | kStyleUnderline | kStyleBold));
}

std::string GetTblTrueCapText(const std::string& InTxt) {
    TRACE_MOD(modMain, "GetTblTrueCapText", TV(InTxt));
    std::int32_t id = 0;
    if (InTxt == "Title")
        id = 13;
    else if (InTxt == "Login")
        id = 14;
    else if (InTxt == "Password")
        id = 15;
    else if (InTxt == "Description")
        id = 16;
    if (id == 0) return InTxt;
    std::string text = modLang::Texts(id);
    return text.empty() ? InTxt : text;
}

void GetStatBarData(clsDatabase& pDB, const std::string& IndNum, std::int32_t& NumFolds, std::int32_t& NumRecs) {
    TRACE_MOD(modMain, "GetStatBarData", TV_EXT(pDB), TV(IndNum), TV(NumFolds), TV(NumRecs));
    std::int32_t t = pDB.FindTable(kDataTable);
    std::int32_t p = t > 0 ? pDB.FindField(t, "Parent") : 0;
    std::int32_t type = t > 0 ? pDB.FindField(t, "Type") : 0;
    if (p < 1) return;  // nothing to count in a table without parents
    const std::int32_t rows = pDB.GetTblRecNum(t);
    std::int32_t start = 1;
    while (start <= rows) {
        std::int32_t r = pDB.GetRecNumFromVal(t, p, IndNum, start);
        if (r < 1) break;
        const std::string kind = type > 0 ? pDB.GetTblFldVal(t, r, type) : std::string();
        if (RowTypeIs(kind, 2))
            ++NumRecs;
        else
            ++NumFolds;
        start = r + 1;
    }
}

namespace {

// Whether `value` holds `needle`, letter case ignored unless caseSens (then
// `needle` is upper-cased already): the library's rule, without an
// upper-cased copy of each value.
bool Holds(std::string_view value, std::string_view needle, bool caseSens, const plat::CodePage& cp) {
    if (caseSens) return value.find(needle) != std::string_view::npos;
    if (needle.size() > value.size()) return false;
    const std::size_t last = value.size() - needle.size();
    for (std::size_t i = 0; i <= last; ++i) {
        std::size_t j = 0;
        while (j < needle.size() &&
               cp.UpperByte(static_cast<unsigned char>(value[i + j])) == static_cast<unsigned char>(needle[j]))
            ++j;
        if (j == needle.size()) return true;
    }
    return false;
}

// The search of one pass, row by row with every searched column of a row
// read together, in place: the lowest row from Start (at least 1) whose
// value in one of `columns` (0-based) holds SText, or 0. Nothing when a row
// the library's column-by-column search would reach lacks a searched column,
// or the table has fewer rows than it counts: the library then answers, with
// the error it raises for such a row.
std::optional<std::int32_t> ScanRows(const vedb::Table& t, const std::vector<std::size_t>& columns,
                                     const std::string& SText, std::int32_t Start, bool CaseSens) {
    if (Start > t.RecNum) return 0;
    const auto first = static_cast<std::size_t>(Start) - 1;
    const auto end = static_cast<std::size_t>(t.RecNum);
    if (end > t.Records.size()) return std::nullopt;
    const std::size_t need = *std::max_element(columns.begin(), columns.end()) + 1;
    const plat::CodePage& cp = plat::AnsiCodePage();
    const std::string needle = CaseSens ? SText : cp.UCase(SText);
    for (std::size_t r = first; r < end; ++r) {
        const auto& fields = t.Records[r].fields;
        if (fields.size() < need) return std::nullopt;
        for (std::size_t c : columns) {
            const std::string_view value = fields[c];
            // An empty text is found in any value that is not empty.
            if (value.empty() || !Holds(value, needle, CaseSens, cp)) continue;
            // The library's search would go on past this row in the other
            // columns: the rows it would reach must have them too.
            for (std::size_t later = r + 1; later < end; ++later)
                if (t.Records[later].fields.size() < need) return std::nullopt;
            return static_cast<std::int32_t>(r + 1);
        }
    }
    return 0;
}

// One pass of the search from Start: the lowest matching row, or 0.
std::int32_t FindFrom(const std::string& SText, std::int32_t STblNum, std::int32_t SFNum, std::int32_t& Start,
                      clsDatabase& pDB, bool SearchAll, bool CaseSens, const vedb::Head& head) {
    const auto columns = static_cast<std::int32_t>(head.fields.size());
    std::vector<std::size_t> searched;
    if (!SearchAll) {
        // A column the table does not have matches nothing.
        if (SFNum < 1 || SFNum > columns) return 0;
        searched.push_back(static_cast<std::size_t>(SFNum - 1));
    } else {
        for (std::int32_t i = 1; i <= columns; ++i)
            if (!(head.fields[static_cast<std::size_t>(i - 1)].flags & kInternalColumn))
                searched.push_back(static_cast<std::size_t>(i - 1));
        if (searched.empty()) return 0;
    }
    if (Start < 1) Start = 1;
    if (const vedb::Table* table = pDB.ReadTable(STblNum)) {
        if (const auto row = ScanRows(*table, searched, SText, Start, CaseSens)) return *row;
    }
    // The library's own search, a column at a time.
    if (!SearchAll) return pDB.FindRecord(STblNum, SFNum, SText, Start, CaseSens);
    const std::int32_t none = pDB.GetTblRecNum(STblNum) + 1;
    std::int32_t best = none;
    for (std::size_t c : searched) {
        std::int32_t r = pDB.FindRecord(STblNum, static_cast<std::int32_t>(c + 1), SText, Start, CaseSens);
        if (Start <= r && r < best) best = r;
    }
    return best == none ? 0 : best;
}

}  // namespace

std::string FindRecordInDB(const std::string& SText, std::int32_t STblNum, std::int32_t SFNum, std::int32_t& Start,
                           clsDatabase& pDB, bool SearchAll, bool CaseSens) {
    TRACE_MOD(modMain, "FindRecordInDB", TV_HIDDEN(SText), TV(STblNum), TV(SFNum), TV(Start), TV_EXT(pDB),
              TV(SearchAll), TV(CaseSens));
    const vedb::Head head = pDB.GetTblCaption(STblNum);
    std::int32_t best = FindFrom(SText, STblNum, SFNum, Start, pDB, SearchAll, CaseSens, head);
    if (best == 0 && Start != 1) {
        // Nothing below Start: once more from the first row.
        Start = 1;
        best = FindFrom(SText, STblNum, SFNum, Start, pDB, SearchAll, CaseSens, head);
    }
    if (best == 0) return "-2";  // Start is 1 here
    Start = best + 1;
    return vb::CStr(best);
}

trace::Secret GeneratePassword(std::int32_t Lenght) {
    TRACE_MOD(modMain, "GeneratePassword", TV(Lenght));
    trace::Secret out;
    TRACE_LOCAL(out);
    if (Lenght < 1) return out;
    SystemRandom random;
    std::string text;
    text.reserve(static_cast<std::size_t>(Lenght));
    for (std::int32_t i = 0; i < Lenght; ++i) {
        // 6 in 20 a digit, 7 in 20 a lower-case and 7 in 20 an upper-case letter.
        const std::uint32_t kind = random.Below(20);
        if (kind < 6)
            text += static_cast<char>('0' + random.Below(10));
        else if (kind < 13)
            text += static_cast<char>('a' + random.Below(26));
        else
            text += static_cast<char>('A' + random.Below(26));
    }
    out = trace::Secret(std::move(text));
    return out;
}

}  // namespace modMain
