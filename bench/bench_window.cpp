// The record tree of the real main window as a user's database grows, on the
// offscreen platform:
// - BM_FillTree: what the window does after a login (the tree emptied and
//   filled by the core, the root selected and expanded, the delete buttons
//   off) until it has laid out and drawn the tree; 100,000 rows may cost at
//   most 12 times 10,000.
// - BM_ClearTree: the same tree emptied, as a user switch or a logout
//   empties it; the same goal.
// - BM_LoginCore and BM_LoginWindow: a whole login to a user's file, once
//   with no window (the core's own load) and once into the main window until
//   it has drawn; the window's part may cost no more than the core's load.
// - BM_SaveWindow: the save of the same user from Ctrl+S to its message; it
//   may cost no more than twice the window's login.
// With --rss=N the program instead logs in to a user of N rows once and
// prints its memory at each step (peak and current resident size).
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "BenchSupport.h"
#include "VEDataBase/ClassIds.h"
#include "VEDataBase/_clsMD5HASH.h"
#include "app/HeapPolicy.h"
#include "app/core/clsDataFilesManager.h"
#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "app/core/modMainTree.h"
#include "app/core/modMainUsers.h"
#include "app/mainwindow/RecordTree.h"
#include "app/mainwindow/frmMain.h"
#include "platform/com/Creation.h"
#include "platform/qt/Desktop.h"

namespace {

constexpr const char* kPassword = "bench-pass-1";

std::string UserName(std::int64_t n) { return "Bench" + std::to_string(n); }

// The options a first run leaves, with the databases in the sandbox.
void SetUpProgram() {
    const std::string& root = bench::Sandbox();
    const std::string app = root + "/app";
    std::filesystem::create_directories(app + "/DataBases");
    modMain::SetAppPathForTests(app);
    const char* options[] = {"True", "True", "0",  "",        "",   "False", "1",    "0",    "1",    "1",
                             "15",   "0",    "10", "English", "12", "9210",  "6600", "1200", "1200", "3015"};
    modMain::ProgConfig.ReDim(1, 20);
    for (long i = 1; i <= 20; ++i) modMain::ProgConfig(i) = options[i - 1];
    modMain::ProgConfig(5) = app + "/DataBases";
    modMain::ProgCfgPath = app + "/config.dat";
    modMain::MDFM = std::make_shared<clsDataFilesManager>();
    modMain::CurUsDB = std::make_shared<clsDatabase>();
}

trace::Secret PasswordText() {
    return com::CreateObject<vedb::_clsMD5HASH>(vedb::kProgIdClsMD5HASH)->DigestStrToHexStr(kPassword);
}

// The user file of UserName(n) holding the rows of bench::Database(n),
// written by the program's own code; answers its size.
std::uintmax_t MakeUser(std::int64_t n) {
    const std::string name = UserName(n);
    const std::string path = modMain::UserFilePath(name);
    if (!std::filesystem::exists(path)) {
        if (modMain::AddUser(path, name, trace::Secret(kPassword)) != 1 ||
            modMain::FullUserLoad(name, PasswordText()).has_value()) {
            std::fprintf(stderr, "cannot make the user %s\n", name.c_str());
            std::exit(1);
        }
        // The new user's empty table gives way to the benchmark's rows.
        vedb::DataBase data = modMain::CurUsDB->DB();
        data.Tables.at(0) = bench::Database(n).DB().Tables.at(0);
        modMain::CurUsDB->DB(data);
        if (modMain::SaveUsDB(modMain::CurUsDB, modMain::GetTruePasw(modMain::CurUsPasw)) != 2) {
            std::fprintf(stderr, "cannot save the user %s\n", name.c_str());
            std::exit(1);
        }
        modMain::UnloadUser();
    }
    return std::filesystem::file_size(path);
}

std::unique_ptr<frmMain> g_window;

// The program's main window, made once, shown as at start.
frmMain& Window() {
    if (!g_window) {
        g_window = std::make_unique<frmMain>();
        g_window->trvDatabase->SetImageList(g_window->imlMainList);
        g_window->resize(800, 600);
        g_window->show();
        QApplication::processEvents();
    }
    return *g_window;
}

// As the program ends: the window and the global objects go before main
// returns.
int TearDownProgram(int result) {
    g_window.reset();
    modMain::CurUsDB.reset();
    modMain::MDFM.reset();
    return result;
}

// Runs the events the window has queued: the tree's layout and its drawing.
void Settle() {
    QApplication::processEvents();
    QApplication::processEvents();
}

void BM_FillTree(benchmark::State& state) {
    clsDatabase& db = bench::Database(state.range(0));
    frmMain& w = Window();
    for (auto _ : state) {
        state.PauseTiming();
        w.ClearTree();
        Settle();
        state.ResumeTiming();
        // What a login shows, as the core asks the window for it.
        w.ClearValueBox();
        modMain::ShowUsDBInTreeView(db, w);
        w.SelectTreeNode(modMain::kRootKey);
        w.EnableToolbarButton("btnDelFolder", false);
        w.EnableToolbarButton("btnDelRec", false);
        Settle();
    }
    if (w.trvDatabase->NodeCount() != state.range(0) + 1) state.SkipWithError("the tree lacks nodes");
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

// A user switch or a logout first empties the tree the login filled.
void BM_ClearTree(benchmark::State& state) {
    clsDatabase& db = bench::Database(state.range(0));
    frmMain& w = Window();
    w.ClearTree();  // whatever an earlier benchmark left
    for (auto _ : state) {
        state.PauseTiming();
        modMain::ShowUsDBInTreeView(db, w);
        Settle();
        state.ResumeTiming();
        w.ClearTree();
        Settle();
    }
    if (w.trvDatabase->NodeCount() != 0) state.SkipWithError("the tree kept nodes");
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

void Login(benchmark::State& state, bool window) {
    const std::int64_t n = state.range(0);
    MakeUser(n);
    frmMain& w = Window();
    modMain::SetMainView(window ? static_cast<CoreView*>(&w) : nullptr);
    for (auto _ : state) {
        state.PauseTiming();
        modMain::UnloadUser();
        w.ClearTree();
        Settle();
        state.ResumeTiming();
        if (modMain::FullUserLoad(UserName(n), PasswordText()).has_value()) state.SkipWithError("login failed");
        Settle();
    }
    modMain::UnloadUser();
    modMain::SetMainView(&w);
}
void BM_LoginCore(benchmark::State& state) { Login(state, false); }
void BM_LoginWindow(benchmark::State& state) { Login(state, true); }

// What Ctrl+S runs in the window with the user logged in, until the message
// that tells the save is done (taken by a stand-in for the message box).
void BM_SaveWindow(benchmark::State& state) {
    const std::int64_t n = state.range(0);
    MakeUser(n);
    frmMain& w = Window();
    modMain::SetMainView(&w);
    if (modMain::FullUserLoad(UserName(n), PasswordText()).has_value()) {
        state.SkipWithError("login failed");
        return;
    }
    Settle();
    int style = -1;
    qtplat::SetMsgBoxForTests([&style](const std::string&, int s, const std::string&) {
        style = s;
        return static_cast<int>(qtplat::vbOK);
    });
    for (auto _ : state) {
        style = -1;
        w.mnuFileSaveDB->trigger();
        if (style != qtplat::vbInformation) state.SkipWithError("the save did not report success");
    }
    qtplat::SetMsgBoxForTests({});
    modMain::UnloadUser();
}

void LoginSizes(benchmark::internal::Benchmark* b) {
    b->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Repetitions(5)->DisplayAggregatesOnly();
    b->Iterations(3);
}

BENCHMARK(BM_FillTree)->Apply(bench::Sizes);
BENCHMARK(BM_ClearTree)->Apply(bench::Sizes);
BENCHMARK(BM_LoginCore)->Apply(LoginSizes);
BENCHMARK(BM_LoginWindow)->Apply(LoginSizes);
BENCHMARK(BM_SaveWindow)->Apply(LoginSizes);

// ---- Memory ----

double PeakMb() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

double CurrentMb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

void Note(const char* step) { std::printf("  %-44s peak %8.1f MB   now %8.1f MB\n", step, PeakMb(), CurrentMb()); }

// Makes the user file in a child process, before this process has an
// application, so that its making leaves no trace in this process's peak.
bool MakeUserApart(std::int64_t n) {
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        SetUpProgram();
        MakeUser(n);
        std::fflush(nullptr);
        ::_exit(0);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Logs in to the user of n rows once, through the core's load and then the
// window's tree, and prints the memory after each step.
int MemoryReport(std::int64_t n) {
    SetUpProgram();
    const double file = static_cast<double>(MakeUser(n)) / (1024.0 * 1024.0);
    std::printf("Memory of a login to a user of %lld rows (file %.1f MB):\n", static_cast<long long>(n), file);
    frmMain& w = Window();
    modMain::SetMainView(nullptr);
    Note("the window shown, nobody logged in");
    const double before = CurrentMb();
    if (modMain::FullUserLoad(UserName(n), PasswordText()).has_value()) return 1;
    Note("the core's load (no tree)");
    const double loaded = CurrentMb();
    w.ClearValueBox();
    modMain::ShowUsDBInTreeView(*modMain::CurUsDB, w);
    w.SelectTreeNode(modMain::kRootKey);
    Settle();
    Note("the tree filled and drawn");
    const double filled = CurrentMb();
    std::printf("\n  held by the loaded database    %8.1f MB\n", loaded - before);
    std::printf("  held by the tree               %8.1f MB\n", filled - loaded);
    std::printf("  peak / file size               %8.1f   (goal <= 8)\n", PeakMb() / file);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // The heap as the program sets it up at start.
    heappolicy::KeepFreedMemory();
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    bench::Sandbox();
    std::int64_t rssRows = 0;
    if (argc == 2 && std::string(argv[1]).rfind("--rss=", 0) == 0) {
        rssRows = std::atoll(argv[1] + 6);
        if (rssRows <= 0 || !MakeUserApart(rssRows)) return 1;
        argc = 1;
    }
    QApplication app(argc, argv);
    if (rssRows > 0) return TearDownProgram(MemoryReport(rssRows));
    SetUpProgram();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    bench::GrowthReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    reporter.PrintGrowth({"BM_FillTree", "BM_ClearTree"});
    reporter.PrintShare("BM_LoginWindow/100000", "BM_LoginCore/100000");
    reporter.PrintShare("BM_SaveWindow/100000", "BM_LoginWindow/100000", true);
    return TearDownProgram(0);
}
