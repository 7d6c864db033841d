// Record and field access: lookups by name, values, help-table codes, adding
// and deleting records, and emptying a database. Names compare exactly; record
// and column numbers are 1-based (Types.h).
#include "VEDataManager.h"
#include "platform/VbError.h"
#include "platform/VbStrings.h"

namespace vedb {
namespace {

// Element `number` (1-based) of a vector; anything outside raises error 9.
template <typename V>
auto& At(V& v, std::int64_t number) {
    if (number < 1 || static_cast<std::uint64_t>(number) > v.size()) vb::Raise(vb::errSubscript);
    return v[static_cast<std::size_t>(number) - 1];
}

// Value `number` (1-based) of a record, the same way.
std::size_t Column(const Fields& f, std::int64_t number) {
    if (number < 1 || static_cast<std::uint64_t>(number) > f.size()) vb::Raise(vb::errSubscript);
    return static_cast<std::size_t>(number) - 1;
}
std::string_view ValueAt(const Fields& f, std::int64_t number) { return f[Column(f, number)]; }

std::int32_t ToNumber(std::size_t index) { return static_cast<std::int32_t>(index) + 1; }

}  // namespace

std::int32_t VEDataManager::FindField(const Table& Tbl, const std::string& FName) {
    try {
        const std::size_t n = std::min<std::size_t>(Tbl.Caption.fields.size(), std::max<int>(Tbl.Caption.Num, 0));
        for (std::size_t i = 0; i < n; ++i) {
            if (Tbl.Caption.fields[i].Name == FName) return ToNumber(i);
        }
        return 0;
    } catch (...) {
        SetError(errUnknown, "FindField", "FieldName: " + FName, CurrentError());
        return -1;
    }
}

std::int32_t VEDataManager::FindTable(const DataBase& DB, const std::string& TabName) {
    try {
        const std::size_t n = std::min<std::size_t>(DB.Tables.size(), std::max<std::int32_t>(DB.tabnum, 0));
        for (std::size_t i = 0; i < n; ++i) {
            if (DB.Tables[i].Name == TabName) return ToNumber(i);
        }
        return 0;
    } catch (...) {
        SetError(errUnknown, "FindTable", "Table Name: " + TabName, CurrentError());
        return -1;
    }
}

std::int32_t VEDataManager::FindHTable(const DataBase& DB, const std::string& HTabName) {
    try {
        const std::size_t n = std::min<std::size_t>(DB.HTables.size(), std::max<std::int32_t>(DB.HTabNum, 0));
        for (std::size_t i = 0; i < n; ++i) {
            if (DB.HTables[i].Name == HTabName) return ToNumber(i);
        }
        return 0;
    } catch (...) {
        SetError(errUnknown, "FindHTable", "Table Name: " + HTabName + ". DB name: " + DB.Name, CurrentError());
        return -1;
    }
}

std::int32_t VEDataManager::GetHelpNum(const HelpTable& HTable, const std::string& HVal) {
    const std::size_t n = std::min<std::size_t>(HTable.hfields.size(), std::max<std::int32_t>(HTable.RecNum, 0));
    for (std::size_t i = 0; i < n; ++i) {
        if (HTable.hfields[i].str == HVal) return ToNumber(i);
    }
    return 0;
}

std::int32_t VEDataManager::GetHelpNumFromDB(const DataBase& IDB, const std::string& HTblName,
                                             const std::string& HVal) {
    return GetHelpNum(At(IDB.HTables, FindHTable(IDB, HTblName)), HVal);
}

std::int32_t VEDataManager::GetRecnumFromFldVal(const Table& Tbl, const std::string& FieldName,
                                                const std::string& FieldVal, std::int32_t& Start) {
    if (Start == 0) Start = 1;
    const std::int32_t column = FindField(Tbl, FieldName);
    if (Start > Tbl.RecNum) return 0;
    for (std::int64_t r = Start; r <= Tbl.RecNum; ++r) {
        if (ValueAt(At(Tbl.Records, r).fields, column) == FieldVal) return static_cast<std::int32_t>(r);
    }
    return 0;
}

std::string VEDataManager::GetFieldVal(const Table& Tbl, std::int32_t rind, std::int32_t find) {
    return std::string(ValueAt(At(Tbl.Records, rind).fields, find));
}

std::string VEDataManager::GetFldValFromTbl(const Table& Tbl, const std::string& FieldName, std::int32_t RecNum) {
    return std::string(ValueAt(At(Tbl.Records, RecNum).fields, FindField(Tbl, FieldName)));
}

std::string VEDataManager::GetFldValFromDB(const DataBase& DB, const std::string& TblName, const std::string& FieldName,
                                           std::int32_t RecNum) {
    return GetFldValFromTbl(At(DB.Tables, FindTable(DB, TblName)), FieldName, RecNum);
}

std::int32_t VEDataManager::SetFieldValInTbl(Table& Tbl, std::int32_t RecNum, const std::string& FName,
                                             const std::string& FVal) {
    try {
        Fields& f = At(Tbl.Records, RecNum).fields;
        f.Set(Column(f, FindField(Tbl, FName)), FVal);
        return 0;
    } catch (...) {
        // Never the value itself: it may be a password.
        SetError(errUnknown, "SetFieldValInTbl",
                 "TblName: " + Tbl.Name + ", FName: " + FName + ", RecNum: " + vb::CStr(std::int64_t{RecNum}),
                 CurrentError());
        return -1;
    }
}

std::int32_t VEDataManager::SetFieldVal(DataBase& IDB, const std::string& TblName, std::int32_t RecNum,
                                        const std::string& FName, const std::string& FVal) {
    try {
        Table& tbl = At(IDB.Tables, FindTable(IDB, TblName));
        Fields& f = At(tbl.Records, RecNum).fields;
        f.Set(Column(f, FindField(tbl, FName)), FVal);
        return 0;
    } catch (...) {
        SetError(errUnknown, "SetFieldVal",
                 "DB name: " + IDB.Name + ", TblName: " + TblName + ", FName: " + FName +
                     ", RecNum: " + vb::CStr(std::int64_t{RecNum}),
                 CurrentError());
        return -1;
    }
}

std::string VEDataManager::FindHelpVal(const DataBase& DB, const std::string& TabName, std::int32_t Val) {
    std::size_t h = 0;
    try {
        const std::size_t n = std::min<std::size_t>(DB.HTables.size(), std::max<std::int32_t>(DB.HTabNum, 0));
        for (h = 0; h < n; ++h) {
            const HelpTable& ht = DB.HTables[h];
            if (ht.Name != TabName) continue;
            const std::size_t entries = std::min<std::size_t>(ht.hfields.size(), std::max<std::int32_t>(ht.RecNum, 0));
            // Codes normally equal their position; try that first.
            if (Val >= 1 && static_cast<std::size_t>(Val) <= entries && ht.hfields[Val - 1].Num == Val)
                return ht.hfields[Val - 1].str;
            for (std::size_t e = 0; e < entries; ++e) {
                if (ht.hfields[e].Num == Val) return ht.hfields[e].str;
            }
            return "Unknown";
        }
        return "Unknown";
    } catch (...) {
        SetError(errUnknown, "FindHelpVal",
                 "request: " + TabName + " helpvalue: " + vb::CStr(std::int64_t{Val}) +
                     " current: " + vb::CStr(static_cast<std::int64_t>(h) + 1),
                 CurrentError());
        return "-1";
    }
}

std::string VEDataManager::GetComplexFieldVal(const DataBase& IDB, const Table& Tbl, std::int32_t rind,
                                              std::int32_t find) {
    try {
        const std::string_view value = ValueAt(At(Tbl.Records, rind).fields, find);
        const HeadField& column = At(Tbl.Caption.fields, find);
        if (column.flags & 8) return FindHelpVal(IDB, column.HelpTable, vb::CLng(vb::Val(value)));
        return std::string(value);
    } catch (...) {
        SetError(errUnknown, "GetComplexFieldVal",
                 "Request record:" + vb::Str(std::int64_t{rind}) + ", Requested field:" + vb::Str(std::int64_t{find}),
                 CurrentError());
        return "-1";
    }
}

std::string VEDataManager::GetHelpVal(const DataBase& DB, const Table& Tbl, const std::string& FName,
                                      std::int32_t RecNum) {
    const std::int32_t column = FindField(Tbl, FName);
    const std::string_view value = ValueAt(At(Tbl.Records, RecNum).fields, column);
    return FindHelpVal(DB, At(Tbl.Caption.fields, column).HelpTable, vb::CLng(vb::Val(value)));
}

std::int32_t VEDataManager::SetValToHField(DataBase& IDB, const std::string& TblName, const std::string& FName,
                                           std::int32_t RecNum, const std::string& StrVal) {
    try {
        Table& tbl = At(IDB.Tables, FindTable(IDB, TblName));
        const std::int32_t column = FindField(tbl, FName);
        Fields& values = At(tbl.Records, RecNum).fields;
        const std::size_t value = Column(values, column);
        const HeadField& head = At(tbl.Caption.fields, column);
        if (!(head.flags & 8)) return 0;
        const std::int32_t p = GetHelpNum(At(IDB.HTables, FindHTable(IDB, head.HelpTable)), StrVal);
        values.Set(value, vb::CStr(std::int64_t{p}));
        return p;
    } catch (...) {
        SetError(errUnknown, "SetValToHField",
                 "DB name: " + IDB.Name + ", TblName: " + TblName + ", FName: " + FName +
                     ", RecNum: " + vb::CStr(std::int64_t{RecNum}),
                 CurrentError());
        return -1;
    }
}

std::int32_t VEDataManager::AddRecord(Table& Tbl) {
    Record rec;
    rec.fields.resize(static_cast<std::size_t>(std::max<std::int16_t>(Tbl.Caption.Num, 0)));
    Tbl.Records.push_back(std::move(rec));
    Tbl.RecNum = static_cast<std::int32_t>(Tbl.Records.size());
    return 0;
}

std::optional<std::int32_t> VEDataManager::AddFullRecord(Table& Tbl, const Record& Rec) {
    try {
        if (Rec.fields.size() != static_cast<std::size_t>(std::max<std::int16_t>(Tbl.Caption.Num, 0))) return 0;
        Tbl.Records.push_back(Rec);
        Tbl.RecNum = static_cast<std::int32_t>(Tbl.Records.size());
        return std::nullopt;
    } catch (...) {
        SetError(errUnknown, "AddFullRecord", "Addition to table: " + Tbl.Name, CurrentError());
        return -1;
    }
}

std::optional<std::int32_t> VEDataManager::DelRecord(Table& Tbl, std::int32_t RecNum) {
    // Outside the table nothing is deleted (never some other record).
    At(Tbl.Records, RecNum);
    Tbl.Records.erase(Tbl.Records.begin() + (RecNum - 1));
    Tbl.RecNum = static_cast<std::int32_t>(Tbl.Records.size());
    return std::nullopt;
}

std::int32_t VEDataManager::CleanData(DataBase& DB) {
    DB.Name.clear();
    DB.Version.clear();
    DB.flags = 0;
    DB.Tables.clear();
    DB.HTables.clear();
    DB.tabnum = 0;
    DB.HTabNum = 0;
    return 0;
}

}  // namespace vedb
