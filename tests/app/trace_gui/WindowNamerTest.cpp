// The windows' namer, as the program installs it: a window handed to the
// core is dumped by its form's trace name or, for any other widget, its
// class name, on entry (the stack entry) as in the report.
#include <gtest/gtest.h>

#include <QDialog>
#include <QPushButton>
#include <string>

#include "app/trace/Trace.h"
#include "app/trace/windows/WindowNamer.h"

namespace namertest {
std::string DumpModuleVars() { return "{None}"; }

// The stack entry the trace line pushed.
std::string EntryFor(QWidget* hwnd) {
    TRACE_MOD(namertest, "EntryFor", TV_WIDGET(hwnd));
    return trace::FStack(1);
}
}  // namespace namertest

namespace {

class frmProbe : public QDialog, public trace::Traced {
public:
    const char* TraceName() const override { return "frmProbe"; }
};

class WindowNamerTest : public ::testing::Test {
protected:
    void SetUp() override {
        trace::ResetStack();
        trace::SetWindowNamer(&trace::WindowTypeName);
    }
    void TearDown() override {
        trace::SetWindowNamer(nullptr);
        trace::ResetStack();
    }
};

TEST_F(WindowNamerTest, FormsByTraceNameOtherWidgetsByClass) {
    frmProbe form;
    QPushButton button;
    QWidget plain;
    const struct {
        const QWidget* window;
        const char* want;
    } cases[] = {
        {nullptr, "<hwnd>{Nothing}</hwnd>\r\n"},
        {&form, "<hwnd>{frmProbe}</hwnd>\r\n"},
        {&button, "<hwnd>{QPushButton}</hwnd>\r\n"},
        {&plain, "<hwnd>{QWidget}</hwnd>\r\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(trace::DumpWindow("hwnd", c.window), c.want);
}

TEST_F(WindowNamerTest, TheStackEntryNamesTheWindow) {
    frmProbe form;
    EXPECT_EQ(namertest::EntryFor(&form),
              "Name: namertest.EntryFor, Type: 1, Parameters: <hwnd>{frmProbe}</hwnd>\r\n;-->");
    EXPECT_EQ(namertest::EntryFor(nullptr),
              "Name: namertest.EntryFor, Type: 1, Parameters: <hwnd>{Nothing}</hwnd>\r\n;-->");
}

}  // namespace
