#pragma once

#include <string>
#include <string_view>

namespace quenby::platform {

// A fresh name for a file that is being written beside its final name:
// ".q<random><mark>.tmp", hidden and never matched by a photo mask.
// The mark is drawn from the final name, so that a run that finds the
// leftovers of a killed one can tell which final name it was claiming.
std::string TemporaryName(std::string_view finalName);

// True for every name that TemporaryName gives.
bool IsTemporaryName(std::string_view name);

// True when `temporary` was made for `finalName` by TemporaryName.
bool TemporaryNameFor(std::string_view temporary, std::string_view finalName);

}  // namespace quenby::platform
