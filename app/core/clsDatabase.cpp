#include "app/core/clsDatabase.h"

#include "VEDataBase/ClassIds.h"
#include "app/core/modTimer.h"
#include "platform/VbError.h"
#include "platform/VbStrings.h"
#include "platform/com/Creation.h"

namespace {

// Element n (1-based) of an array, raising 9 outside it as the runtime does.
template <class T>
T& At(std::vector<T>& items, std::int64_t n) {
    if (n < 1 || static_cast<std::uint64_t>(n) > items.size()) vb::Raise(vb::errSubscript);
    return items[static_cast<std::size_t>(n - 1)];
}

// Value n (1-based) of a record, the same way.
std::size_t Column(const vedb::Fields& f, std::int64_t n) {
    if (n < 1 || static_cast<std::uint64_t>(n) > f.size()) vb::Raise(vb::errSubscript);
    return static_cast<std::size_t>(n - 1);
}

}  // namespace

namespace trace {
std::string DumpVariable(std::string_view name, const std::shared_ptr<clsDatabase>& object, long depth, long indent) {
    return DumpVariable(name, static_cast<const Traced*>(object.get()), depth, indent);
}

std::string DumpVariable(std::string_view name, const std::vector<std::string>& items, long depth, long indent) {
    VbArray<std::string> arr(1, static_cast<long>(items.size()));
    for (std::size_t i = 0; i < items.size(); ++i) arr(static_cast<long>(i) + 1) = items[i];
    return DumpVariable(name, arr, depth, indent);
}
}  // namespace trace

clsDatabase::clsDatabase() {
    TRACE("Class_Initialize");
    trace::TraceObjectLoaded("clsDatabase", false, TraceInstanceID);
    lDBMngr = com::CreateObject<vedb::_VEDataManager>(vedb::kProgIdVEDataManager);
}

clsDatabase::~clsDatabase() {
    TRACE("Class_Terminate");
    lDBMngr.Reset();
    trace::TraceUnload("clsDatabase", TraceInstanceID);
}

std::string clsDatabase::DumpModuleVars() const {
    return trace::DumpVariable("lDBLastAccess", lDBLastAccess) +
           trace::detail::Framed("lDBMngr", lDBMngr ? "{VEDataManager}" : "{Nothing}", 0) + trace::FixedExternal("lDB");
}

// ---- Properties ----

vedb::DataBase clsDatabase::DB() const {
    TRACE_PROP("DB");
    return lDB;
}

void clsDatabase::DB(const vedb::DataBase& newDB) {
    TRACE_PROP("DB", TV_UDTPARAM(newDB));
    lDB = newDB;
}

std::int16_t clsDatabase::flags() const {
    TRACE_PROP("flags");
    return lDB.flags;
}

void clsDatabase::flags(std::int32_t newval) {
    TRACE_PROP("flags", TV(newval));
    lDB.flags = vb::CInt(static_cast<double>(newval));
}

std::int32_t clsDatabase::HTabNum() const {
    TRACE_PROP("HTabNum");
    return lDB.HTabNum;
}

std::string clsDatabase::Name() const {
    TRACE_PROP("Name");
    return lDB.Name;
}

void clsDatabase::Name(const std::string& newval) {
    TRACE_PROP("Name", TV(newval));
    lDB.Name = newval;
}

std::string clsDatabase::Path() const {
    TRACE_PROP("Path");
    return lDB.Path;
}

void clsDatabase::Path(const std::string& newval) {
    TRACE_PROP("Path", TV(newval));
    lDB.Path = newval;
}

bool clsDatabase::Ready() const {
    TRACE_PROP("Ready");
    return lDB.Ready;
}

void clsDatabase::Ready(bool newval) {
    TRACE_PROP("Ready", TV(newval));
    lDB.Ready = newval;
}

std::int32_t clsDatabase::TabNum() const {
    TRACE_PROP("TabNum");
    return lDB.tabnum;
}

std::string clsDatabase::Tag() const {
    TRACE_PROP("Tag");
    return lDB.tag;
}

void clsDatabase::Tag(const std::string& newval) {
    TRACE_PROP("Tag", TV(newval));
    lDB.tag = newval;
}

std::string clsDatabase::Version() const {
    TRACE_PROP("Version");
    return lDB.Version;
}

void clsDatabase::SetTblName(std::int32_t TblNum, const std::string& NewName) {
    TRACE("SetTblName", TV(TblNum), TV(NewName));
    if (TableInRange(TblNum)) Tbl(TblNum).Name = NewName;
}

std::int32_t clsDatabase::DBLastAccess() const {
    TRACE_PROP("DBLastAccess");
    return lDBLastAccess;
}

void clsDatabase::DBLastAccess(std::int32_t newval) {
    TRACE_PROP("DBLastAccess", TV(newval));
    lDBLastAccess = newval;
}

std::string clsDatabase::GetTblName(std::int32_t TblNum) {
    TRACE("GetTblName", TV(TblNum));
    return TableInRange(TblNum) ? Tbl(TblNum).Name : std::string();
}

// ---- Helpers ----

// The clock in whole seconds, halves to even.
void clsDatabase::Stamp() { lDBLastAccess = vb::CLng(modTimer::GetQueryPerf()); }

bool clsDatabase::TableInRange(std::int32_t TblNum) const { return TblNum >= 1 && TblNum <= lDB.tabnum; }

vedb::Table& clsDatabase::Tbl(std::int32_t TblNum) { return At(lDB.Tables, TblNum); }

// ---- Table and record members ----

std::int32_t clsDatabase::GetTblRecNum(std::int32_t TblNum) {
    TRACE("GetTblRecNum", TV(TblNum));
    Stamp();
    return TableInRange(TblNum) ? Tbl(TblNum).RecNum : 0;
}

std::int16_t clsDatabase::GetTblFlags(std::int32_t TblNum) {
    TRACE("GetTblFlags", TV(TblNum));
    Stamp();
    return TableInRange(TblNum) ? Tbl(TblNum).flags : std::int16_t{0};
}

void clsDatabase::SetTblFlags(std::int32_t TblNum, std::int32_t newval) {
    TRACE("SetTblFlags", TV(TblNum), TV(newval));
    Stamp();
    if (TableInRange(TblNum)) Tbl(TblNum).flags = vb::CInt(static_cast<double>(newval));
}

std::string clsDatabase::GetTblTag(std::int32_t TblNum) {
    TRACE("GetTblTag", TV(TblNum));
    Stamp();
    return TableInRange(TblNum) ? Tbl(TblNum).tag : std::string();
}

void clsDatabase::SetTblTag(std::int32_t TblNum, const std::string& newval) {
    TRACE("SetTblTag", TV(TblNum), TV(newval));
    Stamp();
    if (TableInRange(TblNum)) Tbl(TblNum).tag = newval;
}

vedb::Head clsDatabase::GetTblCaption(std::int32_t TblNum) {
    TRACE("GetTblCaption", TV(TblNum));
    Stamp();
    return TableInRange(TblNum) ? Tbl(TblNum).Caption : vedb::Head{};
}

vedb::Record clsDatabase::GetTblRecord(std::int32_t TblNum, std::int32_t RecNum) {
    TRACE("GetTblRecord", TV(TblNum), TV(RecNum));
    Stamp();
    if (!TableInRange(TblNum)) return {};
    vedb::Table& t = Tbl(TblNum);
    if (RecNum < 1 || RecNum > t.RecNum) return {};
    return At(t.Records, RecNum);
}

std::string clsDatabase::GetTblFldVal(std::int32_t TblNum, std::int32_t RecNum, std::int32_t FldNum) {
    TRACE("GetTblFldVal", TV(TblNum), TV(RecNum), TV(FldNum));
    Stamp();
    const vedb::Fields& f = At(Tbl(TblNum).Records, RecNum).fields;
    return std::string(f[Column(f, FldNum)]);
}

std::string clsDatabase::GetTblFldValNm(std::int32_t TblNum, std::int32_t RecNum, const std::string& FldName) {
    TRACE("GetTblFldValNm", TV(TblNum), TV(RecNum), TV(FldName));
    Stamp();
    return lDBMngr->GetFldValFromTbl(Tbl(TblNum), FldName, RecNum);
}

void clsDatabase::SetTblFldVal(std::int32_t TblNum, std::int32_t RecNum, std::int32_t FldNum,
                               const trace::Secret& newval) {
    TRACE("SetTblFldVal", TV(TblNum), TV(RecNum), TV(FldNum), TV(newval));
    Stamp();
    vedb::Fields& f = At(Tbl(TblNum).Records, RecNum).fields;
    f.Set(Column(f, FldNum), newval.str());
}

void clsDatabase::SetTblFldValNm(std::int32_t TblNum, std::int32_t RecNum, const std::string& FldName,
                                 const trace::Secret& newval) {
    TRACE("SetTblFldValNm", TV(TblNum), TV(RecNum), TV(FldName), TV(newval));
    Stamp();
    // The manager answers -1 for a column or record the table lacks; the
    // value would then be lost unseen, so that is raised like every index
    // this class is handed that is not there.
    if (lDBMngr->SetFieldValInTbl(Tbl(TblNum), RecNum, FldName, newval.str()) != 0)
        throw vb::VbError(vb::errSubscript,
                          "The table has no column \"" + FldName + "\" or no record " + vb::CStr(RecNum));
}

void clsDatabase::SetTblRecord(const std::string& TblNum, std::int32_t RecNum, const vedb::Record& NewRec) {
    TRACE("SetTblRecord", TV(TblNum), TV(RecNum), TV_UDTPARAM(NewRec));
    Stamp();
    const double num = vb::Val(TblNum);
    if (num < 1 || num > lDB.tabnum) return;
    vedb::Table& t = Tbl(vb::CLng(num));
    if (RecNum < 1 || RecNum > t.RecNum) return;
    if (static_cast<std::int64_t>(NewRec.fields.size()) != t.Caption.Num) return;
    At(t.Records, RecNum) = NewRec;
}

std::string clsDatabase::FindHelpVal(std::int32_t TblNum, std::int32_t FldNum, std::int32_t Val) {
    TRACE("FindHelpVal", TV(TblNum), TV(FldNum), TV(Val));
    Stamp();
    const std::string helpTable = At(Tbl(TblNum).Caption.fields, FldNum).HelpTable;
    return lDBMngr->FindHelpVal(lDB, helpTable, Val);
}

std::int32_t clsDatabase::FindTable(const std::string& TblName) {
    TRACE("FindTable", TV(TblName));
    Stamp();
    return lDBMngr->FindTable(lDB, TblName);
}

std::int32_t clsDatabase::FindHTable(const std::string& HTblName) {
    TRACE("FindHTable", TV(HTblName));
    Stamp();
    return lDBMngr->FindHTable(lDB, HTblName);
}

std::int32_t clsDatabase::FindField(std::int32_t TblNum, const std::string& FldName) {
    TRACE("FindField", TV(TblNum), TV(FldName));
    Stamp();
    return TableInRange(TblNum) ? lDBMngr->FindField(Tbl(TblNum), FldName) : 0;
}

std::int32_t clsDatabase::GetRecNumFromVal(std::int32_t TblNum, std::int32_t FldNum, const std::string& FldVal,
                                           std::int32_t& Start) {
    TRACE("GetRecNumFromVal", TV(TblNum), TV(FldNum), TV(FldVal), TV(Start));
    Stamp();
    vedb::Table& t = Tbl(TblNum);
    const std::string FldName = At(t.Caption.fields, FldNum).Name;
    TRACE_LOCAL(FldName);
    if (Start == 0) Start = 1;
    if (Start > t.RecNum) return 0;
    return lDBMngr->GetRecnumFromFldVal(t, FldName, FldVal, Start);
}

std::int32_t clsDatabase::LoadDB(const std::string& Path, const trace::Secret& Pasw) {
    TRACE("LoadDB", TV_PATH(Path), TV(Pasw));
    Stamp();
    lDBMngr->CleanData(lDB);
    return lDBMngr->LoadDB(lDB, Path, Pasw.str());
}

void clsDatabase::SaveDB(const std::string& Path, const trace::Secret& Pasw, bool Compress) {
    TRACE("SaveDB", TV_PATH(Path), TV(Pasw), TV(Compress));
    Stamp();
    // This save answers nothing: only SaveAllDB and SaveDBOnPath use it, and
    // they look at no result. The program's own saves go through
    // clsDataFilesManager::SaveDB, which answers the manager's result; a
    // failure here stays in the manager's error history.
    static_cast<void>(lDBMngr->SaveDB(lDB, Path, Pasw.str(), Compress));
}

std::int32_t clsDatabase::SaveCopyWith(vedb::_VEDataManager& manager, const std::string& Path,
                                       const trace::Secret& Pasw, bool Compress) {
    TRACE("SaveCopyWith", TV_PATH(Path), TV(Pasw), TV(Compress));
    struct KeepFlags {
        vedb::DataBase& db;
        const std::int16_t flags = db.flags;
        ~KeepFlags() { db.flags = flags; }
    } keep{lDB};
    return manager.SaveDB(lDB, Path, Pasw.str(), Compress);
}

std::int32_t clsDatabase::TblsToString(const std::vector<std::string>& Tbls, std::string& BufStr,
                                       const std::vector<vedb::TblRequest>& TblsFltr) {
    TRACE("TblsToString", TV(Tbls), TV(BufStr), TV_UDTPARAM(TblsFltr));
    Stamp();
    std::string list;
    TRACE_LOCAL(list);
    for (const std::string& name : Tbls) list.append(name).push_back(vedb::SEP);
    return lDBMngr->TablesToString(lDB, list, BufStr, TblsFltr);
}

std::string clsDatabase::GetHelpVal(std::int32_t TblNum, const std::string& FName, std::int32_t RecNum) {
    TRACE("GetHelpVal", TV(TblNum), TV(FName), TV(RecNum));
    Stamp();
    return lDBMngr->GetHelpVal(lDB, Tbl(TblNum), FName, RecNum);
}

void clsDatabase::AddRecord(std::int32_t TblNum) {
    TRACE("AddRecord", TV(TblNum));
    Stamp();
    if (TableInRange(TblNum)) lDBMngr->AddRecord(Tbl(TblNum));
}

void clsDatabase::GetHTable(std::int32_t Num, vedb::HelpTable& BufHTbl) {
    TRACE("GetHTable", TV(Num), TV_UDTPARAM(BufHTbl));
    Stamp();
    if (Num >= 1 && Num <= lDB.HTabNum) BufHTbl = At(lDB.HTables, Num);
}

void clsDatabase::GetTable(std::int32_t Num, vedb::Table& BufTbl) {
    TRACE("GetTable", TV(Num), TV_UDTPARAM(BufTbl));
    Stamp();
    if (TableInRange(Num)) BufTbl = Tbl(Num);
}

const vedb::Table* clsDatabase::ReadTable(std::int32_t Num) {
    TRACE("ReadTable", TV(Num));
    Stamp();
    return TableInRange(Num) ? &Tbl(Num) : nullptr;
}

void clsDatabase::DeleteRec(std::int32_t TblNum, std::int32_t RecNum) {
    TRACE("DeleteRec", TV(TblNum), TV(RecNum));
    Stamp();
    vedb::Table& t = Tbl(TblNum);
    if (RecNum >= 1 && RecNum <= t.RecNum) lDBMngr->DelRecord(t, RecNum);
}

void clsDatabase::SetFldAllRecsVal(std::int32_t TblNum, std::int32_t FldNum, const trace::Secret& lVal) {
    TRACE("SetFldAllRecsVal", TV(TblNum), TV(FldNum), TV(lVal));
    Stamp();
    vedb::Table& t = Tbl(TblNum);
    for (std::int32_t r = 1; r <= t.RecNum; ++r) {
        vedb::Fields& f = At(t.Records, r).fields;
        f.Set(Column(f, FldNum), lVal.str());
    }
}

std::int32_t clsDatabase::GetHelpValNum(std::int32_t HTabNum, const std::string& StrVal) {
    TRACE("GetHelpValNum", TV(HTabNum), TV(StrVal));
    Stamp();
    return lDBMngr->GetHelpNum(At(lDB.HTables, HTabNum), StrVal);
}

std::string clsDatabase::GetComplexFldVal(std::int32_t TblNum, std::int32_t RecNum, std::int32_t FldNum) {
    TRACE("GetComplexFldVal", TV(TblNum), TV(RecNum), TV(FldNum));
    Stamp();
    return lDBMngr->GetComplexFieldVal(lDB, Tbl(TblNum), RecNum, FldNum);
}

std::int32_t clsDatabase::FindRecord(std::int32_t TblNum, std::int32_t FldNum, const std::string& SText,
                                     std::int32_t& Start, bool CaseSens) {
    TRACE("FindRecord", TV(TblNum), TV(FldNum), TV_HIDDEN(SText), TV(Start), TV(CaseSens));
    Stamp();
    vedb::Table& t = Tbl(TblNum);
    if (Start < 1) Start = 1;
    if (Start > t.RecNum) return 0;
    return lDBMngr->FindRecord(t, FldNum, SText, Start, CaseSens);
}
