#include "app/core/modTimer.h"

#include <chrono>

#include "app/trace/Trace.h"

namespace modTimer {

std::string DumpModuleVars() { return "{None}"; }

double GetQueryPerf() {
    TRACE_MOD(modTimer, "GetQueryPerf");
    // The steady clock never jumps with the wall clock, like the performance
    // counter it stands in for.
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration<double>(now).count();
}

}  // namespace modTimer
