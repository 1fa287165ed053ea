#include <windows.h>

#include <vector>

#include "platform/process/versioninfo.h"
#include "platform/text/widetext.h"

namespace quenby::platform {

VersionInfoStatus ReadFileVersion(const std::string& path, FileVersionWords& words) {
    const std::wstring wide = ToWide(path);
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(wide.c_str(), &ignored);
    if (size == 0) {
        return VersionInfoStatus::Missing;
    }
    std::vector<unsigned char> buffer(size);
    if (!::GetFileVersionInfoW(wide.c_str(), 0, size, buffer.data())) {
        return VersionInfoStatus::Missing;
    }
    void* record = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(buffer.data(), L"\\", &record, &length) || record == nullptr ||
        length < sizeof(VS_FIXEDFILEINFO)) {
        return VersionInfoStatus::RecordUnreadable;
    }
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(record);
    words.MostSignificant = fixed->dwFileVersionMS;
    words.LeastSignificant = fixed->dwFileVersionLS;
    return VersionInfoStatus::Found;
}

}  // namespace quenby::platform
