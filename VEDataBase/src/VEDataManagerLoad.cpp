// The database text file reader. Counts in the file are never trusted to size
// anything: tables, records and entries grow as their lines are read. A block
// that can be read only in part keeps what it has, records the error and lets
// the load go on; the load then reports 0 so that callers know.
#include <memory>

#include "VEDataManager.h"
#include "VEDataManagerFormat.h"
#include "clsMD5HASH.h"
#include "clsRC4.h"
#include "clsZLIB.h"
#include "platform/FileIO.h"
#include "platform/TextStream.h"
#include "platform/VbError.h"
#include "platform/VbStrings.h"

namespace vedb {
namespace {

std::string LineText(const plat::TextReader& in) { return "line " + vb::CStr(in.Line() - 1); }

// The two parts of a counts line ("flags SEP count"); a line without SEP is
// a run-time error.
void SplitCounts(const std::string& line, std::string& first, std::string& second) {
    std::size_t p = line.find(SEP);
    if (p == std::string::npos) vb::Raise(vb::errInvalidCall);
    first = line.substr(0, p);
    second = line.substr(p + 1);
}

}  // namespace

bool VEDataManager::IsEndLine(std::string_view line, std::string_view expected) const {
    // A cipher text is compared exactly (another letter case is another
    // cipher text); plain end lines match in any letter case, as the new-file
    // template writes "[End DataTable]".
    if (encrypted_) return line == expected;
    return fmt::EqualsIgnoreAsciiCase(line, expected);
}

std::int32_t VEDataManager::FindStrInList(const std::vector<std::string>& list, const std::string& text) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i] == text) return static_cast<std::int32_t>(i) + 1;
    }
    return 0;
}

std::int32_t VEDataManager::LoadDB(DataBase& DB, const std::string& Path, const std::string& Pasw) {
    partial_ = false;
    bool expanded = false;
    for (;;) {
        DB.Ready = false;
        DB.Path = Path;
        if (!plat::FileExists(Path)) return -4;
        try {
            std::unique_ptr<clsMD5HASH, void (*)(clsMD5HASH*)> md5(new clsMD5HASH(),
                                                                   [](clsMD5HASH* p) { p->Release(); });
            plat::TextReader in(Path);
            if (DB.HTabNum != 0 || DB.tabnum != 0 || !DB.Tables.empty() || !DB.HTables.empty()) CleanData(DB);
            if (!Pasw.empty()) cipher_->Key(Pasw);

            std::string first = in.ReadLine();
            if (first.size() != fmt::kEncryptedMark.size() && first.size() != fmt::kPlainMark.size() && !expanded) {
                if (first.rfind(ZlibFileMarker, 0) != 0) return -5;
                in.Close();
                // A stream that does not expand leaves the file as it was;
                // the next pass then finds no mark.
                clsZLIB zlib;
                zlib.DecompressFile(Path, Path);
                expanded = true;
                continue;
            }
            if (first == fmt::kPlainMark) {
                encrypted_ = false;
            } else if (first == fmt::kEncryptedMark) {
                encrypted_ = true;
                if (in.ReadLine() != md5->DigestStrToHexStr(Pasw)) return -6;
            } else {
                return -2;
            }

            std::string header = in.ReadLine();
            std::string key = Pasw;
            DecodeLine(header, key);
            AnalyseDHeader(DB, header);

            while (!in.AtEndOfStream()) {
                std::string line = in.ReadLine();
                if (AnalyseString(line, DB, in) == 0) return 0;
            }
            if (partial_) return 0;
            DB.Ready = true;
            return 1;
        } catch (...) {
            SetError(errUnknown, "LoadDB", "LoadPath:" + Path, CurrentError());
            return -1;
        }
    }
}

std::int32_t VEDataManager::AnalyseDHeader(DataBase& DB, const std::string& header) {
    const std::string extra = "Header: " + header;
    try {
        std::string part;
        std::int64_t pos = 1;
        pos = fmt::GetTextTillTail(header, part, pos);
        // An empty name or version is recorded, but the parts after it are
        // still read: a database saved with either empty loads back whole.
        const bool noName = part.empty();
        if (noName)
            SetError(errNoDbName, "AnalyseDHeader", extra);
        else
            DB.Name = fmt::UnescapeValue(part);
        pos = fmt::GetTextTillTail(header, part, pos);
        if (part.empty()) {
            SetError(errNoDbFlags, "AnalyseDHeader", extra);
            return 0;
        }
        DB.flags = vb::CInt(vb::Val(part));
        dbFlags_ = DB.flags;
        encrypted_ = (DB.flags & 1) != 0;
        pos = fmt::GetTextTillTail(header, part, pos);
        const bool noVersion = part.empty();
        if (noVersion)
            SetError(errNoDbFlags, "AnalyseDHeader", extra);
        else
            DB.Version = fmt::UnescapeValue(part);
        fmt::GetTextTillTail(header, part, pos);
        if (!part.empty()) DB.tag = fmt::UnescapeValue(part);
        return noName || noVersion ? 0 : 1;
    } catch (...) {
        SetError(errUnknown, "AnalyseDHeader", extra, CurrentError());
        return -1;
    }
}

std::int32_t VEDataManager::AnalyseString(const std::string& line, DataBase& DB, plat::TextReader& in) {
    // Error extras name the line's number, not its text: a misplaced line may
    // be a record.
    try {
        std::string s = line;
        DecodeLine(s);
        s = vb::Trim(s);
        if (s.empty() || s[0] != '[') {
            SetError(errUnrecognizedLine, "AnalyseString", "Part of String: " + LineText(in));
            return 0;
        }
        if (s.rfind(fmt::kHelpTablePrefix, 0) == 0) return LoadNewHTable(DB, s, in) == 0 ? 0 : 1;
        if (s.back() == ']') return LoadNewTable(DB, s, in) == 0 ? 0 : 1;
        SetError(errUnrecognizedLine, "AnalyseString", "String: " + LineText(in));
        return 0;
    } catch (...) {
        SetError(errUnknown, "AnalyseString", "VarBuf: " + LineText(in), CurrentError());
        partial_ = true;
        return -1;
    }
}

std::int32_t VEDataManager::LoadNewHTable(DataBase& DB, const std::string& first, plat::TextReader& in) {
    DB.HTables.emplace_back();
    DB.HTabNum = static_cast<std::int32_t>(DB.HTables.size());
    HelpTable& ht = DB.HTables.back();
    const std::string extra = "VarBuf:" + first;
    try {
        if (first.size() > fmt::kHelpTableMarker.size() + 1)
            ht.Name = first.substr(fmt::kHelpTableMarker.size(), first.size() - fmt::kHelpTableMarker.size() - 1);
        std::string expected = "[END " + ht.Name + "]";
        EncodeLine(expected);

        // Decoded first, then trimmed: trimming a cipher text would cut it.
        std::string counts = in.ReadLine();
        DecodeLine(counts);
        counts = vb::Trim(counts);
        std::string flagsText, countText;
        SplitCounts(counts, flagsText, countText);
        ht.flags = vb::CLng(vb::Val(flagsText));
        const double declared = vb::Val(countText);

        bool overReported = false;
        for (;;) {
            if (in.AtEndOfStream()) {
                SetError(errUnknown, "LoadNewHTable", extra,
                         {vb::errInputPastEnd, vb::StandardDescription(vb::errInputPastEnd)});
                partial_ = true;
                ht.RecNum = static_cast<std::int32_t>(ht.hfields.size());
                return -1;
            }
            std::string line = in.ReadLine();
            if (!encrypted_) line = vb::Trim(line);
            if (line == expected) break;
            if (encrypted_) {
                DecodeLine(line);
                line = vb::Trim(line);
            }
            HelpField entry;
            std::string part;
            std::int64_t pos = 1;
            pos = fmt::GetTextTillTail(line, part, pos);
            entry.str = fmt::UnescapeValue(part);
            fmt::GetTextTillTail(line, part, pos);
            try {
                entry.Num = vb::CInt(vb::Val(part));
            } catch (...) {
                SetError(errUnknown, "LoadNewHTable", extra, CurrentError());
                partial_ = true;
            }
            ht.hfields.push_back(std::move(entry));
            if (!overReported && static_cast<double>(ht.hfields.size()) > declared) {
                SetError(errUnknown, "LoadNewHTable", extra,
                         {vb::errSubscript, vb::StandardDescription(vb::errSubscript)});
                partial_ = true;
                overReported = true;
            }
        }
        ht.RecNum = static_cast<std::int32_t>(ht.hfields.size());
        return 1;
    } catch (...) {
        SetError(errUnknown, "LoadNewHTable", extra, CurrentError());
        partial_ = true;
        ht.RecNum = static_cast<std::int32_t>(ht.hfields.size());
        return -1;
    }
}

std::int32_t VEDataManager::LoadNewTable(DataBase& DB, const std::string& first, plat::TextReader& in) {
    if (first.size() < 3) {
        SetError(errWrongTableName, "LoadNewTable", first);
        return 0;
    }
    const std::string name = first.substr(1, first.size() - 2);
    if (FindTable(DB, name) != 0) {
        SetError(errTableExists, "LoadNewTable", name);
        return 0;
    }
    DB.Tables.emplace_back();
    DB.tabnum = static_cast<std::int32_t>(DB.Tables.size());
    const std::int32_t index = DB.tabnum;
    try {
        DB.Tables.back().Name = name;
        std::string counts = in.ReadLine();
        DecodeLine(counts);
        std::string flagsText, countText;
        SplitCounts(counts, flagsText, countText);
        DB.Tables.back().flags = vb::CInt(vb::Val(flagsText));
        const double declared = vb::Val(countText);

        std::string tag = in.ReadLine();
        DecodeLine(tag);
        // A plain file stores the tag escaped like a value.
        DB.Tables.back().tag = encrypted_ ? std::move(tag) : fmt::UnescapeValue(tag);

        std::string caption = in.ReadLine();
        DecodeLine(caption);
        if (LoadNewCaption(DB, vb::Trim(caption), index) == 0) return 0;
        LoadTblFields(DB.Tables[static_cast<std::size_t>(index) - 1], in, DB, declared);
        return 1;
    } catch (...) {
        SetError(errUnknown, "LoadNewTable", "VarBuf: " + first, CurrentError());
        partial_ = true;
        return -1;
    }
}

std::int32_t VEDataManager::LoadNewCaption(DataBase& DB, const std::string& caption, std::int32_t tableIndex) {
    std::string part;
    try {
        std::int64_t pos = 1;
        const auto len = static_cast<std::int64_t>(caption.size());
        do {
            pos = fmt::GetTextTillTail(caption, part, pos);
            part = vb::Trim(part);
            if (LoadNewHeadF(DB, part, tableIndex) == 0) return 0;
        } while (pos <= len);
        return 1;
    } catch (...) {
        SetError(errUnknown, "LoadNewCaption", "VarBuf: " + caption + ",VarLocbuf: " + part, CurrentError());
        partial_ = true;
        return -1;
    }
}

std::int32_t VEDataManager::LoadNewHeadF(DataBase& DB, const std::string& column, std::int32_t tableIndex) {
    Table& tbl = tableIndex == 0 ? DB.Tables.back() : DB.Tables.at(static_cast<std::size_t>(tableIndex) - 1);
    std::string part;
    try {
        std::string name;
        std::int64_t pos = 1;
        pos = fmt::GetTextTillSepar(column, name, " ", pos);
        if (FindField(tbl, name) != 0) {
            SetError(errFieldExists, "LoadNewHeadF", "field " + name + " in table " + tbl.Name);
            return 0;
        }
        if (tbl.Caption.fields.size() >= 32767) vb::Raise(vb::errOverflow);
        tbl.Caption.fields.emplace_back();
        tbl.Caption.Num = static_cast<std::int16_t>(tbl.Caption.fields.size());
        HeadField& f = tbl.Caption.fields.back();
        f.Name = name;
        const std::int64_t afterName = pos;
        fmt::GetTextTillSepar(column, part, " ", pos);
        f.flags = vb::CInt(vb::Val(part));
        if (f.flags & 8) {
            // Searched after the name, so a name cannot pose as the link.
            std::size_t key = column.find(fmt::kHelpTableKey, static_cast<std::size_t>(afterName - 1));
            if (key == std::string::npos) {
                SetError(errWrongCaptionField, "LoadNewHeadF", "table " + tbl.Name + " field " + column);
                return 0;
            }
            std::int64_t linkPos = static_cast<std::int64_t>(key + fmt::kHelpTableKey.size()) + 1;
            fmt::GetTextTillSepar(column, f.HelpTable, " ", linkPos);
        }
        return 1;
    } catch (...) {
        SetError(errUnknown, "LoadNewHeadF", "VarBuf: " + column + ", VarLocBuf: " + part, CurrentError());
        partial_ = true;
        return -1;
    }
}

std::int32_t VEDataManager::LoadTblFields(Table& Tbl, plat::TextReader& in, const DataBase& DB, double declared) {
    std::string expected = "[END " + Tbl.Name + "]";
    EncodeLine(expected);
    const std::size_t cols = Tbl.Caption.fields.size();
    std::vector<bool> restoreControls(cols);
    for (std::size_t c = 0; c < cols; ++c) restoreControls[c] = (Tbl.Caption.fields[c].flags & 2) != 0;

    // Record text never reaches the error history: the extra holds counts only.
    auto where = [&](std::size_t column, std::int64_t pos) {
        return "DB: " + DB.Name + ", Table: " + Tbl.Name +
               ", VarC: " + vb::Str(static_cast<std::int64_t>(Tbl.Records.size())) +
               ", VarI:" + vb::Str(static_cast<std::int64_t>(column)) + ", VarPos:" + vb::Str(pos) +
               ", VarNum: " + vb::Str(declared);
    };
    Tbl.Records.clear();
    std::int32_t result = 1;
    bool overReported = false;
    try {
        std::string line;
        for (;;) {
            if (in.AtEndOfStream()) {
                SetError(errUnknown, "LoadTblFields", where(0, 0),
                         {vb::errInputPastEnd, vb::StandardDescription(vb::errInputPastEnd)});
                partial_ = true;
                result = -1;
                break;
            }
            line = in.ReadLine();
            if (IsEndLine(line, expected)) break;
            if (!overReported && static_cast<double>(Tbl.Records.size() + 1) > declared) {
                SetError(errUnknown, "LoadTblFields", where(0, 0),
                         {vb::errSubscript, vb::StandardDescription(vb::errSubscript)});
                partial_ = true;
                overReported = true;
                result = -1;
            }
            DecodeLine(line);
            Record& rec = Tbl.Records.emplace_back();
            rec.fields.resize(cols);
            std::string_view rest(line);
            std::size_t c = 0;
            std::size_t pos = 0;
            while (pos < rest.size()) {
                std::size_t sep = rest.find(SEP, pos);
                std::size_t end = sep == std::string_view::npos ? rest.size() : sep;
                if (c >= cols) {
                    // More parts than columns: keep the first ones.
                    SetError(errUnknown, "LoadTblFields", where(c + 1, static_cast<std::int64_t>(pos) + 1),
                             {vb::errSubscript, vb::StandardDescription(vb::errSubscript)});
                    partial_ = true;
                    result = -1;
                    break;
                }
                rec.fields[c] = fmt::UnescapeValue(rest.substr(pos, end - pos), restoreControls[c]);
                ++c;
                pos = end + 1;
            }
        }
    } catch (...) {
        SetError(errUnknown, "LoadTblFields", where(0, 0), CurrentError());
        partial_ = true;
        result = -1;
    }
    Tbl.RecNum = static_cast<std::int32_t>(Tbl.Records.size());
    return result;
}

std::int32_t VEDataManager::LoadPartDB(DataBase& DB, const std::string& Path, const std::vector<std::string>& Tables) {
    DB.Ready = false;
    partial_ = false;
    if (!plat::FileExists(Path)) return -4;
    // A damaged file is reported like any other load failure; no run-time
    // error reaches the caller, whose result check is all it has.
    try {
        plat::TextReader in(Path);
        // Plain files only: their lines are read as they are.
        if (in.ReadLine() != fmt::kPlainMark) {
            SetError(errUnrecognizedLine, "LoadPartDB", "Part of String: line 1");
            return 0;
        }
        encrypted_ = false;
        AnalyseDHeader(DB, in.ReadLine());
        encrypted_ = false;
        std::size_t loaded = 0;
        while (!in.AtEndOfStream()) {
            std::string line = vb::Trim(in.ReadLine());
            const std::int32_t before = DB.tabnum;
            const std::int32_t r = AnalyseStringForPart(line, DB, in, Tables);
            if (DB.tabnum > before && ++loaded == Tables.size()) break;
            if (r == 0) return 0;
        }
    } catch (...) {
        SetError(errUnknown, "LoadPartDB", "LoadPath:" + Path, CurrentError());
        return -1;
    }
    if (partial_) return 0;
    DB.Ready = true;
    return 1;
}

std::int32_t VEDataManager::AnalyseStringForPart(const std::string& line, DataBase& DB, plat::TextReader& in,
                                                 const std::vector<std::string>& Tables) {
    try {
        if (line.empty() || line[0] != '[') {
            SetError(errUnrecognizedLine, "AnalyseStringForPart", "Part of String: " + LineText(in));
            return 0;
        }
        if (line.rfind(fmt::kHelpTablePrefix, 0) == 0) return LoadNewHTable(DB, line, in) == 0 ? 0 : 1;
        if (line.back() == ']') {
            const std::string name = line.size() >= 2 ? line.substr(1, line.size() - 2) : std::string();
            if (FindStrInList(Tables, name) != 0) return LoadNewTable(DB, line, in) == 0 ? 0 : 1;
            // Skip the block: its counts, tag and caption lines, then every
            // line up to its end line (the count in the file is not trusted).
            in.SkipLine();
            in.SkipLine();
            in.SkipLine();
            const std::string expected = "[END " + name + "]";
            for (;;) {
                std::string skipped = in.ReadLine();
                if (IsEndLine(skipped, expected)) return 1;
            }
        }
        SetError(errUnrecognizedLine, "AnalyseStringForPart", "String: " + LineText(in));
        return 0;
    } catch (...) {
        SetError(errUnknown, "AnalyseStringForPart", LineText(in), CurrentError());
        partial_ = true;
        return -1;
    }
}

}  // namespace vedb
