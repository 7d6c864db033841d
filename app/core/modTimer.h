#pragma once
// The program's clock: seconds of a monotonic high-resolution counter.

#include <functional>
#include <string>

namespace modTimer {

std::string DumpModuleVars();

// Seconds since an arbitrary fixed point, with sub-microsecond resolution.
// Only differences between two readings mean anything.
double GetQueryPerf();

// Tests replace the clock; an empty function restores the real one.
void SetClockForTests(std::function<double()> clock);

}  // namespace modTimer
