// The program QuellonPasswordMngr: sets up the application and the error
// trace, then hands over to the start procedure.
#include <QApplication>
#include <cstdio>

#include "app/core/modMain.h"
#include "app/trace/ExceptionFilter.h"
#include "app/trace/Trace.h"
#include "platform/ProgramPath.h"
#include "platform/SystemFolder.h"
#include "platform/VbError.h"
#include "platform/qt/InputState.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QuellonPasswordMngr"));
    // The program ends only through its own exit path, never because its
    // last window closed (the tray keeps it alive).
    QApplication::setQuitOnLastWindowClosed(false);

    // A fault report is written to the private folder and shown by a fresh
    // start of this program in report-only mode.
    try {
        trace::ConfigureCrashRestart(plat::ProgramFile(), plat::PrivateFolder());
    } catch (const vb::VbError& e) {
        std::fprintf(stderr, "QuellonPasswordMngr: no private folder for fault reports (%s)\n", e.what());
    }
    if (trace::RunReportOnlyIfRequested()) return 1;

    // Until the error window exists a report goes to stderr and ends the
    // program.
    trace::SetErrorHooks({});
    qtplat::InstallInputStateFilter();

    // The database objects hold components of the library: they are released
    // here, before the program's static objects go.
    struct ReleaseDatabases {
        ~ReleaseDatabases() {
            modMain::CurUsDB.reset();
            modMain::MDFM.reset();
        }
    } releaseDatabases;

    switch (modMain::Main()) {
        case modMain::StartResult::SecondInstance:
            return 0;
        case modMain::StartResult::Started:
            break;
    }
    // Main has read the options and the language texts and made the database
    // objects; the main window is not part of this build, so the program stops
    // here instead of waiting without a window.
    std::fputs(
        "QuellonPasswordMngr: the options, the language texts and the database objects are ready, but this build has "
        "no main window "
        "yet; the program ends.\n",
        stderr);
    return 0;
}
