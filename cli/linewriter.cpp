#include "cli/linewriter.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace quenby::cli {

LineWriter::LineWriter(std::FILE* stream, bool eachLineAtOnce)
    : m_stream(stream), m_immediate(eachLineAtOnce || ::isatty(::fileno(stream)) == 1) {
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
    errno = 0;
    std::fwrite(line.data(), 1, line.size(), m_stream);
    std::fputc('\n', m_stream);
    if (m_immediate) {
        FlushLocked();
    } else {
        m_pending = true;
        if (std::ferror(m_stream) != 0 && !m_failed.load()) {
            m_errorNumber.store(errno);
            m_failed.store(true);
        }
    }
}

bool LineWriter::Flush() {
    const std::lock_guard lock(m_mutex);
    return FlushLocked();
}

bool LineWriter::FlushLocked() {
    m_pending = false;
    errno = 0;
    if (std::fflush(m_stream) != 0 || std::ferror(m_stream) != 0) {
        if (!m_failed.load()) {
            m_errorNumber.store(errno);
            m_failed.store(true);
        }
        return false;
    }
    return true;
}

void LineWriter::FlushPeriodically(std::stop_token stop) {
    std::unique_lock lock(m_mutex);
    while (!stop.stop_requested()) {
        m_wake.wait_for(lock, stop, std::chrono::milliseconds(100), [] { return false; });
        if (m_pending) {
            FlushLocked();
        }
    }
}

}  // namespace quenby::cli
