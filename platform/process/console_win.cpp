#include <windows.h>
// After windows.h, which it builds on.
#include <shellapi.h>

#include <cstdlib>

#include "platform/process/console.h"
#include "platform/text/widetext.h"

namespace quenby::platform {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr) {
        return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
    }
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i) {
        arguments.push_back(FromWide(wide[i]));
    }
    ::LocalFree(wide);
    return arguments;
}

namespace {

UINT g_previousOutputPage = 0;

void RestoreConsole() {
    ::SetConsoleOutputCP(g_previousOutputPage);
}

}  // namespace

void UseUtf8Console() {
    // The code page belongs to the console, which outlives us: hand it back
    // as we found it.
    const UINT previous = ::GetConsoleOutputCP();
    if (previous == 0 || previous == CP_UTF8 || !::SetConsoleOutputCP(CP_UTF8)) {
        return;
    }
    g_previousOutputPage = previous;
    std::atexit(RestoreConsole);
}

// Files are opened as handles here, never under the C runtime's numbers 0
// to 2, so a missing standard stream cannot be taken over; writing to it
// simply fails.
bool SecureStandardStreams() {
    return true;
}

}  // namespace quenby::platform
