#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "TempDir.h"
#include "TraceFixture.h"
#include "app/trace/ExceptionFilter.h"
#include "app/trace/Trace.h"
#include "platform/VbError.h"

namespace modCrash {
std::string DumpModuleVars() { return "{None}"; }

[[gnu::noinline]] void Deep(std::int32_t Level, const trace::Secret& Pasw) {
    TRACE_MOD(modCrash, "Deep", TV(Level), TV(Pasw));
    if (Level > 1) {
        Deep(Level - 1, Pasw);
        return;
    }
    volatile std::uintptr_t address = 16;           // through a variable, so the compiler cannot see the fault
    *reinterpret_cast<volatile int*>(address) = 1;  // a real access violation
}

void Signal(std::int32_t Sig) {
    TRACE_MOD(modCrash, "Signal", TV(Sig));
    if (Sig == SIGABRT)
        std::abort();
    else
        ::raise(Sig);
}

void Terminate() {
    TRACE_MOD(modCrash, "Terminate");
    std::terminate();
}
}  // namespace modCrash

namespace {

using tracetest::TraceTest;

TEST(ExceptionNames, CodesNamesAndNumbers) {
    struct Case {
        std::uint32_t code;
        const char* name;
        long number;
    };
    const Case cases[] = {
        {0x80000001u, "Guard Page Violation", 10001},
        {0x80000002u, "Data Type Misalignment", 10002},
        {0x80000003u, "Breakpoint", 10003},
        {0x80000004u, "Single Step", 10004},
        {0xC0000005u, "Access Violation", 10005},
        {0xC0000006u, "In Page Error", 10006},
        {0xC0000008u, "Invalid Handle", 10008},
        {0xC000001Du, "Illegal Instruction", 10013},
        {0xC0000025u, "Non Continuable Exception", 10037},
        {0xC0000026u, "Invalid Disposition", 10038},
        {0xC000008Cu, "Array Bounds Exceeded", 10140},
        {0xC000008Du, "Float Denormal Operand", 10141},
        {0xC000008Eu, "Divide By Zero", 10142},
        {0xC000008Fu, "Floating Point Inexact Result", 10143},
        {0xC0000090u, "Invalid Operation", 10128},
        {0xC0000091u, "Float Overflow", 10129},
        {0xC0000092u, "Float Stack Check", 10130},
        {0xC0000093u, "Float Underflow", 10131},
        {0xC0000094u, "Integer Divide By Zero", 10132},
        {0xC0000095u, "Integer Overflow", 10133},
        {0xC0000096u, "Privileged Instruction", 10134},
        {0xC00000FDu, "Stack Overflow", 10237},
        {0xC000013Au, "Control-C Exit", 10042},
        {0xE06D7363u, "Unknown (&HE06D7363)", 10099},
        {5u, "Unknown (&H00000005)", 10005},
    };
    // The number is (code And &H8EF) Or 10000; the two share no bit, so it is
    // 10000 plus the masked code.
    for (const Case& c : cases) {
        EXPECT_EQ(trace::GetExceptionName(c.code), c.name) << std::hex << c.code;
        EXPECT_EQ(trace::ExceptionErrorNumber(c.code), c.number) << std::hex << c.code;
    }
}

TEST(ExceptionNames, SignalsMapToTheirCodes) {
    EXPECT_EQ(trace::SignalExceptionCode(SIGSEGV, SEGV_MAPERR, false), 0xC0000005u);
    EXPECT_EQ(trace::SignalExceptionCode(SIGSEGV, SEGV_MAPERR, true), 0xC00000FDu);
    EXPECT_EQ(trace::SignalExceptionCode(SIGFPE, FPE_INTDIV, false), 0xC0000094u);
    EXPECT_EQ(trace::SignalExceptionCode(SIGFPE, FPE_FLTDIV, false), 0xC000008Eu);
    EXPECT_EQ(trace::SignalExceptionCode(SIGILL, ILL_ILLOPC, false), 0xC000001Du);
    EXPECT_EQ(trace::SignalExceptionCode(SIGILL, ILL_PRVOPC, false), 0xC0000096u);
    EXPECT_EQ(trace::SignalExceptionCode(SIGBUS, BUS_ADRALN, false), 0x80000002u);
    EXPECT_EQ(trace::SignalExceptionCode(SIGBUS, BUS_ADRERR, false), 0xC0000006u);
}

TEST(ExceptionFilter, UsesTheInnermostRecordOfAChain) {
    trace::ExceptionRecord first;
    first.ExceptionCode = 0xC0000094u;
    trace::ExceptionRecord outer;
    outer.ExceptionCode = 0xC0000005u;
    outer.ExceptionRecordChain = &first;
    trace::ExceptionPointers ptrs{&outer, nullptr};
    try {
        trace::zeltExceptionFilter(&ptrs);
        FAIL();
    } catch (const vb::VbError& e) {
        EXPECT_EQ(e.Number(), 10132);
        EXPECT_EQ(e.Description(), "Integer Divide By Zero");
        EXPECT_EQ(e.Source(), "zeltExceptionFilter");
    }
}

// The About window's two test buttons.
class frmAboutLike : public trace::Traced {
public:
    const char* TraceName() const override { return "frmAbout"; }
    void cmdTestError_Click() try {
        TRACE("cmdTestError_Click");
        std::int32_t x = 0;
        TRACE_LOCAL(x);
        std::int32_t y = 2;
        TRACE_LOCAL(y);
        y = static_cast<std::int32_t>(trace::FloatDivide(y, x));
    }
    TRACE_BOUNDARY
    void cmdTestException_Click() try {
        TRACE("cmdTestException_Click");
        trace::RaiseException(0xC0000005u, 0, 0, nullptr);
    }
    TRACE_BOUNDARY
};

TEST_F(TraceTest, TestButtonsGiveTheirReports) {
    frmAboutLike about;
    ExpectEnds([&] { about.cmdTestException_Click(); });
    EXPECT_EQ(trace::ErrorMessage.rfind("Error Number: 10005\r\n", 0), 0u);
    EXPECT_NE(trace::ErrorMessage.find("Description: Access Violation\r\n"), std::string::npos);
    EXPECT_NE(trace::ErrorMessage.find("<zeltErrorSource>zeltExceptionFilter</zeltErrorSource>"), std::string::npos);

    trace::ResetReportingForTests();
    ExpectEnds([&] { about.cmdTestError_Click(); });
    EXPECT_EQ(trace::ErrorMessage.rfind("Error Number: 11\r\n", 0), 0u);
    EXPECT_NE(trace::ErrorMessage.find("Description: Division by zero\r\n"), std::string::npos);
    EXPECT_NE(trace::ErrorMessage.find("<LocalVariables>\r\n<x>0</x>\r\n<y>2</y>\r\n</LocalVariables>"),
              std::string::npos);
}

TEST_F(TraceTest, ReportOnlyStartShowsTheFileAndRemovesIt) {
    qpmtest::TempDir dir;
    std::string file = dir.file("crash-42.txt");
    qpmtest::WriteBytes(file, "Error Number: 10005\r\nVersion: 1.1.0");
    ::setenv(trace::kCrashReportEnv, file.c_str(), 1);
    ExpectEnds([] { trace::RunReportOnlyIfRequested(); });
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "Error Number: 10005\r\nVersion: 1.1.0");
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(std::getenv(trace::kCrashReportEnv), nullptr);
    EXPECT_FALSE(trace::RunReportOnlyIfRequested());
}

TEST(FaultPath, RealSegfaultWritesTheReportAndStartsTheReportOnlyProgram) {
    qpmtest::TempDir dir;
    std::string shownCopy = dir.file("shown.txt");
    // Stands in for the program's report-only start: keeps what it was given.
    std::string script = dir.file("report-only.sh");
    qpmtest::WriteBytes(script, "#!/bin/sh\ncp \"$" + std::string(trace::kCrashReportEnv) + "\" \"" + shownCopy +
                                    ".part\" && mv \"" + shownCopy + ".part\" \"" + shownCopy + "\"\n");
    ::chmod(script.c_str(), 0755);

    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        trace::ResetStack();
        trace::ConfigureCrashRestart(script, dir.path().string());
        trace::InstallExceptionFilter();
        modCrash::Deep(2, trace::Secret("master-password"));
        ::_exit(99);  // not reached
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the fault was not handled";
    EXPECT_EQ(WEXITSTATUS(status), 1);

    std::string report = dir.file("crash-" + std::to_string(child) + ".txt");
    ASSERT_TRUE(std::filesystem::exists(report));
    struct stat st {};
    ASSERT_EQ(::stat(report.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!std::filesystem::exists(shownCopy) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(std::filesystem::exists(shownCopy)) << "the report-only start did not run";
    std::string text = qpmtest::ReadBytes(report);
    EXPECT_EQ(qpmtest::ReadBytes(shownCopy), text);
    EXPECT_EQ(text.rfind("Error Number: 10005\r\n"
                         "Component Name: QuellonPasswordMngr\r\n"
                         "Module Name: modCrash\r\n"
                         "Block Name: Deep\r\n"
                         "Description: Access Violation\r\n"
                         "Line Number: 0\r\n",
                         0),
              0u);
    EXPECT_NE(text.find("<Parameters>\r\n<Level>1</Level>\r\n<Pasw>{Hidden}</Pasw>\r\n</Parameters>\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("Stack Trace: Name: modCrash.Deep, Type: 1, Parameters: <Level>2</Level>\r\n"),
              std::string::npos);
    EXPECT_EQ(text.find("master-password"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 16), "\r\nVersion: 1.1.0");
}

// A child set up as the program is, its report-only start replaced by a
// script that keeps the report it was given.
struct FaultRun {
    int exitCode = -1;  // -1: ended by a signal
    int signal = 0;
    std::string report;  // what the report-only start was given, if it ran
    std::string shown;   // what the error hooks showed, one report per line
    std::string err;     // the child's stderr
};

FaultRun RunFaulting(const std::function<void()>& body) {
    qpmtest::TempDir dir;
    const std::string kept = dir.file("kept.txt");
    const std::string script = dir.file("report-only.sh");
    qpmtest::WriteBytes(script, "#!/bin/sh\ncp \"$" + std::string(trace::kCrashReportEnv) + "\" \"" + kept +
                                    ".part\" && mv \"" + kept + ".part\" \"" + kept + "\"\n");
    ::chmod(script.c_str(), 0755);
    const std::string shownFile = dir.file("shown.txt");
    const std::string errFile = dir.file("stderr.txt");
    pid_t child = ::fork();
    if (child == 0) {
        int fd = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, 2);
        trace::ResetStack();
        trace::ResetReportingForTests();
        trace::SetErrorHooks({[shownFile](const std::string& r) {
                                  int out = ::open(shownFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
                                  std::string line = r + "\n";
                                  if (::write(out, line.data(), line.size()) < 0) ::_exit(98);
                                  ::close(out);
                              },
                              [] { ::_exit(3); }});
        trace::ConfigureCrashRestart(script, dir.path().string());
        trace::InstallExceptionFilter();
        body();
        ::_exit(99);
    }
    FaultRun run;
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);
    if (std::filesystem::exists(dir.file("crash-" + std::to_string(child) + ".txt"))) {
        // The handler wrote the report for a report-only start, which runs on
        // its own; give it a moment.
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!std::filesystem::exists(kept) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (std::filesystem::exists(kept)) run.report = qpmtest::ReadBytes(kept);
    if (std::filesystem::exists(shownFile)) run.shown = qpmtest::ReadBytes(shownFile);
    run.err = qpmtest::ReadBytes(errFile);
    return run;
}

TEST(FaultPath, EveryFatalSignalGoesToTheReportOnlyStartWithItsName) {
    struct Case {
        int sig;
        const char* head;
    };
    const Case cases[] = {
        {SIGSEGV,
         "Error Number: 10005\r\nComponent Name: QuellonPasswordMngr\r\nModule Name: modCrash\r\n"
         "Block Name: Signal\r\nDescription: Access Violation\r\n"},
        {SIGFPE,
         "Error Number: 10128\r\nComponent Name: QuellonPasswordMngr\r\nModule Name: modCrash\r\n"
         "Block Name: Signal\r\nDescription: Invalid Operation\r\n"},
        {SIGILL,
         "Error Number: 10013\r\nComponent Name: QuellonPasswordMngr\r\nModule Name: modCrash\r\n"
         "Block Name: Signal\r\nDescription: Illegal Instruction\r\n"},
        {SIGBUS,
         "Error Number: 10006\r\nComponent Name: QuellonPasswordMngr\r\nModule Name: modCrash\r\n"
         "Block Name: Signal\r\nDescription: In Page Error\r\n"},
        // abort(): a failed assertion, qFatal.
        {SIGABRT,
         "Error Number: 10037\r\nComponent Name: QuellonPasswordMngr\r\nModule Name: modCrash\r\n"
         "Block Name: Signal\r\nDescription: Non Continuable Exception\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(strsignal(c.sig));
        FaultRun run = RunFaulting([&] { modCrash::Signal(c.sig); });
        EXPECT_EQ(run.exitCode, 1) << "ended by signal " << run.signal;
        EXPECT_EQ(run.report.rfind(c.head, 0), 0u) << run.report;
        EXPECT_TRUE(run.shown.empty());
    }
}

TEST(FaultPath, AFaultOutsideEveryProcedureNamesTheProgram) {
    FaultRun run = RunFaulting([] { ::raise(SIGSEGV); });
    EXPECT_EQ(run.report.rfind("Error Number: 10005\r\nComponent Name: QuellonPasswordMngr\r\n"
                               "Module Name: QuellonPasswordMngr\r\nBlock Name: Unknown\r\n",
                               0),
              0u)
        << run.report;
    EXPECT_NE(run.report.find("Stack Trace: Empty Stack\r\nVersion: "), std::string::npos);
}

TEST(FaultPath, TerminateShowsOneReport) {
    FaultRun run = RunFaulting([] { modCrash::Terminate(); });
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_EQ(run.shown.rfind("Error Number: 5\r\nComponent Name: QuellonPasswordMngr\r\nModule Name: modCrash\r\n"
                              "Block Name: Terminate\r\nDescription: The program was terminated\r\n",
                              0),
              0u)
        << run.shown;
    EXPECT_TRUE(run.report.empty());
}

TEST(FaultPath, AFaultOrAbortWhileAReportIsShownEndsOnStderr) {
    for (int sig : {SIGSEGV, SIGABRT}) {
        SCOPED_TRACE(strsignal(sig));
        FaultRun run = RunFaulting([sig] {
            trace::SetErrorHooks({[sig](const std::string&) { ::raise(sig); }, [] { ::_exit(3); }});
            try {
                throw vb::VbError(11, "Division by zero", "");
            } catch (...) {
                trace::Fail();
            }
        });
        EXPECT_EQ(run.exitCode, 1) << "ended by signal " << run.signal;
        EXPECT_TRUE(run.report.empty()) << "a second window was started";
        EXPECT_EQ(run.err.rfind("Error Number: " + std::string(sig == SIGSEGV ? "10005" : "10037") + "\r\n", 0), 0u)
            << run.err;
        // The report that was on screen follows it.
        EXPECT_NE(run.err.find("\nError Number: 11\r\n"), std::string::npos) << run.err;
    }
}

TEST(FaultPath, TheReportOnlyStartNeverStartsAnotherProcess) {
    qpmtest::TempDir dir;
    const std::string file = dir.file("crash-9.txt");
    qpmtest::WriteBytes(file, "Error Number: 10005\r\nVersion: 1.1.0");
    FaultRun run = RunFaulting([&] {
        ::setenv(trace::kCrashReportEnv, file.c_str(), 1);
        trace::SetErrorHooks({[](const std::string&) { ::raise(SIGSEGV); }, [] { ::_exit(3); }});
        trace::RunReportOnlyIfRequested();
    });
    EXPECT_EQ(run.exitCode, 1) << "ended by signal " << run.signal;
    EXPECT_TRUE(run.report.empty()) << "the report-only start started another";
    EXPECT_EQ(run.err.rfind("Error Number: 10005\r\n", 0), 0u) << run.err;
    // The report that was on screen follows it.
    EXPECT_NE(run.err.find("\nError Number: 10005\r\nVersion: 1.1.0\n"), std::string::npos) << run.err;
}

}  // namespace
