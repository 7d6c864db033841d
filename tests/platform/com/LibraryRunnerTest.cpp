#include <dlfcn.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "TempDir.h"
#include "platform/LibraryRunner.h"

namespace {

using namespace std::chrono_literals;
using plat::RunLibraryEntry;
using plat::RunStatus;

TEST(LibraryRunner, RunsTheEntryAndGivesItsResult) {
    struct Case {
        const char* entry;
        std::int32_t result;
    };
    const Case cases[] = {
        {"Entry42", 42},
        {"EntryFail", static_cast<std::int32_t>(0x80004005)},
        {"EntryThrows", static_cast<std::int32_t>(0x80004005)},  // an exception is a failure, not a crash
    };
    for (const Case& c : cases) {
        auto run = RunLibraryEntry(RUNNER_FIXTURE_PATH, c.entry, 5000ms);
        EXPECT_EQ(run.status, RunStatus::Done) << c.entry;
        EXPECT_EQ(run.result, c.result) << c.entry;
        EXPECT_NE(run.module, nullptr);
    }
    auto failed = RunLibraryEntry(RUNNER_FIXTURE_PATH, "EntryFail", 5000ms);
    EXPECT_NE(plat::DescribeRun(failed, RUNNER_FIXTURE_PATH, "EntryFail").find("failed with 0x80004005"),
              std::string::npos);
}

TEST(LibraryRunner, ReportsALibraryThatCannotBeLoaded) {
    qpmtest::TempDir dir;
    const std::string notALibrary = dir.file("libfake.so");
    qpmtest::WriteBytes(notALibrary, "this is no ELF file");
    for (const std::string& path : {dir.file("missing.so"), notALibrary}) {
        auto run = RunLibraryEntry(path, "DllRegisterServer", 1000ms);
        EXPECT_EQ(run.status, RunStatus::NotLoadable) << path;
        EXPECT_FALSE(run.detail.empty());
        std::string text = plat::DescribeRun(run, path, "DllRegisterServer");
        EXPECT_NE(text.find(path), std::string::npos) << text;
        EXPECT_NE(text.find("cannot be loaded"), std::string::npos) << text;
    }
}

TEST(LibraryRunner, ReportsAMissingEntryWithoutStartingAThread) {
    auto run = RunLibraryEntry(RUNNER_FIXTURE_PATH, "DllRegisterServer", 1000ms);
    EXPECT_EQ(run.status, RunStatus::EntryMissing);
    EXPECT_NE(plat::DescribeRun(run, RUNNER_FIXTURE_PATH, "DllRegisterServer").find("no entry point DllRegisterServer"),
              std::string::npos);
    EXPECT_EQ(plat::RunEntryOnThread(nullptr, 10ms).status, RunStatus::EntryMissing);
}

TEST(LibraryRunner, TimeoutLeavesTheEntryRunningWithItsLibraryLoaded) {
    auto start = std::chrono::steady_clock::now();
    auto run = RunLibraryEntry(RUNNER_FIXTURE_PATH, "EntrySlow", 100ms);
    EXPECT_EQ(run.status, RunStatus::TimedOut);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);  // the wait is bounded, not the entry's time

    // Our own references to the library are dropped: it still stays mapped.
    void* self = ::dlopen(RUNNER_FIXTURE_PATH, RTLD_NOW);
    ASSERT_NE(self, nullptr);
    auto release = reinterpret_cast<void (*)()>(::dlsym(self, "ReleaseSlow"));
    auto finished = reinterpret_cast<bool (*)()>(::dlsym(self, "SlowFinished"));
    ::dlclose(self);
    EXPECT_NE(::dlopen(RUNNER_FIXTURE_PATH, RTLD_NOW | RTLD_NOLOAD), nullptr);
    EXPECT_FALSE(finished());

    // The detached entry goes on and completes once allowed to.
    release();
    for (int i = 0; i < 500 && !finished(); ++i) std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(finished());
}

}  // namespace
