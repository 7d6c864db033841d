#pragma once
// Runs an entry point of a shared library (DllRegisterServer, say) on a thread
// of its own and waits a bounded time for it. The library is loaded with
// RTLD_NOW | RTLD_NODELETE and never closed, so it stays in memory while the
// entry still runs: after a timeout the thread is detached and may finish
// later, or be ended with the process.
#include <chrono>
#include <cstdint>
#include <string>

namespace plat {

// A library entry point without parameters that returns an HRESULT.
using LibraryEntry = std::int32_t (*)();

enum class RunStatus {
    Done,          // the entry returned; `result` holds its HRESULT
    NotLoadable,   // dlopen failed; `detail` holds dlerror's text
    EntryMissing,  // the library has no such symbol
    ThreadFailed,  // no thread could be started
    TimedOut,      // the entry has not returned in time; it goes on running
};

struct RunResult {
    RunStatus status = RunStatus::NotLoadable;
    std::int32_t result = 0;
    std::string detail;
    void* module = nullptr;  // the library's handle once loaded
};

inline constexpr std::chrono::milliseconds kEntryWait{10000};

// Loads `libraryPath` and runs its `entryName` on a thread, waiting at most `wait`.
RunResult RunLibraryEntry(const std::string& libraryPath, const std::string& entryName,
                          std::chrono::milliseconds wait = kEntryWait);

// Runs an entry already looked up, on a thread, waiting at most `wait`.
RunResult RunEntryOnThread(LibraryEntry entry, std::chrono::milliseconds wait = kEntryWait);

// One line saying what happened, for reports ("DllRegisterServer of /x.so
// timed out after 10000 ms").
std::string DescribeRun(const RunResult& run, const std::string& libraryPath, const std::string& entryName);

}  // namespace plat
