#pragma once

#include <cstdint>
#include <string>

namespace quenby::test {

// Photos and videos as cameras lay out their metadata, made by the tests
// themselves: only the structures a capture-date reader walks, no pixels.

// A TIFF structure whose first IFD points to an Exif IFD holding the
// stamps that are not empty (EXIF's "2014:05:03 14:00:00" form).
std::string Tiff(const std::string& original, const std::string& digitized = "",
                 bool bigEndian = false, std::uint16_t magic = 42);
// Where the first IFD's Exif pointer and the Exif IFD's entry count sit in
// Tiff()'s layout, for tests that damage them.
inline constexpr std::size_t kTiffExifPointerAt = 30;
inline constexpr std::size_t kTiffExifCountAt = 38;

// A JPEG with the TIFF structure in its Exif segment (none when empty).
std::string Jpeg(const std::string& tiff);
// A valid 16 x 16 grey PNG, with the TIFF structure in an eXIf chunk.
std::string Png(const std::string& tiff);
// A HEIC whose Exif item holds the TIFF structure.
std::string Heic(const std::string& tiff);
// A CR3 with the TIFF structure as Canon's CMT2 box.
std::string Cr3(const std::string& tiff);
// An MP4/MOV/3GP (by `brand`) whose `mvhd` says `created` (seconds since
// 1904, UTC; 64-bit fields when `wide`), with Apple's creation date when
// `appleDate` is not empty, and the movie header after the media data
// when `moovLast`.
std::string QuickTime(const char* brand, std::uint64_t created, bool wide = false,
                      const std::string& appleDate = "", bool moovLast = false);
// An AVI with an IDIT chunk holding `idit`, in the header list or at the top.
std::string Avi(const std::string& idit, bool inHeaderList = true);

std::string Box(const char* type, const std::string& body);
// Seconds since 1 January 1904 UTC.
std::uint64_t Seconds1904(int year, int month, int day, int hour, int minute);

}  // namespace quenby::test
