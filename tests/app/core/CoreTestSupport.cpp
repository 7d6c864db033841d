#include "CoreTestSupport.h"

#include <dlfcn.h>

#include <algorithm>
#include <filesystem>

#include "VEDataBase/ClassIds.h"
#include "VEDataBase/_clsMD5HASH.h"
#include "VEDataBase/_clsRC4.h"
#include "app/core/clsDataFilesManager.h"
#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "app/core/modMainUsers.h"
#include "platform/VbError.h"
#include "platform/com/Creation.h"

namespace coretest {

namespace {

void* Library() {
    static void* const library = ::dlopen(VEDATABASE_PATH, RTLD_NOW | RTLD_NODELETE);
    return library;
}

void SetLibraryWriteFaults(const plat::WriteFaults& faults) {
    using SetFn = void (*)(const plat::WriteFaults&);
    auto set = reinterpret_cast<SetFn>(::dlsym(Library(), "_ZN4plat14SetWriteFaultsERKNS_11WriteFaultsE"));
    ASSERT_NE(set, nullptr) << "the library exports no write-fault seam";
    set(faults);
}

}  // namespace

ScopedLibraryWriteFaults::ScopedLibraryWriteFaults(const plat::WriteFaults& faults) {
    plat::SetWriteFaults(faults);
    SetLibraryWriteFaults(faults);
}

ScopedLibraryWriteFaults::~ScopedLibraryWriteFaults() {
    plat::ClearWriteFaults();
    SetLibraryWriteFaults({});
}

void RegisterBuiltLibrary() {
    void* const library = Library();
    ASSERT_NE(library, nullptr) << VEDATABASE_PATH;
    auto registerServer = reinterpret_cast<std::int32_t (*)()>(::dlsym(library, "DllRegisterServer"));
    ASSERT_NE(registerServer, nullptr);
    ASSERT_EQ(registerServer(), 0) << "the built library could not be registered";
}

void AddRow(clsDatabase& db, const Row& row) {
    db.AddRecord(1);
    const std::int32_t r = db.GetTblRecNum(1);
    for (std::size_t i = 0; i < row.size(); ++i) db.SetTblFldVal(1, r, static_cast<std::int32_t>(i) + 1, row[i]);
    // The record counter never stays below a record number the table holds,
    // as when the program adds the row.
    const std::string tag = db.GetTblTag(1);
    const bool counted = !tag.empty() && tag.find_first_not_of("0123456789") == std::string::npos;
    if (!row.empty() && !row[0].empty() && row[0].find_first_not_of("0123456789") == std::string::npos && counted &&
        std::stoll(row[0]) > std::stoll(tag))
        db.SetTblTag(1, row[0]);
}

long ErrorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const vb::VbError& e) {
        return e.Number();
    }
    return 0;
}

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

void LibraryTest::SetUp() {
    CoreTest::SetUp();
    RegisterBuiltLibrary();
    std::filesystem::create_directories(workDir());
}

void LibraryTest::TearDown() {
    modMain::CurUsDB.reset();
    modMain::MDFM.reset();
    CoreTest::TearDown();
}

std::string LibraryTest::LogText() const {
    const std::string log = appDir() + "/DbgFile.dat";
    return std::filesystem::exists(log) ? qpmtest::ReadBytes(log) : std::string();
}

std::string Md5Hex(const std::string& text) {
    return com::CreateObject<vedb::_clsMD5HASH>(vedb::kProgIdClsMD5HASH)->DigestStrToHexStr(text);
}

std::string Rc4(std::string bytes, const std::string& key) {
    com::CreateObject<vedb::_clsRC4>(vedb::kProgIdClsRC4)->CipherInPlace(bytes.data(), bytes.size(), key);
    return bytes;
}

void UserFolderTest::SetUp() {
    LibraryTest::SetUp();
    folder = file("DataBases");
    std::filesystem::create_directory(folder);
    SetOptions(DefaultOptions());
    modMain::ProgConfig(5) = folder;
    modMain::ProgCfgPath = file("config.dat");
    modMain::MDFM = std::make_shared<clsDataFilesManager>();
    modMain::CurUsDB = std::make_shared<clsDatabase>();
}

void UserFolderTest::TearDown() {
    modMain::PartialLoadFile.clear();
    modMain::PartialLoadCopy.clear();
    LibraryTest::TearDown();
}

}  // namespace coretest
