#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string_view>
#include <thread>

namespace quenby::cli {

// Writes lines to a stream so that each reaches the reader within a tenth
// of a second, also while a long copy runs, without one system call per
// line when thousands arrive per second. On a terminal, or when asked for
// `eachLineAtOnce`, every line is handed to the system before Write returns,
// so a failed write is known before the program does anything further.
class LineWriter {
public:
    explicit LineWriter(std::FILE* stream, bool eachLineAtOnce = false);
    LineWriter(const LineWriter&) = delete;
    LineWriter& operator=(const LineWriter&) = delete;
    ~LineWriter();

    void Write(std::string_view line);
    // Writes out everything pending; false when the stream reports an error.
    bool Flush();
    // True once any write failed (stream closed, disk full, reader gone);
    // ErrorNumber then tells why, as an errno value.
    bool Failed() const { return m_failed.load(); }
    int ErrorNumber() const { return m_errorNumber.load(); }

private:
    void FlushPeriodically(std::stop_token stop);
    // Call with the mutex held.
    bool FlushLocked();

    std::FILE* m_stream;
    bool m_immediate;
    std::mutex m_mutex;
    std::condition_variable_any m_wake;
    bool m_pending = false;
    std::atomic<bool> m_failed{false};
    std::atomic<int> m_errorNumber{0};
    std::jthread m_flusher;
};

}  // namespace quenby::cli
