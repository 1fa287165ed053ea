#include "metadata/capturedate.h"

#include <cstring>

#include "metadata/exifdate.h"
#include "metadata/formats.h"
#include "platform/files/filerange.h"

namespace quenby {
namespace {

class FileBytes final : public ByteSource {
public:
    explicit FileBytes(const platform::FileRange& file) : m_file(file) {}
    std::uint64_t Size() const override { return m_file.Size().value_or(0); }
    std::size_t Read(std::uint64_t offset, std::span<std::byte> into) const override {
        return m_file.Read(offset, into);
    }

private:
    const platform::FileRange& m_file;
};

bool StartsWith(const std::byte* head, std::size_t at, const char* text) {
    return std::memcmp(head + at, text, std::strlen(text)) == 0;
}

// QuickTime files from before the `ftyp` box may start with any of these.
bool IsIsoMedia(const std::byte* head) {
    for (const char* type : {"ftyp", "moov", "mdat", "wide", "free", "skip", "pnot"}) {
        if (StartsWith(head, 4, type)) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::optional<DateTimeValue> ReadCaptureDate(const ByteSource& source) {
    ByteWindow bytes(source);
    const std::byte* head = bytes.Get(0, 12);
    if (head == nullptr) {
        return std::nullopt;
    }
    if (StartsWith(head, 0, "\xFF\xD8\xFF")) {
        return ReadJpegDate(bytes);
    }
    // TIFF and the raw formats built on it (DNG, CR2, NEF, ARW, ORF, RW2).
    if (StartsWith(head, 0, "II") || StartsWith(head, 0, "MM")) {
        return ReadExifDate(bytes, 0, bytes.Size());
    }
    if (StartsWith(head, 0, "\x89PNG\r\n\x1A\n")) {
        return ReadPngDate(bytes);
    }
    if (StartsWith(head, 0, "RIFF") && StartsWith(head, 8, "AVI ")) {
        return ReadAviDate(bytes);
    }
    if (IsIsoMedia(head)) {
        return ReadIsoMediaDate(bytes);
    }
    return std::nullopt;
}

std::optional<DateTimeValue> ReadCaptureDate(const std::string& path) {
    return ReadCaptureDateOf(path).Date;
}

CaptureDateReading ReadCaptureDateOf(const std::string& path) {
    CaptureDateReading reading;
    const std::optional<platform::FileRange> file =
        platform::FileRange::Open(path, &reading.Failure);
    if (file) {
        reading.Date = ReadCaptureDate(FileBytes(*file));
        reading.Failure = file->ReadFailure();
    }
    // A date found before a later read failed is still the file's own.
    if (reading.Date) {
        reading.Failure.clear();
    }
    return reading;
}

}  // namespace quenby
