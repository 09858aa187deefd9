#include "engine/parallel.h"

#include <algorithm>

namespace strida {

int coreCount() {
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

ThreadPool::~ThreadPool() {
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : workers_) t.join();
}

void ThreadPool::run(std::size_t n, int threads, Chunk chunk, void* visit) {
    while (static_cast<int>(workers_.size()) < threads - 1) {
        const int thread = static_cast<int>(workers_.size()) + 1;
        workers_.emplace_back([this, thread] { work(thread); });
    }
    {
        const std::lock_guard lock(mutex_);
        chunk_ = chunk, visit_ = visit, n_ = n;
        next_.store(0, std::memory_order_relaxed);
        wanted_ = busy_ = threads - 1;
        ++generation_;
    }
    wake_.notify_all();
    drain(0);
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return busy_ == 0; });
}

void ThreadPool::work(int thread) {
    std::uint64_t seen = 0;
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return stop_ || (generation_ != seen && thread <= wanted_); });
            if (stop_) return;
            seen = generation_;
        }
        drain(thread);
        const std::lock_guard lock(mutex_);
        if (--busy_ == 0) done_.notify_one();
    }
}

void ThreadPool::drain(int thread) {
    for (;;) {
        const std::size_t begin = next_.fetch_add(kChunk, std::memory_order_relaxed);
        if (begin >= n_) return;
        chunk_(visit_, begin, std::min(begin + kChunk, n_), thread);
    }
}

}  // namespace strida
