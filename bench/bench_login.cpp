// The whole login of the core and the save of the same user, for 10,000 and
// 100,000 records: the password test, the key derivation, both layers, the
// load and the record tree (into a window that draws nothing), then the save
// that Ctrl+S runs; and the load alone (key, both layers, the library's
// load). A save may cost at most twice a load; the ratios of the medians
// are printed at the end.
//
// Memory: a fresh process logs in to the 100,000-record user once and prints
// its peak resident size (getrusage) beside the file's size (goal: at most 8
// times the file), with where the memory goes: what the loaded database
// holds, what the login needed only while it ran, and the same for a save.
//
// The library is registered into a registry of the benchmark's own, as the
// program registers it, and the user files lie in a folder of its own.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <malloc.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "BenchSupport.h"
#include "CoreBench.h"
#include "VEDataBase/ClassIds.h"
#include "VEDataBase/Types.h"
#include "VEDataBase/_clsMD5HASH.h"
#include "app/HeapPolicy.h"
#include "app/core/CoreView.h"
#include "app/core/clsDataFilesManager.h"
#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "app/core/modMainUsers.h"
#include "app/trace/Trace.h"
#include "platform/com/Creation.h"

namespace {

constexpr const char* kPassword = "bench password";
constexpr const char* kPeakFlag = "--login-peak";
constexpr const char* kMakeFlag = "--make-user";

std::string UserName(std::int64_t n) { return "bench" + std::to_string(n); }

std::string Md5(const std::string& text) {
    return com::CreateObject<vedb::_clsMD5HASH>(vedb::kProgIdClsMD5HASH)->DigestStrToHexStr(text);
}

// The program's state as Main leaves it, pointed into `root`.
void SetUpCore(const std::string& root) {
    static corebench::NoView view;
    trace::SetErrorHooks(
        {[](const std::string& report) { std::fprintf(stderr, "%s\n", report.c_str()); }, [] { std::_Exit(3); }});
    modMain::RegisterTraceGlobals();
    modMain::SetAppPathForTests(root + "/app");
    modMain::ProgConfig.ReDim(1, 20);
    modMain::ProgConfig(5) = root + "/DataBases";
    modMain::ProgCfgPath = root + "/app/config.dat";
    modMain::MDFM = std::make_shared<clsDataFilesManager>();
    modMain::CurUsDB = std::make_shared<clsDatabase>();
    modMain::SetMainView(&view);
}

// A folder of the benchmark's own for the registry, the private folder and
// the users, removed at exit.
struct Sandbox {
    std::string root;
    explicit Sandbox(const char* existing) {
        if (existing) {
            root = existing;
            return;
        }
        char name[] = "/tmp/qpm-bench-XXXXXX";
        root = ::mkdtemp(name);
        owner = true;
        for (const char* sub : {"registry", "runtime", "config", "app", "DataBases"})
            std::filesystem::create_directory(root + "/" + sub);
        std::filesystem::permissions(root + "/runtime", std::filesystem::perms::owner_all);
        ::setenv("QUELLON_REGISTRY_ROOT", (root + "/registry").c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", (root + "/runtime").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
        bench::RegisterLibrary();
    }
    ~Sandbox() {
        std::error_code ec;
        if (owner) std::filesystem::remove_all(root, ec);
    }
    bool owner = false;
};

Sandbox& TheSandbox() {
    static Sandbox sandbox(nullptr);
    return sandbox;
}

// A user of the n rows of bench::UserRows.
void MakeUser(std::int64_t n) {
    const std::string name = UserName(n);
    if (modMain::AddUser(modMain::UserFilePath(name), name, std::string(kPassword)) != modMain::kUserCreated ||
        modMain::FullUserLoad(name, Md5(kPassword)).has_value()) {
        std::fprintf(stderr, "cannot make the user %s\n", name.c_str());
        std::_Exit(1);
    }
    vedb::DataBase data = modMain::CurUsDB->DB();
    vedb::Table& t = data.Tables.at(0);
    const std::vector<vedb::Record> rows = bench::UserRows(n);
    t.Records.insert(t.Records.end(), rows.begin(), rows.end());
    t.RecNum = static_cast<std::int32_t>(n);
    t.tag = std::to_string(n);
    modMain::CurUsDB->DB(data);
    if (modMain::SaveUsDB(modMain::CurUsDB, modMain::GetTruePasw(modMain::CurUsPasw)) != 2) std::_Exit(1);
    modMain::UnloadUser();
}

// What the program runs from the password dialog's OK to the tree shown.
void LogIn(const std::string& name, const trace::Secret& md5) {
    if (modMain::TestUsPasw(modMain::UserFilePath(name), md5) != 1 || modMain::FullUserLoad(name, md5).has_value())
        std::_Exit(2);
}

void BM_Login(benchmark::State& state) {
    const std::string name = UserName(state.range(0));
    const trace::Secret md5 = Md5(kPassword);
    for (auto _ : state) {
        state.PauseTiming();
        modMain::UnloadUser();
        state.ResumeTiming();
        LogIn(name, md5);
    }
    modMain::UnloadUser();
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

// The load alone: the key, both layers and the library's load, without the
// tree and the options file.
void BM_Load(benchmark::State& state) {
    const std::string path = modMain::UserFilePath(UserName(state.range(0)));
    const trace::Secret md5 = Md5(kPassword);
    for (auto _ : state) {
        if (modMain::LoadUser(path, modMain::GetTruePasw(md5)) != 2) std::_Exit(2);
    }
    modMain::UnloadUser();
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

void BM_Save(benchmark::State& state) {
    LogIn(UserName(state.range(0)), Md5(kPassword));
    for (auto _ : state) {
        if (modMain::SaveUsDB(modMain::CurUsDB, modMain::GetTruePasw(modMain::CurUsPasw)) != 2) std::_Exit(2);
    }
    modMain::UnloadUser();
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

void Sizes(benchmark::internal::Benchmark* b) {
    b->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Repetitions(5)->DisplayAggregatesOnly();
}
BENCHMARK(BM_Login)->Apply(Sizes);
BENCHMARK(BM_Load)->Apply(Sizes);
BENCHMARK(BM_Save)->Apply(Sizes);

// ---- Memory of one login, in a process of its own ----

double Megabytes(double bytes) { return bytes / (1024.0 * 1024.0); }

// The peak resident size so far, in bytes.
double PeakRss() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) * 1024.0;
}

// The resident size now, in bytes.
double CurrentRss() {
    long pages = 0, resident = 0;
    std::ifstream statm("/proc/self/statm");
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE));
}

// Starts a new peak at the current size; false where the system cannot.
bool ResetPeak() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return static_cast<bool>(clear);
}

// The child: logs in to the user of n rows once, then saves it once.
int MeasureLogin(const std::string& root, std::int64_t n) {
    SetUpCore(root);
    const std::string name = UserName(n);
    const trace::Secret md5 = Md5(kPassword);
    modMain::TestUsPasw(modMain::UserFilePath(name), md5);  // the library is loaded from here on
    ::malloc_trim(0);
    const double base = CurrentRss();
    const bool phases = ResetPeak();
    LogIn(name, md5);
    const double loginPeak = PeakRss();
    const double held = CurrentRss();
    ResetPeak();
    if (modMain::SaveUsDB(modMain::CurUsDB, modMain::GetTruePasw(modMain::CurUsPasw)) != 2) return 2;
    const double savePeak = PeakRss();
    const double file = static_cast<double>(std::filesystem::file_size(modMain::UserFilePath(name)));
    std::printf("\nMemory of a login to %lld records (file %.1f MB), peak resident size by getrusage:\n",
                static_cast<long long>(n), Megabytes(file));
    std::printf("  login peak        %7.1f MB = %5.2f x the file (goal <= 8)\n", Megabytes(loginPeak),
                loginPeak / file);
    std::printf("  before the login  %7.1f MB (program, libraries)\n", Megabytes(base));
    std::printf("  database held     %7.1f MB = %5.2f x the file (after the login)\n", Megabytes(held - base),
                (held - base) / file);
    if (phases) {
        std::printf("  login, passing    %7.1f MB = %5.2f x the file (above what stays held)\n",
                    Megabytes(loginPeak - held), (loginPeak - held) / file);
        std::printf("  save peak         %7.1f MB; passing %.1f MB = %5.2f x the file\n", Megabytes(savePeak),
                    Megabytes(savePeak - held), (savePeak - held) / file);
    } else {
        std::printf("  (no per-phase peaks: /proc/self/clear_refs is not writable)\n");
    }
    // The deciphered text lies in a memory file while the library reads or
    // writes it; its pages count as resident only while they are mapped.
    std::printf(
        "  plus the memory file, %.1f MB, while the library reads or writes it (shared memory,\n"
        "  resident only while mapped): login peak with it %.1f MB = %5.2f x the file\n",
        Megabytes(file), Megabytes(loginPeak + file), (loginPeak + file) / file);
    return 0;
}

// The program releases its global objects before main returns: their
// destructors trace, and the trace's own globals go first.
int ReleaseCore(int result) {
    modMain::CurUsDB.reset();
    modMain::MDFM.reset();
    return result;
}

// Runs this program again with `flag`=n in the sandbox and waits for it. The
// peak size getrusage reports counts the image a process replaced, so these
// runs start while this process is still small.
bool RunSelf(const char* self, const char* flag, std::int64_t n) {
    const std::string root = TheSandbox().root;
    const std::string arg = std::string(flag) + "=" + std::to_string(n);
    std::fflush(stdout);
    const pid_t child = ::fork();
    if (child == 0) {
        ::execl(self, self, arg.c_str(), root.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    // The heap as the program sets it up at start.
    heappolicy::KeepFreedMemory();
    if (argc == 3) {
        const std::string arg = argv[1];
        const auto n = [&arg] { return std::stoll(arg.substr(arg.find('=') + 1)); };
        static Sandbox sandbox(argv[2]);
        if (arg.rfind(std::string(kMakeFlag) + "=", 0) == 0) {
            SetUpCore(sandbox.root);
            MakeUser(n());
            return ReleaseCore(0);
        }
        if (arg.rfind(std::string(kPeakFlag) + "=", 0) == 0) return ReleaseCore(MeasureLogin(sandbox.root, n()));
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    for (std::int64_t n : {10000, 100000})
        if (!RunSelf(argv[0], kMakeFlag, n)) return 1;
    if (!RunSelf(argv[0], kPeakFlag, 100000)) std::printf("the memory run failed\n");

    SetUpCore(TheSandbox().root);
    corebench::MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::printf("\nSave against login and against the load alone, medians (goal: save <= 2 x):\n");
    for (const char* size : {"10000", "100000"}) {
        auto login = reporter.times.find(std::string("BM_Login/") + size);
        auto load = reporter.times.find(std::string("BM_Load/") + size);
        auto save = reporter.times.find(std::string("BM_Save/") + size);
        if (login == reporter.times.end() || load == reporter.times.end() || save == reporter.times.end()) continue;
        std::printf(
            "  %6s records: login %7.1f ms, load %7.1f ms, save %7.1f ms; save / login %5.2f, "
            "save / load %5.2f\n",
            size, login->second, load->second, save->second, save->second / login->second, save->second / load->second);
    }
    return ReleaseCore(0);
}
