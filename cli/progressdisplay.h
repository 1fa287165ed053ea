#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>

namespace quenby::cli {

// A one-line progress bar on a terminal, drawn at most 20 times a second.
// Lines written to the same terminal go above it: call BeforeOutput first,
// and the bar is drawn again at the next update that is due.
class ProgressDisplay {
public:
    static constexpr std::chrono::milliseconds kRedrawInterval{50};

    explicit ProgressDisplay(std::FILE* terminal) : m_terminal(terminal) {}

    void ShowCollecting();
    void Update(std::int64_t done, std::int64_t found, std::int64_t copied);
    void BeforeOutput();
    void Finish();

private:
    void Draw(std::int64_t done, std::int64_t found, std::int64_t copied);

    std::FILE* m_terminal;
    bool m_drawn = false;
    std::chrono::steady_clock::time_point m_lastDraw{};
    std::int64_t m_done = 0;
    std::int64_t m_found = 0;
    std::int64_t m_copied = 0;
};

}  // namespace quenby::cli
