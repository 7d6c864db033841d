// Help in the error window: the upload to a listener on 127.0.0.1, the
// server's answers and every way an attempt can fail.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "ErrorWindowFixture.h"
#include "LocalReportServer.h"
#include "app/trace/windows/frmErrorReport.h"
#include "platform/qt/Desktop.h"

namespace {

using errwintest::ErrorWindowTest;
using errwintest::LocalReportServer;

const std::string kReport = "Error Number: 5\r\na&b";
const std::string kFailed = "Information sending failed";
const int kFailedStyle = qtplat::vbOKOnly | qtplat::vbCritical;

class UploadTest : public ErrorWindowTest {
protected:
    // Shows the window for kReport and clicks Help once; `clickedAtMs` is
    // when.
    void ClickHelp(const std::function<void(frmError&)>& after = {}) {
        ShowAndRun(kReport, [&](frmError& w) {
            clickedAtMs = clock.elapsed();
            QTest::mouseClick(w.cmdSend, Qt::LeftButton);
            EXPECT_FALSE(w.cmdSend->isEnabled());
            if (after) after(w);
        });
    }
    void ExpectOneBox(const std::string& prompt, int style) {
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].prompt, prompt);
        EXPECT_EQ(boxes[0].style, style);
        EXPECT_EQ(boxes[0].title, "");  // the program's title
    }
    qint64 clickedAtMs = -1;
};

TEST_F(UploadTest, HelpPostsTheReportOnceAndThanksForAnAcceptedAnswer) {
    LocalReportServer server;
    UseServer("127.0.0.1", server.Port());
    ClickHelp([](frmError& w) {
        QTest::mouseClick(w.cmdSend, Qt::LeftButton);  // disabled: no second attempt
    });
    EXPECT_EQ(server.received.toStdString(),
              "POST /reports/quellonpm/autoreport.php HTTP/1.0\r\n"
              "Host: 127.0.0.1\r\n"
              "Content-Type: application/x-www-form-urlencoded\r\n"
              "Content-Length: 45\r\n"
              "\r\n"
              "Submit=1&msg=Error%20Number%3A%205%0D%0Aa%26b");
    EXPECT_EQ(server.connections, 1);
    ExpectOneBox("Thank you for your help!", qtplat::vbOKOnly);
    EXPECT_EQ(boxes[0].windowVars, "<IsConnected>True</IsConnected>\r\n");
}

TEST_F(UploadTest, AnAnswerThatIsNotASuccessIsReportedAsAFailedSending) {
    for (const char* answer : {"HTTP/1.0 500 Internal Server Error\r\n\r\n", "HTTP/1.1 404 Not Found\r\n\r\nThanks",
                               "Thank you for your help!\r\n"}) {
        SCOPED_TRACE(answer);
        LocalReportServer server(LocalReportServer::Mode::Answer, answer);
        UseServer("127.0.0.1", server.Port());
        boxes.clear();
        ends = 0;
        trace::ResetReportingForTests();
        ClickHelp();
        EXPECT_TRUE(server.requestComplete);
        ExpectOneBox(kFailed, kFailedStyle);
    }
}

TEST_F(UploadTest, AClosedConnectionOrAnEndlessLineIsAFailedSending) {
    // Closed before any answer.
    {
        LocalReportServer server(LocalReportServer::Mode::CloseWithoutAnswer);
        UseServer("127.0.0.1", server.Port());
        ClickHelp();
        EXPECT_TRUE(server.requestComplete);
        ExpectOneBox(kFailed, kFailedStyle);
    }
    // A line that never ends, on a connection that stays open: the reading
    // stops at its limit instead of waiting or buffering on.
    {
        LocalReportServer server(LocalReportServer::Mode::AnswerAndHold, QByteArray(256 * 1024, 'x'));
        UseServer("127.0.0.1", server.Port(), 10000, 20000);
        boxes.clear();
        ends = 0;
        trace::ResetReportingForTests();
        ClickHelp();
        ExpectOneBox(kFailed, kFailedStyle);
        EXPECT_LT(endedAtMs - clickedAtMs, 10000);
    }
}

TEST_F(UploadTest, AServerThatNeverAnswersEndsTheWaitAfterTheAnswerLimit) {
    LocalReportServer server(LocalReportServer::Mode::Silent);
    UseServer("127.0.0.1", server.Port(), 10000, 300);
    ClickHelp();
    EXPECT_TRUE(server.requestComplete);
    ExpectOneBox(kFailed, kFailedStyle);
    EXPECT_GT(boxes[0].atMs - clickedAtMs, 300);
}

TEST_F(UploadTest, ARefusedConnectionShowsTheFailureAndTheWindowStaysUntilTheConnectLimit) {
    UseServer("127.0.0.1", errwintest::RefusingPort(), 1000);
    ClickHelp();
    ExpectOneBox(kFailed, kFailedStyle);
    EXPECT_EQ(boxes[0].windowVars, "<IsConnected>False</IsConnected>\r\n");
    EXPECT_LT(boxes[0].atMs, endedAtMs);
    EXPECT_GT(endedAtMs - clickedAtMs, 1000);
}

TEST_F(UploadTest, WithoutAReportServerHelpFailsAndNothingIsSent) {
    UseServer("", 80, 200);
    ClickHelp();
    ExpectOneBox(kFailed, kFailedStyle);
    EXPECT_GT(endedAtMs - clickedAtMs, 200);
}

TEST_F(UploadTest, AConnectionThatNeverCompletesEndsTheProgramSilentlyAfterTheConnectLimit) {
    errwintest::StalledListener stalled;
    UseServer("127.0.0.1", stalled.Port(), 300);
    ClickHelp();
    EXPECT_TRUE(boxes.empty());
    EXPECT_GT(endedAtMs - clickedAtMs, 300);
}

TEST_F(UploadTest, TheConnectLimitAlsoClosesTheReportWindowOverTheErrorWindow) {
    errwintest::StalledListener stalled;
    UseServer("127.0.0.1", stalled.Port(), 300);
    bool reportWindowShown = false;
    ClickHelp([&](frmError& w) {
        OnNextModal([&](QWidget& top) { reportWindowShown = qobject_cast<frmErrorReport*>(&top) != nullptr; });
        // Returns once the end of the program closed the report window.
        QTest::mouseClick(w.lblClickHere, Qt::LeftButton);
    });
    EXPECT_TRUE(reportWindowShown);
    EXPECT_TRUE(boxes.empty());
    EXPECT_GT(endedAtMs - clickedAtMs, 300);
}

}  // namespace
