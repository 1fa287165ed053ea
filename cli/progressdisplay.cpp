#include "cli/progressdisplay.h"

#include <string>

namespace quenby::cli {

void ProgressDisplay::ShowCollecting() {
    std::fputs("\rCollecting files...", m_terminal);
    std::fflush(m_terminal);
    m_drawn = true;
}

void ProgressDisplay::Update(std::int64_t done, std::int64_t found, std::int64_t copied) {
    m_done = done;
    m_found = found;
    m_copied = copied;
    // A terminal cannot show thousands of redraws a second; a tenth of a
    // second is smooth enough and keeps the copy itself fast.
    const auto now = std::chrono::steady_clock::now();
    if (m_drawn && done != found && now - m_lastDraw < std::chrono::milliseconds(100)) {
        return;
    }
    m_lastDraw = now;
    Draw(done, found, copied);
}

void ProgressDisplay::Draw(std::int64_t done, std::int64_t found, std::int64_t copied) {
    constexpr int kWidth = 30;
    const int filled = found > 0 ? static_cast<int>(done * kWidth / found) : kWidth;
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(kWidth - filled), '.');
    std::fprintf(m_terminal, "\r\033[K[%s] %lld/%lld files, %lld copied", bar.c_str(),
                 static_cast<long long>(done), static_cast<long long>(found),
                 static_cast<long long>(copied));
    std::fflush(m_terminal);
    m_drawn = true;
}

void ProgressDisplay::BeforeOutput() {
    if (m_drawn) {
        std::fputs("\r\033[K", m_terminal);
        std::fflush(m_terminal);
        m_drawn = false;
    }
}

void ProgressDisplay::Finish() {
    BeforeOutput();
}

}  // namespace quenby::cli
