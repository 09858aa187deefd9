// Writing trajectory files at crowd scale: one frame of N walking pedestrians per iteration, as
// text (bytes per second) and into SQLite (rows per second), the last frames made complete by
// finish() inside the timing; and reading such a file back whole for a replay (10,000 pedestrians
// over 300 frames).
//   build/strida_bench --benchmark_filter=Trajectory
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "measure/trajectory_file.h"
#include "measure/trajectory_reader.h"

namespace strida::bench {
namespace {

// A crowd walking east through the 10 m x 6 m trap, some standing.
struct Crowd {
    std::vector<float> x, y;
    std::vector<double> vx, vy;

    explicit Crowd(int n) : x(n), y(n), vx(n), vy(n) {
        std::mt19937 random(7);
        std::uniform_real_distribution<float> along(0, 10), across(0, 6);
        std::normal_distribution<double> speed(1.34, 0.26), drift(0, 0.1);
        for (int i = 0; i < n; ++i) {
            x[i] = along(random), y[i] = across(random);
            vx[i] = i % 10 == 0 ? 0 : speed(random), vy[i] = i % 10 == 0 ? 0 : drift(random);
        }
    }
    void move(double dt) {
        for (std::size_t i = 0; i < x.size(); ++i) {
            x[i] = static_cast<float>(x[i] + vx[i] * dt);
            y[i] = static_cast<float>(y[i] + vy[i] * dt);
        }
    }
};

void writeFrames(benchmark::State& state, const char* extension) {
    const int n = static_cast<int>(state.range(0));
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() /
        ("strida-trajectory-bench-" + std::to_string(::getpid()) + extension);
    TrajectoryHeader header{15, "Strida", "bench", 1, 10, 6};
    std::string error;
    auto writer = openTrajectoryFile(file, header, error);
    if (!writer) {
        state.SkipWithError(error.c_str());
        return;
    }
    Crowd crowd(n);
    std::int64_t frame = 0;
    for (auto _ : state) {
        writer->beginFrame(frame);
        for (int i = 0; i < n; ++i)
            writer->row(i + 1, crowd.x[i], crowd.y[i], crowd.vx[i], crowd.vy[i]);
        writer->endFrame();
        if (++frame == static_cast<std::int64_t>(state.max_iterations)) writer->finish();
        crowd.move(1.0 / 15);
    }
    if (!writer->failure().empty()) state.SkipWithError(writer->failure().c_str());
    state.SetBytesProcessed(static_cast<std::int64_t>(std::filesystem::file_size(file)));
    state.counters["rows/s"] = benchmark::Counter(n, benchmark::Counter::kIsIterationInvariantRate);
    writer.reset();
    std::filesystem::remove(file);
}

void TrajectoryText(benchmark::State& s) {
    writeFrames(s, ".txt");
}
void TrajectorySqlite(benchmark::State& s) {
    writeFrames(s, ".sqlite");
}

// Reads a text file of n pedestrians over 300 frames, written once before the timing.
void TrajectoryTextRead(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() /
        ("strida-trajectory-read-bench-" + std::to_string(::getpid()) + ".txt");
    std::string error;
    {
        auto writer = openTrajectoryFile(file, {15, "Strida", "bench", 1, 10, 6}, error);
        Crowd crowd(n);
        for (int frame = 0; writer && frame < 300; ++frame) {
            writer->beginFrame(frame);
            for (int i = 0; i < n; ++i)
                writer->row(i + 1, crowd.x[i], crowd.y[i], crowd.vx[i], crowd.vy[i]);
            writer->endFrame();
            crowd.move(1.0 / 15);
        }
        if (!writer || !writer->finish()) state.SkipWithError(error.c_str());
    }
    for (auto _ : state) {
        std::optional<Trajectory> t = readTrajectoryText(file, error);
        if (!t) state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(t);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(std::filesystem::file_size(file)));
    state.counters["rows/s"] =
        benchmark::Counter(300.0 * n, benchmark::Counter::kIsIterationInvariantRate);
    std::filesystem::remove(file);
}

BENCHMARK(TrajectoryTextRead)
    ->Arg(10000)
    ->Iterations(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(TrajectoryText)
    ->Arg(10000)
    ->Iterations(300)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(TrajectorySqlite)
    ->Arg(10000)
    ->Iterations(150)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace strida::bench
