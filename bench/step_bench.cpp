// Step time of the engine at crowd scale: the corridor with N pedestrians, neighbours found by the
// grid or by the full scan, the measures on and the reports off; with "Instant.txt" on; and with
// a trajectory file, text or SQLite; the corridor packed at 4 persons per square metre; a crowd
// stacked on one spot, every pedestrian a neighbour of every other; and the two update orders, the
// simultaneous one on 1 and 2 threads.
//   build/strida_bench --benchmark_filter=Step
#include <benchmark/benchmark.h>

#include "corridor.h"

#define ITER 30
namespace strida::bench {
namespace {

void stepBench(benchmark::State& state, NeighbourSearch search, bool instant,
               std::vector<std::filesystem::path> trajectories = {},
               double density = Corridor::kDensity) {
    const int n = static_cast<int>(state.range(0));
    Corridor corridor(n, search, instant, std::move(trajectories), density);
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
// The same corridor packed at 4 persons per square metre, about 35 neighbours within reach each.
void StepIndexDense(benchmark::State& s) {
    stepBench(s, NeighbourSearch::Index, false, {}, 4.0);
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

// The two update orders side by side, in wall-clock time since the simultaneous step shares its
// pedestrians out over threads: arguments N and the thread count.
void orderBench(benchmark::State& state, const char* order) {
    const int n = static_cast<int>(state.range(0));
    Corridor corridor(n, NeighbourSearch::Index, false);
    corridor.settings.UpdateOrder = order;
    corridor.engine.setThreads(static_cast<int>(state.range(1)));
    corridor.engine.SimulationTick();
    for (auto _ : state) corridor.engine.SimulationTick();
    state.counters["agent-updates/s"] =
        benchmark::Counter(n, benchmark::Counter::kIsIterationInvariantRate);
}
void StepSequential(benchmark::State& s) {
    orderBench(s, "Sequential");
}
void StepSimultaneous(benchmark::State& s) {
    orderBench(s, "Simultaneous");
}

// N pedestrians on one spot walking to one target, half of each colour: each finds all the others
// as neighbours, at every step, for as long as they walk (they push each other no farther apart).
void stackedBench(benchmark::State& state, NeighbourSearch search) {
    const int n = static_cast<int>(state.range(0));
    const auto folder = std::filesystem::temp_directory_path() /
                        ("strida-bench-stacked-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    {
        Settings settings;
        settings.ManualGenerator = true;
        settings.ReportAvgInstantPerformance = Check::Unchecked;
        settings.ReportInstantPerformance = Check::Unchecked;
        HeadlessHost host;
        host.setArea(5000, 3000);
        host.setM2Twips(0.002);
        Engine engine(settings, host, folder, 5);
        engine.setAnimate(false);
        engine.setNeighbourSearch(search);
        for (int i = 0; i < n; ++i) {
            PedDef def;
            def.Px = 2, def.Py = 3, def.Ex = 5000, def.Ey = 3;
            def.MaxSpeed = 1.3;
            def.color = static_cast<std::uint8_t>(1 + i % 2);
            def.maxAcceleration = 1.44;
            engine.CreatePedestrian(def, MaxAcceleration::Definition);
        }
        engine.StartSimulation();
        for (auto _ : state) engine.SimulationTick();
        state.counters["agent-updates/s"] =
            benchmark::Counter(n, benchmark::Counter::kIsIterationInvariantRate);
        engine.StopSimulation();
    }
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
}

void StepIndexStacked(benchmark::State& s) {
    stackedBench(s, NeighbourSearch::Index);
}
void StepScanStacked(benchmark::State& s) {
    stackedBench(s, NeighbourSearch::Scan);
}

// A fixed number of steps from the packed corridor, so that every size is measured at the same
// density: 30 steps move the crowd about 2.6 m.
void sizes(benchmark::internal::Benchmark* b, int largest) {
    for (int n : {100, 1000, 10000, 30000})
        if (n <= largest) b->Arg(n);
    b->Iterations(30)->Unit(benchmark::kMillisecond);
}

BENCHMARK(StepIndex)->Apply([](auto* b) { sizes(b, 30000); });
BENCHMARK(StepIndexDense)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(30000)
    ->Iterations(ITER)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(StepScan)->Apply([](auto* b) { sizes(b, 30000); });
BENCHMARK(StepIndexInstantReport)->Apply([](auto* b) { sizes(b, 30000); });
BENCHMARK(StepScanInstantReport)->Apply([](auto* b) { sizes(b, 1000); });
BENCHMARK(StepIndexTrajectoriesText)->Apply([](auto* b) { sizes(b, 10000); });
BENCHMARK(StepIndexTrajectoriesSqlite)->Apply([](auto* b) { sizes(b, 10000); });
BENCHMARK(StepSequential)
    ->Args({10000, 1})
    ->Args({30000, 1})
    ->Iterations(ITER)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(StepSimultaneous)
    ->ArgsProduct({{10000, 30000}, {1, 2}})
    ->Iterations(ITER)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(StepIndexStacked)->Arg(1000)->Arg(4000)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(StepScanStacked)->Arg(1000)->Arg(4000)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace strida::bench

BENCHMARK_MAIN();
