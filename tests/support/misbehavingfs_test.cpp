// The misbehaving FUSE file system itself: each fault on a real mount.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <ostream>
#include <thread>

#include "tests/support/misbehavingmount.h"
#include "tests/support/tempfolder.h"

namespace quenby {
namespace {

using test::MisbehavingMount;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

const char* const kName = "IMG_0001.JPG";
constexpr int kSlowMs = 100;

// Reads `size` bytes at `offset` into `bytes`: what pread returned.
ssize_t ReadAt(int fd, off_t offset, std::size_t size, std::string& bytes) {
    bytes.assign(size, '\0');
    const ssize_t got = ::pread(fd, bytes.data(), size, offset);
    bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return got;
}

struct FaultRow {
    const char* Name;
    test::MisbehavingFaults Faults;
    // Proves the fault on the mounted kName, which holds `contents`.
    void (*Check)(MisbehavingMount& mount, const std::string& contents);
};

void PrintTo(const FaultRow& row, std::ostream* out) {
    *out << row.Name;
}

const FaultRow kRows[] = {
    {"ReportedSize",
     {.ReportedSize = {{kName, 100}}},
     [](MisbehavingMount& mount, const std::string& contents) {
         struct stat info {};
         ASSERT_EQ(::stat((mount / kName).c_str(), &info), 0);
         EXPECT_EQ(info.st_size, 100);
         EXPECT_TRUE(test::ReadFile(mount / kName) == contents);
     }},
    {"FailedReads",
     {.FailedReads = {{kName, 2}}},
     [](MisbehavingMount& mount, const std::string& contents) {
         const int fd = ::open((mount / kName).c_str(), O_RDONLY);
         ASSERT_GE(fd, 0);
         std::string bytes;
         for (int read = 0; read < 2; ++read) {
             EXPECT_EQ(ReadAt(fd, 0, 4096, bytes), -1);
             EXPECT_EQ(errno, EIO);
         }
         EXPECT_EQ(ReadAt(fd, 0, 4096, bytes), 4096);
         EXPECT_TRUE(bytes == contents.substr(0, 4096));
         ::close(fd);
     }},
    {"HeldRead",
     {.HeldReads = {kName}},
     [](MisbehavingMount& mount, const std::string& contents) {
         std::atomic<bool> done = false;
         std::string bytes;
         std::thread reader([&] {
             bytes = test::ReadFile(mount / kName);
             done = true;
         });
         EXPECT_TRUE(mount.WaitUntilHeld(kName, milliseconds(5000)));
         std::this_thread::sleep_for(milliseconds(100));
         EXPECT_FALSE(done);
         mount.Release(kName);
         reader.join();
         EXPECT_TRUE(bytes == contents);
     }},
    {"SlowReads",
     {.SlowReadMs = kSlowMs},
     [](MisbehavingMount& mount, const std::string&) {
         const int fd = ::open((mount / kName).c_str(), O_RDONLY);
         ASSERT_GE(fd, 0);
         std::string bytes;
         const Clock::time_point start = Clock::now();
         EXPECT_EQ(ReadAt(fd, 0, 4096, bytes), 4096);
         EXPECT_EQ(ReadAt(fd, 4096, 4096, bytes), 4096);
         EXPECT_GE(Clock::now() - start, milliseconds(2 * kSlowMs));
         ::close(fd);
     }},
    {"LazyUnmount",
     {},
     [](MisbehavingMount& mount, const std::string& contents) {
         const int fd = ::open((mount / kName).c_str(), O_RDONLY);
         ASSERT_GE(fd, 0);
         ASSERT_TRUE(mount.UnmountLazily());
         struct stat point {};
         struct stat below {};
         EXPECT_EQ(::stat(mount.MountPoint().c_str(), &point), 0);
         EXPECT_EQ(::stat((mount.MountPoint() + "/..").c_str(), &below), 0);
         EXPECT_EQ(point.st_dev, below.st_dev);
         EXPECT_TRUE(test::ListFolder(mount.MountPoint()).empty());
         std::string bytes;
         EXPECT_EQ(ReadAt(fd, 0, contents.size(), bytes), static_cast<ssize_t>(contents.size()));
         EXPECT_TRUE(bytes == contents);
         ::close(fd);
     }},
};

class MisbehavingFsTest : public ::testing::TestWithParam<FaultRow> {};

TEST_P(MisbehavingFsTest, FaultShowsOnARealMount) {
    test::TempFolder tmp;
    MisbehavingMount mount(tmp.Path(), GetParam().Faults);
    if (!mount.Skip().empty()) {
        GTEST_SKIP() << mount.Skip();
    }
    ASSERT_TRUE(mount.Error().empty()) << mount.Error();
    // Longer than one read request, so that reading to the end takes several.
    std::string contents(300'000, '\0');
    for (std::size_t i = 0; i < contents.size(); ++i) {
        contents[i] = static_cast<char>(i * 7 % 251);
    }
    test::WriteFile(mount.Backing(kName), contents);
    GetParam().Check(mount, contents);
}

INSTANTIATE_TEST_SUITE_P(Faults, MisbehavingFsTest, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<FaultRow>& info) {
                             return std::string(info.param.Name);
                         });

}  // namespace
}  // namespace quenby
