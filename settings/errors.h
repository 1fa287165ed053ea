#pragma once

#include <stdexcept>
#include <string>

namespace quenby {

// The errors of the settings module. Each carries the text the user sees.
class SettingsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The settings file is there but cannot be read.
class FileOpenError : public SettingsError {
public:
    using SettingsError::SettingsError;
};

// The settings file cannot be created for writing.
class FileCreateError : public SettingsError {
public:
    using SettingsError::SettingsError;
};

// Not all bytes of the settings file could be written.
class StreamWriteError : public SettingsError {
public:
    using SettingsError::SettingsError;
};

// A folder path that cannot be created at all.
class FolderCreateError : public SettingsError {
public:
    using SettingsError::SettingsError;
};

// A system call failed; the text names its code and the system's reason.
class OSError : public SettingsError {
public:
    OSError(int code, const std::string& text) : SettingsError(text), m_code(code) {}
    int Code() const { return m_code; }

private:
    int m_code;
};

}  // namespace quenby
