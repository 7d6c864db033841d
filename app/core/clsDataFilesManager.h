#pragma once
// The registry of open database files: opens a file into a new clsDatabase
// and remembers it under the path it was opened with, answers whether a path
// is open, forgets entries, saves a database record to a file through a
// short-lived library manager, and reads chosen tables of a file without
// registering them. One instance exists for the program's whole run (MDFM).
//
// Keys are the paths as the callers gave them, compared without regard to
// letter case. An entry's key and its object's Path can differ when a caller
// changes Path later: SaveAllDB and SaveDBOnPath go by Path, every other
// member by the key.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/core/modMainCollection.h"
#include "app/trace/Trace.h"

class clsDatabase;

class clsDataFilesManager : public trace::Traced {
public:
    clsDataFilesManager();
    // Class_Terminate: saves and releases nothing but its own references.
    ~clsDataFilesManager() override;
    clsDataFilesManager(const clsDataFilesManager&) = delete;
    clsDataFilesManager& operator=(const clsDataFilesManager&) = delete;

    const char* TraceName() const override { return "clsDataFilesManager"; }
    std::string DumpModuleVars() const override;

    // Result codes besides the library's own.
    static constexpr std::int32_t kDone = 1;          // updated, added, removed; ReadTbls found it open
    static constexpr std::int32_t kNotPresent = 2;    // or added instead of replaced; ReadTbls read the file
    static constexpr std::int32_t kAlreadyOpen = 28;  // LoadDB handed back the open object
    static constexpr std::int32_t kNoFile = -2;       // LoadDB found no file

    std::int32_t GetLoadedDBNum();
    // The live collection itself, not a copy.
    void GetLoadedDBCol(std::shared_ptr<modMain::DBCollection>& BufCol);
    // Open path: BufDB := the registered object, 28, nothing read. No file:
    // -2 and a log line. Otherwise a new object loads the file (the library's
    // result) and is registered under Path, whatever that result.
    std::int32_t LoadDB(const std::string& Path, std::shared_ptr<clsDatabase>& BufDB, const trace::Secret& Pasw);
    // Present: the entry is replaced by NewDB at the end, 1. Absent: added, 2.
    std::int32_t UpdateDB(const std::shared_ptr<clsDatabase>& NewDB, const std::string& Path);
    // Absent: added, 1. Present: nothing changes, 2.
    std::int32_t AddDB(const std::shared_ptr<clsDatabase>& NewDB, const std::string& Path);
    // Present: removed, 1. Absent: 2.
    std::int32_t DeleteDBFromCol(const std::string& Path);
    // Open path: BufDB := the registered object, 1. Otherwise a new,
    // unregistered object with only the named tables of the file, 2.
    std::int32_t ReadTbls(std::shared_ptr<clsDatabase>& BufDB, const std::string& Path,
                          const std::vector<std::string>& Tbls);
    // Writes a copy of BufDB's record to Path through a manager made for this
    // call: 2 saved, -1 failed (the library then leaves an existing file as
    // it was). BufDB and the collection are not touched.
    [[nodiscard]] std::int32_t SaveDB(const std::shared_ptr<clsDatabase>& BufDB, const std::string& Path,
                                      const trace::Secret& Pasw, bool Compress);
    // Every entry saves itself to its own Path, in order.
    void SaveAllDB(const trace::Secret& Pasw, bool Compress);
    // The first entry whose Path is exactly DBPath saves itself.
    void SaveDBOnPath(const std::string& DBPath, const trace::Secret& Pasw, bool Compress);
    // 1 when an entry exists under the key DBPath, else 0.
    std::int32_t IsDBLoaded(const std::string& DBPath);

private:
    std::shared_ptr<modMain::DBCollection> DBFlsCol;
    std::int16_t TraceInstanceID = 0;
};
