#include "app/core/modTimer.h"

#include <chrono>

#include "app/trace/Trace.h"

namespace modTimer {

namespace {
std::function<double()> g_testClock;
}

std::string DumpModuleVars() { return "{None}"; }

void SetClockForTests(std::function<double()> clock) { g_testClock = std::move(clock); }

double GetQueryPerf() {
    TRACE_MOD(modTimer, "GetQueryPerf");
    if (g_testClock) return g_testClock();
    // The steady clock never jumps with the wall clock, like the performance
    // counter it stands in for.
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration<double>(now).count();
}

}  // namespace modTimer
