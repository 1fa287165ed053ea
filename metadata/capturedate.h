#pragma once

#include <optional>
#include <string>

#include "base/datetime.h"
#include "metadata/bytewindow.h"

namespace quenby {

// The moment a photo or video was taken, as stored in the file itself, as a
// local date-time: the camera's own wall-clock time for photos (EXIF
// DateTimeOriginal, else DateTimeDigitized) and for videos that carry their
// zone (Apple's creation date), and the container's UTC stamp turned into
// local time at its own moment for other videos (QuickTime/MP4 `mvhd`); the
// date text of an AVI's IDIT chunk. The file's kind is told by its first
// bytes, not by its name. Empty when the file holds no such date, holds an
// implausible one (none before 1980 for videos, none after next year), or
// cannot be read; the file and its times are never changed.
std::optional<DateTimeValue> ReadCaptureDate(const std::string& path);

// The same, telling a file that cannot be read (an I/O error on a failing
// card) from one that holds no date: `Failure` then says why.
struct CaptureDateReading {
    std::optional<DateTimeValue> Date;
    std::string Failure;
};
CaptureDateReading ReadCaptureDateOf(const std::string& path);

// The same for bytes from any source (the fuzzer and the tests use memory).
std::optional<DateTimeValue> ReadCaptureDate(const ByteSource& source);

}  // namespace quenby
