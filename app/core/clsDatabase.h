#pragma once
// One database held in memory: the library's DataBase record, the library
// manager that works on it (created by its ProgID and owned for the object's
// whole life) and the time of its last use. The rest of the program reads and
// changes records only through this class.
//
// Numbers of tables, records and columns count from 1. Getters answer "", 0 or
// an empty record for a table or record number that is not there and setters
// then do nothing; the members that index without checking raise run-time
// error 9 for a number outside the arrays, as their callers expect.
//
// Field values and passwords travel as trace::Secret, so a record's password,
// login or description never reaches an error report, whatever the column.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "VEDataBase/Types.h"
#include "VEDataBase/_VEDataManager.h"
#include "app/trace/Trace.h"
#include "platform/com/ComPtr.h"

class clsDatabase : public trace::Traced {
public:
    // Class_Initialize: an empty record (no tables) and a new manager.
    clsDatabase();
    // Class_Terminate: releases the manager.
    ~clsDatabase() override;
    clsDatabase(const clsDatabase&) = delete;
    clsDatabase& operator=(const clsDatabase&) = delete;

    const char* TraceName() const override { return "clsDatabase"; }
    std::string DumpModuleVars() const override;

    // ---- Properties (no last-access stamp) ----

    // A full copy of the record; the let form replaces it with a full copy.
    vedb::DataBase DB() const;
    void DB(const vedb::DataBase& newDB);
    std::int16_t flags() const;
    // Raises 6 (overflow) for a value outside the 16-bit range.
    void flags(std::int32_t newval);
    std::int32_t HTabNum() const;
    std::string Name() const;
    void Name(const std::string& newval);
    std::string Path() const;
    void Path(const std::string& newval);
    bool Ready() const;
    void Ready(bool newval);
    // 0 means no database is loaded.
    std::int32_t TabNum() const;
    std::string Tag() const;
    void Tag(const std::string& newval);
    std::string Version() const;
    void SetTblName(std::int32_t TblNum, const std::string& NewName);
    // Whole seconds of the program's clock at the last use; 0 until then.
    std::int32_t DBLastAccess() const;
    void DBLastAccess(std::int32_t newval);
    std::string GetTblName(std::int32_t TblNum);

    // ---- Table, record and file members (each stamps the last access) ----

    std::int32_t GetTblRecNum(std::int32_t TblNum);
    std::int16_t GetTblFlags(std::int32_t TblNum);
    void SetTblFlags(std::int32_t TblNum, std::int32_t newval);
    std::string GetTblTag(std::int32_t TblNum);
    void SetTblTag(std::int32_t TblNum, const std::string& newval);
    vedb::Head GetTblCaption(std::int32_t TblNum);
    vedb::Record GetTblRecord(std::int32_t TblNum, std::int32_t RecNum);
    std::string GetTblFldVal(std::int32_t TblNum, std::int32_t RecNum, std::int32_t FldNum);
    std::string GetTblFldValNm(std::int32_t TblNum, std::int32_t RecNum, const std::string& FldName);
    void SetTblFldVal(std::int32_t TblNum, std::int32_t RecNum, std::int32_t FldNum, const trace::Secret& newval);
    // Raises 9 when the table has no column FldName or no record RecNum.
    void SetTblFldValNm(std::int32_t TblNum, std::int32_t RecNum, const std::string& FldName,
                        const trace::Secret& newval);
    // TblNum is a text taken by its numeric value. Replaces the record only
    // when the table and record exist and NewRec has one value per column.
    void SetTblRecord(const std::string& TblNum, std::int32_t RecNum, const vedb::Record& NewRec);
    std::string FindHelpVal(std::int32_t TblNum, std::int32_t FldNum, std::int32_t Val);
    std::int32_t FindTable(const std::string& TblName);
    std::int32_t FindHTable(const std::string& HTblName);
    std::int32_t FindField(std::int32_t TblNum, const std::string& FldName);
    // The first record from Start up whose column FldNum equals FldVal
    // exactly, 0 when none. A Start of 0 becomes 1 in the caller's variable.
    std::int32_t GetRecNumFromVal(std::int32_t TblNum, std::int32_t FldNum, const std::string& FldVal,
                                  std::int32_t& Start);
    // The library's load result (1 loaded, 0 loaded in part, negative failed).
    std::int32_t LoadDB(const std::string& Path, const trace::Secret& Pasw);
    // Saves through the object's own manager; the result is not passed on.
    void SaveDB(const std::string& Path, const trace::Secret& Pasw, bool Compress);
    // Saves what a copy of the record (DB) would save, through `manager`,
    // without making the copy: a large database would hold its records
    // twice. The manager marks the record it writes as enciphered; that mark
    // is taken back, so the record is as it was. No last-access stamp, as
    // DB has none. The manager's result.
    [[nodiscard]] std::int32_t SaveCopyWith(vedb::_VEDataManager& manager, const std::string& Path,
                                            const trace::Secret& Pasw, bool Compress);
    // Tbls: table names; each is passed on followed by the separator.
    std::int32_t TblsToString(const std::vector<std::string>& Tbls, std::string& BufStr,
                              const std::vector<vedb::TblRequest>& TblsFltr);
    std::string GetHelpVal(std::int32_t TblNum, const std::string& FName, std::int32_t RecNum);
    // Appends an empty record; its number is then GetTblRecNum.
    void AddRecord(std::int32_t TblNum);
    void GetHTable(std::int32_t Num, vedb::HelpTable& BufHTbl);
    void GetTable(std::int32_t Num, vedb::Table& BufTbl);
    // Table Num as it stands, read in place without the copy GetTable makes;
    // nullptr when there is no such table. For the core's own reading: the
    // reference stays valid only until the database changes (any setter, a
    // record added or deleted, a load, the DB let) or the object goes, so a
    // caller reads what it needs before it changes anything.
    const vedb::Table* ReadTable(std::int32_t Num);
    void DeleteRec(std::int32_t TblNum, std::int32_t RecNum);
    void SetFldAllRecsVal(std::int32_t TblNum, std::int32_t FldNum, const trace::Secret& lVal);
    std::int32_t GetHelpValNum(std::int32_t HTabNum, const std::string& StrVal);
    std::string GetComplexFldVal(std::int32_t TblNum, std::int32_t RecNum, std::int32_t FldNum);
    // The first record from Start up whose column FldNum contains SText
    // (letter case ignored unless CaseSens), 0 when none. A Start below 1
    // becomes 1 in the caller's variable.
    std::int32_t FindRecord(std::int32_t TblNum, std::int32_t FldNum, const std::string& SText, std::int32_t& Start,
                            bool CaseSens);

private:
    void Stamp();
    bool TableInRange(std::int32_t TblNum) const;
    // The table, raising 9 when it is not there.
    vedb::Table& Tbl(std::int32_t TblNum);

    vedb::DataBase lDB;
    std::int32_t lDBLastAccess = 0;
    com::ComPtr<vedb::_VEDataManager> lDBMngr;
    std::int16_t TraceInstanceID = 0;
};

namespace trace {
// A database object in a dump: "{clsDatabase}", or "{Nothing}" when none.
std::string DumpVariable(std::string_view name, const std::shared_ptr<clsDatabase>& object, long depth = 99,
                         long indent = 0);
// A list of names (a string array parameter) in a dump, counted from 1.
std::string DumpVariable(std::string_view name, const std::vector<std::string>& items, long depth = 99,
                         long indent = 0);
}  // namespace trace
