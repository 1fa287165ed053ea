#include "cli/progressdisplay.h"

#include <gtest/gtest.h>

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
    const auto elapsed = [&start] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    {
        ProgressDisplay display(terminal);
        display.ShowCollecting();
        for (std::int64_t done = 1; elapsed() < 0.3; ++done) {
            display.BeforeOutput();
            display.Update(done, 1'000'000'000, done);
        }
        display.Finish();
    }
    const double seconds = elapsed();
    std::rewind(terminal);
    std::string written;
    for (int c = std::fgetc(terminal); c != EOF; c = std::fgetc(terminal)) {
        written.push_back(static_cast<char>(c));
    }
    std::fclose(terminal);
    long draws = 0;
    for (auto at = written.find(" files, "); at != std::string::npos;
         at = written.find(" files, ", at + 1)) {
        ++draws;
    }
    EXPECT_GE(draws, 1);
    EXPECT_LE(draws, 1 + static_cast<long>(seconds * 20)) << seconds << " s";
}

}  // namespace
}  // namespace quenby::cli
