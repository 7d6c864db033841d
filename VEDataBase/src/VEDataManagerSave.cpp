// The database text file writer. The whole text is built in memory and
// replaces the target (through a temporary file beside it and a rename) only
// when every block and the compression, when asked, succeeded, so a failed
// save leaves the old file exactly as it was.
#include <memory>

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

constexpr std::string_view kCrLf = "\r\n";

// The number of items a count field says, checked against what is there:
// writing more than the array holds, or a negative count, is a run-time error.
std::size_t CheckedCount(std::int64_t count, std::size_t size) {
    if (count < 0 || static_cast<std::uint64_t>(count) > size) vb::Raise(vb::errSubscript);
    return static_cast<std::size_t>(count);
}

std::string NumberText(std::int64_t n) { return vb::CStr(n); }

}  // namespace

// Names that no stored line can carry (they would split a line or be read
// back as something else) are refused before anything is written.
bool VEDataManager::CheckStorable(const DataBase& DB) {
    const std::size_t tables = std::min<std::size_t>(DB.Tables.size(), DB.tabnum < 0 ? 0 : DB.tabnum);
    for (std::size_t t = 0; t < tables; ++t) {
        const Table& tbl = DB.Tables[t];
        const std::string where = "Table " + NumberText(static_cast<std::int64_t>(t) + 1);
        if (tbl.Name.empty() || fmt::HasLineBreaker(tbl.Name) || tbl.Name.rfind("VEHELPTABLE", 0) == 0) {
            SetError(errWrongTableName, "SaveDB", where);
            return false;
        }
        for (std::size_t o = 0; o < t; ++o) {
            if (DB.Tables[o].Name == tbl.Name) {
                SetError(errTableExists, "SaveDB", "Table Name: " + tbl.Name);
                return false;
            }
        }
        const std::size_t cols =
            std::min<std::size_t>(tbl.Caption.fields.size(), tbl.Caption.Num < 0 ? 0 : tbl.Caption.Num);
        for (std::size_t c = 0; c < cols; ++c) {
            const HeadField& f = tbl.Caption.fields[c];
            const std::string colWhere = "table " + tbl.Name + " field " + NumberText(static_cast<std::int64_t>(c) + 1);
            bool linked = (f.flags & 8) != 0;
            if (f.Name.empty() || fmt::HasLineBreaker(f.Name) || f.Name.find(' ') != std::string::npos ||
                (linked && (fmt::HasLineBreaker(f.HelpTable) || f.HelpTable.find(' ') != std::string::npos ||
                            f.Name.find(fmt::kHelpTableKey) != std::string::npos))) {
                SetError(errWrongCaptionField, "SaveDB", colWhere);
                return false;
            }
            for (std::size_t o = 0; o < c; ++o) {
                if (tbl.Caption.fields[o].Name == f.Name) {
                    SetError(errFieldExists, "SaveDB", "field " + f.Name + " in table " + tbl.Name);
                    return false;
                }
            }
        }
    }
    const std::size_t helps = std::min<std::size_t>(DB.HTables.size(), DB.HTabNum < 0 ? 0 : DB.HTabNum);
    for (std::size_t h = 0; h < helps; ++h) {
        if (fmt::HasLineBreaker(DB.HTables[h].Name)) {
            SetError(errWrongTableName, "SaveDB", "Help table " + NumberText(static_cast<std::int64_t>(h) + 1));
            return false;
        }
    }
    return true;
}

std::size_t VEDataManager::TextSizeEstimate(const DataBase& DB) {
    // The values and their separators and line ends, and a little for the
    // escapes; the text may still grow past it.
    std::size_t size = 4096;
    for (const Table& t : DB.Tables) {
        for (const Record& r : t.Records) {
            size += 2 + r.fields.size();
            for (std::string_view f : r.fields) size += f.size();
        }
    }
    for (const HelpTable& h : DB.HTables) {
        for (const HelpField& f : h.hfields) size += f.str.size() + 8;
    }
    return size + size / 16;
}

void VEDataManager::WriteCodedLine(std::string line, std::string& out, const std::string& key) {
    std::string k = key;
    EncodeStoredLine(line, k);
    out.append(line);
    out.append(kCrLf);
}

std::int32_t VEDataManager::SaveDB(DataBase& DB, const std::string& Path, const std::string& Pasw, bool Compress) {
    if (!CheckStorable(DB)) return -1;
    try {
        std::unique_ptr<clsMD5HASH, void (*)(clsMD5HASH*)> md5(new clsMD5HASH(), [](clsMD5HASH* p) { p->Release(); });
        if (!Pasw.empty()) {
            DB.flags = static_cast<std::int16_t>(DB.flags | 1);
            cipher_->Key(Pasw);
            encrypted_ = true;
        } else {
            DB.flags = static_cast<std::int16_t>(DB.flags & ~1);
            encrypted_ = false;
        }
        dbFlags_ = DB.flags;

        std::string out;
        out.reserve(TextSizeEstimate(DB));
        if (encrypted_) {
            out.append(fmt::kEncryptedMark).append(kCrLf);
            out.append(md5->DigestStrToHexStr(Pasw)).append(kCrLf);
        } else {
            out.append(fmt::kPlainMark).append(kCrLf);
        }
        // Each header part is escaped like a value, so a name holding SEP or a
        // line break still reads back as one part.
        std::string header;
        fmt::AppendValueEscaped(DB.Name, header);
        header.push_back(SEP);
        header.append(NumberText(DB.flags));
        header.push_back(SEP);
        fmt::AppendValueEscaped(DB.Version, header);
        header.push_back(SEP);
        fmt::AppendValueEscaped(DB.tag, header);
        WriteCodedLine(std::move(header), out, Pasw);

        SaveHTables(DB, out);
        if (!SaveTables(DB, out)) return -1;  // the old file stays as it was
        CommitFile(Path, std::move(out), Compress);
        return 2;
    } catch (...) {
        SetError(errUnknown, "SaveDB", Path, CurrentError());
        return -1;
    }
}

void VEDataManager::SaveHTables(const DataBase& DB, std::string& out) {
    const std::size_t helps = CheckedCount(DB.HTabNum, DB.HTables.size());
    for (std::size_t h = 0; h < helps; ++h) {
        const HelpTable& ht = DB.HTables[h];
        const std::string key = cipher_->Key();
        WriteCodedLine(std::string(fmt::kHelpTableMarker) + ht.Name + "]", out, key);
        WriteCodedLine(NumberText(ht.flags) + SEP + NumberText(ht.RecNum), out, key);
        const std::size_t entries = CheckedCount(ht.RecNum, ht.hfields.size());
        for (std::size_t e = 0; e < entries; ++e) {
            // The plain entry loses its end blanks; a cipher text keeps every
            // byte, so it is never trimmed.
            std::string line = vb::Trim(fmt::EscapeValue(ht.hfields[e].str) + SEP + NumberText(ht.hfields[e].Num));
            WriteCodedLine(std::move(line), out);
        }
        WriteCodedLine("[END " + ht.Name + "]", out, key);
    }
}

bool VEDataManager::SaveTables(const DataBase& DB, std::string& out) {
    const std::size_t tables = CheckedCount(DB.tabnum, DB.Tables.size());
    bool ok = true;
    for (std::size_t t = 0; t < tables; ++t) {
        if (SaveTbl(DB.Tables[t], out) != 1) ok = false;
    }
    return ok;
}

std::int32_t VEDataManager::SaveTbl(const Table& Tbl, std::string& out) {
    // The error extra names a position, never the line: records hold passwords.
    std::string position;
    // The block is written straight into the text; a block that fails is cut
    // off again, so nothing of it is kept.
    const std::size_t blockStart = out.size();
    try {
        const Head& cap = Tbl.Caption;
        if (cap.Num <= 0) vb::Raise(vb::errSubscript);
        const std::size_t cols = CheckedCount(cap.Num, cap.fields.size());
        const std::size_t records = CheckedCount(Tbl.RecNum, Tbl.Records.size());

        WriteCodedLine("[" + Tbl.Name + "]", out);
        WriteCodedLine(NumberText(Tbl.flags) + SEP + NumberText(Tbl.RecNum), out);
        if (encrypted_) {
            WriteCodedLine(Tbl.tag, out);
        } else {
            out.append(fmt::EscapeValue(Tbl.tag)).append(kCrLf);
        }
        SaveCaption(cap, out);

        // The reader codes the end line the same way and compares the coded
        // forms, so a token in its cipher text does no harm.
        std::string endLine = "[END " + Tbl.Name + "]";
        EncodeLine(endLine);
        std::string line;
        for (std::size_t r = 0; r < records; ++r) {
            position = "record " + NumberText(static_cast<std::int64_t>(r) + 1);
            const Record& rec = Tbl.Records[r];
            if (rec.fields.size() < cols) vb::Raise(vb::errSubscript);
            line.clear();
            for (std::size_t c = 0; c < cols; ++c) {
                if (c) line.push_back(SEP);
                fmt::AppendValueEscaped(rec.fields[c], line);
            }
            const std::size_t at = out.size();
            if (encrypted_ && !line.empty()) {
                cipher_->CipherInPlace(line.data(), line.size());
                // A token in the cipher text would read back as a byte it
                // does not stand for.
                if (fmt::HasToken(line)) vb::Raise(vb::errInvalidCall);
                fmt::AppendControlsEscaped(line, out);
            } else {
                out.append(line);
            }
            // A record the reader would take for the end of the table cannot
            // be stored.
            if (IsEndLine(std::string_view(out).substr(at), endLine)) vb::Raise(vb::errInvalidCall);
            out.append(kCrLf);
        }
        out.append(endLine).append(kCrLf);
        return 1;
    } catch (...) {
        out.resize(blockStart);
        SetError(errUnknown, "SaveTbl", "Buffer: " + position, CurrentError());
        return -1;
    }
}

void VEDataManager::SaveCaption(const Head& Caption, std::string& out) {
    std::string line;
    const std::size_t cols = CheckedCount(Caption.Num, Caption.fields.size());
    for (std::size_t c = 0; c < cols; ++c) {
        const HeadField& f = Caption.fields[c];
        if (c) line.push_back(SEP);
        // Always a blank between name and flags, also before a minus sign, so
        // the reader can split them.
        line.append(f.Name).append(" ").append(NumberText(f.flags));
        if (f.flags & 8) line.append(fmt::kHelpTableTag).append(f.HelpTable);
    }
    WriteCodedLine(std::move(line), out);
}

void VEDataManager::CommitFile(const std::string& Path, std::string text, bool Compress) {
    // Compressed in memory, so no uncompressed copy ever reaches the disk and
    // the target is replaced once, by the finished bytes.
    if (Compress) {
        clsZLIB zlib;
        if (zlib.CompressToFileImage(text) != kZlibFileOk) vb::Raise(vb::errPathFileAccess);
    }
    plat::ReplaceFile(Path, text);
}

}  // namespace vedb
