#pragma once

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string_view>
#include <thread>

namespace quenby::cli {

// Writes lines to a stream so that each reaches the reader within a tenth
// of a second, also while a long copy runs, without one system call per
// line when thousands arrive per second. On a terminal every line is
// written at once.
class LineWriter {
public:
    explicit LineWriter(std::FILE* stream);
    LineWriter(const LineWriter&) = delete;
    LineWriter& operator=(const LineWriter&) = delete;
    ~LineWriter();

    void Write(std::string_view line);
    // Writes out everything pending; false when the stream reports an error.
    bool Flush();

private:
    void FlushPeriodically(std::stop_token stop);

    std::FILE* m_stream;
    bool m_immediate;
    std::mutex m_mutex;
    std::condition_variable_any m_wake;
    bool m_pending = false;
    std::jthread m_flusher;
};

}  // namespace quenby::cli
