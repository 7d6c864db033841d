#pragma once
// The program's clock: seconds of a monotonic high-resolution counter.

#include <string>

namespace modTimer {

std::string DumpModuleVars();

// Seconds since an arbitrary fixed point, with sub-microsecond resolution.
// Only differences between two readings mean anything.
double GetQueryPerf();

}  // namespace modTimer
