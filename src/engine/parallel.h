// Work shared out over threads: a loop whose passes are independent of each other runs on as
// many threads as asked, each pass told which thread runs it (so that it can use room of that
// thread's own). Which thread takes which pass varies from run to run, so a pass must give the
// same result on any thread and nothing may add up across passes.
#pragma once

#include <cstddef>

namespace strida {

// The number of threads "all cores" means on this machine: at least 1.
int coreCount();

// Runs visit(i, thread) for every i below n, with thread in 0 .. threads - 1. Few passes, or one
// thread, run on the calling thread alone, in order.
template <typename Visit>
void parallelFor(std::size_t n, int threads, Visit&& visit);

namespace detail {
int threadNumber();
// Below this many passes, sharing them out costs more than it gains.
constexpr std::size_t kFewPasses = 256;
}  // namespace detail

template <typename Visit>
void parallelFor(std::size_t n, int threads, Visit&& visit) {
    if (threads <= 1 || n < detail::kFewPasses) {
        for (std::size_t i = 0; i < n; ++i) visit(i, 0);
        return;
    }
    const auto count = static_cast<std::ptrdiff_t>(n);
    // Small chunks taken as threads come free: a dense part of the crowd costs more per pass.
#pragma omp parallel for num_threads(threads) schedule(dynamic, 64)
    for (std::ptrdiff_t i = 0; i < count; ++i)
        visit(static_cast<std::size_t>(i), detail::threadNumber());
}

}  // namespace strida
