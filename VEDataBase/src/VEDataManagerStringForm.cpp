// The string form of a database: the database information, every help table
// and the requested tables (their records passed through a filter) in one
// plain text, and the readers of that text.
#include "VEDataManager.h"
#include "VEDataManagerFormat.h"
#include "platform/VbError.h"
#include "platform/VbStrings.h"

namespace vedb {
namespace {

constexpr std::string_view kDbInfo = "{.DBINFO|";
constexpr std::string_view kDbInfoEnd = "|.ENDDBINFO}";
constexpr std::string_view kHTblStart = "{HTBLSTART.|";
constexpr std::string_view kHTblEnd = "|.ENDHTBL}";
constexpr std::string_view kHTblInfo = "{.HTBLINFO|";
constexpr std::string_view kHTblInfoEnd = "|.ENDHTBLINFO}";
constexpr std::string_view kTblStart = "{TBLSTART.|";
constexpr std::string_view kTblEnd = "|.ENDTBL}";
constexpr std::string_view kTblInfo = "{.TBLINFO|";
constexpr std::string_view kTblInfoEnd = "|.ENDTBLINFO}";
constexpr std::string_view kItem = "$$|$$";

std::string Num(std::int64_t n) { return vb::CStr(n); }

// The position of `what` at or after `from`; a missing marker is a run-time
// error of the reader.
std::size_t Require(std::string_view text, std::string_view what, std::size_t from) {
    std::size_t p = from <= text.size() ? text.find(what, from) : std::string_view::npos;
    if (p == std::string_view::npos) vb::Raise(vb::errInvalidCall);
    return p;
}

// The parts of `text` between occurrences of `separ`.
std::vector<std::string_view> SplitAll(std::string_view text, std::string_view separ) {
    std::vector<std::string_view> parts;
    std::size_t from = 0;
    for (;;) {
        std::size_t p = text.find(separ, from);
        if (p == std::string_view::npos) {
            parts.push_back(text.substr(from));
            return parts;
        }
        parts.push_back(text.substr(from, p - from));
        from = p + separ.size();
    }
}

// The next SEP-separated part of `text` from `pos` (0-based, advanced).
std::string NextPart(std::string_view text, std::size_t& pos) {
    if (pos > text.size()) return {};
    std::size_t p = text.find(SEP, pos);
    std::size_t end = p == std::string_view::npos ? text.size() : p;
    std::string part(text.substr(pos, end - pos));
    pos = end + 1;
    return part;
}

std::string Rest(std::string_view text, std::size_t pos) {
    return pos >= text.size() ? std::string() : std::string(text.substr(pos));
}

}  // namespace

std::int64_t VEDataManager::AppendToBuffer(std::string& Buffer, std::string_view Text, std::int64_t& Pos) {
    if (Text.empty()) return Pos;
    const auto need = static_cast<std::size_t>(Pos) + Text.size();
    if (need > Buffer.size()) {
        std::size_t grow = ((need - Buffer.size()) / 65536 + 1) * 65536;
        Buffer.resize(Buffer.size() + grow, '\0');
    }
    Buffer.replace(static_cast<std::size_t>(Pos), Text.size(), Text);
    Pos = static_cast<std::int64_t>(need);
    return Pos;
}

std::int32_t VEDataManager::AddDBInfo(const DataBase& IDB, std::string& Buffer) {
    Buffer.clear();
    Buffer.append(kDbInfo).append(1, SEP).append(Num(IDB.flags)).append(1, SEP).append(IDB.Name).append(1, SEP);
    Buffer.append(IDB.Path).append(1, SEP).append(IDB.Ready ? "True" : "False").append(1, SEP).append(IDB.tag);
    Buffer.append(1, SEP).append(IDB.Version).append(kDbInfoEnd);
    return 0;
}

void VEDataManager::SetHTblInfoStr(const HelpTable& Htbl, std::string& out) {
    out.append(kHTblInfo).append(Htbl.Name).append(1, SEP).append(Num(Htbl.flags)).append(1, SEP);
    out.append(Num(Htbl.RecNum)).append(kHTblInfoEnd);
}

std::int32_t VEDataManager::HTableToString(const HelpTable& Htbl, std::string& Buffer) {
    try {
        if (Htbl.RecNum < 0 || static_cast<std::size_t>(Htbl.RecNum) > Htbl.hfields.size()) vb::Raise(vb::errSubscript);
        std::string out(kHTblStart);
        SetHTblInfoStr(Htbl, out);
        for (std::int32_t e = 0; e < Htbl.RecNum; ++e) {
            const HelpField& f = Htbl.hfields[static_cast<std::size_t>(e)];
            out.append(kItem).append(f.str).append(1, SEP).append(Num(f.Num));
        }
        out.append(1, SEP).append(kHTblEnd);
        Buffer = std::move(out);
        return 1;
    } catch (...) {
        SetError(errUnknown, "HTableToString", "Htbl.name = " + Htbl.Name, CurrentError());
        return 0;
    }
}

std::int32_t VEDataManager::SetTblInfoToStr(const Table& Tbl, std::string& out, const std::string& count) {
    const std::size_t start = out.size();
    try {
        const Head& cap = Tbl.Caption;
        if (cap.Num < 0 || static_cast<std::size_t>(cap.Num) > cap.fields.size()) vb::Raise(vb::errSubscript);
        out.append(kTblInfo).append(Tbl.Name).append(1, SEP).append(Num(Tbl.flags)).append(1, SEP);
        out.append(count.empty() ? Num(Tbl.RecNum) : vb::Trim(count)).append(1, SEP).append(Tbl.tag);
        out.append(kItem).append(Num(cap.Num)).append(1, SEP).append(cap.tag);
        for (std::int16_t c = 0; c < cap.Num; ++c) {
            const HeadField& f = cap.fields[static_cast<std::size_t>(c)];
            out.append(kItem).append(f.Name).append(1, SEP).append(Num(f.flags)).append(1, SEP).append(f.HelpTable);
        }
        out.append(kTblInfoEnd);
        return 1;
    } catch (...) {
        SetError(errUnknown, "SetTblInfoToStr", "tblname: " + Tbl.Name, CurrentError());
        out.resize(start);
        return 0;
    }
}

std::int32_t VEDataManager::TableToString(const Table& Tbl, std::string& Buffer, const Request& Filter) {
    try {
        const bool filtering = !Filter.ReqFields.empty();
        const std::size_t cols = static_cast<std::size_t>(std::max<std::int16_t>(Tbl.Caption.Num, 0));
        if (Tbl.RecNum < 0 || static_cast<std::size_t>(Tbl.RecNum) > Tbl.Records.size()) vb::Raise(vb::errSubscript);
        std::string records;
        std::int64_t count = 0;
        for (std::int32_t r = 0; r < Tbl.RecNum; ++r) {
            const Record& rec = Tbl.Records[static_cast<std::size_t>(r)];
            if (filtering && FilterRecord(rec, Filter) != 1) continue;
            if (rec.fields.size() < cols) vb::Raise(vb::errSubscript);
            ++count;
            records.append(kItem);
            for (std::size_t c = 0; c < cols; ++c) {
                if (c) records.push_back(SEP);
                fmt::AppendSepEscaped(rec.fields[c], records);
            }
        }
        std::string out(kTblStart);
        if (SetTblInfoToStr(Tbl, out, Num(count)) != 1) vb::Raise(vb::errInvalidCall);
        out.append(records).append(1, SEP).append(kTblEnd);
        Buffer = std::move(out);
        return 1;
    } catch (...) {
        SetError(errUnknown, "TableToString", "TblName: " + Tbl.Name, CurrentError());
        return -1;
    }
}

std::int32_t VEDataManager::TablesToString(const DataBase& IDB, const std::string& Tbls, std::string& Buffer,
                                           const std::vector<TblRequest>& TblsFltr) {
    try {
        std::string buf;
        std::int64_t used = 0;
        std::string work;
        // What a reader must get back from the text; checked at the end.
        DataBase expected;
        expected.flags = IDB.flags;
        expected.Name = IDB.Name;
        expected.Path = IDB.Path;
        expected.Ready = IDB.Ready;
        expected.tag = IDB.tag;
        expected.Version = IDB.Version;

        AddDBInfo(IDB, work);
        AppendToBuffer(buf, work, used);
        if (IDB.HTabNum < 0 || static_cast<std::size_t>(IDB.HTabNum) > IDB.HTables.size()) vb::Raise(vb::errSubscript);
        for (std::int32_t h = 0; h < IDB.HTabNum; ++h) {
            const HelpTable& ht = IDB.HTables[static_cast<std::size_t>(h)];
            if (HTableToString(ht, work) != 1) vb::Raise(vb::errInvalidCall);
            AppendToBuffer(buf, work, used);
            HelpTable& e = expected.HTables.emplace_back();
            e.Name = ht.Name;
            e.flags = ht.flags;
            e.RecNum = ht.RecNum;
            e.hfields.assign(ht.hfields.begin(), ht.hfields.begin() + ht.RecNum);
        }
        expected.HTabNum = static_cast<std::int32_t>(expected.HTables.size());

        std::string name;
        std::int64_t pos = 1;
        const auto len = static_cast<std::int64_t>(Tbls.size());
        while (pos <= len) {
            pos = fmt::GetTextTillTail(Tbls, name, pos);
            const std::int32_t t = FindTable(IDB, name);
            if (t <= 0) {
                SetError(errNoTableForString, "TablesToString", "Table " + name + " in DB " + IDB.Name);
                Buffer.clear();
                return -2;
            }
            const Table& tbl = IDB.Tables[static_cast<std::size_t>(t) - 1];
            Request filter;
            for (const TblRequest& f : TblsFltr) {
                if (f.TblName == name) filter.ReqFields = f.ReqFields;
            }
            if (TableToString(tbl, work, filter) != 1) vb::Raise(vb::errInvalidCall);
            AppendToBuffer(buf, work, used);

            Table& e = expected.Tables.emplace_back();
            e.Name = tbl.Name;
            e.flags = tbl.flags;
            e.tag = tbl.tag;
            e.Caption.Num = tbl.Caption.Num;
            e.Caption.tag = tbl.Caption.tag;
            e.Caption.fields.assign(tbl.Caption.fields.begin(), tbl.Caption.fields.begin() + tbl.Caption.Num);
            for (std::int32_t r = 0; r < tbl.RecNum; ++r) {
                const Record& rec = tbl.Records[static_cast<std::size_t>(r)];
                if (!filter.ReqFields.empty() && FilterRecord(rec, filter) != 1) continue;
                Record& copy = e.Records.emplace_back(rec);
                copy.fields.resize(static_cast<std::size_t>(tbl.Caption.Num));
            }
            e.RecNum = static_cast<std::int32_t>(e.Records.size());
        }
        expected.tabnum = static_cast<std::int32_t>(expected.Tables.size());
        buf.resize(static_cast<std::size_t>(used));

        // The format has no escape for its markers (nor for SEP outside
        // record values): a text holding one would read back as something
        // else, so such a database is refused rather than handed out broken.
        DataBase check;
        ParseStringForm(buf, check);
        if (!(check == expected)) vb::Raise(vb::errInvalidCall);
        Buffer = std::move(buf);
        return 0;
    } catch (...) {
        SetError(errUnknown, "TablesToString", "Tbls: " + Tbls, CurrentError());
        Buffer.clear();
        return -1;
    }
}

void VEDataManager::ReadDBInfo(DataBase& BufDB, const std::string& InpData) {
    std::size_t pos = Require(InpData, kDbInfo, 0) + kDbInfo.size() + 1;
    BufDB.flags = vb::CInt(vb::Val(NextPart(InpData, pos)));
    BufDB.Name = NextPart(InpData, pos);
    BufDB.Path = NextPart(InpData, pos);
    BufDB.Ready = NextPart(InpData, pos) == "True";
    BufDB.tag = NextPart(InpData, pos);
    std::size_t end = InpData.find(kDbInfoEnd, pos);
    BufDB.Version = end == std::string::npos ? Rest(InpData, pos) : InpData.substr(pos, end - pos);
}

std::int32_t VEDataManager::GetDBInfo(DataBase& BufDB, const std::string& InpData) {
    try {
        ReadDBInfo(BufDB, InpData);
    } catch (...) {
        SetError(errUnknown, "GetDBInfo", "Part of InpData : " + InpData.substr(0, 35), CurrentError());
    }
    return 0;
}

std::int64_t VEDataManager::GetHTblInfoFrmStr(const std::string& text, HelpTable& Htbl) {
    const std::size_t start = Require(text, kHTblInfo, 0) + kHTblInfo.size();
    const std::size_t end = Require(text, kHTblInfoEnd, start);
    const std::string info = text.substr(start, end - start);
    std::size_t pos = 0;
    Htbl.Name = NextPart(info, pos);
    Htbl.flags = vb::CLng(vb::Val(NextPart(info, pos)));
    Htbl.RecNum = vb::CLng(vb::Val(NextPart(info, pos)));
    std::size_t after = end + kHTblInfoEnd.size();
    if (text.compare(after, kItem.size(), kItem) == 0) after += kItem.size();
    return static_cast<std::int64_t>(after);
}

void VEDataManager::ReadHTable(const std::string& InpStr, HelpTable& BufHTbl) {
    std::size_t pos = static_cast<std::size_t>(GetHTblInfoFrmStr(InpStr, BufHTbl));
    const std::int32_t declared = BufHTbl.RecNum;
    BufHTbl.hfields.clear();
    // Entries grow as they are found; the count only limits them.
    const bool hasEntries = pos >= kItem.size() && InpStr.compare(pos - kItem.size(), kItem.size(), kItem) == 0;
    for (std::int32_t e = 0; hasEntries && e < declared && pos < InpStr.size(); ++e) {
        HelpField f;
        std::size_t sep = InpStr.find(SEP, pos);
        if (sep == std::string::npos) vb::Raise(vb::errInvalidCall);
        f.str = InpStr.substr(pos, sep - pos);
        std::size_t next = InpStr.find(kItem, sep + 1);
        std::size_t end = next == std::string::npos ? InpStr.size() : next;
        f.Num = vb::CInt(vb::Val(std::string_view(InpStr).substr(sep + 1, end - sep - 1)));
        BufHTbl.hfields.push_back(std::move(f));
        pos = next == std::string::npos ? InpStr.size() : next + kItem.size();
    }
    BufHTbl.RecNum = static_cast<std::int32_t>(BufHTbl.hfields.size());
}

std::int32_t VEDataManager::StringToHTable(const std::string& InpStr, HelpTable& BufHTbl) {
    try {
        ReadHTable(InpStr, BufHTbl);
    } catch (...) {
        SetError(errUnknown, "StringToHTable", "Htbl.name = " + BufHTbl.Name, CurrentError());
    }
    return 0;
}

std::int64_t VEDataManager::GetTblInfoFrmStr(const std::string& text, Table& Tbl) {
    const std::size_t start = Require(text, kTblInfo, 0) + kTblInfo.size();
    const std::size_t end = Require(text, kTblInfoEnd, start);
    const std::vector<std::string_view> items = SplitAll(std::string_view(text).substr(start, end - start), kItem);
    if (items.size() < 2) vb::Raise(vb::errInvalidCall);
    std::size_t pos = 0;
    Tbl.Name = NextPart(items[0], pos);
    Tbl.flags = vb::CInt(vb::Val(NextPart(items[0], pos)));
    Tbl.RecNum = vb::CLng(vb::Val(NextPart(items[0], pos)));
    Tbl.tag = Rest(items[0], pos);
    pos = 0;
    const std::int16_t num = vb::CInt(vb::Val(NextPart(items[1], pos)));
    Tbl.Caption.tag = Rest(items[1], pos);
    if (num < 1) vb::Raise(vb::errSubscript);
    // The count only limits the columns: each one comes from a column part
    // of the text, so a large count in a short text allocates nothing.
    Tbl.Caption.fields.clear();
    for (std::size_t c = 0; c < static_cast<std::size_t>(num) && c + 2 < items.size(); ++c) {
        std::size_t p = 0;
        HeadField& f = Tbl.Caption.fields.emplace_back();
        f.Name = NextPart(items[c + 2], p);
        f.flags = vb::CInt(vb::Val(NextPart(items[c + 2], p)));
        f.HelpTable = NextPart(items[c + 2], p);
    }
    if (Tbl.Caption.fields.empty()) vb::Raise(vb::errSubscript);
    Tbl.Caption.Num = static_cast<std::int16_t>(Tbl.Caption.fields.size());
    return static_cast<std::int64_t>(end + kTblInfoEnd.size());
}

void VEDataManager::ReadTable(const std::string& InpStr, Table& BufTbl) {
    if (InpStr.compare(0, kTblStart.size(), kTblStart) != 0) return;
    std::size_t pos = static_cast<std::size_t>(GetTblInfoFrmStr(InpStr, BufTbl));
    const std::int32_t declared = BufTbl.RecNum;
    const auto cols = static_cast<std::size_t>(BufTbl.Caption.Num);
    BufTbl.Records.clear();
    if (declared != 0 && InpStr.compare(pos, kItem.size(), kItem) == 0) {
        pos += kItem.size();
        // As the file reader does: views of the text, or of an unescaped
        // copy where a value has an escape, stored as one block.
        std::vector<std::string> unescaped(cols);
        std::vector<std::string_view> views(cols);
        for (std::int32_t r = 0; r < declared && pos <= InpStr.size(); ++r) {
            std::size_t next = InpStr.find(kItem, pos);
            std::size_t end = next == std::string::npos ? InpStr.size() : next;
            std::string_view text = std::string_view(InpStr).substr(pos, end - pos);
            // Exactly one value per column: the last record carries the
            // closing SEP and marker after its values.
            std::size_t p = 0;
            for (std::size_t c = 0; c < cols; ++c) {
                views[c] = {};
                if (p > text.size()) continue;
                std::size_t sep = text.find(SEP, p);
                std::size_t stop = sep == std::string_view::npos ? text.size() : sep;
                views[c] = fmt::UnescapedView(text.substr(p, stop - p), false, unescaped[c]);
                p = stop + 1;
            }
            BufTbl.Records.emplace_back().fields.Assign(views);
            if (next == std::string::npos) break;
            pos = next + kItem.size();
        }
    }
    BufTbl.RecNum = static_cast<std::int32_t>(BufTbl.Records.size());
}

std::int32_t VEDataManager::StringToTable(const std::string& InpStr, Table& BufTbl) {
    try {
        ReadTable(InpStr, BufTbl);
    } catch (...) {
        SetError(errUnknown, "StringToTable", "Part of string: " + InpStr.substr(0, 50), CurrentError());
    }
    return 0;
}

void VEDataManager::ParseStringForm(const std::string& InpStr, DataBase& BufDB) {
    const std::size_t infoEnd = Require(InpStr, kDbInfoEnd, 0);
    ReadDBInfo(BufDB, InpStr.substr(0, infoEnd));
    const std::size_t after = infoEnd + kDbInfoEnd.size();

    std::vector<HelpTable> helps;
    for (std::size_t s = InpStr.find(kHTblStart, after); s != std::string::npos; s = InpStr.find(kHTblStart, s + 1)) {
        const std::size_t end = Require(InpStr, kHTblEnd, s) + kHTblEnd.size();
        ReadHTable(InpStr.substr(s, end - s), helps.emplace_back());
    }
    if (!helps.empty()) {
        BufDB.HTables = std::move(helps);
        BufDB.HTabNum = static_cast<std::int32_t>(BufDB.HTables.size());
    }
    std::vector<Table> tables;
    for (std::size_t s = InpStr.find(kTblStart, after); s != std::string::npos; s = InpStr.find(kTblStart, s + 1)) {
        const std::size_t end = Require(InpStr, kTblEnd, s) + kTblEnd.size();
        ReadTable(InpStr.substr(s, end - s), tables.emplace_back());
    }
    if (!tables.empty()) {
        BufDB.Tables = std::move(tables);
        BufDB.tabnum = static_cast<std::int32_t>(BufDB.Tables.size());
    }
}

std::optional<std::int32_t> VEDataManager::StringToDB(DataBase& BufDB, const std::string& InpStr) {
    try {
        // Read into a copy, so a text that fails half-way changes nothing.
        DataBase read = BufDB;
        ParseStringForm(InpStr, read);
        BufDB = std::move(read);
        return std::nullopt;
    } catch (...) {
        SetError(errUnknown, "StringToDb", "Part of InpStr : " + InpStr.substr(0, 35), CurrentError());
        return 0;
    }
}

}  // namespace vedb
