// Behaviour that only Windows has: attributes, junctions, code pages, the
// shell's folders and the time-zone rules of the system itself.
#include <gtest/gtest.h>
#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/files/fileops.h"
#include "platform/files/folderexists.h"
#include "platform/files/folderlisting.h"
#include "platform/files/wholefile.h"
#include "platform/text/charset.h"
#include "platform/text/widetext.h"
#include "sorting/dirscan.h"
#include "sorting/sortrun.h"
#include "tests/support/tempfolder.h"

namespace quenby {
namespace {

using platform::ToWide;
using test::TempFolder;
using Lines = std::vector<std::string>;

DWORD Attributes(const std::string& path) {
    return ::GetFileAttributesW(ToWide(path).c_str());
}

void AddAttributes(const std::string& path, DWORD attributes) {
    ASSERT_TRUE(::SetFileAttributesW(ToWide(path).c_str(), Attributes(path) | attributes));
}

// A junction as the shell's "mklink /j" makes it: a mount-point reparse
// point on an empty folder. False where the file system has none.
bool MakeJunction(const std::string& junction, const std::string& target) {
    if (!::CreateDirectoryW(ToWide(junction).c_str(), nullptr)) {
        return false;
    }
    const std::wstring substitute = L"\\??\\" + ToWide(target);
    const std::wstring print = ToWide(target);
    const std::size_t pathBytes = (substitute.size() + 1 + print.size() + 1) * sizeof(wchar_t);
    std::vector<unsigned char> buffer(8 + 8 + pathBytes, 0);
    auto put16 = [&](std::size_t at, std::size_t value) {
        buffer[at] = static_cast<unsigned char>(value & 0xFF);
        buffer[at + 1] = static_cast<unsigned char>((value >> 8) & 0xFF);
    };
    const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
    std::memcpy(buffer.data(), &tag, 4);
    put16(4, 8 + pathBytes);                               // data length
    put16(8, 0);                                           // substitute offset
    put16(10, substitute.size() * sizeof(wchar_t));        // substitute length
    put16(12, (substitute.size() + 1) * sizeof(wchar_t));  // print offset
    put16(14, print.size() * sizeof(wchar_t));             // print length
    std::memcpy(buffer.data() + 16, substitute.c_str(), (substitute.size() + 1) * sizeof(wchar_t));
    std::memcpy(buffer.data() + 16 + (substitute.size() + 1) * sizeof(wchar_t), print.c_str(),
                (print.size() + 1) * sizeof(wchar_t));
    const HANDLE handle = ::CreateFileW(
        ToWide(junction).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD returned = 0;
    const bool made =
        ::DeviceIoControl(handle, FSCTL_SET_REPARSE_POINT, buffer.data(),
                          static_cast<DWORD>(buffer.size()), nullptr, 0, &returned, nullptr) != 0;
    ::CloseHandle(handle);
    return made;
}

TEST(WindowsFolderExistsTest, FilesFoldersAndMissingPaths) {
    TempFolder tmp;
    test::WriteFile(tmp / "file.jpg", "x");
    test::MakeFolders(tmp / "folder");
    EXPECT_TRUE(platform::FolderExists(tmp / "folder"));
    EXPECT_TRUE(platform::FolderExists(tmp / "folder\\"));
    EXPECT_TRUE(platform::FolderExists(tmp.Path()));
    EXPECT_FALSE(platform::FolderExists(tmp / "file.jpg"));
    EXPECT_FALSE(platform::FolderExists(tmp / "missing"));
    EXPECT_FALSE(platform::FolderExists(tmp / "missing\\deeper"));  // path not found
    EXPECT_FALSE(platform::FolderExists(tmp / "bad<name>"));        // invalid name
    EXPECT_FALSE(platform::FolderExists(""));
}

TEST(WindowsFolderExistsTest, AJunctionCountsOnlyWhileItsTargetIsThere) {
    TempFolder tmp;
    test::MakeFolders(tmp / "target");
    if (!MakeJunction(tmp / "junction", tmp / "target")) {
        // Wine 8 refuses FSCTL_SET_REPARSE_POINT; Windows itself runs this.
        GTEST_SKIP() << "this file system makes no junctions";
    }
    ASSERT_NE(Attributes(tmp / "junction") & FILE_ATTRIBUTE_REPARSE_POINT, 0U);
    EXPECT_TRUE(platform::FolderExists(tmp / "junction"));
    ASSERT_TRUE(::RemoveDirectoryW(ToWide(tmp / "target").c_str()));
    // The junction is still there, but it leads nowhere.
    EXPECT_NE(Attributes(tmp / "junction"), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(platform::FolderExists(tmp / "junction"));
}

TEST(WindowsScanTest, HiddenAndSystemFilesAreReportedWithBackslashedFolders) {
    TempFolder tmp;
    for (const char* file : {"A\\x.jpg", "A\\hidden.jpg", "A\\system.JPG", "A\\B\\y.jpg",
                             "A\\B\\C\\z.jpg", "A\\x.jpg.txt", "A\\folder.jpg\\inner.jpg"}) {
        test::WriteFile(tmp / file, "x");
    }
    AddAttributes(tmp / "A\\hidden.jpg", FILE_ATTRIBUTE_HIDDEN);
    AddAttributes(tmp / "A\\system.JPG", FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY);
    AddAttributes(tmp / "A\\B", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    Lines found;
    std::vector<std::uint32_t> attributes;
    ScanFolderTree(tmp / "A", "*.jpg", [&](const std::string& folderPath, const ScanEntry& entry) {
        EXPECT_EQ(folderPath.back(), '\\');
        found.push_back((folderPath + entry.Name).substr(tmp.Path().size()));
        attributes.push_back(entry.Attributes);
    });
    EXPECT_EQ(found, (Lines{"\\A\\hidden.jpg", "\\A\\system.JPG", "\\A\\x.jpg", "\\A\\B\\y.jpg",
                            "\\A\\B\\C\\z.jpg", "\\A\\folder.jpg\\inner.jpg"}));
    ASSERT_EQ(attributes.size(), 6U);
    EXPECT_NE(attributes[0] & FILE_ATTRIBUTE_HIDDEN, 0U);
    EXPECT_NE(attributes[1] & FILE_ATTRIBUTE_SYSTEM, 0U);
    EXPECT_NE(attributes[1] & FILE_ATTRIBUTE_READONLY, 0U);
    // "?" stands for exactly one character, and case does not count.
    Lines single;
    ScanFolderTree(tmp / "A", "?.JPG", [&](const std::string&, const ScanEntry& entry) {
        single.push_back(entry.Name);
    });
    EXPECT_EQ(single, (Lines{"x.jpg", "y.jpg", "z.jpg"}));
}

TEST(WindowsScanTest, AJunctionInsideTheTreeIsNotEnteredButTheStartMayBeOne) {
    TempFolder tmp;
    test::WriteFile(tmp / "archive\\old.jpg", "x");
    test::WriteFile(tmp / "card\\new.jpg", "x");
    if (!MakeJunction(tmp / "card\\link", tmp / "archive") ||
        !MakeJunction(tmp / "cardlink", tmp / "card")) {
        GTEST_SKIP() << "this file system makes no junctions";
    }
    Lines found;
    for (const std::string& start : {tmp / "card", tmp / "cardlink"}) {
        ScanFolderTree(start, "*.jpg", [&](const std::string&, const ScanEntry& entry) {
            found.push_back(entry.Name);
        });
    }
    EXPECT_EQ(found, (Lines{"new.jpg", "new.jpg"}));
}

TEST(WindowsFileOpsTest, TheSystemRefusesToDeleteAReadOnlyFile) {
    TempFolder tmp;
    test::WriteFile(tmp / "protected.jpg", "x");
    test::WriteFile(tmp / "plain.jpg", "x");
    AddAttributes(tmp / "protected.jpg", FILE_ATTRIBUTE_READONLY);
    // A copy reports its source's identity as the copy began.
    const auto identity = [](const std::string& path) {
        return platform::CopyFileNoReplace(path, path + ".copy", false).Source;
    };
    const platform::FileIdentity protectedFile = identity(tmp / "protected.jpg");
    const platform::FileIdentity plain = identity(tmp / "plain.jpg");
    EXPECT_EQ(platform::DeleteSourceIfUnchanged(tmp / "protected.jpg", protectedFile).Outcome,
              platform::DeleteOutcome::ReadOnly);
    EXPECT_TRUE(test::Exists(tmp / "protected.jpg"));
    // A source that changed since its copy began stays.
    EXPECT_EQ(platform::DeleteSourceIfUnchanged(tmp / "plain.jpg", protectedFile).Outcome,
              platform::DeleteOutcome::Changed);
    EXPECT_EQ(platform::DeleteSourceIfUnchanged(tmp / "plain.jpg", plain).Outcome,
              platform::DeleteOutcome::Deleted);
    EXPECT_FALSE(test::Exists(tmp / "plain.jpg"));
    EXPECT_EQ(platform::DeleteSourceIfUnchanged(tmp / "plain.jpg", plain).Outcome,
              platform::DeleteOutcome::Failed);
}

TEST(WindowsFileOpsTest, CopiesNeverReplaceAndLeaveNoTemporaryFiles) {
    TempFolder tmp;
    test::WriteFile(tmp / "card\\a.jpg", "new photo");
    test::WriteFile(tmp / "day\\a.jpg", "older photo");
    test::MakeFolders(tmp / "day\\folder.jpg");
    test::SetLocalMtime(tmp / "card\\a.jpg", 2014, 5, 3, 14, 0);
    AddAttributes(tmp / "card\\a.jpg", FILE_ATTRIBUTE_READONLY);

    using platform::CopyOutcome;
    const auto outcome = [&](const char* source, const char* target) {
        return platform::CopyFileNoReplace(tmp / source, tmp / target, false).Outcome;
    };
    EXPECT_EQ(outcome("card\\a.jpg", "day\\a.jpg"), CopyOutcome::Exists);
    EXPECT_EQ(test::ReadFile(tmp / "day\\a.jpg"), "older photo");
    EXPECT_EQ(outcome("card\\a.jpg", "day\\folder.jpg"), CopyOutcome::Failed);
    // Names differ in case only: the same file on this system.
    EXPECT_EQ(outcome("card\\a.jpg", "day\\A.JPG"), CopyOutcome::Exists);
    EXPECT_EQ(outcome("card\\gone.jpg", "day\\b.jpg"), CopyOutcome::Failed);
    EXPECT_EQ(outcome("card\\a.jpg", "nowhere\\b.jpg"), CopyOutcome::Failed);

    // A read-only photo is flushed and claims its name all the same, and
    // keeps its attribute and time.
    ASSERT_EQ(platform::CopyFileNoReplace(tmp / "card\\a.jpg", tmp / "day\\b.jpg", true).Outcome,
              CopyOutcome::Copied);
    EXPECT_EQ(test::ReadFile(tmp / "day\\b.jpg"), "new photo");
    EXPECT_NE(Attributes(tmp / "day\\b.jpg") & FILE_ATTRIBUTE_READONLY, 0U);
    auto listing = platform::FolderListing::Read(tmp / "day");
    ASSERT_TRUE(listing.has_value());
    platform::EntryDetails copied;
    platform::EntryDetails source;
    auto cardListing = platform::FolderListing::Read(tmp / "card");
    ASSERT_TRUE(cardListing.has_value());
    ASSERT_TRUE(cardListing->Details(0, source));
    for (std::size_t i = 0; i < listing->Size(); ++i) {
        if (listing->Name(i) == "b.jpg") {
            ASSERT_TRUE(listing->Details(i, copied));
        }
    }
    EXPECT_EQ(copied.LastWriteTime, source.LastWriteTime);
    EXPECT_EQ(test::ListFolder(tmp / "day"), (Lines{"a.jpg", "b.jpg", "folder.jpg"}));
    EXPECT_TRUE(platform::FileEntryExists(tmp / "day\\B.JPG"));
    EXPECT_FALSE(platform::FileEntryExists(tmp / "day\\folder.jpg"));
    EXPECT_FALSE(platform::CreateFolder(tmp / "day\\folder.jpg"));
    EXPECT_TRUE(platform::CreateFolder(tmp / "day\\new"));
    EXPECT_FALSE(platform::CreateFolder(tmp / "day\\x\\y"));
}

TEST(WindowsSortRunTest, ADeletionTheSystemRefusesLeavesTheSourceAndSaysNothing) {
    TempFolder tmp;
    test::WriteFile(tmp / "Card\\a.jpg", "a");
    test::WriteFile(tmp / "Card\\b.jpg", "b");
    test::SetLocalMtime(tmp / "Card\\a.jpg", 2014, 5, 3, 14, 0);
    test::SetLocalMtime(tmp / "Card\\b.jpg", 2014, 5, 3, 15, 0);
    AddAttributes(tmp / "Card\\b.jpg", FILE_ATTRIBUTE_READONLY);
    test::MakeFolders(tmp / "Photos");
    SortOptions options;
    options.SourceFolders = {tmp / "Card"};
    options.TargetRoot = tmp / "Photos";
    options.SeparatorIndex = 0;
    options.DeleteSources = true;
    MessageList messages;
    const SortCounts counts = SortRun(options, messages, [](const SortProgress&) {});
    const std::string day = tmp / "Photos\\2014-05-03";
    EXPECT_EQ(messages.Lines(),
              (Lines{"Folder " + day + " was created",
                     "Copied file " + (tmp / "Card\\a.jpg") + " to " + day + "\\a.jpg",
                     "File " + (tmp / "Card\\a.jpg") + " was deleted from the Source Media",
                     "Copied file " + (tmp / "Card\\b.jpg") + " to " + day + "\\b.jpg"}));
    EXPECT_EQ(counts.Copied, 2);
    EXPECT_FALSE(test::Exists(tmp / "Card\\a.jpg"));
    EXPECT_TRUE(test::Exists(tmp / "Card\\b.jpg"));
}

TEST(WindowsSortRunTest, ATargetThatDiffersOnlyInCaseExists) {
    TempFolder tmp;
    test::WriteFile(tmp / "Card\\IMG_1.JPG", "new");
    test::SetLocalMtime(tmp / "Card\\IMG_1.JPG", 2014, 5, 3, 14, 0);
    test::WriteFile(tmp / "Photos\\2014-05-03\\img_1.jpg", "old");
    SortOptions options;
    options.SourceFolders = {tmp / "Card"};
    options.TargetRoot = tmp / "Photos";
    options.SeparatorIndex = 0;
    MessageList messages;
    SortRun(options, messages, [](const SortProgress&) {});
    EXPECT_EQ(messages.Lines(),
              (Lines{"File " + (tmp / "Photos\\2014-05-03\\IMG_1.JPG") + " exists"}));
    EXPECT_EQ(test::ReadFile(tmp / "Photos\\2014-05-03\\img_1.jpg"), "old");
}

TEST(WindowsLocalTimeTest, EachFileIsReadAtTheOffsetOfItsOwnMoment) {
    TIME_ZONE_INFORMATION zone{};
    ::GetTimeZoneInformation(&zone);
    if (zone.Bias != -60 || zone.DaylightBias != -60 || zone.DaylightDate.wMonth == 0) {
        GTEST_SKIP() << "needs the Central European zone (TZ=Europe/Berlin)";
    }
    constexpr std::uint64_t kTicksPerSecond = 10'000'000;
    constexpr std::uint64_t kEpoch = 11644473600ULL;
    ScanEntry summer;
    summer.LastWriteTime = (1404167400ULL + kEpoch) * kTicksPerSecond;  // 30 June 22:30 UTC
    ScanEntry winter;
    winter.LastWriteTime = (1388532600ULL + kEpoch) * kTicksPerSecond;  // 31 Dec 23:30 UTC
    DateTimeValue july1 = 0;
    DateTimeValue january1 = 0;
    ASSERT_TRUE(TryEncodeDate(2014, 7, 1, july1));
    ASSERT_TRUE(TryEncodeDate(2014, 1, 1, january1));
    const double halfPastMidnight = 30.0 / (24 * 60);
    EXPECT_NEAR(LocalTimeStamp(summer), july1 + halfPastMidnight, 1e-9);
    EXPECT_NEAR(LocalTimeStamp(winter), january1 + halfPastMidnight, 1e-9);

    ScanEntry invalid;
    invalid.LastWriteTime = UINT64_MAX;
    EXPECT_EQ(LocalTimeStamp(invalid), 0.0);
    invalid.LastWriteTime = 0x7FFF'FFFF'FFFF'FFFFULL;  // past the year 9999
    EXPECT_EQ(LocalTimeStamp(invalid), 0.0);
}

TEST(WindowsCharsetTest, TheAnsiCodePageAndItsDefaultCharacter) {
    const std::string ansi = platform::LocaleCharset();
    EXPECT_EQ(ansi, "CP" + std::to_string(::GetACP()));
    bool lossy = true;
    EXPECT_EQ(platform::EncodeCharset("„Müll“ €", "CP1252", lossy), "\x84M\xFCll\x93 \x80");
    EXPECT_FALSE(lossy);
    EXPECT_EQ(platform::EncodeCharset("Фото", "CP1252", lossy), "????");
    EXPECT_TRUE(lossy);
    // No best fit: "ł" must not quietly turn into "l" and name another folder.
    EXPECT_EQ(platform::EncodeCharset("Łódź", "CP1252", lossy),
              "?\xF3"
              "d?");
    EXPECT_TRUE(lossy);
    EXPECT_EQ(platform::EncodeCharset("plain", "NO-SUCH-SET", lossy), "plain");
    EXPECT_FALSE(lossy);
    EXPECT_EQ(platform::DecodeCharset("\x84M\xFCll\x93 \x80", "CP1252"), "„Müll“ €");
    EXPECT_EQ(platform::DecodeCharset("M\xFCll", "ISO-8859-1"), "Müll");
    EXPECT_EQ(platform::EncodeCharset("日本", "UTF-8", lossy), "日本");
}

TEST(WindowsWholeFileTest, ReplacesInOneStepAndReportsTheSystemsReasons) {
    TempFolder tmp;
    const std::string path = tmp / "quenby.ini";
    std::string contents;
    std::string reason;
    EXPECT_EQ(platform::ReadWholeFile(path, contents, reason), platform::ReadOutcome::Missing);
    EXPECT_EQ(platform::ReadWholeFile(tmp.Path(), contents, reason),
              platform::ReadOutcome::Missing);
    ASSERT_EQ(platform::ReplaceWholeFile(path, "first", reason),
              platform::ReplaceOutcome::Replaced);
    AddAttributes(path, FILE_ATTRIBUTE_HIDDEN);
    ASSERT_EQ(platform::ReplaceWholeFile(path, "second", reason),
              platform::ReplaceOutcome::Replaced)
        << reason;
    EXPECT_EQ(platform::ReadWholeFile(path, contents, reason), platform::ReadOutcome::Read);
    EXPECT_EQ(contents, "second");
    // The replaced file keeps what the user set on it.
    EXPECT_NE(Attributes(path) & FILE_ATTRIBUTE_HIDDEN, 0U);
    EXPECT_EQ(test::ListFolder(tmp.Path()), (Lines{"quenby.ini"}));

    reason.clear();
    EXPECT_EQ(platform::ReplaceWholeFile(tmp / "missing\\quenby.ini", "x", reason),
              platform::ReplaceOutcome::CreateFailed);
    EXPECT_FALSE(reason.empty());

    // Another program holding the file open for writing keeps us out.
    const HANDLE holder = ::CreateFileW(ToWide(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    reason.clear();
    EXPECT_EQ(platform::ReadWholeFile(path, contents, reason), platform::ReadOutcome::Failed);
    EXPECT_FALSE(reason.empty());
    EXPECT_NE(platform::ReplaceWholeFile(path, "third", reason),
              platform::ReplaceOutcome::Replaced);
    ::CloseHandle(holder);
    EXPECT_EQ(test::ReadFile(path), "second");
    EXPECT_EQ(test::ListFolder(tmp.Path()), (Lines{"quenby.ini"}));
}

}  // namespace
}  // namespace quenby
