#pragma once

#include <cstdint>
#include <optional>

#include "base/datetime.h"
#include "metadata/bytewindow.h"

namespace quenby {

// DateTimeOriginal, else DateTimeDigitized, of the TIFF structure (EXIF)
// that starts at `base` and spans `length` bytes: from its first IFD or
// the Exif IFD that one points to. The camera's wall-clock time, taken as
// written: an offset stored beside it does not move the day.
std::optional<DateTimeValue> ReadExifDate(ByteWindow& bytes, std::uint64_t base,
                                          std::uint64_t length);

}  // namespace quenby
