#pragma once

#include <optional>

#include "base/datetime.h"
#include "metadata/bytewindow.h"

namespace quenby {

// The readers of each kind of file, each given a file of its kind.

// JPEG: the Exif APP1 segment before the image data.
std::optional<DateTimeValue> ReadJpegDate(ByteWindow& bytes);
// PNG: the eXIf chunk.
std::optional<DateTimeValue> ReadPngDate(ByteWindow& bytes);
// ISO base media files: HEIC/HEIF (the Exif item), CR3 (Canon's Exif
// boxes), MP4, MOV and 3GP (Apple's creation date, else `mvhd`).
std::optional<DateTimeValue> ReadIsoMediaDate(ByteWindow& bytes);
// AVI: the IDIT chunk.
std::optional<DateTimeValue> ReadAviDate(ByteWindow& bytes);

}  // namespace quenby
