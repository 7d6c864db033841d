// The cost of the record tree and of find as a user's database grows: the
// whole tree built into a window that does nothing, and a search through
// every row (titles only, and every visible column). Both must grow linearly:
// 100,000 records may cost at most 12 times 10,000; the ratios are printed at
// the end.
//
// The database object is created as the program creates it: the built library
// is registered into a registry of the benchmark's own and its manager is made
// by ProgID.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "CoreBench.h"
#include "VEDataBase/Types.h"
#include "app/core/CoreView.h"
#include "app/core/clsDatabase.h"
#include "app/core/modMainDisplay.h"
#include "app/core/modMainTree.h"
#include "platform/VbStrings.h"

namespace {

// A folder of the benchmark's own for the registry and the private folders,
// removed at exit.
struct Sandbox {
    std::string root;
    Sandbox() {
        char name[] = "/tmp/qpm-bench-XXXXXX";
        root = ::mkdtemp(name);
        for (const char* sub : {"registry", "runtime", "data", "config"})
            std::filesystem::create_directory(root + "/" + sub);
        std::filesystem::permissions(root + "/runtime", std::filesystem::perms::owner_all);
        ::setenv("QUELLON_REGISTRY_ROOT", (root + "/registry").c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", (root + "/runtime").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
        void* library = ::dlopen(VEDATABASE_PATH, RTLD_NOW | RTLD_NODELETE);
        auto registerServer =
            library ? reinterpret_cast<std::int32_t (*)()>(::dlsym(library, "DllRegisterServer")) : nullptr;
        if (!registerServer || registerServer() != 0) {
            std::fprintf(stderr, "cannot register %s\n", VEDATABASE_PATH);
            std::exit(1);
        }
    }
    ~Sandbox() {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
};

// n rows: a folder every 50 rows, each folder under an earlier folder (ten
// subfolders each), the records under the latest folder. The last record's
// title and password are the only ones holding "needle".
std::shared_ptr<clsDatabase> MakeDatabase(std::int64_t n) {
    vedb::Table t;
    t.Name = "DataTable";
    const std::pair<const char*, std::int16_t> heads[] = {{"IndNum", 69},     {"Parent", 5}, {"Type", 5},
                                                          {"Title", 66},      {"Login", 2},  {"Password", 2},
                                                          {"Description", 2}, {"Image", 5},  {"Flags", 5}};
    for (const auto& [name, flags] : heads) t.Caption.fields.push_back({name, flags, ""});
    t.Caption.Num = static_cast<std::int16_t>(t.Caption.fields.size());
    std::int64_t folders = 0;
    std::string lastFolder = "0";
    for (std::int64_t i = 1; i <= n; ++i) {
        const std::string id = vb::CStr(i);
        vedb::Record r;
        if (i % 50 == 1) {
            ++folders;
            const std::string parent = folders == 1 ? "0" : vb::CStr((folders / 10) * 50 + 1);
            r.fields = {id, folders <= 10 ? "0" : parent, "1", "Folder " + id, "", "", "", "2key", "0|0"};
            lastFolder = id;
        } else {
            const std::string title = i == n ? "Record needle " + id : "Record " + id;
            const std::string pw = i == n ? "needle-pw" : "pw-" + id;
            r.fields = {id, lastFolder, "2", title, "user" + id, pw, "", "1key", "0|0"};
        }
        t.Records.push_back(std::move(r));
    }
    t.RecNum = static_cast<std::int32_t>(t.Records.size());
    t.tag = vb::CStr(n);
    vedb::DataBase data;
    data.Name = "UserDataBase";
    data.Version = "1.1a";
    data.Tables.push_back(std::move(t));
    data.tabnum = 1;
    auto db = std::make_shared<clsDatabase>();
    db->DB(data);
    db->Tag("bench");
    return db;
}

clsDatabase& Database(std::int64_t n) {
    static Sandbox sandbox;
    static std::map<std::int64_t, std::shared_ptr<clsDatabase>> made;
    auto& db = made[n];
    if (!db) db = MakeDatabase(n);
    return *db;
}

void BM_BuildTree(benchmark::State& state) {
    clsDatabase& db = Database(state.range(0));
    corebench::NoView view;
    for (auto _ : state) modMain::ShowUsDBInTreeView(db, view);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

// A search from row 1 that meets its only hit in the last row.
void Find(benchmark::State& state, const char* text, bool everywhere) {
    clsDatabase& db = Database(state.range(0));
    for (auto _ : state) {
        std::int32_t start = 1;
        benchmark::DoNotOptimize(modMain::FindRecordInDB(text, 1, 4, start, db, everywhere, false));
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
void BM_FindTitles(benchmark::State& state) { Find(state, "needle", false); }
void BM_FindEverywhere(benchmark::State& state) { Find(state, "needle-pw", true); }

void Sizes(benchmark::internal::Benchmark* b) {
    b->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Repetitions(7)->DisplayAggregatesOnly();
}
BENCHMARK(BM_BuildTree)->Apply(Sizes);
BENCHMARK(BM_FindTitles)->Apply(Sizes);
BENCHMARK(BM_FindEverywhere)->Apply(Sizes);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    corebench::MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::printf("\nGrowth, time at 100,000 records / time at 10,000 (goal <= 12; medians):\n");
    for (const char* name : {"BM_BuildTree", "BM_FindTitles", "BM_FindEverywhere"}) {
        auto small = reporter.times.find(std::string(name) + "/10000");
        auto large = reporter.times.find(std::string(name) + "/100000");
        if (small == reporter.times.end() || large == reporter.times.end()) continue;
        std::printf("  %-18s %6.2f\n", name, large->second / small->second);
    }
    return 0;
}
