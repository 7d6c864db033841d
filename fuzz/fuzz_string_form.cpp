// The string form's readers over arbitrary text. What reads back is written
// out again: a text the writer hands out must read back without error.
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text = fuzz::Bytes(data, size);
    auto m = fuzz::NewManager();

    vedb::HelpTable ht;
    m->StringToHTable(text, ht);
    vedb::Table tbl;
    m->StringToTable(text, tbl);

    vedb::DataBase db;
    if (m->StringToDB(db, text) != std::nullopt) return 0;
    std::string names;
    for (const vedb::Table& t : db.Tables) names += t.Name + vedb::SEP;
    std::string form;
    const std::int32_t r = m->TablesToString(db, names, form, {});
    if (r != 0 && r != -1 && r != -2) std::abort();
    if (r != 0) return 0;
    vedb::DataBase back;
    if (m->StringToDB(back, form) != std::nullopt) std::abort();
    return 0;
}
