#include "base/stringtable.h"

#include <array>
#include <utility>

namespace quenby {
namespace {

// Texts as the program has always shown them, spelling included.
constexpr std::array<std::pair<int, std::string_view>, 9> kStrings = {{
    {kStrMarkedTextCopied, "Marked Text was copied into the Clipboard"},
    {kStrNoFolderMarked, "No Folder marked!\rSelect an Entry from the list"},
    {kStrBadSeparator, "Charakter \"%s\" cannot be used as an Separator!"},
    {kStrFolderCreated, "Folder %s was created"},
    {kStrCopiedFile, "Copied file %s to %s"},
    {kStrFilesCopied, "%d of %d files copied"},
    {kStrFileExists, "File %s exists"},
    {kStrCouldNotCopy, "File %s could not copied to %s"},
    {kStrFileDeleted, "File %s was deleted from the Source Media"},
}};

}  // namespace

std::string LoadStr(int id) {
    for (const auto& [key, text] : kStrings) {
        if (key == id) {
            return std::string(text);
        }
    }
    return {};
}

std::string FormatText(std::string_view format, std::initializer_list<FormatArgument> arguments) {
    std::string out;
    out.reserve(format.size() + 64);
    auto next = arguments.begin();
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (c != '%' || i + 1 >= format.size()) {
            out.push_back(c);
            continue;
        }
        const char conversion = format[i + 1];
        if (conversion == '%') {
            out.push_back('%');
            ++i;
            continue;
        }
        if ((conversion != 's' && conversion != 'd') || next == arguments.end()) {
            out.push_back(c);
            continue;
        }
        ++i;
        if (const auto* text = std::get_if<std::string_view>(&*next)) {
            out.append(*text);
        } else {
            out.append(std::to_string(std::get<std::int64_t>(*next)));
        }
        ++next;
    }
    return out;
}

}  // namespace quenby
