// The cost of the record tree and of find as a user's database grows: the
// whole tree built into a window that does nothing, and a search through
// every row (titles only, and every visible column). Both must grow linearly:
// 100,000 records may cost at most 12 times 10,000; the ratios are printed at
// the end.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "BenchSupport.h"
#include "app/HeapPolicy.h"
#include "app/core/CoreView.h"
#include "app/core/clsDatabase.h"
#include "app/core/modMainDisplay.h"
#include "app/core/modMainTree.h"

namespace {

// Draws nothing, but each node's key is used.
class NoView : public SilentView {
public:
    void AddTreeNode(const std::string&, const TreeNode& node) override { benchmark::DoNotOptimize(node.key.data()); }
};

void BM_BuildTree(benchmark::State& state) {
    clsDatabase& db = bench::Database(state.range(0));
    NoView view;
    for (auto _ : state) modMain::ShowUsDBInTreeView(db, view);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

// A search from row 1 that meets its only hit in the last row.
void Find(benchmark::State& state, const char* text, bool everywhere) {
    clsDatabase& db = bench::Database(state.range(0));
    for (auto _ : state) {
        std::int32_t start = 1;
        benchmark::DoNotOptimize(modMain::FindRecordInDB(text, 1, 4, start, db, everywhere, false));
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
void BM_FindTitles(benchmark::State& state) { Find(state, "needle", false); }
void BM_FindEverywhere(benchmark::State& state) { Find(state, "needle-pw", true); }

BENCHMARK(BM_BuildTree)->Apply(bench::Sizes);
BENCHMARK(BM_FindTitles)->Apply(bench::Sizes);
BENCHMARK(BM_FindEverywhere)->Apply(bench::Sizes);

}  // namespace

int main(int argc, char** argv) {
    // The heap as the program sets it up at start.
    heappolicy::KeepFreedMemory();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    bench::GrowthReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    reporter.PrintGrowth({"BM_BuildTree", "BM_FindTitles", "BM_FindEverywhere"});
    return 0;
}
