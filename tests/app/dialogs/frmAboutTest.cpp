// The About window: its texts, its two links and the two test buttons, whose
// reports are caught by the fixture's error hooks instead of ending the
// process.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QWindow>
#include <cstdio>
#include <cstdlib>

#include "DialogTestSupport.h"
#include "app/dialogs/frmAbout.h"
#include "app/trace/Trace.h"
#include "platform/VbStrings.h"
#include "platform/qt/Desktop.h"

namespace {

using dialogtest::DialogTest;

class AboutWindow : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        LoadTexts(149, {55, 98, 100});
        qtplat::SetShellOpenForTests([this](const std::string& target) {
            opened.push_back(target);
            return false;  // nothing could open it
        });
    }
    void TearDown() override {
        qtplat::SetShellOpenForTests({});
        DialogTest::TearDown();
    }

    static std::string MajorMinor() {
        const trace::Version v = trace::ProgramVersion();
        return vb::CStr(v.major) + "." + vb::CStr(v.minor);
    }

    std::vector<std::string> opened;
};

TEST_F(AboutWindow, ShowsTheVersionAndItsTexts) {
    frmAbout dialog;
    EXPECT_EQ(dialog.lblVersionCap->text(), "Version:");
    EXPECT_EQ(dialog.cmdBack->text(), "Back");
    RunModal(dialog, [&] {
        EXPECT_EQ(dialog.windowTitle(), "T100");
        EXPECT_EQ(dialog.findChild<QLabel*>("lblVersionCap")->text(), "T55");
        EXPECT_EQ(dialog.findChild<QPushButton*>("cmdBack")->text(), "T98");
        // Major and minor as plain decimal numbers: 1.07 reads "1.7".
        EXPECT_EQ(dialog.findChild<QLabel*>("lblVersion")->text().toStdString(), MajorMinor());
        EXPECT_EQ(dialog.findChild<QPushButton*>("cmdTestError")->text(), "E");
        EXPECT_EQ(dialog.findChild<QPushButton*>("cmdTestException")->text(), "X");
        // The links sit in the frame the form calls "frmMain".
        QWidget* frame = dialog.findChild<QWidget*>("frmMain");
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(dialog.txtMail->parentWidget(), frame);
        EXPECT_EQ(dialog.txtSite->parentWidget(), frame);
        dialog.cmdBack->click();
    });
}

TEST_F(AboutWindow, TheLinksOpenMailAndTheSiteAndFailSilently) {
    frmAbout dialog;
    RunModal(dialog, [&] {
        QTest::mouseClick(dialog.txtMail, Qt::LeftButton);
        QTest::mouseClick(dialog.txtSite, Qt::LeftButton);
        QTest::mouseClick(dialog.txtSite, Qt::RightButton);  // only a left click opens
        EXPECT_TRUE(dialog.IsLoaded());
        dialog.close();  // the close box
    });
    EXPECT_EQ(opened, (std::vector<std::string>{
                          std::string("mailto:") + frmAbout::kSupportAddress,
                          std::string("https://") + frmAbout::kSiteHost + "/index.html?ref=quellonpm" + MajorMinor() +
                              "_pabout",
                      }));
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(shown.empty());
}

TEST_F(AboutWindow, EscDoesNothing) {
    frmAbout dialog;
    RunModal(dialog, [&] {
        QTest::keyClick(dialog.cmdBack, Qt::Key_Escape);
        EXPECT_TRUE(dialog.IsLoaded());
        QTest::keyClick(dialog.cmdBack, Qt::Key_Return);  // Enter on the focused button
        EXPECT_FALSE(dialog.IsLoaded());
    });
}

TEST_F(AboutWindow, TheTestButtonsEndInTheirReports) {
    // Called as their buttons call them; the fixture's error hooks catch the
    // end of the program.
    frmAbout dialog;
    ExpectEnds([&] { dialog.cmdTestError_Click(); });
    EXPECT_EQ(trace::ErrorMessage.rfind("Error Number: 11\r\n", 0), 0u) << trace::ErrorMessage;
    EXPECT_NE(trace::ErrorMessage.find("frmAbout.cmdTestError_Click"), std::string::npos);
    EXPECT_NE(trace::ErrorMessage.find("<LocalVariables>\r\n<x>0</x>\r\n<y>2</y>\r\n</LocalVariables>"),
              std::string::npos)
        << trace::ErrorMessage;

    trace::ResetReportingForTests();
    trace::FStack.ReDim(0, 0);
    ExpectEnds([&] { dialog.cmdTestException_Click(); });
    EXPECT_EQ(trace::ErrorMessage.rfind("Error Number: 10005\r\n", 0), 0u) << trace::ErrorMessage;
    EXPECT_NE(trace::ErrorMessage.find("Description: Access Violation\r\n"), std::string::npos);
    EXPECT_NE(trace::ErrorMessage.find("frmAbout.cmdTestException_Click"), std::string::npos);
    EXPECT_NE(trace::ErrorMessage.find("<zeltErrorSource>zeltExceptionFilter</zeltErrorSource>"), std::string::npos);
    EXPECT_EQ(shown.size(), 2u);
}

TEST_F(AboutWindow, ClickingATestButtonEndsTheProgramWithItsReport) {
    // The click itself, in a child process: the report goes to stderr and
    // the process ends, as the program does after its error window.
    const std::pair<const char*, const char*> buttons[] = {
        {"cmdTestError", "Error Number: 11"},
        {"cmdTestException", "Error Number: 10005.*Access Violation"},
    };
    for (const auto& [name, report] : buttons) {
        frmAbout dialog;
        auto* button = dialog.findChild<QPushButton*>(name);
        ASSERT_NE(button, nullptr) << name;
        EXPECT_EXIT(
            {
                trace::SetErrorHooks(
                    {[](const std::string& text) { std::fputs(text.c_str(), stderr); }, [] { std::_Exit(1); }});
                button->click();
            },
            testing::ExitedWithCode(1), report)
            << name;
    }
}

TEST_F(AboutWindow, StaysAnOrdinaryWindowWhateverOptionSixSays) {
    SetOption(6, "True");
    frmAbout dialog;
    RunModal(dialog, [&] {
        EXPECT_FALSE(dialog.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
        dialog.cmdBack->click();
    });
}

}  // namespace
