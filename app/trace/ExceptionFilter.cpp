#include "app/trace/ExceptionFilter.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "app/trace/Trace.h"
#include "app/trace/zeltClient.h"
#include "platform/FileIO.h"
#include "platform/VbError.h"

extern char** environ;

namespace trace {
namespace {

struct NamedCode {
    std::uint32_t code;
    const char* name;
};

constexpr NamedCode kNames[] = {
    {0x80000001u, "Guard Page Violation"},
    {0x80000002u, "Data Type Misalignment"},
    {0x80000003u, "Breakpoint"},
    {0x80000004u, "Single Step"},
    {0xC0000005u, "Access Violation"},
    {0xC0000006u, "In Page Error"},
    {0xC0000008u, "Invalid Handle"},
    {0xC000001Du, "Illegal Instruction"},
    {0xC0000025u, "Non Continuable Exception"},
    {0xC0000026u, "Invalid Disposition"},
    {0xC000008Cu, "Array Bounds Exceeded"},
    {0xC000008Du, "Float Denormal Operand"},
    {0xC000008Eu, "Divide By Zero"},
    {0xC000008Fu, "Floating Point Inexact Result"},
    {0xC0000090u, "Invalid Operation"},
    {0xC0000091u, "Float Overflow"},
    {0xC0000092u, "Float Stack Check"},
    {0xC0000093u, "Float Underflow"},
    {0xC0000094u, "Integer Divide By Zero"},
    {0xC0000095u, "Integer Overflow"},
    {0xC0000096u, "Privileged Instruction"},
    {0xC00000FDu, "Stack Overflow"},
    {0xC000013Au, "Control-C Exit"},
};

const char* KnownName(std::uint32_t code) {
    for (const NamedCode& n : kNames)
        if (n.code == code) return n.name;
    return nullptr;
}

// "Unknown (&HXXXXXXXX)" into `out` (at least 21 bytes), without allocating.
void UnknownName(std::uint32_t code, char* out) {
    const char* head = "Unknown (&H";
    std::size_t i = 0;
    for (; head[i]; ++i) out[i] = head[i];
    for (int shift = 28; shift >= 0; shift -= 4) out[i++] = "0123456789ABCDEF"[(code >> shift) & 0xF];
    out[i++] = ')';
    out[i] = '\0';
}

// ---- The signal path: everything below runs in the handler and allocates
// nothing. ----

constexpr std::size_t kPathMax = 4096;
char g_restartProgram[kPathMax];
char g_reportFolder[kPathMax];
bool g_configured = false;
// Set in the report-only start: a fault there is reported on stderr and
// never starts yet another process.
volatile sig_atomic_t g_restartDisabled = 0;
volatile sig_atomic_t g_inHandler = 0;
std::uintptr_t g_stackTop = 0;
std::uintptr_t g_stackLimit = 0;

constexpr std::size_t kReportMax = 1 << 20;
char g_report[kReportMax];
std::size_t g_reportLen = 0;

constexpr std::size_t kEnvMax = 4096;
char* g_envp[kEnvMax + 2];
char g_envAssign[kPathMax + 64];

void Put(const char* s, std::size_t n) {
    if (n > kReportMax - g_reportLen) n = kReportMax - g_reportLen;
    std::memcpy(g_report + g_reportLen, s, n);
    g_reportLen += n;
}
void Put(const char* s) { Put(s, std::strlen(s)); }
void PutNumber(long v) {
    char buf[24];
    int i = 23;
    buf[i] = '\0';
    bool neg = v < 0;
    unsigned long u = neg ? 0ul - static_cast<unsigned long>(v) : static_cast<unsigned long>(v);
    do {
        buf[--i] = static_cast<char>('0' + u % 10);
        u /= 10;
    } while (u);
    if (neg) buf[--i] = '-';
    Put(buf + i);
}

// Writes the report of the fault into g_report, with the procedure and
// parameters of the innermost stack entry. The variables cannot be dumped
// safely here; the stack entries hold the parameter dumps made on entry.
void BuildFaultReport(std::uint32_t code) {
    g_reportLen = 0;
    const std::vector<std::string>& items = FStack.Items();
    bool hasStack = FStack.Allocated() && FStack.Dimensions() == 1 && FStack.AllBounds()[0].upper > 0;
    // The traced path's names for a fault outside every traced procedure.
    const char* obj = kProgramTitle;
    std::size_t objLen = std::strlen(kProgramTitle);
    const char* proc = "Unknown";
    std::size_t procLen = 7;
    const char* params = "";
    std::size_t paramsLen = 0;
    if (hasStack && !items.empty()) {
        const std::string& top = items.back();
        const char* s = top.data();
        std::size_t n = top.size();
        // "Name: obj.proc, Type: k, Parameters: ...;-->"
        if (n > 6 && std::memcmp(s, "Name: ", 6) == 0) {
            std::size_t i = 6;
            const char* o = s + i;
            while (i < n && s[i] != '.') ++i;
            std::size_t oLen = static_cast<std::size_t>(s + i - o);
            if (i < n) ++i;
            const char* p = s + i;
            while (i + 1 < n && !(s[i] == ',' && s[i + 1] == ' ')) ++i;
            std::size_t pLen = static_cast<std::size_t>(s + i - p);
            if (oLen > 0 && pLen > 0) {
                obj = o;
                objLen = oLen;
                proc = p;
                procLen = pLen;
            }
            const char* marker = ", Parameters: ";
            std::size_t ml = std::strlen(marker);
            for (; i + ml <= n; ++i) {
                if (std::memcmp(s + i, marker, ml) == 0) {
                    params = s + i + ml;
                    paramsLen = n - (i + ml);
                    if (paramsLen >= 4) paramsLen -= 4;  // ";-->"
                    break;
                }
            }
        }
    }
    char unknown[32];
    const char* name = KnownName(code);
    if (!name) {
        UnknownName(code, unknown);
        name = unknown;
    }
    Put("Error Number: ");
    PutNumber(ExceptionErrorNumber(code));
    Put("\r\nComponent Name: ");
    Put(kProgramTitle);
    Put("\r\nModule Name: ");
    Put(obj, objLen);
    Put("\r\nBlock Name: ");
    Put(proc, procLen);
    Put("\r\nDescription: ");
    Put(name);
    Put("\r\nLine Number: 0\r\n<Variables>\r\n<LocalVariables>\r\n{None}</LocalVariables>\r\n"
        "<ModuleVariables>\r\n{None}</ModuleVariables>\r\n<GlobalVariables>\r\n</GlobalVariables>\r\n"
        "</Variables>\r\n<Parameters>\r\n");
    Put(params, paramsLen);
    Put("</Parameters>\r\nStack Trace: ");
    if (!hasStack) {
        Put("Empty Stack");
    } else {
        for (const std::string& e : items) {
            Put(e.data(), e.size());
            Put("\r\n");
        }
    }
    Put("\r\nVersion: ");
    Version v = ProgramVersion();
    PutNumber(v.major);
    Put(".");
    PutNumber(v.minor);
    Put(".");
    PutNumber(v.revision);
}

void WriteAll(int fd, const char* s, std::size_t n) {
    while (n > 0) {
        ssize_t w = ::write(fd, s, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return;
        }
        s += w;
        n -= static_cast<std::size_t>(w);
    }
}

void WriteReportToStderrRaw() {
    WriteAll(2, g_report, g_reportLen);
    WriteAll(2, "\n", 1);
}

// The report-only program must start as a fresh program would: the handler
// runs with the fault signal (and its mask) blocked, and a blocked SIGSEGV in
// the new program would turn its own fault into a silent kill. Dispositions
// set to "ignore" survive exec as well.
void ResetSignalsForExec() {
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    for (int sig = 1; sig < NSIG; ++sig)
        if (sig != SIGKILL && sig != SIGSTOP) ::sigaction(sig, &dfl, nullptr);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
}

pid_t ForkForExec() {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    // No fork handlers: they are not safe to run inside a signal handler.
    return ::_Fork();
#else
    return ::fork();
#endif
}

// Reports a fault with exception `code` and ends the process; allocates
// nothing, so it runs in a signal handler. While a report is already shown
// (or in the report-only start) the new report goes to stderr: a second
// window would hide the first report behind one that blames the wrong
// procedure.
[[noreturn]] void ReportFaultAndExit(std::uint32_t code) {
    if (g_inHandler) {
        const char msg[] = "QuellonPasswordMngr: a second fault while reporting a fault\n";
        WriteAll(2, msg, sizeof msg - 1);
        ::_exit(1);
    }
    g_inHandler = 1;
    BuildFaultReport(code);
    if (Reporting() || g_restartDisabled || !g_configured) {
        WriteReportToStderrRaw();
        // The report on screen goes with the window; it follows the new one,
        // so neither is lost.
        if (Reporting() && !ErrorMessage.empty()) {
            WriteAll(2, ErrorMessage.data(), ErrorMessage.size());
            WriteAll(2, "\n", 1);
        }
        ::_exit(1);
    }

    // <folder>/crash-<pid>.txt
    char path[kPathMax + 64];
    std::size_t n = std::strlen(g_reportFolder);
    std::memcpy(path, g_reportFolder, n);
    const char* mid = "/crash-";
    std::memcpy(path + n, mid, 7);
    n += 7;
    char digits[24];
    int di = 23;
    digits[di] = '\0';
    long pid = ::getpid();
    do {
        digits[--di] = static_cast<char>('0' + pid % 10);
        pid /= 10;
    } while (pid);
    std::size_t dl = std::strlen(digits + di);
    std::memcpy(path + n, digits + di, dl);
    n += dl;
    std::memcpy(path + n, ".txt", 5);

    int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        WriteReportToStderrRaw();
        ::_exit(1);
    }
    WriteAll(fd, g_report, g_reportLen);
    ::fsync(fd);
    ::close(fd);
    // The report-only start: the program again, with the report's path in
    // its environment.
    std::size_t an = std::strlen(kCrashReportEnv);
    std::memcpy(g_envAssign, kCrashReportEnv, an);
    g_envAssign[an] = '=';
    std::memcpy(g_envAssign + an + 1, path, std::strlen(path) + 1);
    std::size_t e = 0;
    for (char** p = environ; p && *p && e < kEnvMax; ++p) {
        if (std::strncmp(*p, kCrashReportEnv, an) == 0 && (*p)[an] == '=') continue;
        g_envp[e++] = *p;
    }
    g_envp[e++] = g_envAssign;
    g_envp[e] = nullptr;
    pid_t child = ForkForExec();
    if (child == 0) {
        ResetSignalsForExec();
        char* argv[] = {g_restartProgram, nullptr};
        ::execve(g_restartProgram, argv, g_envp);
        ::_exit(127);
    }
    if (child < 0) WriteReportToStderrRaw();
    ::_exit(1);
}

void FaultHandler(int sig, siginfo_t* info, void*) {
    auto addr = reinterpret_cast<std::uintptr_t>(info ? info->si_addr : nullptr);
    bool guard = sig == SIGSEGV && g_stackLimit && addr < g_stackTop && addr + (1u << 20) >= g_stackLimit &&
                 addr <= g_stackLimit + (1u << 16);
    ReportFaultAndExit(SignalExceptionCode(sig, info ? info->si_code : 0, guard));
}

[[noreturn]] void TerminateBackstop() {
    // Terminate again while the first one is still being reported (the
    // report itself failed): the fault path, which needs nothing that could
    // have broken.
    static volatile sig_atomic_t entered = 0;
    if (entered) ReportFaultAndExit(kAbortExceptionCode);
    entered = 1;
    // An exception that escaped every boundary (or a noexcept violation):
    // still the normal report, with that error.
    if (std::current_exception()) Fail();
    try {
        throw vb::VbError(vb::errInvalidCall, "The program was terminated", kProgramTitle);
    } catch (...) {
        Fail();
    }
}

}  // namespace

std::string GetExceptionName(std::uint32_t code) {
    if (const char* n = KnownName(code)) return n;
    char buf[32];
    UnknownName(code, buf);
    return buf;
}

long ExceptionErrorNumber(std::uint32_t code) { return static_cast<long>((code & 0x8EFu) | 10000u); }

long zeltExceptionFilter(const ExceptionPointers* pointers) {
    ExceptionRecord rec = pointers && pointers->Record ? *pointers->Record : ExceptionRecord{};
    while (rec.ExceptionRecordChain) rec = *rec.ExceptionRecordChain;
    throw vb::VbError(ExceptionErrorNumber(rec.ExceptionCode), GetExceptionName(rec.ExceptionCode),
                      "zeltExceptionFilter");
}

void RaiseException(std::uint32_t code, std::uint32_t flags, std::uint32_t numberOfArguments,
                    const std::uintptr_t* arguments) {
    ExceptionRecord rec;
    rec.ExceptionCode = code;
    rec.ExceptionFlags = flags;
    rec.NumberParameters = numberOfArguments > 15 ? 15 : numberOfArguments;
    for (std::uint32_t i = 0; arguments && i < rec.NumberParameters; ++i) rec.ExceptionInformation[i] = arguments[i];
    ExceptionPointers ptrs{&rec, nullptr};
    zeltExceptionFilter(&ptrs);
}

double FloatDivide(double dividend, double divisor) {
    if (divisor == 0.0) vb::Raise(vb::errDivisionByZero);
    return dividend / divisor;
}

std::uint32_t SignalExceptionCode(int signal, int signalCode, bool onStackGuard) {
    switch (signal) {
        case SIGSEGV:
            return onStackGuard ? 0xC00000FDu : 0xC0000005u;
        case SIGFPE:
            switch (signalCode) {
                case FPE_INTDIV:
                    return 0xC0000094u;
                case FPE_INTOVF:
                    return 0xC0000095u;
                case FPE_FLTDIV:
                    return 0xC000008Eu;
                case FPE_FLTOVF:
                    return 0xC0000091u;
                case FPE_FLTUND:
                    return 0xC0000093u;
                case FPE_FLTRES:
                    return 0xC000008Fu;
                case FPE_FLTINV:
                    return 0xC0000090u;
                case FPE_FLTSUB:
                    return 0xC000008Cu;
                default:
                    return 0xC0000090u;
            }
        case SIGILL:
            return signalCode == ILL_PRVOPC ? 0xC0000096u : 0xC000001Du;
        case SIGBUS:
            return signalCode == BUS_ADRALN ? 0x80000002u : 0xC0000006u;
        case SIGABRT:
            return kAbortExceptionCode;
        default:
            return 0;
    }
}

void ConfigureCrashRestart(const std::string& restartProgram, const std::string& reportFolder) {
    if (restartProgram.size() >= kPathMax || reportFolder.size() >= kPathMax) return;
    std::memcpy(g_restartProgram, restartProgram.c_str(), restartProgram.size() + 1);
    std::memcpy(g_reportFolder, reportFolder.c_str(), reportFolder.size() + 1);
    g_configured = true;
    g_restartDisabled = 0;
}

void InstallExceptionFilter() {
    std::set_terminate(&TerminateBackstop);
    if (!g_configured) return;
    static bool installed = false;
    if (installed) return;
    installed = true;

    // The handler runs on its own stack, so a stack overflow can still be
    // reported.
    static char altStack[1 << 16];
    stack_t ss{};
    ss.ss_sp = altStack;
    ss.ss_size = sizeof altStack;
    ::sigaltstack(&ss, nullptr);

    int here = 0;
    g_stackTop = reinterpret_cast<std::uintptr_t>(&here);
    rlimit rl{};
    if (::getrlimit(RLIMIT_STACK, &rl) == 0 && rl.rlim_cur != RLIM_INFINITY && rl.rlim_cur < g_stackTop)
        g_stackLimit = g_stackTop - rl.rlim_cur;

    struct sigaction sa {};
    sa.sa_sigaction = &FaultHandler;
    sa.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&sa.sa_mask);
    for (int sig : kFaultSignals) ::sigaction(sig, &sa, nullptr);
}

void DisableCoreDumps() {
    rlimit none{0, 0};
    ::setrlimit(RLIMIT_CORE, &none);
    ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
}

bool RunReportOnlyIfRequested() {
    const char* path = std::getenv(kCrashReportEnv);
    if (!path || !*path) return false;
    std::string file(path);
    ::unsetenv(kCrashReportEnv);
    // This process shows a report: a fault in it goes to stderr, and the
    // handlers (installed now, or by the trace's start in the window) never
    // start another process.
    g_restartDisabled = 1;
    InstallExceptionFilter();
    auto text = plat::ReadWholeFile(file);
    ErrorMessage = text ? *text : std::string();
    // Only a report file the fault handler wrote is removed.
    std::string base = file.substr(file.find_last_of('/') + 1);
    if (base.rfind("crash-", 0) == 0 && base.size() > 4 && base.compare(base.size() - 4, 4, ".txt") == 0)
        ::unlink(file.c_str());
    ShowErrorMessageAndEnd();
}

}  // namespace trace
