#pragma once
// Resets the trace's globals and replaces the error window and the program's
// end: `shown` collects the reports, and the end throws ProgramEnded so a
// test can look at the state the program would have ended in.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/trace/Trace.h"

namespace tracetest {

struct ProgramEnded {};

class TraceTest : public ::testing::Test {
protected:
    void SetUp() override {
        trace::FStack.ReDim(0, 0);
        trace::ErrorMessage.clear();
        trace::zeltErrorNumber = 0;
        trace::zeltErrorDescription.clear();
        trace::zeltErrorLine = 0;
        trace::zeltErrorSource.clear();
        trace::zeltHasInitialised = false;
        trace::ResetReportingForTests();
        trace::RegisterGlobals(trace::GlobalSection::ModMain, {});
        trace::RegisterGlobals(trace::GlobalSection::ModLang, {});
        trace::RegisterGlobals(trace::GlobalSection::ModTray, {});
        trace::SetErrorHooks({[this](const std::string& r) { shown.push_back(r); },
                              [this] {
                                  ++ends;
                                  throw ProgramEnded{};
                              }});
    }
    void TearDown() override {
        trace::SetErrorHooks({});
        trace::ResetReportingForTests();
        trace::FStack.ReDim(0, 0);
    }

    // Runs an entry point and expects it to end the program.
    template <typename F>
    void ExpectEnds(F&& entryPoint) {
        EXPECT_THROW(entryPoint(), ProgramEnded);
    }

    std::vector<std::string> shown;
    int ends = 0;
};

// The fixed part of the global dump that follows the registered sections.
inline std::string TrayAndZelt(long number, const std::string& description, const std::string& source,
                               bool initialised = false) {
    return "<TrayIcon>{NOTIFYICONDATA}</TrayIcon>"
           "<zeltComponentID></zeltComponentID>\r\n"
           "<zeltHasInitialised>" +
           std::string(initialised ? "True" : "False") +
           "</zeltHasInitialised>\r\n"
           "<zeltErrorNumber>" +
           std::to_string(number) +
           "</zeltErrorNumber>\r\n"
           "<zeltErrorDescription>" +
           description +
           "</zeltErrorDescription>\r\n"
           "<zeltErrorLine>0</zeltErrorLine>\r\n"
           "<zeltErrorSource>" +
           source + "</zeltErrorSource>\r\n";
}

}  // namespace tracetest
