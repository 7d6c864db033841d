// The database text file reader. Counts in the file are never trusted to size
// anything: tables, records and entries grow as their lines are read.
//
// The format has no checksum, so the reader checks every line against the
// shape the writer gives it: numbers as the writer writes them, a header of
// three or four parts, caption columns that read back to the same text,
// records with one value per column, and each block ending at its declared
// count with its own end line. A line that fails is damage: the block keeps
// what it could read, the error is recorded, the load goes on with the next
// block and reports 0, so that callers keep the original before they save.
// A load that reports 1 therefore holds everything the file holds.
#include <algorithm>
#include <limits>
#include <memory>

#include "TextLines.h"
#include "VEDataManager.h"
#include "VEDataManagerFormat.h"
#include "clsMD5HASH.h"
#include "clsRC4.h"
#include "clsZLIB.h"
#include "platform/FileIO.h"
#include "platform/VbError.h"
#include "platform/VbStrings.h"

namespace vedb {
namespace {

constexpr std::int64_t kInt16Min = std::numeric_limits<std::int16_t>::min();
constexpr std::int64_t kInt16Max = std::numeric_limits<std::int16_t>::max();
constexpr std::int64_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();

std::string LineText(const TextLines& in) { return "line " + vb::CStr(in.Line() - 1); }

// The number a count text gives, for the error texts only.
double DeclaredValue(std::string_view text) {
    try {
        return vb::Val(text);
    } catch (...) {
        return 0;
    }
}

}  // namespace

bool VEDataManager::IsEndLine(std::string_view line, std::string_view expected) const {
    // A cipher text is compared exactly (another letter case is another
    // cipher text); plain end lines match in any letter case, as the new-file
    // template writes "[End DataTable]".
    if (encrypted_) return line == expected;
    return fmt::EqualsIgnoreAsciiCase(line, expected);
}

bool VEDataManager::IsBlockEnd(std::string_view line, const BlockEnd& end) const {
    if (encrypted_) return line == end.expected;
    if (end.trimPlain) line = fmt::TrimBlanks(line);
    return end.anyCase ? fmt::EqualsIgnoreAsciiCase(line, end.expected) : line == end.expected;
}

VEDataManager::BlockLine VEDataManager::NextBlockLine(TextLines& in, BlockEnd& end, std::size_t itemsRead,
                                                      std::string_view& item) {
    if (in.AtEnd()) return BlockLine::Eof;
    const TextLines::Mark here = in.Here();
    item = in.Next();
    if (IsBlockEnd(item, end)) return BlockLine::End;
    if (!end.countKnown || itemsRead < end.count || end.beyondCount) return BlockLine::Item;
    // The count is reached and this is no end line: either the count is
    // short of the items (the end line follows further on) or the end line
    // itself is damaged, and then the block ends here and the next line
    // starts the next block.
    while (!in.AtEnd()) {
        if (IsBlockEnd(in.Next(), end)) {
            end.beyondCount = true;
            in.Back(here);
            item = in.Next();
            return BlockLine::Item;
        }
    }
    in.Back(here);
    in.Next();
    return BlockLine::DamagedEnd;
}

void VEDataManager::NoteDamage(const char* from, const std::string& extra, long vbError) {
    SetError(errUnknown, from, extra, {vbError, vb::StandardDescription(vbError)});
    partial_ = true;
}

void VEDataManager::ReadCounts(std::string_view counts, std::int64_t flagsMin, std::int64_t flagsMax,
                               std::int64_t& flags, BlockEnd& end, const char* from, const std::string& extra) {
    flags = 0;
    end.countKnown = false;
    const std::size_t sep = counts.find(SEP);
    if (sep == std::string_view::npos || counts.find(SEP, sep + 1) != std::string_view::npos) {
        end.declared = sep == std::string_view::npos ? 0 : DeclaredValue(counts.substr(sep + 1));
        NoteDamage(from, extra, vb::errSubscript);
        return;
    }
    const std::string_view flagsText = counts.substr(0, sep);
    const std::string_view countText = counts.substr(sep + 1);
    std::int64_t count = 0;
    const bool flagsOk = fmt::ParseStoredInt(flagsText, flagsMin, flagsMax, flags);
    end.countKnown = fmt::ParseStoredInt(countText, 0, kInt32Max, count);
    end.count = static_cast<std::uint64_t>(count);
    end.declared = end.countKnown ? static_cast<double>(count) : DeclaredValue(countText);
    if (!flagsOk) flags = 0;
    if (!flagsOk || !end.countKnown) NoteDamage(from, extra, vb::errTypeMismatch);
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
            TextLines in(plat::ReadFileOrRaise(Path));
            if (DB.HTabNum != 0 || DB.tabnum != 0 || !DB.Tables.empty() || !DB.HTables.empty()) CleanData(DB);
            if (!Pasw.empty()) cipher_->Key(Pasw);

            const std::string_view first = in.Next();
            if (first.size() != fmt::kEncryptedMark.size() && first.size() != fmt::kPlainMark.size() && !expanded) {
                if (!first.starts_with(ZlibFileMarker)) return -5;
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
                if (in.Next() != md5->DigestStrToHexStr(Pasw)) return -6;
            } else {
                return -2;
            }

            std::string header(in.Next());
            std::string key = Pasw;
            DecodeLine(header, key);
            AnalyseDHeader(DB, header);

            while (!in.AtEnd()) {
                if (AnalyseString(in.Next(), DB, in) == 0) return 0;
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
    // Whether the lines are enciphered is the mark's word; the header's bit
    // must agree with it, and where it does not the mark is kept.
    const bool marked = encrypted_;
    try {
        const auto parts = static_cast<std::size_t>(std::count(header.begin(), header.end(), SEP)) + 1;
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
        // The writer always writes the flags: a header without them is damaged.
        if (part.empty()) {
            SetError(errNoDbFlags, "AnalyseDHeader", extra);
            partial_ = true;
            return 0;
        }
        std::int64_t flags = 0;
        if (!fmt::ParseStoredInt(part, kInt16Min, kInt16Max, flags)) {
            NoteDamage("AnalyseDHeader", extra, vb::errTypeMismatch);
        } else {
            DB.flags = static_cast<std::int16_t>(flags);
            dbFlags_ = DB.flags;
            if (((flags & 1) != 0) != marked) NoteDamage("AnalyseDHeader", extra, vb::errInvalidCall);
        }
        encrypted_ = marked;
        if (parts < 3) {
            SetError(errNoDbFlags, "AnalyseDHeader", extra);
            partial_ = true;
            return 0;
        }
        pos = fmt::GetTextTillTail(header, part, pos);
        const bool noVersion = part.empty();
        if (noVersion)
            SetError(errNoDbFlags, "AnalyseDHeader", extra);
        else
            DB.Version = fmt::UnescapeValue(part);
        fmt::GetTextTillTail(header, part, pos);
        if (!part.empty()) DB.tag = fmt::UnescapeValue(part);
        // The writer gives four parts; only the new-user template, a plain
        // text, has three.
        if (parts > 4 || (parts == 3 && marked)) NoteDamage("AnalyseDHeader", extra, vb::errSubscript);
        return noName || noVersion ? 0 : 1;
    } catch (...) {
        SetError(errUnknown, "AnalyseDHeader", extra, CurrentError());
        partial_ = true;
        return -1;
    }
}

std::int32_t VEDataManager::AnalyseString(std::string_view line, DataBase& DB, TextLines& in) {
    // Error extras name the line's number, not its text: a misplaced line may
    // be a record.
    try {
        std::string s(line);
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

std::int32_t VEDataManager::LoadNewHTable(DataBase& DB, const std::string& first, TextLines& in) {
    DB.HTables.emplace_back();
    DB.HTabNum = static_cast<std::int32_t>(DB.HTables.size());
    HelpTable& ht = DB.HTables.back();
    const std::string extra = "VarBuf:" + first;
    std::int32_t result = 1;
    try {
        if (first.size() > fmt::kHelpTableMarker.size() + 1)
            ht.Name = first.substr(fmt::kHelpTableMarker.size(), first.size() - fmt::kHelpTableMarker.size() - 1);
        BlockEnd end;
        end.expected = "[END " + ht.Name + "]";
        EncodeLine(end.expected);
        end.trimPlain = true;

        // Decoded first, then trimmed: trimming a cipher text would cut it.
        std::string counts(in.Next());
        DecodeLine(counts);
        std::int64_t flags = 0;
        ReadCounts(fmt::TrimBlanks(counts), kInt32Min, kInt32Max, flags, end, "LoadNewHTable", extra);
        ht.flags = static_cast<std::int32_t>(flags);

        std::string line;
        for (;;) {
            std::string_view item;
            const BlockLine kind = NextBlockLine(in, end, ht.hfields.size(), item);
            if (kind != BlockLine::Item) {
                const bool short_ = kind == BlockLine::End && end.countKnown && ht.hfields.size() < end.count;
                if (kind != BlockLine::End || short_) {
                    NoteDamage("LoadNewHTable", extra, kind == BlockLine::Eof ? vb::errInputPastEnd : vb::errSubscript);
                    result = -1;
                }
                break;
            }
            if (end.countKnown && ht.hfields.size() == end.count) {
                NoteDamage("LoadNewHTable", extra, vb::errSubscript);
                result = -1;
            }
            line.assign(item);
            DecodeLine(line);
            const std::string_view entryText = fmt::TrimBlanks(line);
            // One text, SEP, and the code as a number.
            const std::size_t sep = entryText.find(SEP);
            HelpField entry;
            std::int64_t num = 0;
            if (sep == std::string_view::npos || entryText.find(SEP, sep + 1) != std::string_view::npos ||
                !fmt::ParseStoredInt(entryText.substr(sep + 1), kInt16Min, kInt16Max, num)) {
                NoteDamage("LoadNewHTable", extra, vb::errTypeMismatch);
                result = -1;
            }
            entry.str = fmt::UnescapeValue(entryText.substr(0, sep));
            entry.Num = static_cast<std::int16_t>(num);
            ht.hfields.push_back(std::move(entry));
        }
    } catch (...) {
        SetError(errUnknown, "LoadNewHTable", extra, CurrentError());
        partial_ = true;
        result = -1;
    }
    ht.RecNum = static_cast<std::int32_t>(ht.hfields.size());
    return result;
}

std::int32_t VEDataManager::LoadNewTable(DataBase& DB, const std::string& first, TextLines& in) {
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
    const std::string extra = "VarBuf: " + first;
    try {
        DB.Tables.back().Name = name;
        BlockEnd end;
        end.expected = "[END " + name + "]";
        EncodeLine(end.expected);
        end.anyCase = true;

        std::string counts(in.Next());
        DecodeLine(counts);
        std::int64_t flags = 0;
        ReadCounts(counts, kInt16Min, kInt16Max, flags, end, "LoadNewTable", extra);
        DB.Tables.back().flags = static_cast<std::int16_t>(flags);

        std::string tag(in.Next());
        DecodeLine(tag);
        // A plain file stores the tag escaped like a value.
        DB.Tables.back().tag = encrypted_ ? std::move(tag) : fmt::UnescapeValue(tag);

        std::string caption(in.Next());
        DecodeLine(caption);
        const std::string trimmed = vb::Trim(caption);
        if (trimmed.size() != caption.size()) NoteDamage("LoadNewCaption", "VarBuf: " + caption, vb::errTypeMismatch);
        if (LoadNewCaption(DB, trimmed, index) == 0) return 0;
        LoadTblFields(DB.Tables[static_cast<std::size_t>(index) - 1], in, DB, end);
        return 1;
    } catch (...) {
        SetError(errUnknown, "LoadNewTable", extra, CurrentError());
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
            const std::string trimmed = vb::Trim(part);
            if (trimmed.size() != part.size())
                NoteDamage("LoadNewCaption", "VarBuf: " + caption + ",VarLocbuf: " + part, vb::errTypeMismatch);
            part = trimmed;
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
        const std::int64_t afterName = pos;
        std::int64_t flags = 0;
        bool wellFormed = false;
        // An older writer followed a negative flags value with its minus sign
        // and no blank ("Name-5", "Name-5 vyht:Help").
        const std::string_view rest = std::string_view(column).substr(name.size());
        const std::size_t minus = name.rfind('-');
        const bool olderNegative = (rest.empty() || rest.starts_with(fmt::kHelpTableTag)) &&
                                   minus != std::string::npos && minus > 0 &&
                                   fmt::ParseStoredInt(std::string_view(name).substr(minus), kInt16Min, -1, flags);
        if (olderNegative) {
            name.resize(minus);
            wellFormed = true;
        } else if (!rest.empty()) {
            fmt::GetTextTillSepar(column, part, " ", pos);
            wellFormed = fmt::ParseStoredInt(part, kInt16Min, kInt16Max, flags);
        }
        if (FindField(tbl, name) != 0) {
            SetError(errFieldExists, "LoadNewHeadF", "field " + name + " in table " + tbl.Name);
            return 0;
        }
        if (tbl.Caption.fields.size() >= 32767) vb::Raise(vb::errOverflow);
        tbl.Caption.fields.emplace_back();
        tbl.Caption.Num = static_cast<std::int16_t>(tbl.Caption.fields.size());
        HeadField& f = tbl.Caption.fields.back();
        f.Name = name;
        f.flags = static_cast<std::int16_t>(flags);
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
        // The column must read back to the text the writer gives it; any
        // other text is damage.
        if (wellFormed) {
            std::string again = f.Name + (olderNegative ? "" : " ") + vb::CStr(static_cast<std::int64_t>(f.flags));
            if (f.flags & 8) again.append(fmt::kHelpTableTag).append(f.HelpTable);
            wellFormed = again == column;
        }
        if (!wellFormed) NoteDamage("LoadNewHeadF", "VarBuf: " + column + ", VarLocBuf: " + part, vb::errTypeMismatch);
        return 1;
    } catch (...) {
        SetError(errUnknown, "LoadNewHeadF", "VarBuf: " + column + ", VarLocBuf: " + part, CurrentError());
        partial_ = true;
        return -1;
    }
}

std::int32_t VEDataManager::LoadTblFields(Table& Tbl, TextLines& in, const DataBase& DB, BlockEnd& end) {
    const std::size_t cols = Tbl.Caption.fields.size();
    std::vector<bool> restoreControls(cols);
    for (std::size_t c = 0; c < cols; ++c) restoreControls[c] = (Tbl.Caption.fields[c].flags & 2) != 0;

    // Record text never reaches the error history: the extra holds counts only.
    auto where = [&](std::size_t column, std::int64_t pos) {
        return "DB: " + DB.Name + ", Table: " + Tbl.Name +
               ", VarC: " + vb::Str(static_cast<std::int64_t>(Tbl.Records.size())) +
               ", VarI:" + vb::Str(static_cast<std::int64_t>(column)) + ", VarPos:" + vb::Str(pos) +
               ", VarNum: " + vb::Str(end.declared);
    };
    Tbl.Records.clear();
    std::int32_t result = 1;
    auto damage = [&](std::size_t column, std::int64_t pos, long vbError) {
        NoteDamage("LoadTblFields", where(column, pos), vbError);
        result = -1;
    };
    // Never more records than the file still has lines, whatever its count.
    if (end.countKnown) Tbl.Records.reserve(std::min<std::size_t>(end.count, in.LinesLeft()));
    try {
        std::string decoded;
        // A line's values are gathered as views of the line (or, where a
        // value has an escape, of its unescaped copy) and then stored as one
        // block; the buffers are kept for the whole table.
        std::vector<std::string_view> values(cols);
        std::vector<std::string> unescaped(cols);
        for (;;) {
            std::string_view item;
            const BlockLine kind = NextBlockLine(in, end, Tbl.Records.size(), item);
            if (kind == BlockLine::End) {
                if (end.countKnown && Tbl.Records.size() < end.count) damage(0, 0, vb::errSubscript);
                break;
            }
            if (kind == BlockLine::Eof || kind == BlockLine::DamagedEnd) {
                damage(0, 0, kind == BlockLine::Eof ? vb::errInputPastEnd : vb::errSubscript);
                break;
            }
            if (end.countKnown && Tbl.Records.size() == end.count) damage(0, 0, vb::errSubscript);
            // A plain line is split where it lies; an enciphered one is
            // deciphered into one buffer kept for the whole table.
            std::string_view rest = item;
            if (encrypted_) {
                DecodeLineInto(item, decoded);
                rest = decoded;
            }
            Record& rec = Tbl.Records.emplace_back();
            // Exactly one value per column: more are dropped, fewer leave the
            // rest empty, and both are damage.
            std::size_t c = 0;
            std::size_t pos = 0;
            for (;;) {
                const std::size_t sep = rest.find(SEP, pos);
                const std::size_t stop = sep == std::string_view::npos ? rest.size() : sep;
                if (c >= cols) {
                    damage(c + 1, static_cast<std::int64_t>(pos) + 1, vb::errSubscript);
                    break;
                }
                values[c] = fmt::UnescapedView(rest.substr(pos, stop - pos), restoreControls[c], unescaped[c]);
                ++c;
                if (sep == std::string_view::npos) break;
                pos = sep + 1;
            }
            if (c < cols) damage(c + 1, static_cast<std::int64_t>(rest.size()) + 1, vb::errSubscript);
            for (std::size_t k = c; k < cols; ++k) values[k] = {};
            rec.fields.Assign(values);
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
        TextLines in(plat::ReadFileOrRaise(Path));
        // Plain files only: their lines are read as they are.
        if (in.Next() != fmt::kPlainMark) {
            SetError(errUnrecognizedLine, "LoadPartDB", "Part of String: line 1");
            return 0;
        }
        encrypted_ = false;
        AnalyseDHeader(DB, std::string(in.Next()));
        encrypted_ = false;
        std::size_t loaded = 0;
        while (!in.AtEnd()) {
            const std::string line = vb::Trim(in.Next());
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

std::int32_t VEDataManager::AnalyseStringForPart(const std::string& line, DataBase& DB, TextLines& in,
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
            // Skip the block: its counts, tag and caption lines, then its
            // records up to the end line, by the same rules as a read.
            BlockEnd end;
            end.expected = "[END " + name + "]";
            end.anyCase = true;
            std::int64_t flags = 0;
            ReadCounts(in.Next(), kInt16Min, kInt16Max, flags, end, "AnalyseStringForPart", LineText(in));
            in.Next();
            in.Next();
            for (std::size_t items = 0;; ++items) {
                std::string_view item;
                const BlockLine kind = NextBlockLine(in, end, items, item);
                if (kind == BlockLine::Item) continue;
                if (kind == BlockLine::End) return 1;
                SetError(errUnrecognizedLine, "AnalyseStringForPart", "String: " + LineText(in));
                return 0;
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
