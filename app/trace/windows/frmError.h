#pragma once
// The error window: shown modally by the error handler with the report it
// composed. It apologises, offers to send the report to the maker's report
// server ("Help"), to close without sending ("Don't Help") and to look at the
// whole report first ("click here."). Whatever the user does, the program
// ends afterwards: ShowReport returns when it is to end, and the error
// handler then ends it.
//
// The program is in an unknown state while the window is up, so the window
// runs none of its code: the error handler's Reporting() flag stops the
// program's timers and commands, and only the window's own paths close it
// (the lock's pass over open windows, Esc or a reject from code leave it
// open).
//
// Nothing is sent until the user clicks Help, and what is sent is exactly the
// report the report window shows. One attempt per window: Help stays disabled
// once clicked.
#include <QDialog>
#include <cstdint>
#include <string>

#include "app/trace/Dump.h"

class QFrame;
class QLabel;
class QPushButton;

namespace trace {
class ReportUpload;
}

class frmError : public QDialog, public trace::Traced {
    Q_OBJECT

public:
    explicit frmError(std::string report);
    ~frmError() override;
    frmError(const frmError&) = delete;
    frmError& operator=(const frmError&) = delete;

    const char* TraceName() const override { return "frmError"; }
    std::string DumpModuleVars() const override;

    // The show step of the error handler: the window for `report`, modal
    // until the program is to end. Without a running application (or off
    // its window thread) the report goes to stderr instead.
    static void ShowReport(const std::string& report);

    // Loads the window and runs it modally; returns when the program is to
    // end.
    void ShowModal();

    const std::string& Report() const noexcept { return report_; }

    // ---- The window's events ----
    void cmdSend_Click();
    void cmdDontSend_Click();
    void lblClickHere_Click();
    void wskErrorReport_Connect();
    void wskErrorReport_DataArrival(bool accepted);
    void wskErrorReport_Error(int Number, const std::string& Description);
    void wskErrorReport_TimedOut();

    QFrame* fraTopMainFrame;
    QLabel* picCriticalError;
    QLabel* lblErrorOccured;
    QFrame* fraTopInframe;
    QLabel* lblCreatedErrorReport;
    QLabel* lblHelpUs;
    QLabel* lblToSeeData;
    QLabel* lblClickHere;
    QLabel* lblMightBeLost;
    QFrame* fraBotFrame;
    QPushButton* cmdSend;
    QPushButton* cmdDontSend;
    trace::ReportUpload* wskErrorReport;

    // Only the window's own paths close it: a close from anywhere else (the
    // lock's pass over open windows, Esc, reject() from code) is refused.
    void done(int result) override;

protected:
    void Form_Load();
    void Form_Unload();
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Ends the window's run: every modal box or window over it closes, then
    // the window itself, and ShowModal returns.
    void EndProgram();

    std::string report_;
    bool IsConnected = false;
    bool ending_ = false;
    std::int16_t traceInstanceId_ = 0;
};
