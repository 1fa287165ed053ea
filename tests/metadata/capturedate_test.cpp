#include "metadata/capturedate.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#endif

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/mediafixtures.h"
#include "tests/support/tempfolder.h"

namespace quenby {
namespace {

using namespace test;

std::string DayOf(const std::optional<DateTimeValue>& value) {
    if (!value) {
        return "none";
    }
    const CalendarDate date = DecodeDate(*value);
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.Year, date.Month, date.Day);
    return text;
}

std::string Patched(std::string bytes, std::size_t at, const std::string& with) {
    return bytes.replace(at, with.size(), with);
}

TEST(CaptureDateTest, EachKindGivesTheDayItWasTaken) {
    const std::string stamp = "2014:05:03 23:59:59";
    struct Case {
        const char* Kind;
        std::string Bytes;
        const char* Zone;
        const char* Day;
    } cases[] = {
        {"JPEG", Jpeg(Tiff(stamp)), "UTC", "2014-05-03"},
        // The camera's wall clock is the day, wherever it is sorted.
        {"JPEG sorted far away", Jpeg(Tiff(stamp)), "Pacific/Auckland", "2014-05-03"},
        {"JPEG, digitized only", Jpeg(Tiff("", "2015:01:02 00:00:01")), "UTC", "2015-01-02"},
        {"JPEG, original before digitized", Jpeg(Tiff(stamp, "2015:01:02 00:00:01")), "UTC",
         "2014-05-03"},
        {"TIFF, DNG, NEF, CR2 (big-endian)", Tiff(stamp, "", true), "UTC", "2014-05-03"},
        {"ORF", Tiff(stamp, "", false, 0x4F52), "UTC", "2014-05-03"},
        {"RW2", Tiff(stamp, "", false, 0x55), "UTC", "2014-05-03"},
        {"PNG", Png(Tiff(stamp)), "UTC", "2014-05-03"},
        {"HEIC", Heic(Tiff(stamp)), "UTC", "2014-05-03"},
        {"CR3", Cr3(Tiff(stamp)), "UTC", "2014-05-03"},
        // 22:30 UTC is 00:30 of the next day in a Berlin summer.
        {"MP4, summer night", QuickTime("mp42", Seconds1904(2021, 7, 3, 22, 30)), "Europe/Berlin",
         "2021-07-04"},
        {"MOV, 64-bit, winter night", QuickTime("qt  ", Seconds1904(2021, 1, 3, 23, 30), true),
         "Europe/Berlin", "2021-01-04"},
        {"3GP, movie header last",
         QuickTime("3gp4", Seconds1904(2019, 3, 10, 22, 30), false, "", true), "Europe/Berlin",
         "2019-03-10"},
        // Taken at 23:30 in California: 06:30 UTC, 08:30 in Berlin the next day.
        {"MOV with Apple's creation date",
         QuickTime("qt  ", Seconds1904(2021, 7, 4, 6, 30), false, "2021-07-03T23:30:00-0700"),
         "Europe/Berlin", "2021-07-03"},
        {"AVI, asctime", Avi("SAT JUL 03 23:10:00 2010\n"), "Europe/Berlin", "2010-07-03"},
        {"AVI, numeric at the top", Avi("2010:07:04 00:10:00", false), "UTC", "2010-07-04"},
    };
    const TempFolder tmp;
    for (const Case& c : cases) {
#ifdef _WIN32
        // Wine keeps the zone test.sh sets (Berlin); the rows in UTC do not
        // depend on it.
        if (std::string(c.Zone) != "Europe/Berlin" && std::string(c.Zone) != "UTC") {
            continue;
        }
#endif
        const TimeZoneGuard zone(c.Zone);
        const std::string path = tmp / (std::string("file-") + c.Kind);
        WriteFile(path, c.Bytes);
        EXPECT_EQ(DayOf(ReadCaptureDate(path)), c.Day) << c.Kind;
    }
}

TEST(CaptureDateTest, BrokenOrHostileMetadataGivesNoneQuickly) {
    const std::string tiff = Tiff("2014:05:03 10:00:00");
    const std::string mp4 = QuickTime("mp42", Seconds1904(2014, 5, 3, 10, 0));
    const std::string heic = Heic(tiff);  // its iloc box starts the sizes with 0x44
    const std::string le32max("\xFF\xFF\xFF\xFF", 4);
    struct Case {
        const char* Name;
        std::string Bytes;
    } cases[] = {
        {"empty", ""},
        {"text", "2014:05:03 10:00:00"},
        {"JPEG without EXIF", Jpeg("")},
        {"EXIF without dates", Jpeg(Tiff(""))},
        {"zero stamp", Jpeg(Tiff("0000:00:00 00:00:00"))},
        {"stamp after next year", Jpeg(Tiff("2999:01:01 00:00:00"))},
        {"blank stamp", Jpeg(Tiff("    :  :     :  :  "))},
        {"video stamped 0", QuickTime("mp42", 0)},
        {"video before 1980", QuickTime("mp42", Seconds1904(1979, 12, 31, 12, 0))},
        {"AVI before 1980", Avi("1970:01:01 00:00:00")},
        {"truncated JPEG", Jpeg(tiff).substr(0, 60)},
        {"truncated TIFF", tiff.substr(0, 50)},
        {"Exif IFD is the first IFD",
         Patched(tiff, kTiffExifPointerAt, std::string("\x08\0\0\0", 4))},
        {"Exif IFD past the end", Patched(tiff, kTiffExifPointerAt, le32max)},
        {"huge IFD count", Patched(tiff, kTiffExifCountAt, "\xFF\xFF")},
        {"stamp with a huge count", Patched(tiff, kTiffExifCountAt + 6, le32max)},
        {"stamp past the end", Patched(tiff, kTiffExifCountAt + 10, le32max)},
        {"box past the end", Patched(mp4, 20, "\x7F\xFF\xFF\xFF")},
        {"64-bit box size past the end", Patched(mp4, 20, std::string("\0\0\0\1moov\x7F", 9))},
        {"box smaller than its header", Patched(mp4, 20, std::string("\0\0\0\4", 4))},
        {"HEIC item past the end", Patched(heic, heic.find("\x44") + 16, le32max)},
        {"AVI header list of size 0",
         Patched(Avi("2010:07:04 00:10:00"), 16, std::string(4, '\0'))},
        {"PNG chunk past the end", Patched(Png(tiff), 33, le32max)},
    };
    const TempFolder tmp;
    for (const Case& c : cases) {
        const std::string path = tmp / (std::string("file-") + c.Name);
        WriteFile(path, c.Bytes);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(DayOf(ReadCaptureDate(path)), "none") << c.Name;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << c.Name;
    }
    EXPECT_EQ(DayOf(ReadCaptureDate(tmp / "missing.jpg")), "none");
    EXPECT_EQ(DayOf(ReadCaptureDate(tmp.Path())), "none");
}

#ifndef _WIN32
TEST(CaptureDateTest, APipeNamedLikeAPhotoIsNotWaitedOn) {
    const TempFolder tmp;
    ASSERT_EQ(::mkfifo((tmp / "pipe.jpg").c_str(), 0600), 0);
    EXPECT_EQ(DayOf(ReadCaptureDate(tmp / "pipe.jpg")), "none");
}

TEST(CaptureDateTest, ReadingLeavesTheFileAndItsTimesAlone) {
    const TempFolder tmp;
    const std::string path = tmp / "a.jpg";
    const std::string bytes = Jpeg(Tiff("2014:05:03 10:00:00"));
    WriteFile(path, bytes);
    // An access time older than the last write is what relatime updates.
    const struct timespec times[2] = {{1'000'000'000, 0}, {1'200'000'000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    EXPECT_EQ(DayOf(ReadCaptureDate(path)), "2014-05-03");
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_atim.tv_sec, times[0].tv_sec);
    EXPECT_EQ(after.st_mtim.tv_sec, times[1].tv_sec);
    EXPECT_EQ(ReadFile(path), bytes);
}

// Debian's libheif writes the HEIC itself, from a PNG with its eXIf chunk.
TEST(CaptureDateTest, AHeicWrittenByLibheifGivesItsExifDate) {
    if (std::system("command -v heif-enc >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "heif-enc (Debian's libheif-examples) is not installed";
    }
    const TempFolder tmp;
    WriteFile(tmp / "a.png", Png(Tiff("2019:08:30 00:15:00")));
    const std::string command =
        "heif-enc -q 30 -o '" + (tmp / "a.heic") + "' '" + (tmp / "a.png") + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) {
        GTEST_SKIP() << "heif-enc cannot encode HEIC here (no HEVC encoder)";
    }
    EXPECT_EQ(DayOf(ReadCaptureDate(tmp / "a.png")), "2019-08-30");
    EXPECT_EQ(DayOf(ReadCaptureDate(tmp / "a.heic")), "2019-08-30");
}
#endif

}  // namespace
}  // namespace quenby
