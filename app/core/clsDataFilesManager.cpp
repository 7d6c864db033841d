#include "app/core/clsDataFilesManager.h"

#include "VEDataBase/ClassIds.h"
#include "VEDataBase/_VEDataManager.h"
#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "platform/com/Creation.h"

namespace {

// A library manager for one call only; released when the call ends.
com::ComPtr<vedb::_VEDataManager> NewManager() {
    return com::CreateObject<vedb::_VEDataManager>(vedb::kProgIdVEDataManager);
}

}  // namespace

clsDataFilesManager::clsDataFilesManager() {
    TRACE("Class_Initialize");
    trace::TraceObjectLoaded("clsDataFilesManager", false, TraceInstanceID);
    DBFlsCol = std::make_shared<modMain::DBCollection>();
}

clsDataFilesManager::~clsDataFilesManager() {
    TRACE("Class_Terminate");
    trace::TraceUnload("clsDataFilesManager", TraceInstanceID);
}

std::string clsDataFilesManager::DumpModuleVars() const { return trace::DumpVariable("DBFlsCol", *DBFlsCol); }

std::int32_t clsDataFilesManager::GetLoadedDBNum() {
    TRACE("GetLoadedDBNum");
    return static_cast<std::int32_t>(DBFlsCol->Count());
}

void clsDataFilesManager::GetLoadedDBCol(std::shared_ptr<modMain::DBCollection>& BufCol) {
    const trace::Var bufCol{[&BufCol] {
        return BufCol ? trace::DumpVariable("BufCol", *BufCol) : trace::detail::Framed("BufCol", "{Nothing}", 0);
    }};
    TRACE("GetLoadedDBCol", bufCol);
    BufCol = DBFlsCol;
}

std::int32_t clsDataFilesManager::LoadDB(const std::string& Path, std::shared_ptr<clsDatabase>& BufDB,
                                         const trace::Secret& Pasw) {
    TRACE("LoadDB", TV_PATH(Path), TV(BufDB), TV(Pasw));
    if (modMain::FindObjInCol(*DBFlsCol, Path) == 1) {
        BufDB = DBFlsCol->Item(Path);
        return kAlreadyOpen;
    }
    if (!modMain::FileExist(Path)) {
        modMain::DbgPrint("___LoadDB = -2");
        return kNoFile;
    }
    BufDB = std::make_shared<clsDatabase>();
    const std::int32_t r = BufDB->LoadDB(Path, Pasw);
    TRACE_LOCAL(r);
    DBFlsCol->Add(BufDB, Path);
    BufDB->Path(Path);
    return r;
}

std::int32_t clsDataFilesManager::UpdateDB(const std::shared_ptr<clsDatabase>& NewDB, const std::string& Path) {
    TRACE("UpdateDB", TV(NewDB), TV_PATH(Path));
    if (modMain::FindObjInCol(*DBFlsCol, Path) == 1) {
        DBFlsCol->Remove(Path);
        DBFlsCol->Add(NewDB, Path);
        return kDone;
    }
    DBFlsCol->Add(NewDB, Path);
    return kNotPresent;
}

std::int32_t clsDataFilesManager::AddDB(const std::shared_ptr<clsDatabase>& NewDB, const std::string& Path) {
    TRACE("AddDB", TV(NewDB), TV_PATH(Path));
    if (modMain::FindObjInCol(*DBFlsCol, Path) == 1) return kNotPresent;
    DBFlsCol->Add(NewDB, Path);
    return kDone;
}

std::int32_t clsDataFilesManager::DeleteDBFromCol(const std::string& Path) {
    TRACE("DeleteDBFromCol", TV_PATH(Path));
    if (modMain::FindObjInCol(*DBFlsCol, Path) == 0) return kNotPresent;
    DBFlsCol->Remove(Path);
    return kDone;
}

std::int32_t clsDataFilesManager::ReadTbls(std::shared_ptr<clsDatabase>& BufDB, const std::string& Path,
                                           const std::vector<std::string>& Tbls) {
    TRACE("ReadTbls", TV(BufDB), TV_PATH(Path), TV(Tbls));
    if (modMain::FindObjInCol(*DBFlsCol, Path) == 1) {
        BufDB = DBFlsCol->Item(Path);
        return kDone;
    }
    com::ComPtr<vedb::_VEDataManager> manager = NewManager();
    vedb::DataBase record;
    manager->LoadPartDB(record, Path, Tbls);
    record.Path = Path;
    BufDB = std::make_shared<clsDatabase>();
    BufDB->DB(record);
    return kNotPresent;
}

std::int32_t clsDataFilesManager::SaveDB(const std::shared_ptr<clsDatabase>& BufDB, const std::string& Path,
                                         const trace::Secret& Pasw, bool Compress) {
    TRACE("SaveDB", TV(BufDB), TV_PATH(Path), TV(Pasw), TV(Compress));
    com::ComPtr<vedb::_VEDataManager> manager = NewManager();
    return BufDB->SaveCopyWith(*manager, Path, Pasw, Compress);
}

void clsDataFilesManager::SaveAllDB(const trace::Secret& Pasw, bool Compress) {
    TRACE("SaveAllDB", TV(Pasw), TV(Compress));
    for (const std::shared_ptr<clsDatabase>& db : DBFlsCol->Items()) db->SaveDB(db->Path(), Pasw, Compress);
}

void clsDataFilesManager::SaveDBOnPath(const std::string& DBPath, const trace::Secret& Pasw, bool Compress) {
    TRACE("SaveDBOnPath", TV_PATH(DBPath), TV(Pasw), TV(Compress));
    for (const std::shared_ptr<clsDatabase>& db : DBFlsCol->Items()) {
        if (db->Path() == DBPath) {
            db->SaveDB(DBPath, Pasw, Compress);
            return;
        }
    }
}

std::int32_t clsDataFilesManager::IsDBLoaded(const std::string& DBPath) {
    TRACE("IsDBLoaded", TV_PATH(DBPath));
    return modMain::FindObjInCol(*DBFlsCol, DBPath);
}
