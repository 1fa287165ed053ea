#include <objbase.h>
#include <shlobj.h>
#include <windows.h>

#include <stdexcept>
#include <vector>

#include "platform/shell/shelllink.h"
#include "platform/text/widetext.h"

namespace quenby::platform {
namespace {

class RegistryKey {
public:
    RegistryKey() = default;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    ~RegistryKey() {
        if (m_key != nullptr) {
            ::RegCloseKey(m_key);
        }
    }
    HKEY* Out() { return &m_key; }
    HKEY Get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

// Releases a COM interface when it goes out of scope.
template <typename Interface>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() {
        if (m_pointer != nullptr) {
            m_pointer->Release();
        }
    }
    void** Out() { return reinterpret_cast<void**>(&m_pointer); }
    Interface* operator->() const { return m_pointer; }

private:
    Interface* m_pointer = nullptr;
};

// COM for this thread for as long as a link is being written. A thread that
// initialised COM already (the window thread does) keeps its own setting.
class ComScope {
public:
    ComScope() : m_result(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    ~ComScope() {
        if (SUCCEEDED(m_result)) {
            ::CoUninitialize();
        }
    }

private:
    HRESULT m_result;
};

std::string ComErrorText(HRESULT result) {
    return WindowsErrorText(static_cast<unsigned long>(result));
}

}  // namespace

std::string ShellLinkFolder(const ShellLinkFolderKey& key) {
    if (key.BaseKey == nullptr || key.SubKey == nullptr || key.ValueName == nullptr) {
        return {};
    }
    // The base key is made when it is missing (the quick-launch look-up
    // leaves an empty "GrpConv" behind); the sub-key is only opened.
    RegistryKey base;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, ToWide(key.BaseKey).c_str(), 0, nullptr, 0,
                          KEY_ALL_ACCESS, nullptr, base.Out(), nullptr) != ERROR_SUCCESS) {
        return {};
    }
    RegistryKey sub;
    if (::RegOpenKeyExW(base.Get(), ToWide(key.SubKey).c_str(), 0, KEY_ALL_ACCESS, sub.Out()) !=
        ERROR_SUCCESS) {
        return {};
    }
    const std::wstring valueName = ToWide(key.ValueName);
    DWORD type = 0;
    DWORD size = 0;
    if (::RegQueryValueExW(sub.Get(), valueName.c_str(), nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS) {
        return {};
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ) {
        throw std::runtime_error("Invalid data type for '" + std::string(key.ValueName) + "'");
    }
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
    DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    if (::RegQueryValueExW(sub.Get(), valueName.c_str(), nullptr, &type,
                           reinterpret_cast<BYTE*>(buffer.data()), &bytes) != ERROR_SUCCESS) {
        return {};
    }
    // Taken as stored: "%USERPROFILE%\Desktop" is not expanded.
    return FromWide(buffer.data());
}

bool WriteShellLink(const std::string& linkPath, const ShellLink& link, std::string& reason) {
    const ComScope com;
    ComPtr<IUnknown> object;
    const HRESULT created =
        ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                           IID_IUnknown, object.Out());
    if (FAILED(created)) {
        throw std::runtime_error(ComErrorText(created) +
                                 ", ClassID: {00021401-0000-0000-C000-000000000046}");
    }
    ComPtr<IShellLinkW> shellLink;
    ComPtr<IPersistFile> file;
    if (FAILED(object->QueryInterface(IID_IShellLinkW, shellLink.Out())) ||
        FAILED(object->QueryInterface(IID_IPersistFile, file.Out()))) {
        throw std::runtime_error("Interface not supported");
    }
    const std::wstring target = ToWide(link.Target);
    const std::wstring arguments = ToWide(link.Arguments);
    const std::wstring description = ToWide(link.Description);
    const std::wstring workingDir = ToWide(link.WorkingDir);
    // Empty texts go in as empty strings, never as null pointers.
    shellLink->SetPath(target.c_str());
    shellLink->SetArguments(arguments.c_str());
    shellLink->SetDescription(description.c_str());
    shellLink->SetWorkingDirectory(workingDir.c_str());
    const HRESULT saved = file->Save(ToWide(linkPath).c_str(), FALSE);
    if (FAILED(saved)) {
        reason = ComErrorText(saved);
        return false;
    }
    return true;
}

}  // namespace quenby::platform
