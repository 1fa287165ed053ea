#include "base/parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

namespace quenby {
namespace {

TEST(RunInParallelTest, EveryIndexRunsOnceAndAFailureReachesTheCaller) {
    for (const unsigned helpers : {0U, 1U, 3U}) {
        for (const std::size_t count : {std::size_t{0}, std::size_t{1}, std::size_t{500}}) {
            std::vector<std::atomic<int>> runs(count);
            RunInParallel(count, helpers, [&runs](std::size_t i) { ++runs[i]; });
            for (std::size_t i = 0; i < count; ++i) {
                EXPECT_EQ(runs[i].load(), 1) << helpers << " helpers, index " << i;
            }
        }
        std::atomic<int> started{0};
        // Each task takes a moment, as a folder's listing does: where
        // throwing is slow (under Wine), idle tasks would otherwise all be
        // done before the failure is known.
        EXPECT_THROW(RunInParallel(500, helpers,
                                   [&started](std::size_t i) {
                                       ++started;
                                       if (i == 3) {
                                           throw std::runtime_error("no");
                                       }
                                       std::this_thread::sleep_for(std::chrono::milliseconds(1));
                                   }),
                     std::runtime_error);
        EXPECT_LT(started.load(), 500) << "tasks after a failure are skipped";
    }
}

}  // namespace
}  // namespace quenby
