// LoadDB over arbitrary file bytes. The first byte picks how the rest reaches
// the reader:
//   0  the file as it is;
//   1  the compressed-file marker, then the rest (length text, SEP, stream);
//   2  the rest compressed as a compressed save stores it;
//   3  the encrypted mark and the check line of the password, then the rest
//      as the enciphered lines.
// A database that loads completely must save (plain and enciphered) and load
// back as the format's escaping rules say.
#include "FuzzSupport.h"
#include "VEDataManagerFormat.h"
#include "clsMD5HASH.h"
#include "clsZLIB.h"

namespace {

const std::string kPassword = "pw";

const std::string& CheckLine() {
    static const std::string line = [] {
        auto* md5 = new vedb::clsMD5HASH();
        std::string digest = md5->DigestStrToHexStr(kPassword);
        md5->Release();
        return digest;
    }();
    return line;
}

std::string FileBytes(std::uint8_t mode, std::string rest) {
    switch (mode % 4) {
        case 1:
            return vedb::ZlibFileMarker + rest;
        case 2: {
            vedb::clsZLIB zlib;
            if (zlib.CompressToFileImage(rest) != vedb::kZlibFileOk) std::abort();
            return rest;
        }
        case 3:
            return "dzorvaLiL.ENC\r\n" + CheckLine() + "\r\n" + rest;
        default:
            return rest;
    }
}

// What a reload of `db` gives by the format's escaping rules: a text passes
// the value escapes both ways, so a literal escape token or SEP escape in it
// comes back as the character it stands for; columns without the line-break
// flag keep CR, LF and NUL as their tokens; an enciphered file keeps a table
// tag byte for byte.
vedb::DataBase AsReloaded(vedb::DataBase db, bool encrypted) {
    using vedb::fmt::EscapeValue;
    using vedb::fmt::UnescapeValue;
    auto both = [](std::string& s, bool controls = true) { s = UnescapeValue(EscapeValue(s), controls); };
    both(db.Name);
    both(db.Version);
    both(db.tag);
    for (vedb::HelpTable& h : db.HTables) {
        for (vedb::HelpField& f : h.hfields) both(f.str);
    }
    for (vedb::Table& t : db.Tables) {
        if (!encrypted) both(t.tag);
        for (vedb::Record& r : t.Records) {
            for (std::size_t c = 0; c < r.fields.size() && c < t.Caption.fields.size(); ++c) {
                std::string value(r.fields[c]);
                both(value, (t.Caption.fields[c].flags & 2) != 0);
                r.fields.Set(c, value);
            }
        }
    }
    return db;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string path = fuzz::TempFolder().File("in.vdb");
    fuzz::WriteFile(path, FileBytes(data[0], fuzz::Bytes(data + 1, size - 1)));

    auto reader = fuzz::NewManager();
    vedb::DataBase db;
    const std::int32_t loaded = reader->LoadDB(db, path, kPassword);
    if (loaded < -6 || loaded > 1 || loaded == -3) std::abort();
    if (loaded != 1) return 0;

    // Saved plain and enciphered, each must read back.
    for (const bool encrypted : {false, true}) {
        vedb::DataBase saved = db;
        const std::string out = fuzz::TempFolder().File("out.vdb");
        auto writer = fuzz::NewManager();
        if (writer->SaveDB(saved, out, encrypted ? kPassword : std::string(), data[0] & 4) != 2) return 0;
        auto again = fuzz::NewManager();
        vedb::DataBase back;
        if (again->LoadDB(back, out, kPassword) != 1) std::abort();
        back.Path = saved.Path;
        if (!(back == AsReloaded(saved, encrypted))) std::abort();
    }
    return 0;
}
