#include "cli/progressdisplay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

namespace quenby::cli {
namespace {

// A message line per file takes the bar away each time; it still comes back
// at most 20 times a second, however fast the files go by.
TEST(ProgressDisplayTest, RedrawsAtMostTwentyTimesASecond) {
    std::FILE* terminal = std::tmpfile();
    ASSERT_NE(terminal, nullptr);
    const auto start = std::chrono::steady_clock::now();
    {
        ProgressDisplay display(terminal);
        display.ShowCollecting();
        for (std::int64_t done = 1; done <= 200'000; ++done) {
            display.BeforeOutput();
            display.Update(done, 200'000, done);
        }
        display.Finish();
    }
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start);
    std::rewind(terminal);
    std::string written;
    for (int c = std::fgetc(terminal); c != EOF; c = std::fgetc(terminal)) {
        written.push_back(static_cast<char>(c));
    }
    std::fclose(terminal);
    const auto draws = std::count(written.begin(), written.end(), '[');
    EXPECT_GE(draws, 1);
    EXPECT_LE(draws, 2 + static_cast<long>(seconds.count() * 20)) << seconds.count() << " s";
}

}  // namespace
}  // namespace quenby::cli
