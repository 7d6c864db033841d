// SaveDB and LoadDB throughput on a database shaped like the program's
// DataTable (nine text columns), plain, enciphered and compressed, and the
// cost of growing a table record by record, which must stay linear.
// BM_RC4Pass ciphers the bytes of the same enciphered file once, the yardstick
// a load is measured against: loading 10,000 records should take at most four
// such passes.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "VEDataManager.h"
#include "clsRC4.h"
#include "platform/FileIO.h"

namespace {

struct Manager {
    vedb::VEDataManager* p = new vedb::VEDataManager();
    ~Manager() { p->Release(); }
    vedb::VEDataManager* operator->() { return p; }
};

// A private folder for the files, removed at exit.
struct Folder {
    std::filesystem::path path;
    Folder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "qpm-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::abort();
        path = pattern;
    }
    ~Folder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::string File(const std::string& name) const { return (path / name).string(); }
};

const Folder& Files() {
    static Folder folder;
    return folder;
}

const std::string kPassword = "a benchmark password";

vedb::Table DataTable() {
    vedb::Table t;
    t.Name = "DataTable";
    const std::pair<const char*, int> columns[] = {{"IndNum", 69},     {"Parent", 5}, {"Type", 5},
                                                   {"Title", 66},      {"Login", 2},  {"Password", 2},
                                                   {"Description", 2}, {"Image", 5},  {"Flags", 5}};
    for (const auto& [name, flags] : columns) t.Caption.fields.push_back({name, static_cast<std::int16_t>(flags), ""});
    t.Caption.Num = 9;
    t.tag = "0";
    return t;
}

// Values like the program's: a folder every 20 records, a title, a login,
// a password, a note with a line break now and then.
vedb::Record Row(int i) {
    const std::string n = std::to_string(i);
    const bool folder = i % 20 == 0;
    return vedb::Record{{n, std::to_string(i / 20 * 20), folder ? "1" : "2", "Entry " + n + " at example.org",
                         folder ? "" : "user" + n + "@example.org", folder ? "" : "pW" + n + "!x#Q7z",
                         i % 7 == 0 ? "first line\r\nsecond line " + n : "note " + n, folder ? "1" : "3", "0"}};
}

vedb::DataBase Database(int records) {
    vedb::DataBase db;
    db.Name = "bench";
    db.Version = "1.1a";
    db.Tables.push_back(DataTable());
    db.tabnum = 1;
    vedb::Table& t = db.Tables[0];
    t.Records.reserve(static_cast<std::size_t>(records));
    for (int i = 1; i <= records; ++i) t.Records.push_back(Row(i));
    t.RecNum = records;
    t.tag = std::to_string(records);
    return db;
}

std::string Mode(const benchmark::State& state) {
    return std::string(state.range(1) ? "enciphered" : "plain") + (state.range(2) ? ", compressed" : "");
}

void BM_SaveDB(benchmark::State& state) {
    vedb::DataBase db = Database(static_cast<int>(state.range(0)));
    const std::string path = Files().File("save.vdb");
    const std::string pasw = state.range(1) ? kPassword : std::string();
    Manager m;
    for (auto _ : state) {
        if (m->SaveDB(db, path, pasw, state.range(2) != 0) != 2) state.SkipWithError("SaveDB failed");
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
    state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(path));
    state.SetLabel(Mode(state));
}

void BM_LoadDB(benchmark::State& state) {
    vedb::DataBase db = Database(static_cast<int>(state.range(0)));
    const std::string path = Files().File("load.vdb");
    const std::string pasw = state.range(1) ? kPassword : std::string();
    const bool compressed = state.range(2) != 0;
    Manager m;
    if (m->SaveDB(db, path, pasw, compressed) != 2) state.SkipWithError("SaveDB failed");
    const std::string bytes = *plat::ReadWholeFile(path);
    for (auto _ : state) {
        if (compressed) {
            // A load expands a compressed file in place: start each round
            // from the compressed file again.
            state.PauseTiming();
            plat::ReplaceFile(path, bytes);
            state.ResumeTiming();
        }
        vedb::DataBase back;
        if (m->LoadDB(back, path, pasw) != 1) state.SkipWithError("LoadDB failed");
        benchmark::DoNotOptimize(back);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
    state.counters["file_bytes"] = static_cast<double>(bytes.size());
    state.SetLabel(Mode(state));
}

void BM_RC4Pass(benchmark::State& state) {
    vedb::DataBase db = Database(static_cast<int>(state.range(0)));
    const std::string path = Files().File("rc4.vdb");
    Manager m;
    if (m->SaveDB(db, path, kPassword, false) != 2) state.SkipWithError("SaveDB failed");
    std::string bytes = *plat::ReadWholeFile(path);
    vedb::clsRC4* rc4 = new vedb::clsRC4();
    rc4->Key(kPassword);
    for (auto _ : state) {
        rc4->CipherInPlace(bytes.data(), bytes.size());
        benchmark::ClobberMemory();
    }
    rc4->Release();
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
    state.counters["file_bytes"] = static_cast<double>(bytes.size());
}

void SaveLoadArgs(benchmark::internal::Benchmark* b) {
    for (int records : {1000, 10000, 100000})
        for (int enciphered : {0, 1})
            for (int compressed : {0, 1}) b->Args({records, enciphered, compressed});
    b->Unit(benchmark::kMillisecond);
}

// Growing a table one record at a time, as the program adds records: the
// time per record must not grow with the table.
void BM_GrowByAddRecord(benchmark::State& state) {
    const int records = static_cast<int>(state.range(0));
    Manager m;
    for (auto _ : state) {
        vedb::Table t = DataTable();
        for (int i = 1; i <= records; ++i) {
            m->AddRecord(t);
            m->SetFieldValInTbl(t, t.RecNum, "Title", "Entry");
        }
        benchmark::DoNotOptimize(t);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * records);
    state.SetComplexityN(records);
}

void BM_GrowByAddFullRecord(benchmark::State& state) {
    const int records = static_cast<int>(state.range(0));
    const vedb::Record row = Row(7);
    Manager m;
    for (auto _ : state) {
        vedb::Table t = DataTable();
        for (int i = 1; i <= records; ++i) m->AddFullRecord(t, row);
        benchmark::DoNotOptimize(t);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * records);
    state.SetComplexityN(records);
}

}  // namespace

BENCHMARK(BM_SaveDB)->Apply(SaveLoadArgs);
BENCHMARK(BM_LoadDB)->Apply(SaveLoadArgs);
BENCHMARK(BM_RC4Pass)->RangeMultiplier(10)->Range(1000, 100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GrowByAddRecord)->RangeMultiplier(10)->Range(1000, 100000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_GrowByAddFullRecord)
    ->RangeMultiplier(10)
    ->Range(1000, 100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

BENCHMARK_MAIN();
