#include "tests/win32/shelltestsupport.h"

#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>

#include "platform/text/widetext.h"

namespace quenby::test {

using platform::FromWide;
using platform::ToWide;

RegistryValue::RegistryValue(const wchar_t* key, const wchar_t* name) : m_key(key), m_name(name) {
    HKEY handle = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, KEY_READ, &handle) == ERROR_SUCCESS) {
        DWORD size = 0;
        if (::RegQueryValueExW(handle, name, nullptr, &m_type, nullptr, &size) == ERROR_SUCCESS) {
            m_previous.emplace(size, '\0');
            ::RegQueryValueExW(handle, name, nullptr, &m_type,
                               reinterpret_cast<BYTE*>(m_previous->data()), &size);
        }
        ::RegCloseKey(handle);
    }
}

RegistryValue::~RegistryValue() {
    if (m_previous) {
        Write(m_type, m_previous->data(), m_previous->size());
    } else {
        Remove();
    }
}

void RegistryValue::SetText(const std::string& text, DWORD type) {
    const std::wstring wide = ToWide(text);
    Write(type, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
}

void RegistryValue::Remove() {
    HKEY handle = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, m_key, 0, KEY_SET_VALUE, &handle) == ERROR_SUCCESS) {
        ::RegDeleteValueW(handle, m_name);
        ::RegCloseKey(handle);
    }
}

void RegistryValue::Write(DWORD type, const void* data, std::size_t size) {
    HKEY handle = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, m_key, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                &handle, nullptr),
              ERROR_SUCCESS);
    ::RegSetValueExW(handle, m_name, 0, type, static_cast<const BYTE*>(data),
                     static_cast<DWORD>(size));
    ::RegCloseKey(handle);
}

std::optional<LinkContents> ReadLink(const std::string& path) {
    IShellLinkW* link = nullptr;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&link)))) {
        return std::nullopt;
    }
    IPersistFile* file = nullptr;
    std::optional<LinkContents> contents;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        if (SUCCEEDED(file->Load(ToWide(path).c_str(), STGM_READ))) {
            wchar_t buffer[1024] = {};
            LinkContents read;
            link->GetPath(buffer, 1024, nullptr, SLGP_RAWPATH);
            read.Target = FromWide(buffer);
            buffer[0] = L'\0';
            link->GetArguments(buffer, 1024);
            read.Arguments = FromWide(buffer);
            buffer[0] = L'\0';
            link->GetWorkingDirectory(buffer, 1024);
            read.WorkingDir = FromWide(buffer);
            buffer[0] = L'\0';
            link->GetDescription(buffer, 1024);
            read.Description = FromWide(buffer);
            contents = read;
        }
        file->Release();
    }
    link->Release();
    return contents;
}

}  // namespace quenby::test
