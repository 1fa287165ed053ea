#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "platform/text/widetext.h"
#include "tests/support/tempfolder.h"

namespace quenby::test {
namespace {

using platform::FromWide;
using platform::ToWide;

std::string Native(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

// Wine hands small process ids out again, so the id alone would collide
// with a folder that an earlier test process left behind.
std::string UniqueName() {
    static std::mt19937_64 generator{std::random_device{}() ^
                                     (static_cast<std::uint64_t>(::GetTickCount64()) << 16) ^
                                     ::GetCurrentProcessId()};
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string name = "quenby-test-";
    std::uint64_t value = generator();
    for (int i = 0; i < 12; ++i) {
        name.push_back(kDigits[value & 0xF]);
        value >>= 4;
    }
    return name;
}

void RemoveTree(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return;
    }
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    // A junction is removed as itself; what it points to is not ours.
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        WIN32_FIND_DATAW data;
        const HANDLE find = ::FindFirstFileW((path + L"\\*").c_str(), &data);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = data.cFileName;
                if (name != L"." && name != L"..") {
                    RemoveTree(path + L"\\" + name);
                }
            } while (::FindNextFileW(find, &data));
            ::FindClose(find);
        }
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        ::RemoveDirectoryW(path.c_str());
    } else {
        ::DeleteFileW(path.c_str());
    }
}

}  // namespace

std::string TempFolder::operator/(const std::string& relative) const {
    return m_path + "\\" + Native(relative);
}

TempFolder::TempFolder() {
    wchar_t base[MAX_PATH + 2] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH + 2, base);
    if (length == 0) {
        throw std::runtime_error("no temporary folder");
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string path = FromWide(std::wstring(base, length)) + UniqueName();
        if (::CreateDirectoryW(ToWide(path).c_str(), nullptr)) {
            m_path = path;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempFolder::~TempFolder() {
    RemoveTree(ToWide(m_path));
}

void MakeFolders(const std::string& path) {
    const std::string native = Native(path);
    for (std::size_t at = native.find('\\', 3); at != std::string::npos;
         at = native.find('\\', at + 1)) {
        ::CreateDirectoryW(ToWide(native.substr(0, at)).c_str(), nullptr);
    }
    ::CreateDirectoryW(ToWide(native).c_str(), nullptr);
}

void WriteFile(const std::string& path, const std::string& contents) {
    const std::string native = Native(path);
    const std::size_t slash = native.rfind('\\');
    if (slash != std::string::npos && slash > 2) {
        MakeFolders(native.substr(0, slash));
    }
    std::ofstream out(std::filesystem::path(ToWide(native)), std::ios::binary | std::ios::trunc);
    out << contents;
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(std::filesystem::path(ToWide(Native(path))), std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

bool Exists(const std::string& path) {
    return ::GetFileAttributesW(ToWide(Native(path)).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void SetMtime(const std::string& path, std::time_t seconds) {
    const std::uint64_t ticks =
        (static_cast<std::uint64_t>(seconds) + 11644473600ULL) * 10'000'000ULL;
    FILETIME time{static_cast<DWORD>(ticks & 0xFFFFFFFFU), static_cast<DWORD>(ticks >> 32)};
    const HANDLE file = ::CreateFileW(ToWide(Native(path)).c_str(), FILE_WRITE_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    const bool set = file != INVALID_HANDLE_VALUE && ::SetFileTime(file, nullptr, &time, &time);
    if (file != INVALID_HANDLE_VALUE) {
        ::CloseHandle(file);
    }
    if (!set) {
        throw std::runtime_error("cannot set the time of " + path);
    }
}

void SetLocalMtime(const std::string& path, int year, int month, int day, int hour, int minute,
                   int second) {
    // Local as the system's own zone rules read it for that date, the same
    // rules the program applies when it reads the time back.
    SYSTEMTIME local{};
    local.wYear = static_cast<WORD>(year);
    local.wMonth = static_cast<WORD>(month);
    local.wDay = static_cast<WORD>(day);
    local.wHour = static_cast<WORD>(hour);
    local.wMinute = static_cast<WORD>(minute);
    local.wSecond = static_cast<WORD>(second);
    SYSTEMTIME utc{};
    FILETIME time{};
    if (!::TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) ||
        !::SystemTimeToFileTime(&utc, &time)) {
        throw std::runtime_error("cannot convert a local time");
    }
    const std::uint64_t ticks =
        (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    SetMtime(path, static_cast<std::time_t>(ticks / 10'000'000ULL - 11644473600ULL));
}

std::vector<std::string> ListFolder(const std::string& path) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW data;
    const HANDLE find = ::FindFirstFileW(ToWide(Native(path) + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") {
            names.push_back(FromWide(name));
        }
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

TimeZoneGuard::TimeZoneGuard(const char* zone) {
    const char* previous = std::getenv("TZ");
    m_hadPrevious = previous != nullptr;
    m_previous = previous ? previous : "";
    ::_putenv_s("TZ", zone);
    ::_tzset();
}

TimeZoneGuard::~TimeZoneGuard() {
    ::_putenv_s("TZ", m_hadPrevious ? m_previous.c_str() : "");
    ::_tzset();
}

}  // namespace quenby::test
