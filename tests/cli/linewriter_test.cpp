#include "cli/linewriter.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <string>

namespace quenby::cli {
namespace {

std::string ReadWithin(int fd, std::chrono::milliseconds limit) {
    std::string got;
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        pollfd poller{fd, POLLIN, 0};
        if (::poll(&poller, 1, 20) == 1) {
            char buffer[256];
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            got.append(buffer, static_cast<std::size_t>(n));
        }
    }
    return got;
}

TEST(LineWriterTest, ALineReachesAPipeSoonWithoutAnExplicitFlush) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    std::FILE* stream = ::fdopen(fds[1], "w");
    ASSERT_NE(stream, nullptr);
    {
        LineWriter writer(stream);
        writer.Write("Copied file a to b");
        // The writer is still alive and nobody flushed: the line must come
        // through all the same, as a long copy may follow it.
        EXPECT_EQ(ReadWithin(fds[0], std::chrono::milliseconds(1500)), "Copied file a to b\n");
        writer.Write("second");
        EXPECT_TRUE(writer.Flush());
        EXPECT_EQ(ReadWithin(fds[0], std::chrono::milliseconds(50)), "second\n");
    }
    std::fclose(stream);
    ::close(fds[0]);
}

}  // namespace
}  // namespace quenby::cli
