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

// Puts the null device on every standard stream the program was started
// without, so that no file it opens later takes that place and receives
// text meant for the stream (`quenby-sort >&-` would otherwise write its
// messages into the first copy it makes). True when standard output was
// there.
bool SecureStandardStreams();

}  // namespace quenby::platform
