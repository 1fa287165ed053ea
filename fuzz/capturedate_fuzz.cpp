// Feeds arbitrary bytes to the capture-date reader, through the same walk a
// file gets. Besides crashes and sanitizer reports it checks that a date,
// when one is found, names a day the sort run can write.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "metadata/capturedate.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const quenby::MemoryBytes bytes(std::as_bytes(std::span(data, size)));
    if (const auto date = quenby::ReadCaptureDate(bytes)) {
        const quenby::CalendarDate day = quenby::DecodeDate(*date);
        if (day.Year < 1 || day.Year > 9999) {
            std::abort();
        }
    }
    return 0;
}
