#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "TraceFixture.h"
#include "app/trace/Trace.h"
#include "platform/VbError.h"

namespace modTest {

std::int32_t Counter = 3;
std::string DumpModuleVars() { return trace::DumpVariable("Counter", Counter); }

std::string GetWindowsTemp() {
    TRACE_MOD(modTest, "GetWindowsTemp");
    return trace::FStack(trace::FStack.UBound());
}

void Inner(const std::string& Path, std::int32_t Count) {
    TRACE_MOD(modTest, "Inner", TV(Path), TV(Count));
    std::int32_t r = 1;
    TRACE_LOCAL(r);
    std::string t = "tmp";
    TRACE_LOCAL(t);
    Count = 9;  // the report shows the parameter's value at the error
    vb::Raise(vb::errFileNotFound);
}

void Outer(std::int32_t n) {
    TRACE_MOD(modTest, "Outer", TV(n));
    Inner("/x/y", n);
}

std::int32_t Depths[3];
void Nested() {
    TRACE_MOD(modTest, "Nested");
    Depths[1] = trace::FStack.UBound();
    (void)GetWindowsTemp();
    Depths[2] = trace::FStack.UBound();
}

int Attempts = 0;
void Unloader() {
    TRACE_MOD(modTest, "Unloader");
    if (++Attempts < 3) throw vb::VbError(402, "Must close or hide topmost modal form first");
}
// Repeats while error 402 comes back, as the lock's pass over the windows does.
void LockPass() {
    TRACE_MOD(modTest, "LockPass");
    for (;;) {
        try {
            Unloader();
            break;
        } catch (const vb::VbError& e) {
            if (e.Number() != 402) throw;
            trace_frame_.Recover();
        }
    }
}

// Handles an error of a callee without Recover (as code that only wants a
// fallback value might) and goes on.
bool Probe() {
    TRACE_MOD(modTest, "Probe");
    try {
        Inner("/probe", 1);
    } catch (const vb::VbError&) {
        return false;
    }
    return true;
}

void Later(std::int32_t Which) {
    TRACE_MOD(modTest, "Later", TV(Which));
    std::string state = "later";
    TRACE_LOCAL(state);
    vb::Raise(vb::errTypeMismatch);
}

// Saves on its way out, also while an error unwinds past it.
struct SaveOnExit {
    ~SaveOnExit() { (void)GetWindowsTemp(); }
};
void FailsWhileHolding(std::int32_t Level) {
    TRACE_MOD(modTest, "FailsWhileHolding", TV(Level));
    vb::Raise(vb::errFileNotFound);
}
void Holder() {
    TRACE_MOD(modTest, "Holder");
    SaveOnExit guard;
    FailsWhileHolding(2);
}

}  // namespace modTest

namespace {

using tracetest::ProgramEnded;
using tracetest::TraceTest;
using tracetest::TrayAndZelt;

class frmTest : public trace::Traced {
public:
    const char* TraceName() const override { return "frmTest"; }
    std::string DumpModuleVars() const override { return trace::DumpVariable("IsConnected", IsConnected); }

    void cmdGo_Click() try {
        TRACE("cmdGo_Click");
        modTest::Outer(4);
    }
    TRACE_BOUNDARY

    void cmdTwice_Click() try {
        TRACE("cmdTwice_Click");
        modTest::LockPass();
        vb::Raise(vb::errTypeMismatch);
    }
    TRACE_BOUNDARY

    bool IsConnected = false;
};

TEST_F(TraceTest, EntryTextAndBalancedStack) {
    EXPECT_EQ(modTest::GetWindowsTemp(), "Name: modTest.GetWindowsTemp, Type: 1, Parameters: ;-->");
    EXPECT_EQ(trace::FStack.UBound(), 0);
    EXPECT_EQ(trace::FStack.LBound(), 0);

    trace::PushStackEntry("frmMain.Form_Load", 1, "");
    modTest::Nested();
    EXPECT_EQ(modTest::Depths[1], 2);
    EXPECT_EQ(modTest::Depths[2], 2);
    EXPECT_EQ(trace::FStack.UBound(), 1);

    trace::PopStackEntry();
    EXPECT_EQ(trace::FStack.LBound(), 0);
    EXPECT_EQ(trace::FStack.UBound(), 0);
    trace::PopStackEntry();  // popping the empty stack keeps it empty
    EXPECT_EQ(trace::FStack.UBound(), 0);
    trace::PushStackEntry("modMain.Pt", 2, "<Path></Path>\r\n");
    EXPECT_EQ(trace::FStack.LBound(), 1);
    EXPECT_EQ(trace::FStack(1), "Name: modMain.Pt, Type: 2, Parameters: <Path></Path>\r\n;-->");
}

TEST_F(TraceTest, ReportOfAnEmptyStack) {
    trace::RegisterGlobals(trace::GlobalSection::ModMain, [] { return std::string("<CurUser></CurUser>\r\n"); });
    trace::SaveErrorInfo(5, "Invalid procedure call or argument", 0, "QuellonPasswordMngr");
    EXPECT_THROW(
        trace::HandleTracedError(5, "modMain", "Main", "Invalid procedure call or argument", 0, "{None}", "{None}", ""),
        ProgramEnded);
    EXPECT_EQ(trace::ErrorMessage,
              "Error Number: 5\r\n"
              "Component Name: QuellonPasswordMngr\r\n"
              "Module Name: modMain\r\n"
              "Block Name: Main\r\n"
              "Description: Invalid procedure call or argument\r\n"
              "Line Number: 0\r\n"
              "<Variables>\r\n"
              "<LocalVariables>\r\n"
              "{None}</LocalVariables>\r\n"
              "<ModuleVariables>\r\n"
              "{None}</ModuleVariables>\r\n"
              "<GlobalVariables>\r\n"
              "<CurUser></CurUser>\r\n" +
                  TrayAndZelt(5, "Invalid procedure call or argument", "QuellonPasswordMngr") +
                  "</GlobalVariables>\r\n"
                  "</Variables>\r\n"
                  "<Parameters>\r\n"
                  "</Parameters>\r\n"
                  "Stack Trace: Empty Stack\r\n"
                  "Version: 1.1.0");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], trace::ErrorMessage);
    EXPECT_EQ(ends, 1);
}

TEST_F(TraceTest, ReportOfANestedChainCapturesTheInnermostFrame) {
    trace::RegisterGlobals(trace::GlobalSection::ModMain, [] { return std::string("<CurUser>Bob</CurUser>\r\n"); });
    frmTest form;
    ExpectEnds([&] { form.cmdGo_Click(); });
    EXPECT_EQ(trace::ErrorMessage,
              "Error Number: 53\r\n"
              "Component Name: QuellonPasswordMngr\r\n"
              "Module Name: modTest\r\n"
              "Block Name: Inner\r\n"
              "Description: File not found\r\n"
              "Line Number: 0\r\n"
              "<Variables>\r\n"
              "<LocalVariables>\r\n"
              "<r>1</r>\r\n"
              "<t>tmp</t>\r\n"
              "</LocalVariables>\r\n"
              "<ModuleVariables>\r\n"
              "<Counter>3</Counter>\r\n"
              "</ModuleVariables>\r\n"
              "<GlobalVariables>\r\n"
              "<CurUser>Bob</CurUser>\r\n" +
                  TrayAndZelt(53, "File not found", "QuellonPasswordMngr") +
                  "</GlobalVariables>\r\n"
                  "</Variables>\r\n"
                  "<Parameters>\r\n"
                  "<Path>/x/y</Path>\r\n"
                  "<Count>9</Count>\r\n"
                  "</Parameters>\r\n"
                  "Stack Trace: Name: frmTest.cmdGo_Click, Type: 1, Parameters: ;-->\r\n"
                  "Name: modTest.Outer, Type: 1, Parameters: <n>4</n>\r\n"
                  ";-->\r\n"
                  "Name: modTest.Inner, Type: 1, Parameters: <Path>/x/y</Path>\r\n"
                  "<Count>4</Count>\r\n"
                  ";-->\r\n"
                  "\r\n"
                  "Version: 1.1.0");
    // The entries stay on the stack: the program ends with it as it was.
    EXPECT_EQ(trace::FStack.UBound(), 3);
}

TEST_F(TraceTest, ExpectedErrorsRecoverAndLaterErrorsReportTheirOwnProcedure) {
    modTest::Attempts = 0;
    frmTest form;
    ExpectEnds([&] { form.cmdTwice_Click(); });
    EXPECT_EQ(modTest::Attempts, 3);
    EXPECT_NE(trace::ErrorMessage.find("Error Number: 13\r\n"), std::string::npos);
    EXPECT_NE(trace::ErrorMessage.find("Module Name: frmTest\r\nBlock Name: cmdTwice_Click\r\n"), std::string::npos);
    EXPECT_NE(trace::ErrorMessage.find("<ModuleVariables>\r\n<IsConnected>False</IsConnected>\r\n"), std::string::npos);
    // Only the form's entry is left: the handled 402s left nothing behind.
    EXPECT_NE(trace::ErrorMessage.find("Stack Trace: Name: frmTest.cmdTwice_Click, Type: 1, Parameters: ;-->\r\n\r\n"),
              std::string::npos);
}

TEST_F(TraceTest, AnErrorHandledWithoutRecoverDoesNotStandInForALaterOne) {
    auto entryPoint = [] {
        try {
            TRACE_MOD(modTest, "Timer");
            EXPECT_FALSE(modTest::Probe());
            modTest::Later(7);
        }
        TRACE_BOUNDARY
    };
    ExpectEnds(entryPoint);
    const std::string& r = trace::ErrorMessage;
    EXPECT_NE(r.find("Error Number: 13\r\n"), std::string::npos) << r;
    EXPECT_NE(r.find("Module Name: modTest\r\nBlock Name: Later\r\n"), std::string::npos) << r;
    EXPECT_NE(r.find("<LocalVariables>\r\n<state>later</state>\r\n</LocalVariables>"), std::string::npos) << r;
    EXPECT_NE(r.find("<Parameters>\r\n<Which>7</Which>\r\n</Parameters>"), std::string::npos) << r;
    EXPECT_EQ(r.find("/probe"), r.rfind("/probe")) << "only in the stack text, if at all";
}

TEST_F(TraceTest, ACallMadeWhileAnErrorUnwindsKeepsTheErrorsCapture) {
    ExpectEnds([] {
        try {
            modTest::Holder();
        }
        TRACE_BOUNDARY
    });
    EXPECT_NE(trace::ErrorMessage.find("Block Name: FailsWhileHolding\r\n"), std::string::npos);
    EXPECT_NE(trace::ErrorMessage.find("<Parameters>\r\n<Level>2</Level>\r\n</Parameters>"), std::string::npos);
}

TEST_F(TraceTest, APreviousReportIsNestedAndASecondErrorEndsAtOnce) {
    trace::RegisterGlobals(trace::GlobalSection::ModMain, [] { return trace::DumpErrorMessageAndStack(); });
    frmTest form;
    std::string first;
    // The first report's window is up when the second error comes (a timer).
    trace::SetErrorHooks({[&](const std::string& r) {
                              shown.push_back(r);
                              first = r;
                              form.cmdGo_Click();
                          },
                          [&] {
                              ++ends;
                              throw ProgramEnded{};
                          }});
    EXPECT_THROW(form.cmdGo_Click(), ProgramEnded);
    ASSERT_EQ(shown.size(), 1u);  // no second window
    EXPECT_GE(ends, 1);
    EXPECT_NE(trace::ErrorMessage, first);
    EXPECT_NE(trace::ErrorMessage.find(trace::DumpVariable("ErrorMessage", first)), std::string::npos);
}

TEST_F(TraceTest, FailWithoutAFrameNamesTheGivenProcedure) {
    auto main = [] {
        try {
            throw std::runtime_error("boom");
        } catch (...) {
            trace::FailIn("modMain", "Main", [] { return std::string("<DbgFile>0</DbgFile>\r\n"); });
        }
    };
    ExpectEnds(main);
    EXPECT_NE(trace::ErrorMessage.find("Error Number: 5\r\nComponent Name: QuellonPasswordMngr\r\n"
                                       "Module Name: modMain\r\nBlock Name: Main\r\nDescription: boom\r\n"),
              std::string::npos);
    EXPECT_NE(trace::ErrorMessage.find("<LocalVariables>\r\n{None}</LocalVariables>\r\n<ModuleVariables>\r\n"
                                       "<DbgFile>0</DbgFile>\r\n</ModuleVariables>"),
              std::string::npos);
}

}  // namespace
