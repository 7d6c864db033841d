#pragma once
// What the core's benchmarks share: a window that draws nothing, and a
// reporter that keeps each benchmark's median time.
#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

#include "app/core/CoreView.h"

namespace corebench {

// Draws nothing, but each node's key is used.
class NoView : public SilentView {
public:
    void AddTreeNode(const std::string&, const TreeNode& node) override { benchmark::DoNotOptimize(node.key.data()); }
};

// Keeps the median time per iteration of each benchmark over its
// repetitions (the least disturbed by other work on the machine), by
// "<function>/<args>".
class MedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                times[run.run_name.function_name + "/" + run.run_name.args] = run.GetAdjustedRealTime();
    }
    std::map<std::string, double> times;
};

}  // namespace corebench
