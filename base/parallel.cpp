#include "base/parallel.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace quenby {

unsigned DefaultHelperThreads() {
    constexpr unsigned kMostHelpers = 3;
    return std::clamp(std::thread::hardware_concurrency(), 1U, kMostHelpers);
}

void RunInParallel(std::size_t count, unsigned helpers,
                   const std::function<void(std::size_t index)>& task) {
    std::atomic<std::size_t> next{0};
    std::mutex failureMutex;
    std::exception_ptr failure;
    const auto work = [&] {
        for (std::size_t i = next++; i < count; i = next++) {
            try {
                task(i);
            } catch (...) {
                const std::lock_guard lock(failureMutex);
                if (!failure) {
                    failure = std::current_exception();
                }
                next = count;
            }
        }
    };
    std::vector<std::jthread> threads;
    const std::size_t started = std::min<std::size_t>(helpers, count > 0 ? count - 1 : 0);
    threads.reserve(started);
    for (std::size_t i = 0; i < started; ++i) {
        threads.emplace_back(work);
    }
    work();
    threads.clear();  // joins
    if (failure) {
        std::rethrow_exception(failure);
    }
}

}  // namespace quenby
