// Feeds arbitrary bytes to the reader of the version note, as a crafted or
// damaged executable would.
#include <cstdint>
#include <cstring>

#include "platform/process/versioninfo.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const quenby::platform::ImageReader read = [data, size](std::uint64_t offset,
                                                            std::size_t length, void* buffer) {
        if (offset > size || length > size - offset) {
            return false;
        }
        std::memcpy(buffer, data + offset, length);
        return true;
    };
    quenby::platform::FileVersionWords words;
    (void)quenby::platform::FindVersionNote(read, words);
    return 0;
}
