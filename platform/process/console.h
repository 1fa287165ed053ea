#pragma once

#include <string>
#include <vector>

namespace quenby::platform {

// The program's arguments (without the program's name) as UTF-8. Windows
// hands a narrow main() its arguments in the ANSI code page, which loses
// every character outside it, so there they are read again as UTF-16.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Lets a console show the UTF-8 text the program writes; does nothing where
// the console speaks UTF-8 anyway.
void UseUtf8Console();

}  // namespace quenby::platform
