// Work shared out over threads: a loop whose passes are independent of each other runs on as
// many threads as asked, each pass told which thread runs it (so that it can use room of that
// thread's own). Which thread takes which pass varies from run to run, so a pass must give the
// same result on any thread, and nothing may add up across passes.
//
// The threads wait for work asleep, not spinning: between two shared loops a step does work of
// its own on one thread, and on a machine that is busy with other programs, spinning threads
// would take the cores that work needs.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace strida {

// The number of threads "all cores" means on this machine: at least 1.
int coreCount();

class ThreadPool {
  public:
    ThreadPool() = default;
    ~ThreadPool();
    ThreadPool(const ThreadPool&) = delete;
    ThreadPool& operator=(const ThreadPool&) = delete;

    // Runs visit(i, thread) for every i below n, with thread in 0 .. threads - 1; the calling
    // thread takes part as thread 0. Few passes, or one thread, run on the calling thread alone,
    // in order.
    template <typename Visit>
    void parallelFor(std::size_t n, int threads, Visit&& visit) {
        if (threads <= 1 || n < kFewPasses) {
            for (std::size_t i = 0; i < n; ++i) visit(i, 0);
            return;
        }
        auto chunk = [](void* v, std::size_t begin, std::size_t end, int thread) {
            for (std::size_t i = begin; i < end; ++i) (*static_cast<Visit*>(v))(i, thread);
        };
        run(n, threads, chunk, &visit);
    }

  private:
    using Chunk = void (*)(void*, std::size_t, std::size_t, int);
    // Below this many passes, sharing them out costs more than it gains.
    static constexpr std::size_t kFewPasses = 256;
    // Passes are taken in chunks as threads come free: a dense part of the crowd costs more.
    static constexpr std::size_t kChunk = 64;

    void run(std::size_t n, int threads, Chunk chunk, void* visit);
    void work(int thread);
    void drain(int thread);

    std::mutex mutex_;
    std::condition_variable wake_, done_;
    std::vector<std::thread> workers_;  // thread k + 1 of a loop
    std::uint64_t generation_ = 0;      // counts the loops handed out
    int wanted_ = 0;                    // workers taking part in the loop under way
    int busy_ = 0;                      // of them, still at work
    bool stop_ = false;
    Chunk chunk_ = nullptr;
    void* visit_ = nullptr;
    std::size_t n_ = 0;
    std::atomic<std::size_t> next_{0};
};

}  // namespace strida
