#pragma once
// The table database manager: reads, changes, saves, loads and converts the
// records it is handed (Types.h), and keeps only its line cipher state and its
// error report and history. Members are split by concern over the
// VEDataManager*.cpp files.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ComObject.h"
#include "VEDataBase/_VEDataManager.h"

namespace vedb {

class clsRC4;
class TextLines;

// The run-time error a handler caught, for the error record.
struct CaughtError {
    long number = 0;
    std::string description;
};

class VEDataManager final : public ComObject<_VEDataManager> {
public:
    VEDataManager();

    std::optional<std::int32_t> AddFullRecord(Table& Tbl, const Record& Rec) override;
    std::int32_t AddRecord(Table& Tbl) override;
    [[nodiscard]] std::int32_t SaveDB(DataBase& DB, const std::string& Path, const std::string& Pasw = {},
                                      bool Compress = false) override;
    std::string GetFieldVal(const Table& Tbl, std::int32_t rind, std::int32_t find) override;
    std::string GetComplexFieldVal(const DataBase& IDB, const Table& Tbl, std::int32_t rind,
                                   std::int32_t find) override;
    std::int32_t LoadDB(DataBase& DB, const std::string& Path, const std::string& Pasw = {}) override;
    std::string FindHelpVal(const DataBase& DB, const std::string& TabName, std::int32_t Val) override;
    std::int32_t FindField(const Table& Tbl, const std::string& FName) override;
    std::int32_t FindTable(const DataBase& DB, const std::string& TabName) override;
    std::int32_t FindHTable(const DataBase& DB, const std::string& HTabName) override;
    std::int32_t LoadPartDB(DataBase& DB, const std::string& Path, const std::vector<std::string>& Tables) override;
    std::int32_t SetValToHField(DataBase& IDB, const std::string& TblName, const std::string& FName,
                                std::int32_t RecNum, const std::string& StrVal) override;
    std::int32_t SetFieldVal(DataBase& IDB, const std::string& TblName, std::int32_t RecNum, const std::string& FName,
                             const std::string& FVal) override;
    [[nodiscard]] std::int32_t SetFieldValInTbl(Table& Tbl, std::int32_t RecNum, const std::string& FName,
                                                const std::string& FVal) override;
    std::int32_t GetHelpNum(const HelpTable& HTable, const std::string& HVal) override;
    std::int32_t GetHelpNumFromDB(const DataBase& IDB, const std::string& HTblName, const std::string& HVal) override;
    std::string GetFldValFromDB(const DataBase& DB, const std::string& TblName, const std::string& FieldName,
                                std::int32_t RecNum) override;
    std::string GetFldValFromTbl(const Table& Tbl, const std::string& FieldName, std::int32_t RecNum) override;
    using _VEDataManager::GetRecnumFromFldVal;
    std::int32_t GetRecnumFromFldVal(const Table& Tbl, const std::string& FieldName, const std::string& FieldVal,
                                     std::int32_t& Start) override;
    std::string ProcessStringIn(const std::string& text, std::string& buf) override;
    std::string ProcessStringOut(const std::string& text, std::string& buf) override;
    std::string EncryptText(const std::string& TxtForEncr, const std::string& Key = {}) override;
    std::string EncryptBytesText(ByteArray& TxtForEncr, const std::string& Key = {}) override;
    std::string DecryptText(const std::string& TxtForDecr, const std::string& Key = {}) override;
    std::string DecryptBytesText(ByteArray& TxtForDecr, const std::string& Key = {}) override;
    std::optional<std::int32_t> StringToDB(DataBase& BufDB, const std::string& InpStr) override;
    std::int32_t TablesToString(const DataBase& IDB, const std::string& Tbls, std::string& Buffer,
                                const std::vector<TblRequest>& TblsFltr) override;
    std::int32_t AddDBInfo(const DataBase& IDB, std::string& Buffer) override;
    std::int32_t GetDBInfo(DataBase& BufDB, const std::string& InpData) override;
    std::int32_t StringToHTable(const std::string& InpStr, HelpTable& BufHTbl) override;
    std::int32_t StringToTable(const std::string& InpStr, Table& BufTbl) override;
    std::string GetHelpVal(const DataBase& DB, const Table& Tbl, const std::string& FName,
                           std::int32_t RecNum) override;
    std::int32_t HTableToString(const HelpTable& Htbl, std::string& Buffer) override;
    std::int32_t TableToString(const Table& Tbl, std::string& Buffer, const Request& Filter) override;
    std::int32_t ClearErrors() override;
    std::int32_t CleanData(DataBase& DB) override;
    std::optional<std::int32_t> DelRecord(Table& Tbl, std::int32_t RecNum) override;
    std::int32_t GetFilteredRecsNum(const Table& Tbl, const Request& Filter) override;
    std::int32_t FilterRecord(const Record& FRecord, const Request& Filter) override;
    std::int32_t FilterField(const std::string& FieldVal, const ReqField& FieldFilter) override;
    using _VEDataManager::FindRecord;
    std::int32_t FindRecord(const Table& Tbl, std::int32_t FldNum, const std::string& SText, std::int32_t& Start,
                            bool CaseSens = false) override;
    std::int32_t ErrHistLen() const override;
    std::string ErrHistory(std::int32_t Index) const override;
    std::int32_t ErrNum() const override { return errNum_; }
    std::string ErrDesc() const override { return errDesc_; }
    std::string ErrFrom() const override { return errFrom_; }
    std::string ErrExtra() const override { return errExtra_; }
    void CryptPasw(const std::string& NewPasw) override { cryptPasw_ = NewPasw; }
    std::string CryptPasw() const override { return cryptPasw_; }
    void PaswKey(const std::string& NewVal) override;
    std::string PaswKey() const override { return paswKey_; }

    // The message codes of the error history.
    enum ErrCode : std::int32_t {
        errUnknown = 0,
        errNoDbName = 1,
        errNoDbFlags = 2,
        errWrongTableName = 3,
        errWrongCaptionField = 4,
        errTableExists = 5,
        errFieldExists = 6,
        errNoHelpValue = 7,
        errNoVersionMark = 8,
        errUnrecognizedLine = 9,
        errNoTableForString = 10,
    };

private:
    ~VEDataManager() override;

    using Caught = CaughtError;
    static Caught CurrentError();

    // Writer steps (VEDataManagerSave.cpp).
    bool CheckStorable(const DataBase& DB);
    void SaveHTables(const DataBase& DB, std::string& out);
    bool SaveTables(const DataBase& DB, std::string& out);
    std::int32_t SaveTbl(const Table& Tbl, std::string& out);
    void SaveCaption(const Head& Caption, std::string& out);
    void WriteCodedLine(std::string line, std::string& out, const std::string& key = {});
    void CommitFile(const std::string& Path, std::string text, bool Compress);
    // About how long the text of DB is, to reserve it once.
    static std::size_t TextSizeEstimate(const DataBase& DB);

    // Reader steps (VEDataManagerLoad.cpp).
    //
    // How the item lines of a table or help table end: after `count` lines
    // comes the end line, as stored (coded). An end line met earlier, a
    // different line at the count, or a count that cannot be read are damage.
    struct BlockEnd {
        std::string expected;
        bool anyCase = false;    // plain table end lines match in any letter case
        bool trimPlain = false;  // plain help-table lines are compared trimmed
        bool countKnown = false;
        std::uint64_t count = 0;
        double declared = 0;  // the count as the file gives it, for the error texts
        // The end line was found further on than the count: items go on
        // up to it.
        bool beyondCount = false;
    };
    enum class BlockLine { Item, End, DamagedEnd, Eof };
    BlockLine NextBlockLine(TextLines& in, BlockEnd& end, std::size_t itemsRead, std::string_view& item);
    bool IsBlockEnd(std::string_view line, const BlockEnd& end) const;
    // Reads "flags SEP count"; damage is recorded and leaves flags 0 and the
    // count unknown.
    void ReadCounts(std::string_view counts, std::int64_t flagsMin, std::int64_t flagsMax, std::int64_t& flags,
                    BlockEnd& end, const char* from, const std::string& extra);
    // Records a line the reader could not take whole: the load goes on and
    // reports 0.
    void NoteDamage(const char* from, const std::string& extra, long vbError);

    std::int32_t AnalyseDHeader(DataBase& DB, const std::string& header);
    std::int32_t AnalyseString(std::string_view line, DataBase& DB, TextLines& in);
    std::int32_t AnalyseStringForPart(const std::string& line, DataBase& DB, TextLines& in,
                                      const std::vector<std::string>& Tables);
    std::int32_t LoadNewHTable(DataBase& DB, const std::string& first, TextLines& in);
    std::int32_t LoadNewTable(DataBase& DB, const std::string& first, TextLines& in);
    std::int32_t LoadTblFields(Table& Tbl, TextLines& in, const DataBase& DB, BlockEnd& end);
    std::int32_t LoadNewCaption(DataBase& DB, const std::string& caption, std::int32_t tableIndex);
    std::int32_t LoadNewHeadF(DataBase& DB, const std::string& column, std::int32_t tableIndex);
    bool IsEndLine(std::string_view line, std::string_view expected) const;
    static std::int32_t FindStrInList(const std::vector<std::string>& list, const std::string& text);

    // String form steps (VEDataManagerStringForm.cpp).
    void SetHTblInfoStr(const HelpTable& Htbl, std::string& out);
    std::int32_t SetTblInfoToStr(const Table& Tbl, std::string& out, const std::string& count);
    std::int64_t GetHTblInfoFrmStr(const std::string& text, HelpTable& Htbl);
    std::int64_t GetTblInfoFrmStr(const std::string& text, Table& Tbl);
    void ReadDBInfo(DataBase& BufDB, const std::string& InpData);
    void ReadHTable(const std::string& InpStr, HelpTable& BufHTbl);
    void ReadTable(const std::string& InpStr, Table& BufTbl);
    void ParseStringForm(const std::string& InpStr, DataBase& BufDB);
    static std::int64_t AppendToBuffer(std::string& Buffer, std::string_view Text, std::int64_t& Pos);

    // Error history (VEDataManagerErrors.cpp).
    void FillErrMessages();
    void SetError(std::int32_t code, const std::string& from, const std::string& extra, const Caught& caught = {});
    void AddErrToHistory();

    // Line coding (VEDataManagerLineCoding.cpp). An empty key means the
    // cipher's current key; the key used is written back. EncodeLine gives
    // false when the cipher text holds an escape token: DecodeLine would take
    // it for an escaped byte, so such a line cannot be stored.
    bool EncodeLine(std::string& line, std::string& Key);
    void DecodeLine(std::string& line, std::string& Key);
    bool EncodeLine(std::string& line);
    // EncodeLine for the writer: a line that cannot be stored raises.
    void EncodeStoredLine(std::string& line, std::string& Key);
    void DecodeLine(std::string& line);
    // DecodeLine of a stored line into `line` (its storage reused), under the
    // current key.
    void DecodeLineInto(std::string_view stored, std::string& line);

    bool encrypted_ = false;
    std::int16_t dbFlags_ = 0;
    clsRC4* cipher_ = nullptr;
    std::string paswKey_;
    std::string cryptPasw_;
    std::vector<std::string> errMsgs_;
    std::int32_t errNum_ = 0;
    std::string errDesc_;
    std::string errFrom_;
    std::string errExtra_;
    std::vector<std::string> history_;
    // Set while a load runs when a block could be read only in part: the load
    // then goes on but reports 0.
    bool partial_ = false;
};

}  // namespace vedb
