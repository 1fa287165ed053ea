#include <windows.h>
// After windows.h, which it builds on.
#include <shellapi.h>

#include "platform/console.h"
#include "platform/widetext.h"

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

void UseUtf8Console() {
    ::SetConsoleOutputCP(CP_UTF8);
}

}  // namespace quenby::platform
