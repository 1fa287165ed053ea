#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/shell/shelllink.h"

namespace quenby::platform {

// Splits a link's argument string the way a program's runtime on Windows
// splits its command line, which is where such a string comes from: blanks
// (space, tab) outside double quotes separate arguments; a double quote
// switches quoting on or off and disappears; backslashes stand for
// themselves except before a double quote, where each pair gives one
// backslash and an odd one left over makes the quote a literal character.
std::vector<std::string> SplitLinkArguments(std::string_view arguments);

// One word of an Exec value, before the value's general escaping: in double
// quotes when it holds a reserved character or is empty, with '"', '`', '$'
// and '\' escaped inside the quotes; every '%' doubled so that no word reads
// as a field code.
std::string QuoteExecWord(std::string_view word);

// The general escaping of a value: backslash, newline, tab and carriage
// return as two-character sequences, a leading or trailing space as "\s".
std::string EscapeEntryValue(std::string_view value);

// The text of a desktop entry that starts `link`. False when the link cannot
// be written as one: a value that is not UTF-8 or holds a control character
// other than tab, newline or carriage return, a program path that is empty
// or holds "=", or nothing to show as the entry's name.
bool ComposeDesktopEntry(const ShellLink& link, std::string& text);

}  // namespace quenby::platform
