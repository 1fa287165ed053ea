#pragma once

#include <string_view>

namespace quenby::runkeys {

// The keys under which the main window's controls keep what a sort run
// reads. The window names its form and controls by them, the control-state
// store writes them, and quenby-sort --settings reads them back: a control
// renamed in the layout cannot part the two.
inline constexpr std::string_view kSection = "Quenbyform";
inline constexpr std::string_view kMask = "maske";
inline constexpr std::string_view kTarget = "rootdir";
inline constexpr std::string_view kLayout = "optionen";
// The separator's drop-down list: its item's text under the key, its index
// under the key with kIndexSuffix, as the store keeps every drop-down list.
inline constexpr std::string_view kSeparator = "trennzeichen";
inline constexpr std::string_view kIndexSuffix = "I";
inline constexpr std::string_view kPrefix = "Prefix";
inline constexpr std::string_view kSuffix = "Suffix";
inline constexpr std::string_view kDeleteSources = "deletesource";
inline constexpr std::string_view kRenameFiles = "useprefix";
inline constexpr std::string_view kCaptureDate = "usecapturedate";
// The options dialog's check boxes. A preview is the window's own step
// before a run; the command line has --dry-run for it.
inline constexpr std::string_view kPreview = "preview";
inline constexpr std::string_view kVerifyCopies = "verifycopies";
inline constexpr std::string_view kKeepBoth = "keepboth";
inline constexpr std::string_view kOnlyNew = "onlynew";

}  // namespace quenby::runkeys
