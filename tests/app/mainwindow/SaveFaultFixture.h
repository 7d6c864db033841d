#pragma once
// The main window locked and unlocked by the test, and for saves that fail.
// Each save test runs under both kinds of fault: a real full disk (a small tmpfs that
// holds the databases folder and the options file; skipped where mounting is
// refused) and the file layer's write-fault seam (the library's and the
// program's writes fail, renames are refused).
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "MainWindowFixture.h"
#include "ScopedTmpfs.h"
#include "platform/qt/InputState.h"

namespace guitest {

// The test user logged in, with the input state and the clock the test's
// own, so the test decides when the window locks.
class LockedWindowTest : public MainWindowTest {
protected:
    void SetUp() override;

    // The test user logged in with the root selected; the timers tick only
    // when the test calls them.
    void StartSelected();
    // The lock time passes without input; one state tick.
    void IdleAndTick();
    bool Locked() const;

    std::string UserFile() const { return databases + "/" + kUser + ".vdb"; }
    // The message boxes so far whose prompt holds `text`.
    std::size_t BoxesWith(const std::string& text) const;
    // The password prompts shown so far.
    std::size_t Prompts() const;

    qtplat::CursorPoint cursor{40, 30};
    qtplat::KeyState keys{};
};

enum class FaultKind { FullDisk, WriteSeam };
std::string FaultName(const ::testing::TestParamInfo<FaultKind>& info);

class SaveFaultTest : public LockedWindowTest, public ::testing::WithParamInterface<FaultKind> {
protected:
    void SetUp() override;
    // Which writes fail under the seam: every one, or the program's own
    // files only (the options, the backups), not the library's.
    enum class Writes { All, OptionsOnly };
    // Runs `body` while nothing can be written.
    void UnderFault(const std::function<void()>& body, Writes writes = Writes::All);

    std::unique_ptr<qpmtest::ScopedTmpfs> disk;
};

}  // namespace guitest
