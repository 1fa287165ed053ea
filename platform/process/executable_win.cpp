#include <windows.h>

#include <vector>

#include "platform/process/executable.h"
#include "platform/text/widetext.h"

namespace quenby::platform {

std::string ExecutablePath() {
    // Paths may be longer than MAX_PATH; grow until the name fits.
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return {};
        }
        if (length < buffer.size()) {
            return FromWide(std::wstring_view(buffer.data(), length));
        }
        if (buffer.size() >= 32768) {
            return {};
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace quenby::platform
