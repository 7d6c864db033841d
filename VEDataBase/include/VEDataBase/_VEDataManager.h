#pragma once
// Public interface of the table database manager. The manager owns no
// database: every member reads or changes the records it is handed (see
// Types.h for the records and their index mapping). Expected failures come
// back as integer results and are recorded in the manager's error history;
// members without an error handler let a run-time error (vb::VbError, number
// 9 for an index out of range) reach the caller.
//
// Results that the original gave as a Variant are std::optional<int32_t>:
// std::nullopt stands for "Empty".
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "VEDataBase/ClassIds.h"
#include "VEDataBase/Types.h"
#include "VEDataBase/_clsRC4.h"

namespace vedb {

class _VEDataManager : public com::IUnknown {
public:
    static constexpr const com::IID& iid = IID__VEDataManager;

    // Appends a copy of Rec when it holds exactly Caption.Num values: Empty;
    // a wrong number of values changes nothing: 0; a run-time error: -1.
    virtual std::optional<std::int32_t> AddFullRecord(Table& Tbl, const Record& Rec) = 0;
    // Appends a record of Caption.Num empty values; 0.
    virtual std::int32_t AddRecord(Table& Tbl) = 0;
    // 2 saved, -1 failed (an existing file at Path is then left as it was).
    // A non-empty Pasw enciphers the lines; Compress stores the file compressed.
    [[nodiscard]] virtual std::int32_t SaveDB(DataBase& DB, const std::string& Path, const std::string& Pasw = {},
                                              bool Compress = false) = 0;
    virtual std::string GetFieldVal(const Table& Tbl, std::int32_t rind, std::int32_t find) = 0;
    virtual std::string GetComplexFieldVal(const DataBase& IDB, const Table& Tbl, std::int32_t rind,
                                           std::int32_t find) = 0;
    // 1 loaded; 0 loaded in part (a block failed: see the error history);
    // -1 run-time error; -2 no mark; -4 no file; -5 neither mark nor
    // compressed file; -6 wrong password.
    virtual std::int32_t LoadDB(DataBase& DB, const std::string& Path, const std::string& Pasw = {}) = 0;
    virtual std::string FindHelpVal(const DataBase& DB, const std::string& TabName, std::int32_t Val) = 0;
    virtual std::int32_t FindField(const Table& Tbl, const std::string& FName) = 0;
    virtual std::int32_t FindTable(const DataBase& DB, const std::string& TabName) = 0;
    virtual std::int32_t FindHTable(const DataBase& DB, const std::string& HTabName) = 0;
    // Reads only the named tables (and every help table) of a plain file:
    // 1 done, 0 a line was rejected or a block read only in part, -1 the file
    // ended before its header, -4 no file.
    virtual std::int32_t LoadPartDB(DataBase& DB, const std::string& Path, const std::vector<std::string>& Tables) = 0;
    virtual std::int32_t SetValToHField(DataBase& IDB, const std::string& TblName, const std::string& FName,
                                        std::int32_t RecNum, const std::string& StrVal) = 0;
    virtual std::int32_t SetFieldVal(DataBase& IDB, const std::string& TblName, std::int32_t RecNum,
                                     const std::string& FName, const std::string& FVal) = 0;
    [[nodiscard]] virtual std::int32_t SetFieldValInTbl(Table& Tbl, std::int32_t RecNum, const std::string& FName,
                                                        const std::string& FVal) = 0;
    virtual std::int32_t GetHelpNum(const HelpTable& HTable, const std::string& HVal) = 0;
    virtual std::int32_t GetHelpNumFromDB(const DataBase& IDB, const std::string& HTblName,
                                          const std::string& HVal) = 0;
    virtual std::string GetFldValFromDB(const DataBase& DB, const std::string& TblName, const std::string& FieldName,
                                        std::int32_t RecNum) = 0;
    virtual std::string GetFldValFromTbl(const Table& Tbl, const std::string& FieldName, std::int32_t RecNum) = 0;
    // Start 0 becomes 1 and is written back.
    virtual std::int32_t GetRecnumFromFldVal(const Table& Tbl, const std::string& FieldName,
                                             const std::string& FieldVal, std::int32_t& Start) = 0;
    // buf receives the result as well.
    virtual std::string ProcessStringIn(const std::string& text, std::string& buf) = 0;
    virtual std::string ProcessStringOut(const std::string& text, std::string& buf) = 0;
    virtual std::string EncryptText(const std::string& TxtForEncr, const std::string& Key = {}) = 0;
    // Enciphers the array in place; "17", or "0" for an empty array.
    virtual std::string EncryptBytesText(ByteArray& TxtForEncr, const std::string& Key = {}) = 0;
    virtual std::string DecryptText(const std::string& TxtForDecr, const std::string& Key = {}) = 0;
    // Deciphers the array in place; the result holds its bytes as they are.
    virtual std::string DecryptBytesText(ByteArray& TxtForDecr, const std::string& Key = {}) = 0;
    // Empty when done; 0 after a failure, which leaves BufDB as it was.
    virtual std::optional<std::int32_t> StringToDB(DataBase& BufDB, const std::string& InpStr) = 0;
    // Tbls: table names, each followed by SEP. TblsFltr: filters by table name
    // (the last one naming a table wins). 0 done, -2 a table is missing, -1 a
    // failure (Buffer is then emptied in both failure cases).
    virtual std::int32_t TablesToString(const DataBase& IDB, const std::string& Tbls, std::string& Buffer,
                                        const std::vector<TblRequest>& TblsFltr) = 0;
    virtual std::int32_t AddDBInfo(const DataBase& IDB, std::string& Buffer) = 0;
    virtual std::int32_t GetDBInfo(DataBase& BufDB, const std::string& InpData) = 0;
    virtual std::int32_t StringToHTable(const std::string& InpStr, HelpTable& BufHTbl) = 0;
    virtual std::int32_t StringToTable(const std::string& InpStr, Table& BufTbl) = 0;
    virtual std::string GetHelpVal(const DataBase& DB, const Table& Tbl, const std::string& FName,
                                   std::int32_t RecNum) = 0;
    virtual std::int32_t HTableToString(const HelpTable& Htbl, std::string& Buffer) = 0;
    virtual std::int32_t TableToString(const Table& Tbl, std::string& Buffer, const Request& Filter) = 0;
    virtual std::int32_t ClearErrors() = 0;
    virtual std::int32_t CleanData(DataBase& DB) = 0;
    // Always Empty; a record number outside 1 .. RecNum raises error 9 and
    // changes nothing.
    virtual std::optional<std::int32_t> DelRecord(Table& Tbl, std::int32_t RecNum) = 0;
    virtual std::int32_t GetFilteredRecsNum(const Table& Tbl, const Request& Filter) = 0;
    virtual std::int32_t FilterRecord(const Record& FRecord, const Request& Filter) = 0;
    // 1 when the condition is empty, -1 when it holds, 0 otherwise.
    virtual std::int32_t FilterField(const std::string& FieldVal, const ReqField& FieldFilter) = 0;
    // Start below 1 becomes 1 and is written back.
    virtual std::int32_t FindRecord(const Table& Tbl, std::int32_t FldNum, const std::string& SText,
                                    std::int32_t& Start, bool CaseSens = false) = 0;
    virtual std::int32_t ErrHistLen() const = 0;
    // "" past the end; an Index below 1 raises error 9.
    virtual std::string ErrHistory(std::int32_t Index) const = 0;
    virtual std::int32_t ErrNum() const = 0;
    virtual std::string ErrDesc() const = 0;
    virtual std::string ErrFrom() const = 0;
    virtual std::string ErrExtra() const = 0;
    virtual void CryptPasw(const std::string& NewPasw) = 0;
    virtual std::string CryptPasw() const = 0;
    virtual void PaswKey(const std::string& NewVal) = 0;
    virtual std::string PaswKey() const = 0;

    // The optional Start of the two searches, omitted (counts as 0).
    std::int32_t GetRecnumFromFldVal(const Table& Tbl, const std::string& FieldName, const std::string& FieldVal) {
        std::int32_t start = 0;
        return GetRecnumFromFldVal(Tbl, FieldName, FieldVal, start);
    }
    std::int32_t FindRecord(const Table& Tbl, std::int32_t FldNum, const std::string& SText) {
        std::int32_t start = 0;
        return FindRecord(Tbl, FldNum, SText, start, false);
    }
};

}  // namespace vedb
