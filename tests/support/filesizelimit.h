#pragma once

#include <signal.h>
#include <sys/resource.h>

namespace quenby::test {

// Lowers the file-size limit while it lives, so that every write beyond
// `bytes` into any file fails as on a full disk (the signal that would end
// the process is ignored, and the write fails with EFBIG).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) : m_handler(::signal(SIGXFSZ, SIG_IGN)) {
        ::getrlimit(RLIMIT_FSIZE, &m_previous);
        const rlimit limit{bytes, m_previous.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_previous);
        ::signal(SIGXFSZ, m_handler);
    }

private:
    sighandler_t m_handler;
    rlimit m_previous{};
};

}  // namespace quenby::test
