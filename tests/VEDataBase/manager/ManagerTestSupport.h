#pragma once
// Shared helpers of the manager's tests: a manager owned like a component
// (created with one reference, released at the end), texts with SEP written
// as '|', and the small database most tests start from.
#include <memory>
#include <string>
#include <vector>

#include "TempDir.h"
#include "VEDataManager.h"

namespace vedbtest {

struct ReleaseManager {
    void operator()(vedb::VEDataManager* m) const { m->Release(); }
};
using ManagerPtr = std::unique_ptr<vedb::VEDataManager, ReleaseManager>;
inline ManagerPtr NewManager() { return ManagerPtr(new vedb::VEDataManager()); }

// '|' stands for SEP, so stored lines stay readable in the tests.
inline std::string S(std::string text) {
    for (char& c : text) {
        if (c == '|') c = '\x87';
    }
    return text;
}

inline const std::string kSepEscape = std::string("jds\x0C") + "7\x1F";

inline vedb::Table MakeTable(const std::string& name, const std::vector<std::pair<std::string, int>>& columns) {
    vedb::Table t;
    t.Name = name;
    for (const auto& [col, flags] : columns) {
        vedb::HeadField f;
        f.Name = col;
        f.flags = static_cast<std::int16_t>(flags);
        t.Caption.fields.push_back(f);
    }
    t.Caption.Num = static_cast<std::int16_t>(t.Caption.fields.size());
    return t;
}

inline void AddRow(vedb::Table& t, std::vector<std::string> values) {
    t.Records.push_back(vedb::Record{std::move(values)});
    t.RecNum = static_cast<std::int32_t>(t.Records.size());
}

// One help table and one table whose values hold SEP, CR LF and NUL in a
// column with bit value 2 ("Note") and in one without ("Id").
inline vedb::DataBase SampleDb() {
    vedb::DataBase db;
    db.Name = "Demo";
    db.Version = "1.1a";
    db.tag = "t";
    vedb::HelpTable kinds;
    kinds.Name = "Kinds";
    kinds.hfields = {{1, "alpha"}, {2, "beta"}};
    kinds.RecNum = 2;
    db.HTables.push_back(kinds);
    db.HTabNum = 1;
    vedb::Table main = MakeTable("Main", {{"Id", 0}, {"Note", 2}, {"Kind", 8}});
    main.Caption.fields[2].HelpTable = "Kinds";
    main.flags = 3;
    main.tag = "tg";
    AddRow(main, {"1",
                  std::string("a\x87"
                              "b\r\nc") +
                      '\0' + "d",
                  "1"});
    AddRow(main, {"x\x87y\r\n", "", "2"});
    db.Tables.push_back(main);
    db.tabnum = 1;
    return db;
}

// Bytes from a hex text.
inline std::string FromHex(const std::string& hex) {
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

}  // namespace vedbtest
