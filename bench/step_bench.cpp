// Step time of the engine at crowd scale: the corridor with N pedestrians, neighbours found by the
// grid or by the full scan, the measures on and the reports off; with "Instant.txt" on; and with
// a trajectory file, text or SQLite.
//   build/strida_bench --benchmark_filter=Step
#include <benchmark/benchmark.h>

#include "corridor.h"

namespace strida::bench {
namespace {

void stepBench(benchmark::State& state, NeighbourSearch search, bool instant,
               std::vector<std::filesystem::path> trajectories = {}) {
    const int n = static_cast<int>(state.range(0));
    Corridor corridor(n, search, instant, std::move(trajectories));
    corridor.engine.SimulationTick();  // the first step fills the caches
    const auto before = corridor.reportBytes();
    for (auto _ : state) corridor.engine.SimulationTick();
    state.counters["agent-updates/s"] =
        benchmark::Counter(n, benchmark::Counter::kIsIterationInvariantRate);
    if (instant) state.SetBytesProcessed(static_cast<int64_t>(corridor.reportBytes() - before));
    state.counters["in trap"] =
        static_cast<double>(std::stoi(corridor.engine.performance().TotalPed));
}

void StepIndex(benchmark::State& s) {
    stepBench(s, NeighbourSearch::Index, false);
}
void StepScan(benchmark::State& s) {
    stepBench(s, NeighbourSearch::Scan, false);
}
void StepIndexInstantReport(benchmark::State& s) {
    stepBench(s, NeighbourSearch::Index, true);
}
void StepScanInstantReport(benchmark::State& s) {
    stepBench(s, NeighbourSearch::Scan, true);
}
// With a trajectory file written at every step.
void StepIndexTrajectoriesText(benchmark::State& s) {
    stepBench(s, NeighbourSearch::Index, false, {"trajectories.txt"});
}
void StepIndexTrajectoriesSqlite(benchmark::State& s) {
    stepBench(s, NeighbourSearch::Index, false, {"trajectories.sqlite"});
}

// A fixed number of steps from the packed corridor, so that every size is measured at the same
// density: 30 steps move the crowd about 2.6 m.
void sizes(benchmark::internal::Benchmark* b, int largest) {
    for (int n : {100, 1000, 10000, 30000})
        if (n <= largest) b->Arg(n);
    b->Iterations(30)->Unit(benchmark::kMillisecond);
}

BENCHMARK(StepIndex)->Apply([](auto* b) { sizes(b, 30000); });
BENCHMARK(StepScan)->Apply([](auto* b) { sizes(b, 30000); });
BENCHMARK(StepIndexInstantReport)->Apply([](auto* b) { sizes(b, 30000); });
BENCHMARK(StepScanInstantReport)->Apply([](auto* b) { sizes(b, 1000); });
BENCHMARK(StepIndexTrajectoriesText)->Apply([](auto* b) { sizes(b, 10000); });
BENCHMARK(StepIndexTrajectoriesSqlite)->Apply([](auto* b) { sizes(b, 10000); });

}  // namespace
}  // namespace strida::bench

BENCHMARK_MAIN();
