#include "ErrorWindowFixture.h"

#include <QApplication>
#include <QTest>

#include "platform/qt/Desktop.h"

namespace errwintest {

void ErrorWindowTest::SetUp() {
    TraceTest::SetUp();
    clock.start();
    trace::SetErrorHooks({&frmError::ShowReport, [this] {
                              ++ends;
                              endedAtMs = clock.elapsed();
                              throw ProgramEnded{};
                          }});
    qtplat::SetMsgBoxForTests([this](const std::string& prompt, int style, const std::string& title) {
        std::string vars;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* window = qobject_cast<frmError*>(w); window && window->isVisible())
                vars = window->DumpModuleVars();
        boxes.push_back({prompt, style, title, clock.elapsed(), vars});
        return qtplat::vbOK;
    });
    watchdog_.setSingleShot(true);
    watchdog_.setInterval(30000);
    QObject::connect(&watchdog_, &QTimer::timeout, &watchdog_, [] {
        ADD_FAILURE() << "a window was still open: closed by the watchdog";
        for (int i = 0; i < 16; ++i) {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal) break;
            modal->close();
        }
    });
}

void ErrorWindowTest::TearDown() {
    watchdog_.stop();
    qtplat::SetMsgBoxForTests({});
    trace::SetReportServerForTests(std::nullopt);
    TraceTest::TearDown();
}

void ErrorWindowTest::UseServer(const std::string& host, quint16 port, int connectLimitMs, int answerLimitMs) {
    trace::SetReportServerForTests(trace::ReportServer{host, port, connectLimitMs, answerLimitMs});
}

void ErrorWindowTest::Run(const std::function<void()>& show, const std::function<void(frmError&)>& script) {
    bool ran = false;
    QObject context;
    QTimer::singleShot(0, &context, [&] {
        frmError* window = nullptr;
        (void)QTest::qWaitFor(
            [&] {
                window = qobject_cast<frmError*>(QApplication::activeModalWidget());
                return window && window->isVisible();
            },
            5000);
        if (!window || !QTest::qWaitForWindowActive(window)) {
            ADD_FAILURE() << "the error window did not come up";
            return;
        }
        script(*window);
        ran = true;
    });
    watchdog_.start();
    ExpectEnds(show);
    watchdog_.stop();
    EXPECT_TRUE(ran);
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

void ErrorWindowTest::ShowAndRun(const std::string& report, const std::function<void(frmError&)>& script) {
    trace::ErrorMessage = report;
    Run([] { trace::ShowErrorMessageAndEnd(); }, script);
}

void ErrorWindowTest::FailAndRun(long number, const std::string& description,
                                 const std::function<void(frmError&)>& script) {
    Run([&] { trace::HandleTracedError(number, "modTest", "Broken", description, 0, "{None}", "{None}", ""); }, script);
}

void ErrorWindowTest::OnNextModal(const std::function<void(QWidget&)>& script) {
    QTimer::singleShot(0, qApp, [script] {
        QWidget* top = nullptr;
        (void)QTest::qWaitFor(
            [&] {
                top = QApplication::activeModalWidget();
                return top && !qobject_cast<frmError*>(top) && top->isVisible();
            },
            5000);
        if (!top || qobject_cast<frmError*>(top)) {
            ADD_FAILURE() << "no window came up over the error window";
            return;
        }
        script(*top);
    });
}

}  // namespace errwintest
