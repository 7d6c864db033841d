#include <gtest/gtest.h>

#include "app/core/modTimer.h"
#include "app/trace/Trace.h"

TEST(modTimer, GetQueryPerfNeverRunsBackwardsAndLeavesTheStackAsItWas) {
    trace::ResetStack();
    double first = modTimer::GetQueryPerf();
    double second = modTimer::GetQueryPerf();
    EXPECT_GE(second, first);
    EXPECT_EQ(trace::FStack.UBound(), 0);
}
