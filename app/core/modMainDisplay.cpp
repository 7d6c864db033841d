#include "app/core/modMainDisplay.h"

#include <sys/random.h>

#include <array>
#include <cerrno>

#include "VEDataBase/Types.h"
#include "app/core/CoreView.h"
#include "app/core/clsDatabase.h"
#include "app/core/modLang.h"
#include "app/core/modMain.h"
#include "app/core/modMainTree.h"
#include "app/trace/Trace.h"
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

// One pass of the search from Start: the lowest matching row, or 0.
std::int32_t FindFrom(const std::string& SText, std::int32_t STblNum, std::int32_t SFNum, std::int32_t& Start,
                      clsDatabase& pDB, bool SearchAll, bool CaseSens, const vedb::Head& head) {
    const auto columns = static_cast<std::int32_t>(head.fields.size());
    if (!SearchAll) {
        // A column the table does not have matches nothing.
        if (SFNum < 1 || SFNum > columns) return 0;
        return pDB.FindRecord(STblNum, SFNum, SText, Start, CaseSens);
    }
    const std::int32_t none = pDB.GetTblRecNum(STblNum) + 1;
    std::int32_t best = none;
    for (std::int32_t i = 1; i <= columns; ++i) {
        if (head.fields[static_cast<std::size_t>(i - 1)].flags & kInternalColumn) continue;
        std::int32_t r = pDB.FindRecord(STblNum, i, SText, Start, CaseSens);
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
