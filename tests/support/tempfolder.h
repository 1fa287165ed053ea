#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace quenby::test {

// A fresh folder per test below the system's temporary folder, removed with
// everything in it (write bits restored first) when the test ends.
class TempFolder {
public:
    TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();

    const std::string& Path() const { return m_path; }
    // Path of a name inside the folder ("a/b.jpg" is fine: on Windows its
    // "/" become "\", so paths read as the program writes them).
    std::string operator/(const std::string& relative) const;

private:
    std::string m_path;
};

// Writes a file, creating missing parent folders.
void WriteFile(const std::string& path, const std::string& contents);
std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);
void MakeFolders(const std::string& path);
// Sets the last-write time to a local date and time, read in the current time zone.
void SetLocalMtime(const std::string& path, int year, int month, int day, int hour, int minute,
                   int second = 0);
void SetMtime(const std::string& path, std::time_t seconds);
// Names in a folder, sorted; empty when it cannot be read.
std::vector<std::string> ListFolder(const std::string& path);

// Sets TZ for the lifetime of the object.
class TimeZoneGuard {
public:
    explicit TimeZoneGuard(const char* zone);
    TimeZoneGuard(const TimeZoneGuard&) = delete;
    TimeZoneGuard& operator=(const TimeZoneGuard&) = delete;
    ~TimeZoneGuard();

private:
    std::string m_previous;
    bool m_hadPrevious;
};

}  // namespace quenby::test
