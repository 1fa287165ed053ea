// quenby-sort onto real file systems that the test makes and mounts itself:
// one table of file systems, each run through the same checks. Needs root,
// loop devices and (for the FUSE drivers) /dev/fuse, as CI has.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <ostream>
#include <random>
#include <sstream>
#include <thread>

#include "platform/files/temporaryname.h"
#include "tests/support/envguard.h"
#include "tests/support/mediafixtures.h"
#include "tests/support/misbehavingmount.h"
#include "tests/support/runprogram.h"
#include "tests/support/tempfolder.h"

namespace quenby {
namespace {

using test::TempFolder;
using Files = std::map<std::string, std::string>;  // name → contents

// How a file system keeps the read-only attribute of a photo protected in
// the camera, so that the test can set it in the image.
enum class Attributes : std::uint8_t { None, Fat, ExFat };

struct FileSystemKind {
    const char* Name;
    const char* KernelType;  // must stand in /proc/filesystems
    const char* Make;        // shell command, "$DEV" is the loop device; empty: none
    const char* Mount;       // shell command with "$DEV" and "$DIR"
    int SizeMiB;
    bool IgnoresCase;  // and refuses names with ":" and the like
    bool KillTest;
    Attributes ReadOnly;
    bool HidesWriteProtection;  // the FUSE drivers show a protected photo as writable
};

const FileSystemKind kKinds[] = {
    {"ext4", "ext4", "mkfs.ext4 -q -F \"$DEV\"", "mount -t ext4 \"$DEV\" \"$DIR\"", 64, false, true,
     Attributes::None, false},
    {"xfs", "xfs", "mkfs.xfs -q -f \"$DEV\"", "mount -t xfs \"$DEV\" \"$DIR\"", 320, false, false,
     Attributes::None, false},
    {"btrfs", "btrfs", "mkfs.btrfs -q -f \"$DEV\"", "mount -t btrfs \"$DEV\" \"$DIR\"", 128, false,
     false, Attributes::None, false},
    {"tmpfs", "tmpfs", "", "mount -t tmpfs -o size=64m quenby \"$DIR\"", 0, false, false,
     Attributes::None, false},
    {"exFAT_fuse", "fuseblk", "mkfs.exfat \"$DEV\"", "mount.exfat-fuse \"$DEV\" \"$DIR\"", 64, true,
     true, Attributes::ExFat, true},
    {"FAT_fusefat", "fuse", "mkfs.vfat \"$DEV\"", "fusefat -o rw+ \"$DEV\" \"$DIR\"", 64, true,
     false, Attributes::Fat, true},
    {"exFAT_kernel", "exfat", "mkfs.exfat \"$DEV\"", "mount -t exfat \"$DEV\" \"$DIR\"", 64, true,
     false, Attributes::ExFat, false},
    {"FAT_kernel", "vfat", "mkfs.vfat \"$DEV\"", "mount -t vfat \"$DEV\" \"$DIR\"", 64, true, false,
     Attributes::Fat, false},
};

void PrintTo(const FileSystemKind& row, std::ostream* out) {
    *out << row.Name;
}

std::string Fill(std::string text, const std::string& key, const std::string& value) {
    for (std::size_t at = text.find(key); at != std::string::npos;
         at = text.find(key, at + value.size())) {
        text.replace(at, key.size(), value);
    }
    return text;
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
        m_mountCommand = Fill(kind.Mount);
        if (*kind.Make != '\0' && !Shell(Fill(kind.Make))) {
            m_error = std::string("cannot make the file system: ") + kind.Make +
                      " (scripts/install-deps.sh test installs the tools)";
            return;
        }
        if (!Mount()) {
            m_error = std::string("cannot mount: ") + kind.Mount;
        }
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
    const std::string& Device() const { return m_device; }

    // As a desktop does with a drive that was pulled out: the mount point
    // shows the folder below at once, and open files still reach the drive.
    bool UnmountLazily() {
        m_mounted = !Shell("umount -l '" + m_dir + "'");
        return !m_mounted;
    }
    bool Unmount() {
        m_mounted = !Shell("umount '" + m_dir + "'");
        return !m_mounted;
    }
    bool Mount() {
        m_mounted = Shell(m_mountCommand);
        return m_mounted;
    }

private:
    std::string Fill(const char* command) const {
        return "DEV='" + m_device + "' DIR='" + m_dir + "'; " + command;
    }

    std::string m_image;
    std::string m_dir;
    std::string m_device;
    std::string m_skip;
    std::string m_error;
    std::string m_mountCommand;
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
    // The FUSE drivers hide a photo's protection in the camera, and a run
    // that deletes says so.
    EXPECT_EQ(first.Err, GetParam().HidesWriteProtection
                             ? "quenby-sort: the drive of " + *m_mount / "card" +
                                   " is read through a FUSE driver that does not show photos "
                                   "protected in the camera: they are deleted like the others\n"
                             : "");
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
    // Each different photo whose name is taken stays, and says so.
    const test::ProgramResult again = Sort({"--delete", "-t", photos, *m_mount / "card2"});
    EXPECT_EQ(again.ExitCode, 1) << again.Err;
    Files expected = card;
    const std::size_t taken = GetParam().IgnoresCase ? 3 : 2;
    EXPECT_EQ(CountLines(again.Out, " exists"), taken) << again.Out;
    EXPECT_EQ(CountLines(again.Err,
                         ": a different file has its name in the target; "
                         "--on-clash keep-both keeps both"),
              taken)
        << again.Err;
    EXPECT_EQ(test::ListFolder(*m_mount / "card2").size(), taken);
    if (!GetParam().IgnoresCase) {
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

std::vector<FileSystemKind> KindsWhere(bool (*wanted)(const FileSystemKind&)) {
    std::vector<FileSystemKind> kinds;
    for (const FileSystemKind& kind : kKinds) {
        if (wanted(kind)) {
            kinds.push_back(kind);
        }
    }
    return kinds;
}

TEST_P(KilledRunTest, LosesNothingAndTheNextRunCompletes) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 generator(seed);
    // Remembering imported files too: nothing is remembered whose copy is
    // not whole in the target.
    for (const bool onlyNew : {false, true}) {
        SCOPED_TRACE(onlyNew ? "--only-new" : "plain");
        const test::EnvGuard data("XDG_DATA_HOME", m_tmp / "data");
        Files card;
        for (int i = 0; i < 60; ++i) {
            card["IMG_" + std::to_string(1000 + i) + ".JPG"] = RandomBytes(generator, 96 * 1024);
        }
        MakeCard(m_tmp / "card", card);
        const std::string photos = *m_mount / (onlyNew ? "remembered" : "photos");
        const std::string day = photos + "/2014-05-03";
        test::MakeFolders(photos);
        std::vector<std::string> arguments = {
            QUENBY_SORT_EXECUTABLE, "-q", "--delete", "-t", photos, m_tmp / "card"};
        if (onlyNew) {
            arguments.emplace_back("--only-new");
        }
        std::vector<std::string> asking = arguments;
        asking.emplace_back("--dry-run");

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
            if (onlyNew) {
                std::istringstream said(test::RunProgram(asking, m_tmp.Path()).Out);
                for (std::string line; std::getline(said, line);) {
                    const std::string prefix = "File " + (m_tmp / "card/");
                    if (line.starts_with(prefix) && line.ends_with(" was imported before")) {
                        const std::string name =
                            line.substr(prefix.size(), line.size() - prefix.size() - 20);
                        EXPECT_TRUE(test::ReadFile(day + "/" + name) == card[name])
                            << name << " is remembered without its whole copy";
                    }
                }
            }
        }
        const test::ProgramResult last = test::RunProgram(arguments, m_tmp.Path());
        EXPECT_EQ(last.ExitCode, 0) << last.Err;
        ExpectOnlyWholeCopies(day, card, false);
        EXPECT_EQ(test::ListFolder(day).size(), card.size());
    }
}

// Sets the FAT or exFAT read-only attribute of `name` in the root folder of
// an unmounted file system, as a camera protecting a photo does: in its
// folder entry, and for exFAT in the entry set's checksum too.
bool ProtectInImage(const std::string& device, Attributes kind, const std::string& name) {
    std::string image = test::ReadFile(device);
    std::string utf16;
    for (const char c : name) {
        utf16 += std::string{c, '\0'};
    }
    std::size_t at = image.find(kind == Attributes::Fat ? utf16.substr(0, 10) : utf16);
    if (at == std::string::npos) {
        return false;
    }
    std::size_t changed = 0;
    std::size_t length = 1;
    if (kind == Attributes::Fat) {
        // The long-name entry, then the short entry that holds the attribute.
        changed = at - 1 + 32 + 11;
        image[changed] = static_cast<char>(image[changed] | 1);
    } else {
        // File entry, stream extension, then the name entry holding the name.
        const std::size_t set = at - 2 - 64;
        const std::size_t size = (static_cast<unsigned char>(image[set + 1]) + 1U) * 32U;
        image[set + 4] = static_cast<char>(image[set + 4] | 1);
        std::uint16_t sum = 0;
        for (std::size_t i = 0; i < size; ++i) {
            if (i != 2 && i != 3) {
                sum = static_cast<std::uint16_t>(((sum & 1U) << 15 | sum >> 1) +
                                                 static_cast<unsigned char>(image[set + i]));
            }
        }
        image[set + 2] = static_cast<char>(sum & 0xFF);
        image[set + 3] = static_cast<char>(sum >> 8);
        changed = set;
        length = 5;
    }
    std::fstream out(device, std::ios::in | std::ios::out | std::ios::binary);
    out.seekp(static_cast<std::streamoff>(changed));
    out.write(image.data() + changed, static_cast<std::streamsize>(length));
    return static_cast<bool>(out.flush());
}

// What only the FAT family does: names it cannot hold fail before a byte of
// the photo is read, and a photo protected in the camera stays on the card,
// except where the driver hides the protection, which the run then says.
class FatFamilyTest : public FileSystemTest {};

TEST_P(FatFamilyTest, RefusedNamesFailAtOnceAndProtectedPhotosStay) {
    const std::vector<std::string> refused = {"a:b.jpg", "bad\xff.jpg", "q?.jpg"};
    test::MisbehavingFaults faults;
    faults.HeldReads = refused;
    const test::MisbehavingMount card(m_tmp / "card", faults);
    if (!card.Skip().empty()) {
        GTEST_SKIP() << card.Skip();
    }
    ASSERT_TRUE(card.Error().empty()) << card.Error();
    for (const std::string& name : refused) {
        MakeCard(card.Backing("DCIM"), {{name, std::string(1 << 20, 'p')}});
    }
    MakeCard(card.Backing("DCIM"), {{"ok.jpg", "ok"}});
    const std::string photos = *m_mount / "photos";
    test::MakeFolders(photos);
    // A copy that read the photo first would wait for its held read forever.
    const test::ProgramResult result = test::RunProgram(
        {"timeout", "-s", "KILL", "60", QUENBY_SORT_EXECUTABLE, "-q", "-t", photos, card / "DCIM"},
        m_tmp.Path());
    EXPECT_EQ(result.ExitCode, 1) << result.Err;
    for (const std::string& name : refused) {
        const std::string source = card / ("DCIM/" + name);
        const std::string target = photos + "/2014-05-03/" + name;
        EXPECT_FALSE(card.WaitUntilHeld(name, std::chrono::milliseconds(0))) << name;
        EXPECT_NE(result.Out.find("File " + source + " could not copied to " + target),
                  std::string::npos)
            << result.Out;
        EXPECT_NE(result.Err.find("cannot copy " + source + " to " + target +
                                  ": the target's file system cannot hold the name " + name + "\n"),
                  std::string::npos)
            << result.Err;
    }
    EXPECT_EQ(test::ListFolder(photos + "/2014-05-03"), std::vector<std::string>{"ok.jpg"});

    MakeCard(*m_mount / "cam", {{"PROT.JPG", "protected"}});
    ASSERT_TRUE(m_mount->Unmount());
    ASSERT_TRUE(ProtectInImage(m_mount->Device(), GetParam().ReadOnly, "PROT.JPG"));
    ASSERT_TRUE(m_mount->Mount());
    test::MakeFolders(m_tmp / "moved");
    const test::ProgramResult moved = test::RunProgram(
        {QUENBY_SORT_EXECUTABLE, "-q", "--delete", "-t", m_tmp / "moved", *m_mount / "cam"},
        m_tmp.Path());
    EXPECT_EQ(moved.ExitCode, 0) << moved.Err;
    EXPECT_EQ(test::ReadFile(m_tmp / "moved/2014-05-03/PROT.JPG"), "protected");
    if (GetParam().HidesWriteProtection) {
        EXPECT_NE(moved.Err.find(" is read through a FUSE driver that does not show photos "
                                 "protected in the camera"),
                  std::string::npos)
            << moved.Err;
    } else {
        EXPECT_EQ(moved.Err,
                  "quenby-sort: kept " + *m_mount / "cam/PROT.JPG" + ": it is write-protected\n");
        EXPECT_TRUE(test::Exists(*m_mount / "cam/PROT.JPG"));
    }
}

// Drives that go away or misreport, on a card read through the misbehaving
// file system and a target on a real ext4 drive: every source whose copy
// is not whole on the drive the run began with stays, and stderr says why.
enum class During : std::uint8_t { Nothing, UnmountTarget, PullCard, InterruptTwice };

struct DriveFault {
    const char* Name;
    test::MisbehavingFaults Faults;
    std::vector<std::string> Options;
    During Action;  // done while the first held read waits
    int ExitCode;
    // Parts of stderr; $S is the card's DCIM folder, $T the target.
    std::vector<std::string> Errors;
    // Copies that stand whole (day/name), read on the drive itself.
    std::vector<std::string> Whole;
    std::vector<std::string> Kept;  // sources left on the card
};

void PrintTo(const DriveFault& row, std::ostream* out) {
    *out << row.Name;
}

const std::string kBig(4 * 1024 * 1024, 'v');

const DriveFault kDriveFaults[] = {
    {"TargetUnmountedDuringTheRun",
     {.HeldReads = {"b.jpg"}},
     {},
     During::UnmountTarget,
     1,
     {"kept $S/b.jpg: the target folder $T is no longer the drive it was: stopped\n"},
     {"2014-05-03/a.jpg", "2014-05-04/b.jpg"},
     {"b.jpg", "c.mov"}},
    {"CardPulledItsMountPointLeftBehind",
     {.HeldReads = {"a.jpg"}},
     {},
     During::PullCard,
     1,
     {"cannot delete $S/a.jpg: No such file or directory\n",
      "cannot copy $S/b.jpg to $T/2014-05-04/b.jpg: it is no longer the file that was found "
      "there (was its drive removed?)\n"},
     {"2014-05-03/a.jpg"},
     {"a.jpg", "b.jpg", "c.mov"}},
    {"SizeSmallerThanItsContent",
     {.ReportedSize = {{"c.mov", 1000}}},
     {"--verify"},
     During::Nothing,
     1,
     {"kept $S/c.mov: 4194304 bytes were read, though its size reads 1000; its copy holds every "
      "byte read\n"},
     {"2014-05-03/a.jpg", "2014-05-04/b.jpg", "2014-05-05/c.mov"},
     {"c.mov"}},
    {"SizeLargerThanItsContent",
     {.ReportedSize = {{"c.mov", 5'000'000}}},
     {},
     During::Nothing,
     1,
     {"cannot copy $S/c.mov to $T/2014-05-05/c.mov: it ended after 4194304 bytes, though its "
      "size reads 5000000\n"},
     {"2014-05-03/a.jpg", "2014-05-04/b.jpg"},
     {"c.mov"}},
    {"CaptureDateUnreadable",
     {.FailedReads = {{"b.jpg", 1}}},
     {"--date-from", "capture"},
     During::Nothing,
     1,
     {"cannot read the capture date of $S/b.jpg: Input/output error; it goes by its last-write "
      "time and stays where it is\n"},
     {"2014-05-03/a.jpg", "2014-05-04/b.jpg", "2014-05-05/c.mov"},
     {"b.jpg"}},
    {"SecondInterruptGivesUpTheCopy",
     {.HeldReads = {"c.mov"}, .SlowReadMs = 40},
     {},
     During::InterruptTwice,
     130,
     {"cannot copy $S/c.mov to $T/2014-05-05/c.mov: stopped before the copy was complete\n"},
     {"2014-05-03/a.jpg", "2014-05-04/b.jpg"},
     {"c.mov"}},
};

class DriveFaultTest : public ::testing::TestWithParam<DriveFault> {};

TEST_P(DriveFaultTest, NoSourceGoesWithoutItsWholeCopyOnTheDrive) {
    const DriveFault& fault = GetParam();
    const TempFolder tmp;
    test::MisbehavingMount card(tmp / "card", fault.Faults);
    if (!card.Skip().empty()) {
        GTEST_SKIP() << card.Skip();
    }
    ASSERT_TRUE(card.Error().empty()) << card.Error();
    MountedFileSystem drive(kKinds[0], tmp.Path());
    if (!drive.Skip().empty()) {
        GTEST_SKIP() << drive.Skip();
    }
    ASSERT_TRUE(drive.Error().empty()) << drive.Error();
    const Files files = {{"a.jpg", std::string(200'000, 'a')},
                         {"b.jpg", test::Jpeg(test::Tiff("2014:05:10 10:00:00"))},
                         {"c.mov", kBig}};
    int day = 3;
    for (const auto& [name, contents] : files) {
        test::WriteFile(card.Backing("DCIM/" + name), contents);
        test::SetLocalMtime(card.Backing("DCIM/" + name), 2014, 5, day++, 14, 0);
    }
    const std::string target = drive / "photos";
    test::MakeFolders(target);
    std::vector<std::string> arguments = {QUENBY_SORT_EXECUTABLE, "-q", "--delete", "-m",
                                          "*.jpg;*.mov"};
    arguments.insert(arguments.end(), fault.Options.begin(), fault.Options.end());
    arguments.insert(arguments.end(), {"-t", target, card / "DCIM"});

    test::Program run(arguments, tmp / "out.txt", tmp / "err.txt");
    if (fault.Action != During::Nothing) {
        const std::string held = fault.Faults.HeldReads.front();
        ASSERT_TRUE(card.WaitUntilHeld(held, std::chrono::seconds(30)));
        if (fault.Action == During::UnmountTarget) {
            ASSERT_TRUE(drive.UnmountLazily());
        } else if (fault.Action == During::PullCard) {
            ASSERT_TRUE(card.UnmountLazily());
            test::WriteFile(card / "DCIM/b.jpg", "a stale file under the empty mount point");
        } else {
            run.Signal(SIGINT);
        }
        card.Release(held);
        if (fault.Action == During::InterruptTwice) {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            run.Signal(SIGINT);
        }
    }
    const auto began = std::chrono::steady_clock::now();
    EXPECT_EQ(run.Wait(), fault.ExitCode) << test::ReadFile(tmp / "err.txt");
    if (fault.Action == During::InterruptTwice) {
        // The rest of that copy would take seconds more.
        EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(2));
    }
    const std::string out = test::ReadFile(tmp / "out.txt");
    const std::string err = test::ReadFile(tmp / "err.txt");
    for (const std::string& part : fault.Errors) {
        const std::string expected =
            "quenby-sort: " + Fill(Fill(part, "$S", card / "DCIM"), "$T", target);
        EXPECT_NE(err.find(expected), std::string::npos) << expected << "\nin\n" << err;
    }
    if (fault.Action == During::UnmountTarget) {
        // Nothing was made in the mount point the drive left behind.
        EXPECT_TRUE(test::ListFolder(target).empty());
        ASSERT_TRUE(drive.Mount());
    }
    std::size_t whole = 0;
    for (const std::string& copy : fault.Whole) {
        const std::string name = copy.substr(copy.find('/') + 1);
        EXPECT_TRUE(test::ReadFile(target + "/" + copy) == files.at(name)) << copy;
        whole += 1;
    }
    std::size_t stored = 0;
    for (const std::string& folder : test::ListFolder(target)) {
        stored += test::ListFolder(target + "/" + folder).size();
    }
    EXPECT_EQ(stored, whole) << out;
    for (const auto& [name, contents] : files) {
        const bool kept = std::find(fault.Kept.begin(), fault.Kept.end(), name) != fault.Kept.end();
        EXPECT_EQ(test::Exists(card.Backing("DCIM/" + name)), kept) << name;
        EXPECT_EQ(out.find("File " + card / ("DCIM/" + name) + " was deleted") == std::string::npos,
                  kept)
            << out;
    }
}

// A source folder "/" would walk /proc and /sys: the system's interface
// file systems are left out, every other mount below a source is walked.
TEST(SourceFolderTest, TheSystemsOwnFileSystemsAreNotWalked) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "mounting needs root";
    }
    const TempFolder tmp;
    test::WriteFile(tmp / "root/photos/status", "a photo named like a kernel file");
    test::MakeFolders(tmp / "root/proc");
    test::MakeFolders(tmp / "root/card");
    ASSERT_TRUE(Shell("mount -t proc proc '" + tmp / "root/proc" + "'"));
    const bool card = Shell("mount -t tmpfs quenby '" + tmp / "root/card" + "'");
    test::WriteFile(tmp / "root/card/status", "a photo on a card mounted below");
    test::SetLocalMtime(tmp / "root/card/status", 2014, 5, 3, 14, 0);
    test::MakeFolders(tmp / "photos");
    const test::ProgramResult result = test::RunProgram(
        {QUENBY_SORT_EXECUTABLE, "-q", "-n", "-m", "status", "-t", tmp / "photos", tmp / "root"},
        tmp.Path());
    Shell("umount '" + tmp / "root/proc" + "'");
    if (card) {
        Shell("umount '" + tmp / "root/card" + "'");
    }
    EXPECT_EQ(result.ExitCode, 0) << result.Err;
    EXPECT_NE(result.Out.find("2 of 2 files would be copied\n"), std::string::npos)
        << result.Out.substr(result.Out.size() > 2000 ? result.Out.size() - 2000 : 0);
}

std::string KindName(const ::testing::TestParamInfo<FileSystemKind>& info) {
    return info.param.Name;
}

INSTANTIATE_TEST_SUITE_P(Kinds, FileSystemTest, ::testing::ValuesIn(kKinds), KindName);
INSTANTIATE_TEST_SUITE_P(Kinds, KilledRunTest,
                         ::testing::ValuesIn(KindsWhere([](const FileSystemKind& kind) {
                             return kind.KillTest;
                         })),
                         KindName);
INSTANTIATE_TEST_SUITE_P(Kinds, FatFamilyTest,
                         ::testing::ValuesIn(KindsWhere([](const FileSystemKind& kind) {
                             return kind.ReadOnly != Attributes::None;
                         })),
                         KindName);
INSTANTIATE_TEST_SUITE_P(Faults, DriveFaultTest, ::testing::ValuesIn(kDriveFaults),
                         [](const ::testing::TestParamInfo<DriveFault>& info) {
                             return std::string(info.param.Name);
                         });

}  // namespace
}  // namespace quenby
