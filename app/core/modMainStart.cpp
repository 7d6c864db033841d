// The start procedure of the program.
#include <memory>

#include "app/core/clsDataFilesManager.h"
#include "app/core/clsDatabase.h"
#include "app/core/modLang.h"
#include "app/core/modMain.h"
#include "app/core/modMainOptions.h"
#include "app/core/modMainStartup.h"
#include "app/core/modMainUsers.h"
#include "app/core/modReg.h"
#include "app/core/modTimer.h"
#include "app/trace/Trace.h"
#include "platform/SystemFolder.h"
#include "platform/VbStrings.h"
#include "platform/qt/Desktop.h"
#include "platform/qt/InstanceLock.h"

namespace modMain {
namespace {

// The control files the original registered at start; Qt's widgets take
// their place, so they are normally absent.
constexpr const char* kControlFiles[] = {"richtx32.ocx", "toolbar2.ocx", "mscomctl.ocx", "vbalIml6.ocx"};

}  // namespace

StartResult Main(const std::function<void()>& afterStart) {
    // Main has no trace frame of its own: an error in its own steps is
    // reported for modMain.Main.
    try {
        trace::InitErrorTrace();
        trace::ResetStack();
        RegisterTraceGlobals();
        // The inactivity check counts from the start, not from the moment the
        // clock began; otherwise a cursor resting at (0, 0) would lock at once.
        LastActive = vb::CLng(modTimer::GetQueryPerf());

        DbgPrint("\r\n========== Start Logging ==========");
        DbgPrint("===Version " + trace::VersionText() + "===");

        if (!qtplat::AcquireInstanceLock(plat::PrivateFolder() + "/QuellonPM.lock")) {
            DbgPrint("PrevInstance detected");
            // No language file is loaded yet: the text lookup gives its
            // failure text (and its log line).
            qtplat::MsgBox(modLang::Texts(2), qtplat::vbInformation);
            return StartResult::SecondInstance;
        }

        DbgPrint("Registering controls...");
        for (const char* file : kControlFiles) modReg::Reg(file, Pt(AppPath()) + "Controls/" + file, 1);
        DbgPrint("Registering controls... Ok");

        DbgPrint("Common controls initialization...");
        // Qt's widgets need no initialisation of their own.
        DbgPrint("Common controls initialization... Ok");

        DbgPrint("Colors initializing...");
        CustomColors.ReDim(0, 63);
        DbgPrint("Colors initializing...Ok");

        DbgPrint("Configuration Loading...");
        ProgConfig.ReDim(0, 0);
        startup::LoadProgramOptions();
        DbgPrint("Configuration Loading... Ok");

        DbgPrint("Language Loading...");
        modLang::LoadLang(Pt(AppPath()) + "Languages/" + OptionSlot(Option::Language) + ".lng");
        DbgPrint("Language Loading... Ok");

        // The registry of open database files and the empty current
        // database; deciphered files a crashed run left behind go first.
        SweepTempFiles();
        MDFM = std::make_shared<clsDataFilesManager>();
        CurUsDB = std::make_shared<clsDatabase>();

        // The main window.
        if (afterStart) afterStart();
        return StartResult::Started;
    } catch (...) {
        trace::FailIn("modMain", "Main", &DumpModuleVars);
    }
}

}  // namespace modMain
