#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace quenby {

// The program's string table. The ids are part of the program: the windows
// and the sort run load their texts by these numbers.
enum StringId : int {
    kStrMarkedTextCopied = 64806,
    kStrNoFolderMarked = 64807,
    kStrBadSeparator = 64808,
    kStrFolderCreated = 64809,
    kStrCopiedFile = 64810,
    kStrFilesCopied = 64811,
    kStrFileExists = 64812,
    kStrCouldNotCopy = 64813,
    kStrFileDeleted = 64814,
};

// The text of a string-table entry; empty for an id the table does not hold.
std::string LoadStr(int id);

using FormatArgument = std::variant<std::string_view, std::int64_t>;

// Fills "%s" with text taken unchanged and "%d" with a number in decimal
// without grouping, in order; "%%" is a percent sign. An argument is never
// read as a format itself, so a "%" inside a file name stays as it is.
std::string FormatText(std::string_view format, std::initializer_list<FormatArgument> arguments);

}  // namespace quenby
