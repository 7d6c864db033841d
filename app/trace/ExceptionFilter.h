#pragma once
// Processor and system exceptions as run-time errors of the program.
//
// A raised exception (RaiseException, the About window's test button) goes
// through zeltExceptionFilter synchronously and becomes run-time error
// (code And &H8EF) Or 10000 with source "zeltExceptionFilter", which takes
// the normal traced path to the report.
//
// A real processor fault (SIGSEGV, SIGFPE, SIGILL, SIGBUS) and an abort
// (SIGABRT: a failed assertion, qFatal, a second terminate) are never turned
// into a C++ throw: the signal handler, with async-signal-safe calls only,
// writes a report of what the call stack holds to a file in the private
// folder and starts the program again in report-only mode (the file named by
// QUELLON_CRASH_REPORT) with a clean signal state; the faulting process then
// ends. While a report is shown (the error window is up, or this is the
// report-only start) a fault writes its report to stderr and ends the process
// at once: one window per run, and the first report is not lost.
#include <signal.h>

#include <array>
#include <cstdint>
#include <string>

namespace trace {

struct ExceptionRecord {
    std::uint32_t ExceptionCode = 0;
    std::uint32_t ExceptionFlags = 0;
    const ExceptionRecord* ExceptionRecordChain = nullptr;  // the exception this one was raised in, or null
    const void* ExceptionAddress = nullptr;
    std::uint32_t NumberParameters = 0;
    std::array<std::uintptr_t, 15> ExceptionInformation{};
};

struct ExceptionPointers {
    const trace::ExceptionRecord* Record = nullptr;
    const void* ContextRecord = nullptr;
};

std::string GetExceptionName(std::uint32_t code);
long ExceptionErrorNumber(std::uint32_t code);

// Raises the run-time error of the innermost record of the chain; never
// returns normally.
[[noreturn]] long zeltExceptionFilter(const ExceptionPointers* pointers);
[[noreturn]] void RaiseException(std::uint32_t code, std::uint32_t flags, std::uint32_t numberOfArguments,
                                 const std::uintptr_t* arguments);

// The floating division of the runtime: a zero divisor raises run-time error
// 11 (IEEE division would give an infinity).
double FloatDivide(double dividend, double divisor);

// The signals the fault handler reports. SIGQUIT, SIGTRAP and the rest keep
// their default action.
inline constexpr int kFaultSignals[] = {SIGSEGV, SIGFPE, SIGILL, SIGBUS, SIGABRT};
// An abort: the program found it cannot go on.
inline constexpr std::uint32_t kAbortExceptionCode = 0xC0000025u;  // "Non Continuable Exception"

// The exception code a fault signal stands for.
std::uint32_t SignalExceptionCode(int signal, int signalCode, bool onStackGuard);

inline constexpr const char* kCrashReportEnv = "QUELLON_CRASH_REPORT";

// Where a fault report goes and which program the handler starts to show it
// (the program's own executable). Until this is called InitErrorTrace installs
// no signal handlers, so test programs keep their default fault behaviour.
void ConfigureCrashRestart(const std::string& restartProgram, const std::string& reportFolder);
// Installs the fault handlers (when configured) and the terminate backstop.
void InstallExceptionFilter();

// A core dump would hold every secret of the session in clear (the password
// hash, the file key, the records): the process writes none and cannot be
// attached to. Called first thing at start. The report-only start is an exec
// of the program, which makes it dumpable again until it calls this itself;
// the core size limit of 0 is inherited.
void DisableCoreDumps();

// Report-only start: when QUELLON_CRASH_REPORT names a report file, its text
// becomes ErrorMessage, is shown through the error hooks, the file is removed
// and the program ends. A fault in it is reported on stderr only. Returns
// false (and does nothing) otherwise.
bool RunReportOnlyIfRequested();

}  // namespace trace
