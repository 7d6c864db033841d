// Drills on the real program: fatal signals sent to it while it runs, with
// its own home, XDG folders, registry and system folder. Each fault must end
// in exactly one report-only process (the error window) with a clean signal
// state, a fault while a report is shown must end on stderr, and no process
// of the program may dump core.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ReportBytes.h"
#include "TempDir.h"

namespace {

const std::string kBin = QPM_BIN_DIR;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A signal mask line of /proc/<pid>/status ("SigBlk", "SigIgn", "SigCgt").
std::uint64_t SignalSet(pid_t pid, const std::string& field) {
    std::istringstream status(ReadFile("/proc/" + std::to_string(pid) + "/status"));
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field + ":", 0) == 0) return std::stoull(line.substr(field.size() + 1), nullptr, 16);
    return ~0ull;
}
std::uint64_t Bit(int sig) { return 1ull << (sig - 1); }

bool WaitFor(const std::function<bool()>& done, int seconds = 30) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

class ProgramDrill : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // The report-only process outlives the program that started it; as
        // the subreaper this test reaps it and sees how it ended.
        ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    }

    void SetUp() override {
        home = tmp.file("home");
        run = tmp.file("run");
        for (const std::string& d : {home, run, tmp.file("system"), tmp.file("registry")})
            std::filesystem::create_directories(d);
        ::chmod(run.c_str(), 0700);
        env = {"HOME=" + home,
               "XDG_CONFIG_HOME=" + home + "/.config",
               "XDG_DATA_HOME=" + home + "/.local/share",
               "XDG_RUNTIME_DIR=" + run,
               "QUELLON_SYSTEM_DIR=" + tmp.file("system"),
               "QUELLON_REGISTRY_ROOT=" + tmp.file("registry"),
               "QT_QPA_PLATFORM=offscreen",
               "LANG=C.UTF-8"};
        for (const char* pass : {"PATH", "TMPDIR", "ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"})
            if (const char* v = std::getenv(pass)) env.push_back(std::string(pass) + "=" + v);
        ASSERT_EQ(RunToEnd(kBin + "/Register"), 0);
    }

    void TearDown() override {
        for (pid_t p : ReportOnlyProcesses()) ::kill(p, SIGKILL);
        if (program > 0) ::kill(program, SIGKILL);
        while (::waitpid(-1, nullptr, WNOHANG) > 0) {
        }
    }

    pid_t Spawn(const std::string& file, std::vector<std::string> args = {}) {
        std::vector<char*> envp;
        for (std::string& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        const std::string err = tmp.file("stderr.txt");
        pid_t pid = ::fork();
        if (pid == 0) {
            // A core limit the program has to lower itself.
            rlimit core{RLIM_INFINITY, RLIM_INFINITY};
            if (::setrlimit(RLIMIT_CORE, &core) != 0 && ::getrlimit(RLIMIT_CORE, &core) == 0) {
                core.rlim_cur = core.rlim_max;
                ::setrlimit(RLIMIT_CORE, &core);
            }
            int fd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
            ::dup2(fd, 2);
            std::vector<char*> argv{const_cast<char*>(file.c_str())};
            for (std::string& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execve(file.c_str(), argv.data(), envp.data());
            ::_exit(127);
        }
        return pid;
    }
    int RunToEnd(const std::string& file) {
        int status = 0;
        ::waitpid(Spawn(file), &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // Starts the program and waits until its fault handlers stand and its
    // start has run.
    void StartProgram() {
        program = Spawn(kBin + "/QuellonPasswordMngr");
        ASSERT_GT(program, 0);
        ASSERT_TRUE(WaitFor([&] { return (SignalSet(program, "SigCgt") & Bit(SIGABRT)) != 0; }))
            << "the program did not come up: " << ReadFile(tmp.file("stderr.txt"));
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }

    std::string PrivateFolder() const { return run + "/QuellonPM"; }

    // Keeps what the fault handler writes: the report-only start removes the
    // report file once it has read it, a second name of the same file stays.
    std::string KeepReportOf(pid_t pid) {
        const std::string file = PrivateFolder() + "/crash-" + std::to_string(pid) + ".txt";
        const std::string kept = tmp.file("kept-" + std::to_string(pid) + ".txt");
        qpmtest::WriteBytes(file, "");
        ::chmod(file.c_str(), 0600);
        std::filesystem::create_hard_link(file, kept);
        return kept;
    }

    // Ends `pid` with `sig` and returns its exit code (-1: killed by a signal).
    int Fault(pid_t pid, int sig) {
        ::kill(pid, sig);
        int status = 0;
        if (::waitpid(pid, &status, 0) != pid) return -2;
        if (pid == program) program = 0;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // The report-only processes of this test's program: started by it, and
    // this test's children once it has ended. Found through what any user
    // may read of a process that cannot be attached to (its status and
    // command line, not its environment).
    std::vector<pid_t> ReportOnlyProcesses() const {
        std::vector<pid_t> out;
        const std::string self = std::to_string(::getpid());
        const std::string starter = std::to_string(program);
        const std::string cmdline = kBin + "/QuellonPasswordMngr" + '\0';
        for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
            const std::string name = entry.path().filename().string();
            if (name.find_first_not_of("0123456789") != std::string::npos) continue;
            const pid_t pid = std::stoi(name);
            if (pid == program || ReadFile(entry.path().string() + "/cmdline") != cmdline) continue;
            const std::string status = ReadFile(entry.path().string() + "/status");
            // A zombie is not showing anything.
            if (status.find("State:\tZ") != std::string::npos) continue;
            const auto ppid = status.find("\nPPid:\t");
            if (ppid == std::string::npos) continue;
            const std::string parent = status.substr(ppid + 7, status.find('\n', ppid + 7) - ppid - 7);
            if (parent == self || (program > 0 && parent == starter)) out.push_back(pid);
        }
        return out;
    }

    // Waits for the one report-only process that shows the report, and
    // checks it stays the only one.
    pid_t TheReportOnlyProcess() {
        std::vector<pid_t> found;
        EXPECT_TRUE(WaitFor([&] {
            found = ReportOnlyProcesses();
            return !found.empty();
        })) << "no report-only start";
        if (found.empty()) return 0;
        // It has read (and removed) the report and shows its window.
        EXPECT_TRUE(WaitFor([&] {
            for (const auto& e : std::filesystem::directory_iterator(PrivateFolder()))
                if (e.path().filename().string().rfind("crash-", 0) == 0) return false;
            return true;
        }));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        found = ReportOnlyProcesses();
        EXPECT_EQ(found.size(), 1u) << "one error window, not more";
        return found.empty() ? 0 : found.front();
    }

    qpmtest::TempDir tmp;
    std::string home, run;
    std::vector<std::string> env;
    pid_t program = 0;
};

TEST_F(ProgramDrill, EveryFatalSignalShowsOneReportInACleanReportOnlyProcess) {
    struct Case {
        int sig;
        const char* firstLines;
    };
    const Case cases[] = {
        {SIGSEGV, "Error Number: 10005\r\nComponent Name: QuellonPasswordMngr\r\n"},
        {SIGFPE, "Error Number: 10128\r\nComponent Name: QuellonPasswordMngr\r\n"},
        {SIGILL, "Error Number: 10013\r\nComponent Name: QuellonPasswordMngr\r\n"},
        {SIGBUS, "Error Number: 10006\r\nComponent Name: QuellonPasswordMngr\r\n"},
        {SIGABRT, "Error Number: 10037\r\nComponent Name: QuellonPasswordMngr\r\n"},
    };
    const char* names[] = {"Access Violation", "Invalid Operation", "Illegal Instruction", "In Page Error",
                           "Non Continuable Exception"};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(strsignal(cases[i].sig));
        StartProgram();
        const std::string kept = KeepReportOf(program);
        EXPECT_EQ(Fault(program, cases[i].sig), 1);
        const pid_t shown = TheReportOnlyProcess();
        ASSERT_GT(shown, 0);

        const std::string report = ReadFile(kept);
        EXPECT_EQ(report.rfind(cases[i].firstLines, 0), 0u) << report;
        EXPECT_NE(report.find(std::string("\r\nDescription: ") + names[i] + "\r\n"), std::string::npos);
        // A fault in an idle program: the traced path's names, never empty.
        if (report.find("Stack Trace: Empty Stack") != std::string::npos) {
            EXPECT_NE(report.find("Module Name: QuellonPasswordMngr\r\nBlock Name: Unknown\r\n"), std::string::npos);
        }
        tracetest::ExpectCodePageText(report);

        // The report-only process starts as a fresh program: nothing blocked,
        // nothing ignored that the program would have to handle.
        EXPECT_EQ(SignalSet(shown, "SigBlk"), 0u);
        EXPECT_EQ(SignalSet(shown, "SigIgn") & (Bit(SIGSEGV) | Bit(SIGFPE) | Bit(SIGILL) | Bit(SIGBUS) | Bit(SIGABRT) |
                                                Bit(SIGQUIT) | Bit(SIGTERM)),
                  0u);
        ::kill(shown, SIGKILL);
        ::waitpid(shown, nullptr, 0);
    }
}

TEST_F(ProgramDrill, AFaultWhileTheReportIsShownEndsOnStderrWithoutAnotherWindow) {
    StartProgram();
    EXPECT_EQ(Fault(program, SIGSEGV), 1);
    const pid_t shown = TheReportOnlyProcess();
    ASSERT_GT(shown, 0);
    const std::string err = tmp.file("stderr.txt");
    const std::size_t before = ReadFile(err).size();

    // The report-only process is the subreaper's child now.
    EXPECT_EQ(Fault(shown, SIGABRT), 1);
    const std::string written = ReadFile(err).substr(before);
    EXPECT_NE(written.find("Error Number: 10037\r\n"), std::string::npos) << written;
    EXPECT_NE(written.find("Description: Non Continuable Exception\r\n"), std::string::npos);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_TRUE(ReportOnlyProcesses().empty()) << "a second window was started";
}

TEST_F(ProgramDrill, AFaultUnderTheErrorWindowOfATracedErrorEndsOnStderr) {
    // Options that name a language file that does not exist: the start
    // fails with a traced error, whose window the program itself shows.
    std::string options;
    std::istringstream defaults(ReadFile(kBin + "/start.dat"));
    int n = 0;
    for (std::string line; std::getline(defaults, line);)
        options += (++n == 14 ? std::string("NoSuchLanguage\r") : line) + "\n";
    qpmtest::WriteBytes(home + "/.local/share/QuellonPM/config.dat", options);
    StartProgram();
    EXPECT_TRUE(ReportOnlyProcesses().empty());

    EXPECT_EQ(Fault(program, SIGSEGV), 1);
    const std::string written = ReadFile(tmp.file("stderr.txt"));
    EXPECT_NE(written.find("Error Number: 10005\r\n"), std::string::npos) << written;
    // Then the traced error's report, which the window showed.
    EXPECT_NE(written.find("Module Name: modLang\r\nBlock Name: LoadLang\r\n", written.find("Error Number: 10005\r\n")),
              std::string::npos)
        << written;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_TRUE(ReportOnlyProcesses().empty()) << "a second window was started";
}

TEST_F(ProgramDrill, NoProcessOfTheProgramCanDumpCore) {
    auto coreLimit = [](pid_t pid) {
        std::istringstream limits(ReadFile("/proc/" + std::to_string(pid) + "/limits"));
        for (std::string line; std::getline(limits, line);)
            if (line.rfind("Max core file size", 0) == 0) return line.substr(18);
        return std::string("?");
    };
    auto expectNoCore = [&](pid_t pid) {
        std::istringstream fields(coreLimit(pid));
        std::string soft, hard;
        fields >> soft >> hard;
        EXPECT_EQ(soft, "0");
        EXPECT_EQ(hard, "0");
    };
    // The program starts with core dumps allowed (a plain program started
    // the same way keeps the limit).
    const pid_t plain = Spawn("/bin/sleep", {"30"});
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const std::string plainLimit = coreLimit(plain);
    ::kill(plain, SIGKILL);
    ::waitpid(plain, nullptr, 0);
    std::istringstream plainFields(plainLimit);
    std::string plainSoft;
    plainFields >> plainSoft;
    if (plainSoft == "0" || plainSoft.empty()) GTEST_SKIP() << "core dumps cannot be allowed here";
    StartProgram();
    expectNoCore(program);
    EXPECT_EQ(Fault(program, SIGSEGV), 1);
    const pid_t shown = TheReportOnlyProcess();
    ASSERT_GT(shown, 0);
    expectNoCore(shown);
}

// The output of a shell command line.
std::string Output(const std::string& command) {
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buf[4096];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
        ::pclose(p);
    }
    return out;
}

// A virtual X display for the time of one test.
class VirtualDisplay {
public:
    VirtualDisplay() {
        if (::access("/usr/bin/Xvfb", X_OK) != 0) {
            trouble_ = "no Xvfb";
            return;
        }
        // Servers started at the same moment can be handed the same number;
        // the one that loses goes away, and a new one is started.
        for (int attempt = 0; attempt < 4 && display_.empty(); ++attempt) Start();
    }
    ~VirtualDisplay() { Stop(); }
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;
    const std::string& Name() const { return display_; }
    const std::string& Trouble() const { return trouble_; }

private:
    void Start() {
        int fds[2];
        if (::pipe(fds) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            ::execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen", "0",
                    "1024x768x24", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        // Xvfb writes the display's number once it accepts clients.
        char buf[16] = {};
        ssize_t n = ::read(fds[0], buf, sizeof buf - 1);
        ::close(fds[0]);
        if (n <= 0) {
            trouble_ = "Xvfb gave no display number";
            Stop();
            return;
        }
        const std::string name = ":" + std::string(buf, static_cast<std::size_t>(n - (buf[n - 1] == '\n')));
        // Ready once a client is served.
        if (WaitFor(
                [&] {
                    trouble_ = Output("DISPLAY=" + name + " xprop -root _NET_NONE 2>&1");
                    return trouble_.find("_NET_NONE") == 0;
                },
                5)) {
            display_ = name;
        } else {
            trouble_ = name + ": " + trouble_;
            Stop();
        }
    }
    void Stop() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
        pid_ = 0;
    }

    pid_t pid_ = 0;
    std::string display_;
    std::string trouble_;
};

TEST_F(ProgramDrill, OnADisplayAFaultShowsOneErrorWindowWithTheProgramsIcon) {
    if (::access("/usr/bin/xdotool", X_OK) != 0 || ::access("/usr/bin/xprop", X_OK) != 0)
        GTEST_SKIP() << "needs xdotool and xprop";
    VirtualDisplay display;
    if (display.Name().empty()) GTEST_SKIP() << "no virtual display (Xvfb): " << display.Trouble();
    for (std::string& e : env)
        if (e.rfind("QT_QPA_PLATFORM=", 0) == 0) e = "QT_QPA_PLATFORM=xcb";
    env.push_back("DISPLAY=" + display.Name());
    auto errorWindows = [&] {
        std::istringstream ids(
            Output("DISPLAY=" + display.Name() + " xdotool search --onlyvisible --name '^Unexpected Error$'"));
        std::vector<std::string> out;
        for (std::string id; ids >> id;) out.push_back(id);
        return out;
    };

    StartProgram();
    ASSERT_GT(program, 0) << ReadFile(tmp.file("stderr.txt")) << " on " << display.Name();
    EXPECT_TRUE(errorWindows().empty());
    EXPECT_EQ(Fault(program, SIGSEGV), 1);
    ASSERT_GT(TheReportOnlyProcess(), 0);
    std::vector<std::string> windows;
    EXPECT_TRUE(WaitFor([&] {
        windows = errorWindows();
        return !windows.empty();
    })) << "no error window";
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    windows = errorWindows();
    ASSERT_EQ(windows.size(), 1u);
    const std::string icon = Output("DISPLAY=" + display.Name() + " xprop -id " + windows[0] + " _NET_WM_ICON");
    EXPECT_EQ(icon.rfind("_NET_WM_ICON(CARDINAL) = ", 0), 0u) << icon.substr(0, 200);
}

}  // namespace
