#include "SaveFaultFixture.h"

#include <QTextEdit>
#include <QTimer>
#include <filesystem>
#include <optional>

#include "CoreTestSupport.h"
#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "app/core/modMainUsers.h"
#include "app/mainwindow/RecordTree.h"
#include "app/trace/Secret.h"
#include "platform/FileIO.h"

namespace guitest {

std::string FaultName(const ::testing::TestParamInfo<FaultKind>& info) {
    return info.param == FaultKind::FullDisk ? "FullDisk" : "WriteSeam";
}

void LockedWindowTest::SetUp() {
    MainWindowTest::SetUp();
    qtplat::SetInputProbeForTests({[this] { return cursor; }, [this] { return keys; }});
    modMain::LastCursorPos = {cursor.x, cursor.y};
}

void SaveFaultTest::SetUp() {
    LockedWindowTest::SetUp();
    if (HasFatalFailure()) return;
    if (GetParam() == FaultKind::FullDisk) {
        // Room for the user file, the options and a backup, not much more.
        disk = std::make_unique<qpmtest::ScopedTmpfs>(tmp.file("disk"), 256 * 1024);
        if (!disk->mounted()) GTEST_SKIP() << "no tmpfs can be mounted here: " << disk->error();
        std::filesystem::copy_file(UserFile(), disk->folder() + "/" + kUser + ".vdb");
        databases = disk->folder();
        DefaultOptions();
        modMain::ProgCfgPath = disk->folder() + "/config.dat";
    }
    modMain::SaveConfig(modMain::ProgCfgPath);
    ASSERT_TRUE(std::filesystem::exists(modMain::ProgCfgPath));
}

void SaveFaultTest::UnderFault(const std::function<void()>& body, Writes writes) {
    if (GetParam() == FaultKind::FullDisk) {
        disk->Fill();
        body();
        disk->Free();
        return;
    }
    std::optional<coretest::ScopedLibraryWriteFaults> library;
    if (writes == Writes::All) library.emplace(plat::WriteFaults{0, true});
    plat::ScopedWriteFaults program({0, true});
    body();
}

void LockedWindowTest::StartSelected() {
    StartLoggedIn();
    w->tmrTimer->stop();
    w->tmrAutobackup->stop();
    ClickNode("0key");
}

void LockedWindowTest::IdleAndTick() {
    clock += 15 * 60 + 1;
    w->tmrTimer_Timer();
}

bool LockedWindowTest::Locked() const {
    return w->IsProtected && w->trvDatabase->NodeCount() == 0 && w->txtValue->toPlainText().isEmpty();
}

std::size_t LockedWindowTest::BoxesWith(const std::string& text) const {
    std::size_t n = 0;
    for (const auto& box : boxes) n += box.prompt.find(text) != std::string::npos;
    return n;
}

std::size_t LockedWindowTest::Prompts() const {
    std::size_t n = 0;
    for (const Form& f : forms) n += f.form == "frmPassword";
    return n;
}

}  // namespace guitest
