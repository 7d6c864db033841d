#pragma once
// The error window as the error handler's show step, in a test: the program's
// end throws ProgramEnded once the window's run is over, message boxes are
// recorded (and answered OK) instead of shown, and a watchdog closes every
// window a broken test left open.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "app/trace/windows/ReportUpload.h"
#include "app/trace/windows/frmError.h"
#include "tests/app/trace/TraceFixture.h"

namespace errwintest {

using tracetest::ProgramEnded;

struct ShownBox {
    std::string prompt;
    int style;
    std::string title;
    qint64 atMs;             // since the fixture started
    std::string windowVars;  // the open error window's module variables ("" when none was open)
};

class ErrorWindowTest : public tracetest::TraceTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs `script` once the error window is up (on top, active), then lets
    // the window run on until the program is to end; expects that end.
    void ShowAndRun(const std::string& report, const std::function<void(frmError&)>& script);
    // The same through the error handler: a report of `number`/`description`
    // composed and shown as a failing procedure would.
    void FailAndRun(long number, const std::string& description, const std::function<void(frmError&)>& script);

    // Runs `script` on the next window that comes up over the error window
    // (the report window), while the click that opened it waits.
    static void OnNextModal(const std::function<void(QWidget&)>& script);

    // The report server of the next attempt.
    static void UseServer(const std::string& host, quint16 port, int connectLimitMs = 10000, int answerLimitMs = 10000);

    // Runs `show` (which shows the error window and ends the program) with
    // `script` run on the window once it is up.
    void Run(const std::function<void()>& show, const std::function<void(frmError&)>& script);

    std::vector<ShownBox> boxes;
    QElapsedTimer clock;
    qint64 endedAtMs = -1;

private:
    QTimer watchdog_;
};

}  // namespace errwintest
