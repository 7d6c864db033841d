// SaveDB and LoadDB at scale, on a database shaped like the program's
// DataTable (nine text columns).
//
// Run without arguments it prints the figures the library is held to, each a
// ratio of two timings taken in the same run: every repetition times all of
// them one after the other, so a busy machine slows both sides of a ratio
// alike, and the median over the repetitions decides (the spread is printed
// too). The timings are the thread's processor time, which the other work of
// a shared machine changes far less than the clock; the save's ratio is also
// printed on the clock, where it includes the disk's flush of the new file.
// QPM_BENCH_REPS sets the number of repetitions (default 7).
//
// With --benchmark_filter=... it runs the Google Benchmark cases below
// instead: throughput of each mode and size, and the cost of growing a table
// record by record, which must stay linear.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchFigures.h"
#include "VEDataManager.h"
#include "app/HeapPolicy.h"
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

// One RC4 pass over the bytes of the same enciphered file: the yardstick a
// load of the same records is measured against.
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
            if (m->SetFieldValInTbl(t, t.RecNum, "Title", "Entry") != 0) std::abort();
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

BENCHMARK(BM_SaveDB)->Apply(SaveLoadArgs);
BENCHMARK(BM_LoadDB)->Apply(SaveLoadArgs);
BENCHMARK(BM_RC4Pass)->RangeMultiplier(10)->Range(1000, 100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GrowByAddRecord)->RangeMultiplier(10)->Range(1000, 100000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_GrowByAddFullRecord)
    ->RangeMultiplier(10)
    ->Range(1000, 100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

// ---- The figures, as ratios of timings taken in one run ----

// A saved database file and the load of it. As in the program, the
// records saved stay in memory and one manager does the save and the loads.
struct LoadCase {
    mutable vedb::DataBase source;  // a save sets only its enciphered bit
    std::string path;
    std::string pasw;
    mutable Manager m;
    LoadCase(int records, bool enciphered)
        : source(Database(records)),
          path(Files().File(std::to_string(records) + (enciphered ? "e" : "p") + ".vdb")),
          pasw(enciphered ? kPassword : std::string()) {
        if (m->SaveDB(source, path, pasw) != 2) std::abort();
    }
    void Load() const {
        vedb::DataBase back;
        if (m->LoadDB(back, path, pasw) != 1) std::abort();
        benchmark::DoNotOptimize(back);
    }
    void Save() const {
        if (m->SaveDB(source, path + ".saved", pasw) != 2) std::abort();
    }
};

struct Figure {
    const char* what;
    const char* goal;
    bool atMost;  // the goal is an upper bound
    double bound;
    bool everyRun;  // the goal holds for every repetition, not only the median
    std::vector<double> ratios;
};

void PrintFigures(int reps) {
    const LoadCase plain10k(10000, false), plain100k(100000, false);
    const LoadCase enc10k(10000, true), enc100k(100000, true);

    std::vector<Figure> figures = {
        {"plain load, 100,000 records / 10,000", "<= 12, every run", true, 12, true, {}},
        {"plain load / enciphered load, 100,000 records", "<= 1.0", true, 1.0, false, {}},
        {"enciphered load, 100,000 / 10,000", "<= 12", true, 12, false, {}},
        {"save / load of the same 10,000 enciphered records", "<= 2", true, 2, false, {}},
    };
    // The first load of each size touches its memory for the first time, as
    // a program's first login does once (the login benchmark measures that);
    // the repetitions compare loads into a heap that has been used.
    for (const LoadCase* c : {&plain10k, &plain100k, &enc10k, &enc100k}) c->Load();
    enc10k.Save();
    std::vector<double> saveWall, loadWall;
    for (int rep = 0; rep < reps; ++rep) {
        double p10 = 0, p100 = 0, e10 = 0, e100 = 0, s10 = 0;
        benchfig::SecondsPerCall([&] { plain10k.Load(); }, 0.2, &p10);
        benchfig::SecondsPerCall([&] { plain100k.Load(); }, 0.4, &p100);
        loadWall.push_back(benchfig::SecondsPerCall([&] { enc10k.Load(); }, 0.2, &e10));
        benchfig::SecondsPerCall([&] { enc100k.Load(); }, 0.4, &e100);
        saveWall.push_back(benchfig::SecondsPerCall([&] { enc10k.Save(); }, 0.2, &s10));
        figures[0].ratios.push_back(p100 / p10);
        figures[1].ratios.push_back(p100 / e100);
        figures[2].ratios.push_back(e100 / e10);
        figures[3].ratios.push_back(s10 / e10);
        std::printf(
            "rep %d, processor ms: load plain 10k %.2f, 100k %.1f; enciphered 10k %.2f, 100k %.1f; "
            "save enciphered 10k %.2f\n",
            rep + 1, p10 * 1e3, p100 * 1e3, e10 * 1e3, e100 * 1e3, s10 * 1e3);
        std::fflush(stdout);
    }
    std::printf("\n%-50s %8s %8s %8s  %-18s %s\n", "figure (ratio of two timings)", "median", "min", "max", "goal",
                "met");
    for (const Figure& f : figures) {
        const double median = benchfig::Median(f.ratios);
        const double lo = *std::min_element(f.ratios.begin(), f.ratios.end());
        const double hi = *std::max_element(f.ratios.begin(), f.ratios.end());
        const double judged = f.everyRun ? hi : median;
        const bool met = f.atMost ? judged <= f.bound : judged >= f.bound;
        std::printf("%-50s %8.2f %8.2f %8.2f  %-18s %s\n", f.what, median, lo, hi, f.goal, met ? "yes" : "NO");
    }
    // The save ends in the disk's flush of the new file, which the clock
    // sees and the processor time does not.
    std::printf(
        "\nsave / load of the same 10,000 enciphered records on the clock, with the flush: %.2f "
        "(medians %.2f ms / %.2f ms)\n",
        benchfig::Median(saveWall) / benchfig::Median(loadWall), benchfig::Median(saveWall) * 1e3,
        benchfig::Median(loadWall) * 1e3);
}

}  // namespace

int main(int argc, char** argv) {
    // The heap as the program sets it up at start.
    heappolicy::KeepFreedMemory();
    if (!benchfig::RanGoogleBenchmarks(argc, argv)) PrintFigures(benchfig::Repetitions(7));
    return 0;
}
