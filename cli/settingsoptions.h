#pragma once

#include <string>

#include "sorting/sortrun.h"

namespace quenby::cli {

// The settings file of the window program, where quenby-sort looks when
// --settings names no file.
std::string DefaultSettingsFile();

// Takes a run's options from the window program's settings file: the source
// folders that still exist, and the mask, target, layout, separator, prefix,
// suffix and the check boxes of the main window (the capture date's among
// them). Values the file lacks or that are out of range leave `options` as
// it was. False, with a one-line
// reason in `error`, when the file is missing or cannot be read.
bool ReadSortOptionsFromSettings(const std::string& path, SortOptions& options, std::string& error);

}  // namespace quenby::cli
