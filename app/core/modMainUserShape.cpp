#include "app/core/modMainUserShape.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "app/core/modMainUsers.h"
#include "app/trace/Trace.h"

namespace modMain {

namespace {

struct Column {
    std::string_view name;
    std::int16_t flags;
};

// The caption of a new user's file; the core writes it back as it read it.
constexpr std::array<Column, 9> kColumns = {{
    {"IndNum", 69},
    {"Parent", 5},
    {"Type", 5},
    {"Title", 66},
    {"Login", 2},
    {"Password", 2},
    {"Description", 2},
    {"Image", 5},
    {"Flags", 5},
}};

// A number of digits only that the record counter can hold.
std::optional<std::int64_t> WholeNumber(std::string_view text) {
    if (text.empty() || text.size() > 10) return std::nullopt;
    std::int64_t n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + (c - '0');
    }
    if (n > INT32_MAX) return std::nullopt;
    return n;
}

std::string CaptionDeviation(const vedb::Table& t) {
    if (t.Caption.fields.size() != kColumns.size())
        return "the record table has " + std::to_string(t.Caption.fields.size()) + " columns";
    for (std::size_t c = 0; c < kColumns.size(); ++c) {
        const vedb::HeadField& f = t.Caption.fields[c];
        if (f.Name != kColumns[c].name) return "column " + std::to_string(c + 1) + " is named " + f.Name;
        if (f.flags != kColumns[c].flags || !f.HelpTable.empty())
            return "column " + f.Name + " has the flags " + std::to_string(f.flags);
    }
    return {};
}

std::string TagDeviation(const vedb::Table& t) {
    const std::optional<std::int64_t> tag = WholeNumber(t.tag);
    if (!tag) return "the record counter " + t.tag + " is no whole number";
    // A record number that is no number is the row's own damage, not the
    // counter's; the tree shows such a row as it is.
    for (const vedb::Record& rec : t.Records) {
        if (rec.fields.empty()) continue;
        const std::string_view number = rec.fields[0];
        const std::optional<std::int64_t> id = WholeNumber(number);
        if (id && *id > *tag)
            return "the record counter " + t.tag + " is below the record number " + std::string(number);
    }
    return {};
}

}  // namespace

std::string UserDatabaseDeviation(clsDatabase& db, const std::string& fileUser) {
    TRACE_MOD(modMain, "UserDatabaseDeviation", TV(fileUser));
    const std::int32_t n = db.FindTable("DataTable");
    const vedb::Table* t = n > 0 ? db.ReadTable(n) : nullptr;
    if (!t || t->Name != "DataTable") return "the record table is missing";
    std::string why = CaptionDeviation(*t);
    if (why.empty()) why = TagDeviation(*t);
    if (!why.empty()) return why;
    // A new user's file carries the user name three times: as its file name,
    // as its stored name, which names the file a save goes to, and as its
    // tag, the tree's root text. The user may rename the root, and a file may
    // be renamed outside the program, but a stored name that matches neither
    // is damage: a save would put the records under another file.
    if (db.Name() != fileUser && db.Name() != db.Tag())
        return "the stored user name " + db.Name() + " is neither the file's nor the root text";
    // The name picks the file a save goes to; a file renamed outside the
    // program still holds its old name and is saved under it, so the name
    // need not be the file's, only one a save can use.
    if (!IsSafeUserName(db.Name())) return "the stored user name " + db.Name() + " is no safe file name";
    return {};
}

}  // namespace modMain
