// quenby-sort onto real file systems that the test makes and mounts itself:
// one table of file systems, each run through the same checks. Needs root,
// loop devices and (for the FUSE drivers) /dev/fuse, as CI has.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <ostream>
#include <random>
#include <sstream>
#include <thread>

#include "platform/files/temporaryname.h"
#include "tests/support/runprogram.h"
#include "tests/support/tempfolder.h"

namespace quenby {
namespace {

using test::TempFolder;
using Files = std::map<std::string, std::string>;  // name → contents

struct FileSystemKind {
    const char* Name;
    const char* KernelType;  // must stand in /proc/filesystems
    const char* Make;        // shell command, "$DEV" is the loop device; empty: none
    const char* Mount;       // shell command with "$DEV" and "$DIR"
    int SizeMiB;
    bool IgnoresCase;
    bool KillTest;
};

const FileSystemKind kKinds[] = {
    {"ext4", "ext4", "mkfs.ext4 -q -F \"$DEV\"", "mount -t ext4 \"$DEV\" \"$DIR\"", 64, false,
     true},
    {"xfs", "xfs", "mkfs.xfs -q -f \"$DEV\"", "mount -t xfs \"$DEV\" \"$DIR\"", 320, false, false},
    {"btrfs", "btrfs", "mkfs.btrfs -q -f \"$DEV\"", "mount -t btrfs \"$DEV\" \"$DIR\"", 128, false,
     false},
    {"tmpfs", "tmpfs", "", "mount -t tmpfs -o size=64m quenby \"$DIR\"", 0, false, false},
    {"exFAT_fuse", "fuseblk", "mkfs.exfat \"$DEV\"", "mount.exfat-fuse \"$DEV\" \"$DIR\"", 64, true,
     true},
    {"FAT_fusefat", "fuse", "mkfs.vfat \"$DEV\"", "fusefat -o rw+ \"$DEV\" \"$DIR\"", 64, true,
     false},
    {"exFAT_kernel", "exfat", "mkfs.exfat \"$DEV\"", "mount -t exfat \"$DEV\" \"$DIR\"", 64, true,
     false},
    {"FAT_kernel", "vfat", "mkfs.vfat \"$DEV\"", "mount -t vfat \"$DEV\" \"$DIR\"", 64, true,
     false},
};

void PrintTo(const FileSystemKind& row, std::ostream* out) {
    *out << row.Name;
}

bool Shell(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

bool KernelKnows(const std::string& type) {
    std::ifstream list("/proc/filesystems");
    std::string line;
    while (std::getline(list, line)) {
        if (line.substr(line.find('\t') + 1) == type) {
            return true;
        }
    }
    return false;
}

// A file system on a loop device over an image file, mounted for one test
// and taken down again however the test ends.
class MountedFileSystem {
public:
    MountedFileSystem(const FileSystemKind& kind, const std::string& folder)
        : m_image(folder + "/fs.img"), m_dir(folder + "/mnt") {
        test::MakeFolders(m_dir);
        if (::geteuid() != 0) {
            m_skip = "mounting needs root";
        } else if (!KernelKnows(kind.KernelType)) {
            m_skip = std::string("the kernel offers no ") + kind.KernelType + " file system";
        } else if (std::string(kind.KernelType).starts_with("fuse") &&
                   ::access("/dev/fuse", R_OK | W_OK) != 0) {
            m_skip = "/dev/fuse is missing";
        }
        if (!m_skip.empty()) {
            return;
        }
        if (kind.SizeMiB > 0) {
            if (!Shell("truncate -s " + std::to_string(kind.SizeMiB) + "M '" + m_image + "'")) {
                m_error = "cannot make the image file";
                return;
            }
            m_device = test::RunProgram({"losetup", "-f", "--show", m_image}, folder).Out;
            if (!m_device.empty() && m_device.back() == '\n') {
                m_device.pop_back();
            }
            if (m_device.empty()) {
                m_skip = "no loop device can be set up";
                return;
            }
        }
        const auto fill = [&](const char* command) {
            return "DEV='" + m_device + "' DIR='" + m_dir + "'; " + command;
        };
        if (*kind.Make != '\0' && !Shell(fill(kind.Make))) {
            m_error = std::string("cannot make the file system: ") + kind.Make +
                      " (scripts/install-deps.sh test installs the tools)";
            return;
        }
        if (!Shell(fill(kind.Mount))) {
            m_error = std::string("cannot mount: ") + kind.Mount;
            return;
        }
        m_mounted = true;
    }
    MountedFileSystem(const MountedFileSystem&) = delete;
    MountedFileSystem& operator=(const MountedFileSystem&) = delete;
    ~MountedFileSystem() {
        if (m_mounted) {
            // A FUSE driver may still be writing back; a lazy unmount follows
            // only when the plain one is refused.
            for (int attempt = 0; attempt < 50 && !Shell("umount '" + m_dir + "'"); ++attempt) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
            Shell("umount -l '" + m_dir + "'");
        }
        if (!m_device.empty()) {
            Shell("losetup -d '" + m_device + "'");
        }
    }

    const std::string& Skip() const { return m_skip; }
    const std::string& Error() const { return m_error; }
    std::string operator/(const std::string& relative) const { return m_dir + "/" + relative; }

private:
    std::string m_image;
    std::string m_dir;
    std::string m_device;
    std::string m_skip;
    std::string m_error;
    bool m_mounted = false;
};

std::string RandomBytes(std::mt19937& generator, std::size_t size) {
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(generator());
    }
    return bytes;
}

// Writes the files of a card, all last written on 3 May 2014.
void MakeCard(const std::string& folder, const Files& files) {
    for (const auto& [name, contents] : files) {
        test::WriteFile(folder + "/" + name, contents);
        test::SetLocalMtime(folder + "/" + name, 2014, 5, 3, 14, 0);
    }
}

std::time_t Mtime(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mtime : 0;
}

std::size_t CountLines(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        count += line.find(part) != std::string::npos ? 1 : 0;
    }
    return count;
}

class FileSystemTest : public ::testing::TestWithParam<FileSystemKind> {
protected:
    void SetUp() override {
        m_mount = std::make_unique<MountedFileSystem>(GetParam(), m_tmp.Path());
        if (!m_mount->Skip().empty()) {
            GTEST_SKIP() << m_mount->Skip();
        }
        ASSERT_TRUE(m_mount->Error().empty()) << m_mount->Error();
    }
    void TearDown() override { m_mount.reset(); }

    test::ProgramResult Sort(std::vector<std::string> arguments) const {
        arguments.insert(arguments.begin(), {QUENBY_SORT_EXECUTABLE, "-q"});
        return test::RunProgram(arguments, m_tmp.Path());
    }

    // Every file in the day folder is one of `expected` with exactly its
    // contents, or (with `claimsAllowed`) an empty claim of a killed run
    // beside that run's temporary file; nothing else stands there.
    void ExpectOnlyWholeCopies(const std::string& day, const Files& expected,
                               bool claimsAllowed) const {
        const std::vector<std::string> names = test::ListFolder(day);
        for (const std::string& name : names) {
            if (claimsAllowed && platform::IsTemporaryName(name)) {
                continue;
            }
            const auto original = expected.find(name);
            ASSERT_NE(original, expected.end()) << "stray file " << name;
            const std::string contents = test::ReadFile(day + "/" + name);
            if (claimsAllowed && contents.empty() && !original->second.empty()) {
                bool claimed = false;
                for (const std::string& other : names) {
                    claimed = claimed || platform::TemporaryNameFor(other, name);
                }
                EXPECT_TRUE(claimed) << name << " is empty and no claim of ours";
                continue;
            }
            EXPECT_TRUE(contents == original->second) << name << " is not a whole copy";
        }
    }

    TempFolder m_tmp;
    std::unique_ptr<MountedFileSystem> m_mount;
};

TEST_P(FileSystemTest, CardsLandWholeAndNamesInUseExist) {
    std::mt19937 generator(7);
    const Files card = {{"IMG_0001.JPG", RandomBytes(generator, 1 << 20)},
                        {"IMG_0002.JPG", RandomBytes(generator, 300'000)},
                        {"MVI_0003.AVI", RandomBytes(generator, 2 << 20)}};
    MakeCard(*m_mount / "card/DCIM", card);
    const std::time_t written = Mtime(*m_mount / "card/DCIM/IMG_0001.JPG");
    const std::string photos = *m_mount / "photos";
    const std::string day = photos + "/2014-05-03";
    test::MakeFolders(photos);

    const test::ProgramResult first = Sort({"--delete", "-t", photos, *m_mount / "card"});
    EXPECT_EQ(first.ExitCode, 0) << first.Err;
    EXPECT_EQ(first.Err, "");
    EXPECT_EQ(CountLines(first.Out, "Copied file "), 3U) << first.Out;
    EXPECT_EQ(CountLines(first.Out, " was deleted from the Source Media"), 3U) << first.Out;
    EXPECT_TRUE(test::ListFolder(*m_mount / "card/DCIM").empty());
    ExpectOnlyWholeCopies(day, card, false);
    EXPECT_EQ(test::ListFolder(day).size(), 3U);
    for (const auto& [name, contents] : card) {
        EXPECT_EQ(Mtime(day + "/" + name), written) << name;
    }

    // A second card with the same names, one in other letters' case.
    Files second;
    for (const auto& [name, contents] : card) {
        second[name == "IMG_0002.JPG" ? "img_0002.jpg" : name] = "other " + contents;
    }
    MakeCard(*m_mount / "card2", second);
    const test::ProgramResult again = Sort({"--delete", "-t", photos, *m_mount / "card2"});
    EXPECT_EQ(again.ExitCode, 0) << again.Err;
    EXPECT_EQ(again.Err, "");
    Files expected = card;
    if (GetParam().IgnoresCase) {
        EXPECT_EQ(CountLines(again.Out, " exists"), 3U) << again.Out;
        EXPECT_EQ(test::ListFolder(*m_mount / "card2").size(), 3U);
    } else {
        EXPECT_EQ(CountLines(again.Out, " exists"), 2U) << again.Out;
        EXPECT_EQ(test::ListFolder(*m_mount / "card2").size(), 2U);
        expected["img_0002.jpg"] = second["img_0002.jpg"];
    }
    ExpectOnlyWholeCopies(day, expected, false);
    EXPECT_EQ(test::ListFolder(day).size(), expected.size());

    // Two runs at once into one target: each file is copied by one of
    // them and exists for the other; neither fails.
    Files many;
    for (int i = 0; i < 40; ++i) {
        many["P" + std::to_string(1000 + i) + ".JPG"] = RandomBytes(generator, 20'000);
    }
    MakeCard(m_tmp / "card3", many);
    const std::string together = *m_mount / "together";
    test::MakeFolders(together);
    const std::vector<std::string> arguments = {QUENBY_SORT_EXECUTABLE, "-q", "-t", together,
                                                m_tmp / "card3"};
    test::Program one(arguments, m_tmp / "one.out", m_tmp / "one.err");
    test::Program other(arguments, m_tmp / "other.out", m_tmp / "other.err");
    EXPECT_EQ(one.Wait(), 0) << test::ReadFile(m_tmp / "one.err");
    EXPECT_EQ(other.Wait(), 0) << test::ReadFile(m_tmp / "other.err");
    const std::string outputs =
        test::ReadFile(m_tmp / "one.out") + test::ReadFile(m_tmp / "other.out");
    EXPECT_EQ(CountLines(outputs, "Copied file "), many.size()) << outputs;
    EXPECT_EQ(CountLines(outputs, " exists"), many.size()) << outputs;
    ExpectOnlyWholeCopies(together + "/2014-05-03", many, false);
    EXPECT_EQ(test::ListFolder(together + "/2014-05-03").size(), many.size());
}

// Keeping both, with verified copies: a different photo whose name is
// taken (in other letters too, where the file system ignores their case)
// lands under the next free name through the same claim as any copy; an
// identical one exists and its source stays; every other source goes.
TEST_P(FileSystemTest, KeepingBothLandsEveryDifferentPhotoVerified) {
    std::mt19937 generator(11);
    const std::string photos = *m_mount / "photos";
    const std::string day = photos + "/2014-05-03";
    const Files there = {{"IMG_0001.JPG", RandomBytes(generator, 200'000)},
                         {"img_0002.jpg", RandomBytes(generator, 100'000)}};
    MakeCard(day, there);
    const Files card = {{"IMG_0001.JPG", there.at("IMG_0001.JPG")},
                        {"IMG_0002.JPG", RandomBytes(generator, 300'000)},
                        {"MVI_0003.AVI", RandomBytes(generator, 1 << 20)}};
    MakeCard(m_tmp / "card", card);

    const test::ProgramResult result =
        Sort({"--verify", "--delete", "--on-clash", "keep-both", "-t", photos, m_tmp / "card"});
    EXPECT_EQ(result.ExitCode, 0) << result.Err;
    EXPECT_EQ(result.Err, "");
    Files expected = there;
    expected[GetParam().IgnoresCase ? "IMG_0002-2.JPG" : "IMG_0002.JPG"] = card.at("IMG_0002.JPG");
    expected["MVI_0003.AVI"] = card.at("MVI_0003.AVI");
    // Read by name, as a file system that ignores case may show it in its own.
    for (const auto& [name, contents] : expected) {
        EXPECT_TRUE(test::ReadFile(day + "/" + name) == contents) << name;
    }
    EXPECT_EQ(test::ListFolder(day).size(), expected.size());
    EXPECT_EQ(test::ListFolder(m_tmp / "card"), std::vector<std::string>{"IMG_0001.JPG"});
}

// Killed at random moments of a run with deletion on: every source is still
// there or has its whole copy, no cut-short file stands under a final name,
// and the next run completes the work and clears what the killed ones left.
// Tried with the two ways of naming a copy that differ most in what a kill
// can leave: nothing (O_TMPFILE on ext4) and claims (FUSE exFAT).
class KilledRunTest : public FileSystemTest {};

std::vector<FileSystemKind> KindsForKilledRuns() {
    std::vector<FileSystemKind> kinds;
    for (const FileSystemKind& kind : kKinds) {
        if (kind.KillTest) {
            kinds.push_back(kind);
        }
    }
    return kinds;
}

TEST_P(KilledRunTest, LosesNothingAndTheNextRunCompletes) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 generator(seed);
    Files card;
    for (int i = 0; i < 60; ++i) {
        card["IMG_" + std::to_string(1000 + i) + ".JPG"] = RandomBytes(generator, 96 * 1024);
    }
    MakeCard(m_tmp / "card", card);
    const std::string photos = *m_mount / "photos";
    const std::string day = photos + "/2014-05-03";
    test::MakeFolders(photos);
    const std::vector<std::string> arguments = {
        QUENBY_SORT_EXECUTABLE, "-q", "--delete", "-t", photos, m_tmp / "card"};

    std::uniform_int_distribution<int> moment(20, 400);
    for (int kill = 0; kill < 8; ++kill) {
        {
            test::Program run(arguments, m_tmp / "run.out", m_tmp / "run.err");
            std::this_thread::sleep_for(std::chrono::milliseconds(moment(generator)));
            run.Signal(SIGKILL);
            run.Wait();
        }
        for (const auto& [name, contents] : card) {
            const std::string source = m_tmp / ("card/" + name);
            if (test::Exists(source)) {
                EXPECT_TRUE(test::ReadFile(source) == contents) << name;
            } else {
                EXPECT_TRUE(test::ReadFile(day + "/" + name) == contents)
                    << name << " is gone without its whole copy (kill " << kill << ")";
            }
        }
        ExpectOnlyWholeCopies(day, card, true);
    }
    const test::ProgramResult last = test::RunProgram(arguments, m_tmp.Path());
    EXPECT_EQ(last.ExitCode, 0) << last.Err;
    ExpectOnlyWholeCopies(day, card, false);
    EXPECT_EQ(test::ListFolder(day).size(), card.size());
}

std::string KindName(const ::testing::TestParamInfo<FileSystemKind>& info) {
    return info.param.Name;
}

INSTANTIATE_TEST_SUITE_P(Kinds, FileSystemTest, ::testing::ValuesIn(kKinds), KindName);
INSTANTIATE_TEST_SUITE_P(Kinds, KilledRunTest, ::testing::ValuesIn(KindsForKilledRuns()), KindName);

}  // namespace
}  // namespace quenby
