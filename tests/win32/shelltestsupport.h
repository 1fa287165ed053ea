#pragma once

// What the Windows tests need of the user's registry and the shell: a
// registry value that is put back afterwards, and links read back through
// the shell's own link object.
#include <windows.h>

#include <optional>
#include <string>

namespace quenby::test {

constexpr const wchar_t* kShellFolders =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// Sets one value of a key below HKEY_CURRENT_USER and restores the old one
// (or its absence) afterwards.
class RegistryValue {
public:
    RegistryValue(const wchar_t* key, const wchar_t* name);
    RegistryValue(const RegistryValue&) = delete;
    RegistryValue& operator=(const RegistryValue&) = delete;
    ~RegistryValue();

    void SetText(const std::string& text, DWORD type = REG_SZ);
    void SetNumber(DWORD number) { Write(REG_DWORD, &number, sizeof number); }
    void Remove();

private:
    void Write(DWORD type, const void* data, std::size_t size);

    const wchar_t* m_key;
    const wchar_t* m_name;
    DWORD m_type = REG_NONE;
    std::optional<std::string> m_previous;
};

struct LinkContents {
    std::string Target;
    std::string Arguments;
    std::string WorkingDir;
    std::string Description;
};

// Reads a link back through the shell's own link object; the calling thread
// has initialised COM.
std::optional<LinkContents> ReadLink(const std::string& path);

}  // namespace quenby::test
