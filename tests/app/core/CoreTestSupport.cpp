#include "CoreTestSupport.h"

#include <dlfcn.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>

#include "app/core/clsDatabase.h"
#include "app/trace/Trace.h"
#include "platform/VbError.h"

namespace coretest {
namespace {

qpmtest::TempDir& ProcessFolder() {
    static qpmtest::TempDir folder;
    return folder;
}

}  // namespace

void UseBuiltLibrary() {
    static const bool ready = [] {
        const std::string root = ProcessFolder().path().string();
        for (const char* sub : {"registry", "runtime", "data", "config"})
            std::filesystem::create_directory(root + "/" + sub);
        std::filesystem::permissions(root + "/runtime", std::filesystem::perms::owner_all);
        ::setenv("QUELLON_REGISTRY_ROOT", (root + "/registry").c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", (root + "/runtime").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
        void* library = ::dlopen(VEDATABASE_PATH, RTLD_NOW | RTLD_NODELETE);
        if (!library) return false;
        auto registerServer = reinterpret_cast<std::int32_t (*)()>(::dlsym(library, "DllRegisterServer"));
        return registerServer && registerServer() == 0;
    }();
    ASSERT_TRUE(ready) << "the built library could not be registered: " << VEDATABASE_PATH;
}

std::string RuntimeFolder() { return ProcessFolder().path().string() + "/runtime"; }

std::string NewUserText() {
    return "dzorvaLiL\r\n"
           "UserDataBase\x87"
           "0\x87"
           "1.1a\r\n"
           "[DataTable]\r\n"
           "0\x87"
           "0\r\n"
           "0\r\n"
           "IndNum 69\x87Parent 5\x87Type 5\x87Title 66\x87Login 2\x87Password 2\x87"
           "Description 2\x87Image 5\x87"
           "Flags 5\r\n"
           "[End DataTable]\r\n";
}

void AddRow(clsDatabase& db, const Row& row) {
    db.AddRecord(1);
    const std::int32_t r = db.GetTblRecNum(1);
    for (std::size_t i = 0; i < row.size(); ++i) db.SetTblFldVal(1, r, static_cast<std::int32_t>(i) + 1, row[i]);
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

void CoreTest::SetUp() {
    UseBuiltLibrary();
    trace::ResetStack();
    trace::ResetReportingForTests();
}

void CoreTest::TearDown() {
    trace::ResetStack();
    trace::ResetReportingForTests();
}

}  // namespace coretest
