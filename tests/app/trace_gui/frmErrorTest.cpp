// The error window and the report window: their texts, the ways they close,
// and the error handler showing the window for a report.
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <thread>

#include "ErrorWindowFixture.h"
#include "app/trace/ExceptionFilter.h"
#include "app/trace/windows/frmErrorReport.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

namespace {

using errwintest::ErrorWindowTest;

const std::string kReport = "Error Number: 5\r\nDescription: a & b\r\n<x>\xE9</x>\r\nVersion: 1.1.0";

QString Text(const QWidget* w) {
    if (auto* label = qobject_cast<const QLabel*>(w)) return label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(w)) return button->text();
    return {};
}

TEST_F(ErrorWindowTest, ShowsTheFixedTextsAndNothingIsSentBeforeHelp) {
    ShowAndRun(kReport, [](frmError& w) {
        EXPECT_EQ(w.windowTitle(), "Unexpected Error");
        EXPECT_TRUE(w.isModal());
        const std::pair<const char*, const char*> texts[] = {
            {"lblErrorOccured",
             "Norvask Quellon Password Manager has encoutered a problem and needs to close. We are sorry for the "
             "inconvenience."},
            {"lblCreatedErrorReport",
             "We have created an error report that you can send to us. We will treat that report as confidential "
             "and anonymous."},
            {"lblHelpUs", "Please help us fix the problem."},
            {"lblToSeeData", "To see what data this error report contains,"},
            {"lblClickHere", "click here."},
            {"lblMightBeLost",
             "If you were in the middle of something, the information you were working on might be lost"},
            {"cmdSend", "Help"},
            {"cmdDontSend", "Don't Help"},
        };
        for (const auto& [name, text] : texts) {
            auto* control = w.findChild<QWidget*>(QString::fromLatin1(name));
            ASSERT_NE(control, nullptr) << name;
            EXPECT_TRUE(control->isVisible()) << name;
            EXPECT_EQ(Text(control), QString::fromLatin1(text)) << name;
        }
        for (const char* name : {"picCriticalError", "fraTopMainFrame", "fraTopInframe", "fraBotFrame"})
            EXPECT_NE(w.findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;
        EXPECT_FALSE(w.picCriticalError->pixmap().isNull());
        EXPECT_TRUE(w.cmdSend->isEnabled());
        EXPECT_EQ(w.Report(), kReport);
        EXPECT_EQ(w.DumpModuleVars(), "<IsConnected>False</IsConnected>\r\n");
        QTest::mouseClick(w.cmdDontSend, Qt::LeftButton);
    });
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ErrorWindowTest, OnlyTheWindowsOwnPathsCloseIt) {
    // Esc, a reject from code and the lock's pass over modal windows leave
    // it open; the close box ends the program, once.
    ShowAndRun(kReport, [](frmError& w) {
        QTest::keyClick(&w, Qt::Key_Escape);
        EXPECT_TRUE(w.isVisible());
        w.reject();
        w.accept();
        EXPECT_TRUE(w.isVisible());
        EXPECT_EQ(QApplication::activeModalWidget(), &w);
        w.close();  // the close box
        EXPECT_FALSE(w.isVisible());
    });
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ErrorWindowTest, TheReportWindowShowsTheReportAndReturnsToTheErrorWindow) {
    ShowAndRun(kReport, [](frmError& w) {
        for (int round = 0; round < 2; ++round) {
            OnNextModal([round](QWidget& top) {
                auto* report = qobject_cast<frmErrorReport*>(&top);
                ASSERT_NE(report, nullptr);
                EXPECT_EQ(report->windowTitle(), QStringLiteral("Отчет об ошибке"));
                EXPECT_EQ(report->lblReportDataCap->text(), QStringLiteral("Данные отчета об ошибке:"));
                EXPECT_EQ(report->lblPrivacy->text(),
                          QStringLiteral("Мы намеренно не собираем данные о Вашем адресе, имени, паролях, адресах "
                                         "эллектронной почты и другие подобные данные. Но они могут попасть в отчёт "
                                         "об ошибке. Здесь Вы можете увидеть все данные, которые будут отосланы и "
                                         "решить, посылать нам их или нет."));
                EXPECT_EQ(report->cmdBack->text(), QStringLiteral("Назад"));
                EXPECT_EQ(report->lblPrivacy->parentWidget(), report->fraPrivacyCap);
                // The report exactly, one line per CR LF, code-page bytes as
                // their characters; it cannot be edited.
                EXPECT_EQ(report->txtReportData->toPlainText(),
                          QStringLiteral("Error Number: 5\nDescription: a & b\n<x>\u00E9</x>\nVersion: 1.1.0"));
                EXPECT_TRUE(report->txtReportData->isReadOnly());
                if (round == 0)
                    QTest::mouseClick(report->cmdBack, Qt::LeftButton);
                else
                    report->close();  // its close box
            });
            QTest::mouseClick(w.lblClickHere, Qt::LeftButton);
            // Back at the error window, which is still open.
            EXPECT_EQ(QApplication::activeModalWidget(), &w);
            EXPECT_TRUE(w.isVisible());
        }
        QTest::mouseClick(w.cmdDontSend, Qt::LeftButton);
    });
}

TEST_F(ErrorWindowTest, TheErrorHandlerShowsTheReportItComposed) {
    FailAndRun(11, "Division by zero", [](frmError& w) {
        EXPECT_EQ(w.Report(), trace::ErrorMessage);
        EXPECT_EQ(w.Report().rfind("Error Number: 11\r\nComponent Name: QuellonPasswordMngr\r\nModule Name: modTest\r\n"
                                   "Block Name: Broken\r\nDescription: Division by zero\r\n",
                                   0),
                  0u);
        // The program's timers and commands see that a report is up.
        EXPECT_TRUE(trace::Reporting());
        w.close();
    });
}

TEST_F(ErrorWindowTest, TheReportOnlyStartShowsTheFaultReportInTheWindow) {
    qpmtest::TempDir dir;
    const std::string file = dir.file("crash-7.txt");
    qpmtest::WriteBytes(file, kReport);
    qpmtest::ScopedEnv env(trace::kCrashReportEnv, file);
    Run([] { trace::RunReportOnlyIfRequested(); },
        [](frmError& w) {
            EXPECT_EQ(w.Report(), kReport);
            QTest::mouseClick(w.cmdDontSend, Qt::LeftButton);
        });
}

TEST(ErrorWindowShow, OffTheWindowThreadTheReportGoesToStderr) {
    testing::internal::CaptureStderr();
    std::thread other([] { frmError::ShowReport("Error Number: 9"); });
    other.join();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error Number: 9\n");
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

}  // namespace
