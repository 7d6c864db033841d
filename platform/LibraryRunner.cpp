#include "platform/LibraryRunner.h"

#include <dlfcn.h>

#include <cstdio>
#include <future>
#include <system_error>
#include <thread>

namespace plat {

RunResult RunEntryOnThread(LibraryEntry entry, std::chrono::milliseconds wait) {
    RunResult run;
    if (!entry) {
        run.status = RunStatus::EntryMissing;
        return run;
    }
    std::promise<std::int32_t> promise;
    std::future<std::int32_t> done = promise.get_future();
    std::thread worker;
    try {
        // The thread owns the promise: after a timeout it still has somewhere
        // to put its result when it finishes.
        worker = std::thread(
            [entry](std::promise<std::int32_t> p) {
                try {
                    p.set_value(entry());
                } catch (...) {
                    p.set_exception(std::current_exception());
                }
            },
            std::move(promise));
    } catch (const std::system_error& e) {
        run.status = RunStatus::ThreadFailed;
        run.detail = e.what();
        return run;
    }
    if (done.wait_for(wait) != std::future_status::ready) {
        worker.detach();
        run.status = RunStatus::TimedOut;
        return run;
    }
    worker.join();
    try {
        run.result = done.get();
        run.status = RunStatus::Done;
    } catch (const std::exception& e) {
        // An entry point that throws has failed; it never reaches our caller.
        run.status = RunStatus::Done;
        run.result = static_cast<std::int32_t>(0x80004005);  // E_FAIL
        run.detail = e.what();
    } catch (...) {
        run.status = RunStatus::Done;
        run.result = static_cast<std::int32_t>(0x80004005);
        run.detail = "the entry point raised an exception";
    }
    return run;
}

RunResult RunLibraryEntry(const std::string& libraryPath, const std::string& entryName,
                          std::chrono::milliseconds wait) {
    RunResult run;
    ::dlerror();
    void* module = ::dlopen(libraryPath.c_str(), RTLD_NOW | RTLD_NODELETE);
    if (!module) {
        const char* err = ::dlerror();
        run.status = RunStatus::NotLoadable;
        run.detail = err ? err : "dlopen failed";
        return run;
    }
    ::dlerror();
    void* symbol = ::dlsym(module, entryName.c_str());
    if (!symbol) {
        run.status = RunStatus::EntryMissing;
        run.module = module;
        return run;
    }
    run = RunEntryOnThread(reinterpret_cast<LibraryEntry>(symbol), wait);
    run.module = module;
    return run;
}

std::string DescribeRun(const RunResult& run, const std::string& libraryPath, const std::string& entryName) {
    char hr[16];
    std::snprintf(hr, sizeof hr, "0x%08X", static_cast<unsigned>(run.result));
    switch (run.status) {
        case RunStatus::Done:
            if (run.result < 0)
                return entryName + " of " + libraryPath + " failed with " + hr +
                       (run.detail.empty() ? std::string() : ": " + run.detail);
            return entryName + " of " + libraryPath + " returned " + hr;
        case RunStatus::NotLoadable:
            return "the library " + libraryPath + " cannot be loaded: " + run.detail;
        case RunStatus::EntryMissing:
            return "the library " + libraryPath + " has no entry point " + entryName;
        case RunStatus::ThreadFailed:
            return "no thread could be started for " + entryName + ": " + run.detail;
        case RunStatus::TimedOut:
            return entryName + " of " + libraryPath + " has not finished in time";
    }
    return entryName + " of " + libraryPath + ": unknown result";
}

}  // namespace plat
