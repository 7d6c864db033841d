// The program QuellonPasswordMngr: sets up the application and the error
// trace, then hands over to the start procedure.
#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <memory>

#include "app/HeapPolicy.h"
#include "app/core/modMain.h"
#include "app/core/modMainSession.h"
#include "app/mainwindow/frmMain.h"
#include "app/trace/ExceptionFilter.h"
#include "app/trace/Trace.h"
#include "app/trace/windows/WindowNamer.h"
#include "app/trace/windows/frmError.h"
#include "platform/ProgramPath.h"
#include "platform/SystemFolder.h"
#include "platform/VbError.h"
#include "platform/qt/InputState.h"
#include "resources/icons/QpmImages.h"

int main(int argc, char** argv) {
    // Before anything holds a secret.
    trace::DisableCoreDumps();
    heappolicy::KeepFreedMemory();
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
    // The pictures and the program's icon come first: the report-only start's
    // error window is the first window that process makes.
    qpmimages::InitImages();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/app/mainicon.ico")));

    // Every report, a crash report of the report-only start included, is shown
    // in the error window; closing it ends the program.
    trace::SetErrorHooks({&frmError::ShowReport, {}});
    // The dumps name the windows the core is handed (a dialog's owner).
    trace::SetWindowNamer(&trace::WindowTypeName);
    if (trace::RunReportOnlyIfRequested()) return 1;

    qtplat::InstallInputStateFilter();

    // The database objects hold components of the library: they are released
    // here, before the program's static objects go.
    struct ReleaseDatabases {
        ~ReleaseDatabases() { modMain::ReleaseDatabases(); }
    } releaseDatabases;

    // The start procedure ends by showing the main window; from then on the
    // program runs in the window's events until its own exit path ends the
    // event loop.
    std::unique_ptr<frmMain> mainWindow;
    switch (modMain::Main([&] {
        mainWindow = std::make_unique<frmMain>();
        mainWindow->Show();
    })) {
        case modMain::StartResult::SecondInstance:
            return 0;
        case modMain::StartResult::Started:
            break;
    }
    const int code = QApplication::exec();
    mainWindow.reset();
    return code;
}
