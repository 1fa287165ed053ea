#include "cli/linewriter.h"

#include <unistd.h>

#include <chrono>

namespace quenby::cli {

LineWriter::LineWriter(std::FILE* stream)
    : m_stream(stream), m_immediate(::isatty(::fileno(stream)) == 1) {
    if (!m_immediate) {
        std::setvbuf(m_stream, nullptr, _IOFBF, 1 << 16);
        m_flusher = std::jthread([this](std::stop_token stop) { FlushPeriodically(stop); });
    }
}

LineWriter::~LineWriter() {
    if (m_flusher.joinable()) {
        m_flusher.request_stop();
        m_flusher.join();
    }
    Flush();
}

void LineWriter::Write(std::string_view line) {
    const std::lock_guard lock(m_mutex);
    std::fwrite(line.data(), 1, line.size(), m_stream);
    std::fputc('\n', m_stream);
    if (m_immediate) {
        std::fflush(m_stream);
    } else {
        m_pending = true;
    }
}

bool LineWriter::Flush() {
    const std::lock_guard lock(m_mutex);
    m_pending = false;
    return std::fflush(m_stream) == 0 && std::ferror(m_stream) == 0;
}

void LineWriter::FlushPeriodically(std::stop_token stop) {
    std::unique_lock lock(m_mutex);
    while (!stop.stop_requested()) {
        m_wake.wait_for(lock, stop, std::chrono::milliseconds(100), [] { return false; });
        if (m_pending) {
            m_pending = false;
            std::fflush(m_stream);
        }
    }
}

}  // namespace quenby::cli
