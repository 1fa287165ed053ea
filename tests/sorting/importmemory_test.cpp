// The memory of imported photos on real databases in a fresh folder: what it
// remembers, what makes it unusable, and two runs writing into it at once.
#include "sorting/importmemory.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/files/realpath.h"
#include "tests/support/childprocess.h"
#include "tests/support/envguard.h"
#include "tests/support/filesizelimit.h"
#include "tests/support/tempfolder.h"

namespace quenby {
namespace {

using test::TempFolder;

// 3 May 2014, 14:00 UTC, as a scan gives a last-write time.
constexpr std::uint64_t kMay2014 = 130435992000000000;

std::string Real(const std::string& path) {
    std::string real;
    EXPECT_TRUE(platform::RealPath(path, real)) << path;
    return real;
}

std::string Photo(int number) {
    return "IMG_" + std::to_string(10000 + number) + ".JPG";
}

std::string CopyOf(int number) {
    return "2014-05-03/" + Photo(number);
}

using test::FileSizeLimit;

// A tmpfs of 256 KiB that anyone may write to, mounted for one test.
class SmallDisk {
public:
    explicit SmallDisk(const std::string& folder) : m_folder(folder) {
        if (::mount("quenby", folder.c_str(), "tmpfs", 0, "size=256k,mode=0777") != 0) {
            m_skip = std::string("no tmpfs can be mounted here: ") + std::strerror(errno);
        }
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    ~SmallDisk() {
        if (m_skip.empty()) {
            ::umount2(m_folder.c_str(), MNT_DETACH);
        }
    }

    const std::string& Skip() const { return m_skip; }
    void Fill() const {
        std::ofstream filler(m_folder + "/filler", std::ios::binary);
        const std::string block(4096, 'x');
        while (filler.write(block.data(), block.size())) {
        }
    }

private:
    std::string m_folder;
    std::string m_skip;
};

TEST(ImportMemoryTest, RemembersEachCopyUntilItsTargetIsForgotten) {
    const TempFolder tmp;
    test::MakeFolders(tmp / "Photos");
    test::MakeFolders(tmp / "Other");
    ASSERT_EQ(::symlink("Photos", (tmp / "Library").c_str()), 0);
    const std::string photos = Real(tmp / "Photos");
    const std::string other = Real(tmp / "Other");
    // A target reached through a link finds the same records.
    EXPECT_EQ(Real(tmp / "Library"), photos);
    const std::string path = tmp / "memory/imported.sqlite";
    {
        ImportMemory memory = ImportMemory::Open(path);
        memory.Record(photos, "IMG_0001.JPG", 4000, kMay2014, "2014-05-03/IMG_0001.JPG");
        memory.Record(photos, "IMG_0002.JPG", 5000, kMay2014, "2014-05-03/IMG_0002.JPG");
        memory.Record(other, "IMG_0001.JPG", 4000, kMay2014 + 1, "2014/IMG_0001.JPG");
        EXPECT_EQ(memory.ImportedCopy(photos, "IMG_0001.JPG", 4000, kMay2014), std::nullopt)
            << "before the commit";
        memory.Commit();
        // Imported once more: the newer copy is remembered, in place of the first.
        memory.Record(photos, "IMG_0002.JPG", 5000, kMay2014, "2014-05-03/IMG_0002_1.JPG");
        memory.Commit();
    }

    ImportMemory memory = ImportMemory::Open(path);
    struct Lookup {
        const std::string& Target;
        const char* Name;
        std::uint64_t Size;
        std::uint64_t LastWriteTime;
        std::optional<std::string> Copy;
    };
    const Lookup lookups[] = {
        {photos, "IMG_0001.JPG", 4000, kMay2014, "2014-05-03/IMG_0001.JPG"},
        {photos, "IMG_0002.JPG", 5000, kMay2014, "2014-05-03/IMG_0002_1.JPG"},
        {photos, "IMG_0001.JPG", 4001, kMay2014, std::nullopt},
        {photos, "IMG_0001.JPG", 4000, kMay2014 + 1, std::nullopt},
        {photos, "IMG_0003.JPG", 4000, kMay2014, std::nullopt},
        {other, "IMG_0001.JPG", 4000, kMay2014, std::nullopt},
        {other, "IMG_0001.JPG", 4000, kMay2014 + 1, "2014/IMG_0001.JPG"},
    };
    for (const Lookup& lookup : lookups) {
        EXPECT_EQ(
            memory.ImportedCopy(lookup.Target, lookup.Name, lookup.Size, lookup.LastWriteTime),
            lookup.Copy)
            << lookup.Target << " " << lookup.Name << " " << lookup.Size << " "
            << lookup.LastWriteTime;
    }
    EXPECT_EQ(memory.Forget(photos), 2);
    EXPECT_EQ(memory.ImportedCopy(photos, "IMG_0001.JPG", 4000, kMay2014), std::nullopt);
    EXPECT_EQ(memory.ImportedCopy(other, "IMG_0001.JPG", 4000, kMay2014 + 1), "2014/IMG_0001.JPG");

    // A commit that cannot write records nothing of its batch and keeps the
    // batch for another try.
    for (int number = 0; number < 2000; ++number) {
        memory.Record(photos, Photo(number), number, kMay2014, CopyOf(number));
    }
    {
        const FileSizeLimit limit(64 * 1024);
        EXPECT_THROW(memory.Commit(), ImportMemoryError);
    }
    EXPECT_EQ(memory.Queued(), 2000U);
    EXPECT_EQ(memory.ImportedCopy(photos, Photo(0), 0, kMay2014), std::nullopt);
    memory.Commit();
    EXPECT_EQ(memory.ImportedCopy(photos, Photo(1999), 1999, kMay2014), CopyOf(1999));
    EXPECT_EQ(memory.Forget(photos), 2000);
}

TEST(ImportMemoryTest, AnUnusableMemoryIsNamedWithWhatToDo) {
    const TempFolder tmp;
    ASSERT_EQ(::chmod(tmp.Path().c_str(), 0755), 0);
    test::MakeFolders(tmp / "said");
    ASSERT_EQ(::chmod((tmp / "said").c_str(), 0777), 0);
    std::optional<SmallDisk> disk;
    std::string skipped;
    const auto recorded = [](const std::string& path) {
        ImportMemory memory = ImportMemory::Open(path);
        memory.Record("/Photos", "IMG_0001.JPG", 4000, kMay2014, "2014-05-03/IMG_0001.JPG");
        memory.Commit();
        return path;
    };
    struct Unusable {
        const char* Name;
        const char* Says;
        // Spoils a memory in the folder and returns its path; empty when
        // this machine cannot.
        std::function<std::string(const std::string& folder)> Make;
    };
    const Unusable rows[] = {
        {"damaged", "is not a database (damaged?): move it away",
         [](const std::string& folder) {
             // A photo saved under its name.
             test::WriteFile(folder + "/imported.sqlite",
                             "\xff\xd8\xff\xe0" + std::string(8188, 'x'));
             return folder + "/imported.sqlite";
         }},
        {"folder", "is a folder: move it away",
         [](const std::string& folder) {
             test::MakeFolders(folder + "/imported.sqlite");
             return folder + "/imported.sqlite";
         }},
        {"read-only file", "cannot be written",
         [&](const std::string& folder) {
             const std::string path = recorded(folder + "/imported.sqlite");
             ::chmod(path.c_str(), 0444);
             return path;
         }},
        {"read-only folder", "cannot be written",
         [&](const std::string& folder) {
             const std::string path = recorded(folder + "/imported.sqlite");
             ::chmod(path.c_str(), 0666);
             ::chmod(folder.c_str(), 0555);
             return path;
         }},
        {"newer", "was written by a newer Quenby",
         [](const std::string& folder) {
             const std::string path = folder + "/imported.sqlite";
             sqlite3* db = nullptr;
             EXPECT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
             EXPECT_EQ(sqlite3_exec(db, "PRAGMA user_version = 2", nullptr, nullptr, nullptr),
                       SQLITE_OK);
             sqlite3_close(db);
             ::chmod(path.c_str(), 0666);
             return path;
         }},
        {"full disk", "there is no room left",
         [&](const std::string& folder) {
             disk.emplace(folder);
             skipped = disk->Skip();
             if (!skipped.empty()) {
                 return std::string();
             }
             disk->Fill();
             return folder + "/imported.sqlite";
         }},
    };
    for (const Unusable& row : rows) {
        const std::string folder = tmp / row.Name;
        test::MakeFolders(folder);
        ASSERT_EQ(::chmod(folder.c_str(), 0777), 0);
        const std::string path = row.Make(folder);
        if (path.empty()) {
            continue;
        }
        const std::string said = tmp / ("said/" + std::string(row.Name));
        // As an ordinary user: permission bits do not bind root.
        const int result = test::RunInChild(
            [&] {
                try {
                    ImportMemory memory = ImportMemory::Open(path);
                    memory.Record("/Photos", "IMG_0002.JPG", 5000, kMay2014,
                                  "2014-05-03/IMG_0002.JPG");
                    memory.Commit();
                } catch (const ImportMemoryError& error) {
                    test::WriteFile(said, error.what());
                    return 0;
                }
                return 1;
            },
            true);
        ASSERT_EQ(result, 0) << row.Name << (result == 1 ? ": the memory was used" : "");
        const std::string message = test::ReadFile(said);
        EXPECT_NE(message.find(path), std::string::npos) << row.Name << ": " << message;
        EXPECT_NE(message.find(row.Says), std::string::npos) << row.Name << ": " << message;
    }
    if (!skipped.empty()) {
        GTEST_SKIP() << "the full disk was not tried: " << skipped;
    }
}

// Two runs into one library, each recording 2,000 photos in batches of 100,
// the second's first 1,000 the first's last: both create the memory at once.
TEST(ImportMemoryTest, TwoRunsRecordIntoOneMemoryAtOnce) {
    const TempFolder tmp;
    const std::string path = tmp / "imported.sqlite";
    const std::string target = tmp / "Photos";
    int gate[2];
    ASSERT_EQ(::pipe(gate), 0);
    pid_t runs[2];
    for (int run = 0; run < 2; ++run) {
        runs[run] = ::fork();
        ASSERT_GE(runs[run], 0);
        if (runs[run] == 0) {
            ::close(gate[1]);
            char start = 0;
            if (::read(gate[0], &start, 1) != 1) {
                ::_exit(2);
            }
            try {
                ImportMemory memory = ImportMemory::Open(path);
                for (int number = run * 1000; number < run * 1000 + 2000; ++number) {
                    memory.Record(target, Photo(number), number, kMay2014, CopyOf(number));
                    if (memory.Queued() == 100) {
                        memory.Commit();
                    }
                }
            } catch (const ImportMemoryError& error) {
                test::WriteFile(tmp / ("run" + std::to_string(run)), error.what());
                ::_exit(1);
            }
            ::_exit(0);
        }
    }
    ::close(gate[0]);
    EXPECT_EQ(::write(gate[1], "go", 2), 2);
    ::close(gate[1]);
    for (int run = 0; run < 2; ++run) {
        int status = 0;
        ::waitpid(runs[run], &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << "run " << run << ": " << status << " "
            << (test::Exists(tmp / ("run" + std::to_string(run)))
                    ? test::ReadFile(tmp / ("run" + std::to_string(run)))
                    : "");
    }
    ImportMemory memory = ImportMemory::Open(path);
    int lost = 0;
    for (int number = 0; number < 3000; ++number) {
        lost += memory.ImportedCopy(target, Photo(number), static_cast<std::uint64_t>(number),
                                    kMay2014) != CopyOf(number);
    }
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(memory.Forget(target), 3000);
}

TEST(ImportMemoryTest, LivesInTheUsersDataFolder) {
    const TempFolder tmp;
    struct Place {
        std::optional<std::string> DataHome;
        std::string Home;
        std::string Expected;
    };
    const Place places[] = {
        {tmp / "data", tmp / "home1", tmp / "data/Vexmoor/quenby/imported.sqlite"},
        {std::nullopt, tmp / "home2", tmp / "home2/.local/share/Vexmoor/quenby/imported.sqlite"},
        // XDG variables must hold absolute paths.
        {"data", tmp / "home3", tmp / "home3/.local/share/Vexmoor/quenby/imported.sqlite"},
    };
    for (const Place& place : places) {
        const test::EnvGuard dataHome("XDG_DATA_HOME", place.DataHome);
        const test::EnvGuard home("HOME", place.Home);
        EXPECT_EQ(DefaultImportMemoryPath(), place.Expected);
        const ImportMemory memory = ImportMemory::Open(DefaultImportMemoryPath());
        EXPECT_TRUE(test::Exists(place.Expected)) << place.Expected;
    }
}

}  // namespace
}  // namespace quenby
