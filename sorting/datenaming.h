#pragma once

#include <array>
#include <bitset>
#include <string>
#include <string_view>

#include "base/datetime.h"

namespace quenby {

// How a date is written: the short-date pattern, and the separator that
// stands wherever the pattern holds "/". A plain value, so that a sort run
// carries its own and never reads one that a window may change meanwhile.
struct DateNamingSettings {
    std::string Pattern;
    char32_t Separator = U'/';
};

// The process-wide pair that the preview, the settings and the info dialog
// write dates with; window thread only. It starts with the user's regional
// short-date pattern and separator.
DateNamingSettings& DateNaming();

// The user's regional short-date pattern; fixed for the process, so any
// thread may read it.
const std::string& RegionalDatePattern();

// Back to the user's regional values; for tests and a fresh start.
void ResetDateNaming();

// The four folder-name layouts, chosen by index.
inline constexpr std::array<std::string_view, 4> DateLayouts = {"yyyy/mm/dd", "yyyy/m/d",
                                                                "dd/mm/yyyy", "d/m/yyyy"};

// The separators the user can choose, in the order the window lists them.
inline constexpr std::array<char32_t, 6> SeparatorChoices = {U'-', U'.', U'_', U'=', U'~', U'#'};

// Characters that no file name may hold: " * / : < > ? \ |
const std::bitset<256>& ForbiddenNameChars();

// The naming of a layout chosen by index with the separator; an index that
// is not 0 to 3 keeps `otherPattern`.
DateNamingSettings LayoutDateNaming(int layoutIndex, char32_t separatorChar,
                                    std::string_view otherPattern);

// Sets the process-wide separator, and the pattern of the layout when the
// index is 0 to 3 (any other index keeps the pattern). Returns the separator
// in force before the call, so the caller can put it back.
char32_t ApplyDateNaming(int layoutIndex, char32_t separatorChar);

// The calendar date of the value (time of day ignored) in the naming's
// pattern, with its separator for every "/".
std::string RenderDate(DateTimeValue date, const DateNamingSettings& naming);

// prefix + date + suffix, nothing more: no extension is added.
std::string ComposeDateName(DateTimeValue date, std::string_view prefix, std::string_view suffix,
                            const DateNamingSettings& naming);

// False for an empty name and for a name holding one of ForbiddenNameChars.
bool IsValidFileName(std::string_view name);

// Whether a name stays an entry of the folder it is put in: not empty, not
// "." or "..", and free of path separators (both kinds on Windows) and NUL,
// which would end the name early. Anything else the file system may still
// refuse, which merely fails that copy.
bool IsPlainFileName(std::string_view name);
// Whether text holds a path separator (either kind on Windows) or a NUL.
bool HoldsPathSeparator(std::string_view text);

}  // namespace quenby
