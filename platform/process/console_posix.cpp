#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/process/console.h"

namespace quenby::platform {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

void UseUtf8Console() {}

bool SecureStandardStreams() {
    bool outputOpen = true;
    for (const int stream : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (::fcntl(stream, F_GETFD) != -1 || errno != EBADF) {
            continue;
        }
        if (stream == STDOUT_FILENO) {
            outputOpen = false;
        }
        // The lowest free number is the closed stream's own.
        const int fd = ::open("/dev/null", O_RDWR);
        if (fd >= 0 && fd != stream) {
            ::close(fd);
        }
    }
    return outputOpen;
}

}  // namespace quenby::platform
