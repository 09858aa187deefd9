// The benchmarks' corridor in the RVO2 library, to set our step time beside a well-known crowd
// simulator's: the same crowd as bench/corridor.h (6 m wide, lanes and columns at the density,
// half walking east and half west at 1.2 + 0.05 * (i % 7) m/s towards targets far beyond the
// ends), RVO2 agents of radius 0.3 m with neighbourDist 4 m, maxNeighbors 10, timeHorizon 2 s,
// timeHorizonObst 2 s, a step of 1/15 s and no obstacles. One warm-up step, then STEPS steps;
// each step sets every preferred velocity (towards the agent's target at its maximum speed) and
// calls doStep, and only that is timed.
//
// ms_per_step is the CPU time of this thread (CLOCK_THREAD_CPUTIME_ID), as Google Benchmark's CPU
// time that StepIndex reports; wall_ms_per_step is std::chrono::steady_clock. RVO2 is built
// without OpenMP, so the two agree on an idle core. mean_speed (m/s, along the walking direction,
// over the timed steps) tells how freely the crowd walked. One line per run:
//   rvo2 density=1.67 n=30000 steps=30 ms_per_step=... wall_ms_per_step=...
//        agent_updates_per_s=... ns_per_ped_step=... mean_speed=...
//
// Not part of the CMake build: tools/bench-compare.sh builds it against RVO2 (R: a folder with
// RVO2's source in src/ and its CMake build in build/), or by hand, as one command:
//   g++ -O3 -std=c++17 bench/rvo2_corridor.cpp -I$R/src/src -I$R/build/src -L$R/build/src
//       -Wl,-rpath,$R/build/src -lRVO -o rvo2_corridor
//   taskset -c 1 ./rvo2_corridor N [DENSITY [STEPS]]      (defaults 10000, 1.67, 30)
#include <RVO.h>
#include <time.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr double kWidth = 6.0;
constexpr float kStep = 1.0f / 15;

double threadSeconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

struct Crowd {
    RVO::RVOSimulator sim;
    std::vector<RVO::Vector2> targets;
    std::vector<float> speeds;
    std::vector<int> directions;  // +1 east, -1 west

    Crowd(int n, double density) : sim(kStep, 4.0f, 10, 2.0f, 2.0f, 0.3f, 1.2f) {
        const double spacing = std::sqrt(1 / density);
        const int lanes = static_cast<int>(kWidth / spacing);
        const int columns = (n + lanes - 1) / lanes;
        const double length = columns * spacing;
        for (int i = 0; i < n; ++i) {
            const int lane = i % lanes, column = i / lanes;
            const bool east = (lane + column) % 2 == 0;
            const float x = static_cast<float>((column + 0.5) * spacing);
            const float y = static_cast<float>((lane + 0.5) * spacing);
            const float speed = static_cast<float>(1.2 + 0.05 * (i % 7));
            sim.addAgent(RVO::Vector2(x, y), 4.0f, 10, 2.0f, 2.0f, 0.3f, speed,
                         RVO::Vector2(east ? speed : -speed, 0.0f));
            targets.emplace_back(east ? static_cast<float>(length + 5000) : -5000.0f, y);
            speeds.push_back(speed);
            directions.push_back(east ? 1 : -1);
        }
    }

    void step() {
        for (std::size_t i = 0; i < speeds.size(); ++i) {
            const RVO::Vector2 toTarget = targets[i] - sim.getAgentPosition(i);
            const float distance = RVO::abs(toTarget);
            sim.setAgentPrefVelocity(
                i, distance > 0 ? toTarget * (speeds[i] / distance) : RVO::Vector2());
        }
        sim.doStep();
    }

    double forwardSum() const {  // sum of x along each agent's walking direction
        double sum = 0;
        for (std::size_t i = 0; i < speeds.size(); ++i)
            sum += directions[i] * sim.getAgentPosition(i).x();
        return sum;
    }
};

}  // namespace

int main(int argc, char** argv) {
    const int n = argc > 1 ? std::atoi(argv[1]) : 10000;
    const double density = argc > 2 ? std::atof(argv[2]) : 1.67;
    const int steps = argc > 3 ? std::atoi(argv[3]) : 30;
    if (n < 1 || density <= 0 || steps < 1) {
        std::fprintf(stderr, "usage: %s [N [DENSITY [STEPS]]]\n", argv[0]);
        return 2;
    }
    Crowd crowd(n, density);
    crowd.step();  // warm-up: the first tree and neighbour lists
    const double before = crowd.forwardSum();

    const auto wall0 = std::chrono::steady_clock::now();
    const double cpu0 = threadSeconds();
    for (int s = 0; s < steps; ++s) crowd.step();
    const double cpu = threadSeconds() - cpu0;
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();

    const double meanSpeed = (crowd.forwardSum() - before) / n / (steps * kStep);
    std::printf(
        "rvo2 density=%.2f n=%d steps=%d ms_per_step=%.3f wall_ms_per_step=%.3f "
        "agent_updates_per_s=%.4g ns_per_ped_step=%.1f mean_speed=%.3f\n",
        density, n, steps, cpu / steps * 1e3, wall / steps * 1e3, n * steps / cpu,
        cpu / steps / n * 1e9, meanSpeed);
    return 0;
}
