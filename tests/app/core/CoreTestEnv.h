#pragma once
// A fixture for the main module: a fresh program folder and per-user folders
// in a temp folder (the application-data, runtime, configuration and registry
// folders all point inside it), the module's globals reset, and the trace's
// error window and program end replaced as in the trace tests. The clock,
// the input state, message boxes and the choosers are fakes the test sets.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ScopedEnv.h"
#include "../trace/TraceFixture.h"
#include "TempDir.h"
#include "app/core/modLang.h"
#include "app/core/modMain.h"
#include "app/core/modTimer.h"
#include "platform/qt/Choosers.h"
#include "platform/qt/Desktop.h"
#include "platform/qt/InputState.h"
#include "platform/qt/InstanceLock.h"

namespace coretest {

class CoreTest : public tracetest::TraceTest {
protected:
    void SetUp() override {
        tracetest::TraceTest::SetUp();
        modMain::RegisterTraceGlobals();
        modMain::SetAppPathForTests(appDir());
        std::filesystem::create_directories(appDir());
        std::filesystem::create_directories(tmp.file("run"));
        ResetGlobals();
        modTimer::SetClockForTests([this] { return clock; });
        qtplat::SetMsgBoxForTests([this](const std::string& prompt, int style, const std::string& title) {
            boxes.push_back({prompt, style, title});
            return 1;
        });
    }
    void TearDown() override {
        qtplat::ReleaseInstanceLock();
        qtplat::SetMsgBoxForTests({});
        qtplat::SetFolderChooserForTests({});
        qtplat::SetColorChooserForTests({});
        qtplat::SetInputProbeForTests({});
        modTimer::SetClockForTests({});
        modMain::SetAppPathForTests("");
        ResetGlobals();
        tracetest::TraceTest::TearDown();
    }

    static void ResetGlobals() {
        using namespace modMain;
        FrmPaswResult = 0;
        FrmPaswEnetered.clear();
        FrmPaswShown = false;
        FindIndNum = 0;
        LastActive = 0;
        DoUnloadTIcon = false;
        CurUser.clear();
        CurUsDBPath.clear();
        CurUsPasw.clear();
        ProgConfig.Erase();
        ProgCfgPath.clear();
        LastGenPasw.clear();
        LastFindText.clear();
        UpTime = 0;
        LastKbdState = {};
        LastCursorPos = {};
        DbgFile = 0;
        BrowsePath.clear();
        CustomColors.Erase();
        modLang::TxtMas.Erase();
    }

    std::string appDir() const { return tmp.file("app"); }
    std::string dataDir() const { return tmp.file("data"); }
    std::string userFolder() const { return dataDir() + "/QuellonPM"; }

    // The lines of the debug log in the program folder (CR LF split).
    std::vector<std::string> LogLines() const {
        std::vector<std::string> lines;
        const std::string path = appDir() + "/DbgFile.dat";
        if (!std::filesystem::exists(path)) return lines;
        const std::string text = qpmtest::ReadBytes(path);
        std::size_t pos = 0;
        while (pos < text.size()) {
            std::size_t end = text.find("\r\n", pos);
            if (end == std::string::npos) end = text.size();
            lines.push_back(text.substr(pos, end - pos));
            pos = end + 2;
        }
        return lines;
    }
    // The messages of the log, without their date-and-clock prefix.
    std::vector<std::string> LogMessages() const {
        std::vector<std::string> out;
        for (const std::string& line : LogLines()) {
            const std::size_t mark = line.find("): ");
            out.push_back(mark == std::string::npos ? line : line.substr(mark + 3));
        }
        return out;
    }

    // Sets ProgConfig to the given options (1-based).
    static void SetOptions(const std::vector<std::string>& options) {
        modMain::ProgConfig.ReDim(1, static_cast<long>(options.size()));
        for (std::size_t i = 0; i < options.size(); ++i) modMain::ProgConfig(static_cast<long>(i + 1)) = options[i];
    }

    struct Box {
        std::string prompt;
        int style;
        std::string title;
    };

    qpmtest::TempDir tmp;
    qpmtest::ScopedEnv dataHome{"XDG_DATA_HOME", tmp.file("data")};
    qpmtest::ScopedEnv runtime{"XDG_RUNTIME_DIR", tmp.file("run")};
    qpmtest::ScopedEnv configHome{"XDG_CONFIG_HOME", tmp.file("config")};
    qpmtest::ScopedEnv registry{"QUELLON_REGISTRY_ROOT", tmp.file("registry")};
    double clock = 1000.0;
    std::vector<Box> boxes;
};

// The twenty options of the shipped defaults.
inline const std::vector<std::string>& DefaultOptions() {
    static const std::vector<std::string> options = {"True", "True", "0",    "",     "DataBases", "False", "1",
                                                     "0",    "1",    "1",    "15",   "0",         "10",    "English",
                                                     "12",   "9210", "6600", "1200", "1200",      "3015"};
    return options;
}

inline std::string JoinCrLf(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines) out += l + "\r\n";
    return out;
}

}  // namespace coretest
