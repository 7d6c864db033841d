#include "BenchSupport.h"

#include <dlfcn.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <utility>

#include "VEDataBase/Types.h"
#include "app/core/clsDatabase.h"
#include "platform/VbStrings.h"

namespace bench {

void RegisterLibrary() {
    void* library = ::dlopen(VEDATABASE_PATH, RTLD_NOW | RTLD_NODELETE);
    auto registerServer =
        library ? reinterpret_cast<std::int32_t (*)()>(::dlsym(library, "DllRegisterServer")) : nullptr;
    if (!registerServer || registerServer() != 0) {
        std::fprintf(stderr, "cannot register %s\n", VEDATABASE_PATH);
        std::exit(1);
    }
}

namespace {

struct Folders {
    std::string root;
    Folders() {
        char name[] = "/tmp/qpm-bench-XXXXXX";
        root = ::mkdtemp(name);
        for (const char* sub : {"registry", "runtime", "data", "config"})
            std::filesystem::create_directory(root + "/" + sub);
        std::filesystem::permissions(root + "/runtime", std::filesystem::perms::owner_all);
        ::setenv("QUELLON_REGISTRY_ROOT", (root + "/registry").c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", (root + "/runtime").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
        RegisterLibrary();
    }
    ~Folders() {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
};

std::shared_ptr<clsDatabase> MakeDatabase(std::int64_t n) {
    vedb::Table t;
    t.Name = "DataTable";
    const std::pair<const char*, std::int16_t> heads[] = {{"IndNum", 69},     {"Parent", 5}, {"Type", 5},
                                                          {"Title", 66},      {"Login", 2},  {"Password", 2},
                                                          {"Description", 2}, {"Image", 5},  {"Flags", 5}};
    for (const auto& [name, flags] : heads) t.Caption.fields.push_back({name, flags, ""});
    t.Caption.Num = static_cast<std::int16_t>(t.Caption.fields.size());
    t.Records = UserRows(n);
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

}  // namespace

std::vector<vedb::Record> UserRows(std::int64_t n) {
    std::vector<vedb::Record> rows;
    rows.reserve(static_cast<std::size_t>(n));
    std::int64_t folders = 0;
    std::string lastFolder = "0";
    for (std::int64_t i = 1; i <= n; ++i) {
        const std::string id = vb::CStr(i);
        if (i % 50 == 1) {
            ++folders;
            const std::string parent = folders <= 10 ? "0" : vb::CStr((folders / 10) * 50 + 1);
            rows.push_back({{id, parent, "1", "Folder " + id, "", "", "", "2key", "0|0"}});
            lastFolder = id;
            continue;
        }
        const bool last = i == n;
        rows.push_back({{id, lastFolder, "2", "Account at shop" + id + (last ? " needle" : "") + ".example.com",
                         "customer." + id + "@mail.example.org", last ? "needle-pw" : "Pw-" + id + "-x7Qz!k",
                         "Card ending " + id + ", renewed every year", "1key", "0|0"}});
    }
    return rows;
}

const std::string& Sandbox() {
    static Folders folders;
    return folders.root;
}

clsDatabase& Database(std::int64_t n) {
    Sandbox();
    static std::map<std::int64_t, std::shared_ptr<clsDatabase>> made;
    auto& db = made[n];
    if (!db) db = MakeDatabase(n);
    return *db;
}

void Sizes(benchmark::internal::Benchmark* b) {
    b->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Repetitions(kRepetitions);
    b->DisplayAggregatesOnly();
}

void GrowthReporter::ReportRuns(const std::vector<Run>& runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs)
        if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
            medians_[run.run_name.function_name + "/" + run.run_name.args] = run.GetAdjustedCPUTime();
            clockMedians_[run.run_name.function_name + "/" + run.run_name.args] = run.GetAdjustedRealTime();
        }
}

void GrowthReporter::PrintGrowth(const std::vector<std::string>& names) const {
    std::printf(
        "\nGrowth from 10,000 to 100,000 rows (medians of %d repetitions, processor time; goal: ratio <= 12):\n",
        kRepetitions);
    std::printf("  %-22s %12s %12s %8s\n", "", "10,000 (ms)", "100,000 (ms)", "ratio");
    for (const std::string& name : names) {
        auto small = medians_.find(name + "/10000");
        auto large = medians_.find(name + "/100000");
        if (small == medians_.end() || large == medians_.end()) continue;
        const double ratio = large->second / small->second;
        std::printf("  %-22s %12.3f %12.3f %8.2f  %s\n", name.c_str(), small->second, large->second, ratio,
                    ratio <= 12 ? "ok" : "over the goal");
    }
}

void GrowthReporter::PrintShare(const std::string& whole, const std::string& part, bool clock) const {
    const auto& medians = clock ? clockMedians_ : medians_;
    auto w = medians.find(whole);
    auto p = medians.find(part);
    if (w == medians.end() || p == medians.end()) return;
    std::printf("\n%s %.1f ms against %s %.1f ms (medians, %s): %.2f times (goal <= 2)\n", whole.c_str(), w->second,
                part.c_str(), p->second, clock ? "clock" : "processor time", w->second / p->second);
}

}  // namespace bench
