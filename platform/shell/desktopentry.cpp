#include "platform/shell/desktopentry.h"

#include "platform/text/utf8.h"

namespace quenby::platform {
namespace {

// Characters that make a word of an Exec value need quotes. A carriage
// return is not among the listed ones, but no reader treats it as plain.
constexpr std::string_view kReserved = " \t\n\r\"'\\><~|&;$*?#()`";

// The name under which the program's icon is installed.
constexpr const char* kIconName = "quenby";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// A desktop entry is UTF-8 text with one value per line; bytes that are not
// UTF-8 and control characters without an escape sequence cannot be written.
bool Writable(std::string_view value) {
    for (const char32_t c : DecodeUtf8Lossless(value)) {
        const bool undecodable = c >= 0xDC80 && c <= 0xDCFF;
        const bool control = (c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7F;
        if (undecodable || control) {
            return false;
        }
    }
    return true;
}

bool IsOurProgram(std::string_view name) {
    const std::string_view ours = kIconName;
    if (name.size() != ours.size()) {
        return false;
    }
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c =
            name[i] >= 'A' && name[i] <= 'Z' ? static_cast<char>(name[i] - 'A' + 'a') : name[i];
        if (c != ours[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::vector<std::string> SplitLinkArguments(std::string_view arguments) {
    std::vector<std::string> result;
    std::string current;
    bool inWord = false;
    bool quoted = false;
    std::size_t i = 0;
    while (i < arguments.size()) {
        const char c = arguments[i];
        if (c == '\\') {
            std::size_t count = 0;
            while (i < arguments.size() && arguments[i] == '\\') {
                ++count;
                ++i;
            }
            if (i < arguments.size() && arguments[i] == '"') {
                current.append(count / 2, '\\');
                if (count % 2 == 1) {
                    current.push_back('"');
                    ++i;
                }
            } else {
                current.append(count, '\\');
            }
            inWord = true;
        } else if (c == '"') {
            quoted = !quoted;
            inWord = true;
            ++i;
        } else if (IsBlank(c) && !quoted) {
            if (inWord) {
                result.push_back(current);
                current.clear();
                inWord = false;
            }
            ++i;
        } else {
            current.push_back(c);
            inWord = true;
            ++i;
        }
    }
    if (inWord) {
        result.push_back(current);
    }
    return result;
}

std::string QuoteExecWord(std::string_view word) {
    const bool quote = word.empty() || word.find_first_of(kReserved) != std::string_view::npos;
    std::string out;
    if (quote) {
        out.push_back('"');
    }
    for (const char c : word) {
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) {
            out.push_back('\\');
        }
        out.push_back(c);
        if (c == '%') {
            out.push_back('%');
        }
    }
    if (quote) {
        out.push_back('"');
    }
    return out;
}

std::string EscapeEntryValue(std::string_view value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        switch (value[i]) {
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            case ' ':
                // Readers drop blanks around the "=" and at the end of a line.
                out += i == 0 || i + 1 == value.size() ? "\\s" : " ";
                break;
            default:
                out.push_back(value[i]);
        }
    }
    return out;
}

bool ComposeDesktopEntry(const ShellLink& link, std::string& text) {
    const std::string& name = link.Description.empty() ? link.Name : link.Description;
    // Desktop entries allow no "=" in the program's path.
    if (link.Target.empty() || link.Target.find('=') != std::string::npos || name.empty()) {
        return false;
    }
    for (const std::string* value :
         {&link.Target, &link.Arguments, &link.WorkingDir, &link.Description, &link.Name}) {
        if (!Writable(*value)) {
            return false;
        }
    }
    std::string exec = QuoteExecWord(link.Target);
    for (const std::string& argument : SplitLinkArguments(link.Arguments)) {
        exec += ' ';
        exec += QuoteExecWord(argument);
    }
    // No Version key: it is optional, and validators still in use reject the
    // current version number.
    text = "[Desktop Entry]\nType=Application\n";
    text += "Name=" + EscapeEntryValue(name) + "\n";
    if (!link.Description.empty()) {
        text += "Comment=" + EscapeEntryValue(link.Description) + "\n";
    }
    text += "Exec=" + EscapeEntryValue(exec) + "\n";
    if (!link.WorkingDir.empty()) {
        text += "Path=" + EscapeEntryValue(link.WorkingDir) + "\n";
    }
    if (IsOurProgram(link.Name)) {
        text += std::string("Icon=") + kIconName + "\n";
    }
    text += "Terminal=false\n";
    return true;
}

}  // namespace quenby::platform
